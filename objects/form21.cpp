#include "objects/form21.h"

#include "app/forms.h"
#include "objects/form2.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int ChooserWidth = 320;
}

TForm21::TForm21(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form21"));
    setWindowTitle(QStringLiteral("Настройка отображения столбцов"));
    setFixedSize(ChooserWidth, 112);
}

void TForm21::LoadFields()
{
    delete m_title;
    qDeleteAll(m_checkBoxes);
    m_checkBoxes.clear();
    delete m_done;
    delete m_cancel;

    m_title = new QLabel(QStringLiteral("Выберите какие из полей будут показаны:"), this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->move(10, 10);
    m_title->adjustSize();
    m_title->show();

    const int columns = Form2->gridColumnCount();
    for (int i = 0; i < columns; ++i) {
        auto *box = new QCheckBox(Form2->gridColumnCaption(i), this);
        box->setGeometry(10, 32 + 16 * i, width() - 32, 16);
        box->setChecked(Form2->isGridColumnVisible(i));
        box->show();
        m_checkBoxes << box;
    }
    const int buttonTop = 32 + 16 * columns + 16;
    const int buttonWidth = width() / 2 - 16;
    m_done = new QPushButton(QStringLiteral("Готово"), this);
    m_done->setObjectName(QStringLiteral("DoneButton"));
    m_done->setGeometry(10, buttonTop, buttonWidth, m_done->sizeHint().height());
    m_done->show();
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setGeometry(buttonWidth + 16, buttonTop, buttonWidth, m_cancel->sizeHint().height());
    m_cancel->show();
    connect(m_done, &QPushButton::clicked, this, &TForm21::ColumnsVisible);
    connect(m_cancel, &QPushButton::clicked, this, &TForm21::CloseForm);
    setFixedSize(ChooserWidth, 32 + 16 * columns + 80);
}

void TForm21::ColumnsVisible()
{
    for (int i = 0; i < m_checkBoxes.size() && i < Form2->gridColumnCount(); ++i)
        Form2->setGridColumnVisible(i, m_checkBoxes[i]->isChecked());
    close();
}

void TForm21::CloseForm()
{
    close();
}
