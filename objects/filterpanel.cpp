#include "objects/filterpanel.h"

#include "app/generalerror.h"
#include "app/grids.h"
#include "app/messages.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/objectfilter.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "core/sharedquery.h"

#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace {
const QString NothingPassesText = QStringLiteral("Нет ни одного объекта, удовлетворяющего условию отбора!");

// Keeps the grid from clicks for the time of the work, in its place so the window's layout stays, and
// gives it back however the work ends.
class GridDisabledWhileWorking
{
public:
    explicit GridDisabledWhileWorking(QWidget *grid) : m_grid(grid), m_wasEnabled(grid && grid->isEnabled())
    {
        if (m_grid)
            m_grid->setEnabled(false);
    }
    ~GridDisabledWhileWorking()
    {
        if (m_grid && m_wasEnabled)
            m_grid->setEnabled(true);
    }

private:
    QWidget *m_grid;
    bool m_wasEnabled;
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
    // From the keyboard: Enter on a tree entry adds it, Delete on a listed entry removes it. The keys press
    // the buttons, so they do whatever the window has the buttons do.
    PressButtonOnKeys(ClassesView, {Qt::Key_Return, Qt::Key_Enter}, AddFilter);
    PressButtonOnKeys(ListBox, {Qt::Key_Delete}, DeleteFilter);
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
    Q_EMIT evaluationStarted();
    bool nothingPassed = false;
    bool done = false;
    {
        GridDisabledWhileWorking working(m_grid);
        ObjectList &list = ObjectList::Of(*DModule);
        done = Guarded([&] { nothingPassed = list.applyFilter(Memo).nothingPassed; });
        // A failed evaluation keeps the passing objects of the last one: the list shows them again.
        if (!done && !list.rows().isOpen())
            Guarded([&] { list.open(); });
    }
    // Told over the (empty) list it explains, with the entries that emptied it still listed.
    if (nothingPassed)
        ShowMessage(NothingPassesText, this);
    Q_EMIT evaluationFinished();
    return done;
}

void ShowListAfresh(FilterPanel &filter, const SearchBox &search, QTableView &grid, ObjectGridModel &model,
                    const std::function<void(ObjectList &list)> &open)
{
    ObjectList &list = ObjectList::Of(*DModule);
    filter.reset();
    ResetSearchBox(search);
    open(list);
    ShowGridColumns(grid, model, list.fields());
    filter.fillBooks();
}
