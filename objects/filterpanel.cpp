#include "objects/filterpanel.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QString ReferId;

FilterPanel::FilterPanel(QWidget *grid, QWidget *parent)
    : QGroupBox(QStringLiteral(" Условие отбора объектов "), parent), m_grid(grid)
{
    setObjectName(QStringLiteral("GroupBox"));
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    AddFilter = new QPushButton(QStringLiteral("Добавить элемент в условие отбора"), this);
    AddFilter->setObjectName(QStringLiteral("AddFilter"));
    ListBox = new QListWidget(this);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    DeleteFilter = new QPushButton(QStringLiteral("Удалить элемент из условия отбора"), this);
    DeleteFilter->setObjectName(QStringLiteral("DeleteFilter"));
    auto *layout = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(ComboBox), static_cast<QWidget *>(ClassesView), static_cast<QWidget *>(AddFilter),
                       static_cast<QWidget *>(ListBox), static_cast<QWidget *>(DeleteFilter)})
        layout->addWidget(w);
}

void FilterPanel::reset()
{
    ListBox->clear();
    Memo.clear();
}

void FilterPanel::fillBooks() {}
void FilterPanel::ComboBoxChange() {}
void FilterPanel::AddFilterClick() {}
void FilterPanel::DeleteFilterClick() {}
void FilterPanel::MakeFClass() {}
void FilterPanel::rebuildTree() {}
