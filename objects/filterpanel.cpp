#include "objects/filterpanel.h"

#include "app/generalerror.h"
#include "app/messages.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/objectfilter.h"
#include "objects/objectlist.h"

#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

QString ReferId;

namespace {
const QString NothingPassesText = QStringLiteral("Нет ни одного объекта, удовлетворяющего условию отбора!");

// Hides the grid for the time of the work and shows it again however the work ends.
class GridHiddenWhileWorking
{
public:
    explicit GridHiddenWhileWorking(QWidget *grid) : m_grid(grid), m_wasHidden(grid && grid->isHidden())
    {
        if (m_grid)
            m_grid->hide();
    }
    ~GridHiddenWhileWorking()
    {
        if (m_grid && !m_wasHidden)
            m_grid->show();
    }

private:
    QWidget *m_grid;
    bool m_wasHidden;
};
}

FilterPanel::FilterPanel(QWidget *grid, QWidget *parent)
    : BookPanel(QStringLiteral(" Условие отбора объектов "), QStringLiteral("GroupBox"), parent), m_grid(grid)
{
    AddFilter = new QPushButton(QStringLiteral("Добавить элемент в условие отбора"), this);
    AddFilter->setObjectName(QStringLiteral("AddFilter"));
    ListBox = new QListWidget(this);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    DeleteFilter = new QPushButton(QStringLiteral("Удалить элемент из условия отбора"), this);
    DeleteFilter->setObjectName(QStringLiteral("DeleteFilter"));
    for (QWidget *control : {static_cast<QWidget *>(AddFilter), static_cast<QWidget *>(ListBox),
                             static_cast<QWidget *>(DeleteFilter)})
        addControl(control);
    connect(AddFilter, &QPushButton::clicked, this, &FilterPanel::AddFilterClick);
    connect(DeleteFilter, &QPushButton::clicked, this, &FilterPanel::DeleteFilterClick);
}

void FilterPanel::reset()
{
    ListBox->clear();
    Memo.clear();
}

void FilterPanel::fillBooks()
{
    fillBookBox();
}

void FilterPanel::bookChosen()
{
    ReferId = bookId();
}

void FilterPanel::AddFilterClick()
{
    QTreeWidgetItem *item = selectedEntry();
    if (!item)
        return;
    const bool added = Guarded([&] {
        Memo << FilterCondition(*DModule, bookId().toLongLong(), LazyTree::itemId(item));
        ListBox->addItem(bookName() + QLatin1String(": ") + item->text(0));
    });
    // An entry whose evaluation failed is taken back, so the entries listed are those the list obeys.
    if (added && !applyFilter()) {
        Memo.removeLast();
        delete ListBox->takeItem(ListBox->count() - 1);
    }
}

void FilterPanel::DeleteFilterClick()
{
    const int index = ListBox->currentRow();
    if (index < 0 || index >= Memo.size() || !ListBox->item(index)->isSelected())
        return;
    Memo.removeAt(index);
    delete ListBox->takeItem(index);
    applyFilter();
}

void FilterPanel::MakeFClass()
{
    applyFilter();
}

bool FilterPanel::applyFilter()
{
    GridHiddenWhileWorking hidden(m_grid);
    const bool done = Guarded([this] {
        // FilterPart changes only once the evaluation has succeeded.
        const FilterEvaluation evaluation = EvaluateObjectFilter(*DModule, Memo);
        FilterPart = evaluation.filterPart;
        if (evaluation.nothingPassed)
            ShowMessage(NothingPassesText, this);
        OpenObjectList(*DModule);
    });
    // A failed evaluation keeps the passing objects of the last one: the list shows them again.
    if (!done && !DModule->QRGeneral->isOpen())
        Guarded([] { OpenObjectList(*DModule); });
    return done;
}
