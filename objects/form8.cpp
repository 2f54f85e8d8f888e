#include "objects/form8.h"

#include "app/generalerror.h"
#include "app/messages.h"
#include "core/dmodule.h"
#include "objects/objectlinks.h"
#include "objects/objectstore.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm8::TForm8(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Значение параметра"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("1). Введите значение параметра (если это необходимо):"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(50);
    Label2 = new QLabel(QStringLiteral("2). Выберите подпись (заголовок) параметра"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ComboBox->setEditable(false);
    Label3 = new QLabel(QStringLiteral("3). Для добавления параметра нажмите кнопку \"Готово\""), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Button1 = new QPushButton(QStringLiteral("Готово"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(Label2);
    layout->addWidget(ComboBox);
    layout->addWidget(Label3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(380);

    connect(Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
}

void TForm8::Prepare(const PendingLink &link, const QStringList &captionTexts, const QList<qint64> &captionIds,
                     std::function<void()> afterInsert)
{
    m_link = link;
    m_captionIds = captionIds;
    m_afterInsert = std::move(afterInsert);
    m_prepared = true;
    Edit1->clear();
    ComboBox->clear();
    ComboBox->addItems(captionTexts);
    ComboBox->setCurrentIndex(0);
}

void TForm8::Button1Click()
{
    if (!m_prepared) {
        close();
        return;
    }
    const int index = ComboBox->currentIndex();
    const qint64 caption = index >= 0 && index < m_captionIds.size() ? m_captionIds[index] : 0;
    const bool stored = Guarded([&] {
        try {
            AddObjectLink(*DModule, m_link.objectId, m_link.referId, m_link.entryId, Edit1->text(), caption, m_link.object);
        } catch (const ObjectChangedElsewhere &gone) {
            ShowMessage(gone.message(), this);
        }
    });
    if (!stored)
        return;
    // An object deleted elsewhere takes no parameter, whatever is typed here: the dialog closes.
    m_prepared = false;
    if (m_afterInsert)
        m_afterInsert();
    close();
}

void TForm8::Button2Click()
{
    m_prepared = false;
    close();
}
