#include "catalogs/form23.h"

#include "app/forms.h"
#include "app/messages.h"
#include "app/named.h"
#include "catalogs/form22.h"
#include "settings/form6.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm23::TForm23(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form23"));
    setWindowTitle(QStringLiteral("Ввод пароля"));
    // Shown over the running catalog, which blocks every other window.
    setWindowModality(Qt::ApplicationModal);
    Label1 = Named<QLabel>("Label1", QStringLiteral("Для выхода из каталога введите пароль"), this);
    Edit1 = Named<QLineEdit>("Edit1", this);
    Edit1->setEchoMode(QLineEdit::Password);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Готово"), this);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Отмена"), this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TForm23::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm23::Button2Click);
    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addWidget(Edit1, 1, 0, 1, 2);
    layout->addWidget(Button1, 2, 0);
    layout->addWidget(Button2, 2, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm23::Button1Click()
{
    if (Edit1->text() != Settings::CatalogPassword()) {
        ShowMessage(QStringLiteral("Вы ввели неверный пароль!"), this);
        Edit1->selectAll();
        Edit1->setFocus();
        return;
    }
    close();
    if (Form22)
        Form22->close();
}

void TForm23::Button2Click()
{
    close();
}
