#include "objects/columnchooser.h"

#include "objects/objectgridmodel.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

ColumnChooser::ColumnChooser(const QString &name, int chooserWidth, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), m_width(chooserWidth)
{
    setObjectName(name);
    setWindowTitle(QStringLiteral("Настройка отображения столбцов"));
    setFixedSize(m_width, 112);
}

void ColumnChooser::LoadFields()
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

    const GridColumns grid = gridColumns();
    const int columns = grid.count();
    for (int i = 0; i < columns; ++i) {
        auto *box = new QCheckBox(grid.caption(i), this);
        box->setGeometry(10, 32 + 16 * i, m_width - 32, 16);
        box->setChecked(grid.isVisible(i));
        box->show();
        m_checkBoxes << box;
    }
    const int buttonTop = 32 + 16 * columns + 16;
    const int buttonWidth = m_width / 2 - 16;
    m_done = new QPushButton(QStringLiteral("Готово"), this);
    m_done->setObjectName(QStringLiteral("DoneButton"));
    m_done->setGeometry(10, buttonTop, buttonWidth, m_done->sizeHint().height());
    m_done->show();
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setGeometry(buttonWidth + 16, buttonTop, buttonWidth, m_cancel->sizeHint().height());
    m_cancel->show();
    connect(m_done, &QPushButton::clicked, this, &ColumnChooser::ColumnsVisible);
    connect(m_cancel, &QPushButton::clicked, this, &ColumnChooser::CloseForm);
    setFixedSize(m_width, 32 + 16 * columns + 80);
}

void ColumnChooser::ColumnsVisible()
{
    const GridColumns grid = gridColumns();
    bool changed = false;
    for (int i = 0; i < m_checkBoxes.size() && i < grid.count(); ++i)
        changed = grid.setVisible(i, m_checkBoxes[i]->isChecked()) || changed;
    close();
    if (changed)
        columnsChanged();
}

void ColumnChooser::CloseForm()
{
    close();
}
