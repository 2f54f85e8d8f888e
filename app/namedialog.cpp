#include "app/namedialog.h"

#include "app/named.h"
#include "app/singleline.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

NameDialogControls BuildNameDialog(QDialog *dialog, const QString &label, const QString &okCaption, int maxLength)
{
    auto *caption = new QLabel(label, dialog);
    NameDialogControls controls{Named<QLineEdit>("Edit1", dialog), Named<QPushButton>("Button1", okCaption, dialog),
                                Named<QPushButton>("Button2", QStringLiteral("Отмена"), dialog)};
    KeepSingleLine(controls.Edit1);
    controls.Edit1->setMaxLength(maxLength);
    controls.Edit1->setMinimumWidth(320);
    caption->setBuddy(controls.Edit1);
    controls.Button1->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(controls.Button1);
    buttons->addWidget(controls.Button2);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(caption);
    layout->addWidget(controls.Edit1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return controls;
}
