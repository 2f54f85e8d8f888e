#include "objects/filterpanel.h"

#include "app/generalerror.h"
#include "app/messages.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/objectfilter.h"
#include "objects/objectlist.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

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
    : QGroupBox(QStringLiteral(" Условие отбора объектов "), parent), m_grid(grid)
{
    setObjectName(QStringLiteral("GroupBox"));
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ClassesView = new QTreeWidget(this);
    ClassesView->setObjectName(QStringLiteral("ClassesView"));
    ClassesView->setHeaderHidden(true);
    ClassesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
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

    m_tree = new LazyTree(ClassesView, [this] { return TreeSource::referenceBook(m_bookId, Settings::DisplayFormat()); },
                          [] { return Settings::DisplayFormat(); });
    connect(ComboBox, &QComboBox::activated, this, &FilterPanel::ComboBoxChange);
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
    const QList<ReferenceStore::Book> books = ReferenceStore::Books(*DModule);
    ComboBox->clear();
    m_tree->clear();
    m_bookId.clear();
    m_bookName.clear();
    for (const ReferenceStore::Book &book : books)
        ComboBox->addItem(book.name, book.id);
    if (ComboBox->count() > 0) {
        ComboBox->setCurrentIndex(0);
        loadBook();
    }
}

void FilterPanel::loadBook()
{
    const int index = ComboBox->currentIndex();
    if (index < 0)
        return;
    qint64 book = ComboBox->itemData(index).toLongLong();
    if (book == 0) {
        // Items added without their number: the box lists the books in the same order as REFERS by name.
        const QList<ReferenceStore::Book> books = ReferenceStore::Books(*DModule);
        if (index >= books.size())
            return;
        book = books[index].id;
    }
    m_bookId = QString::number(book);
    m_bookName = ComboBox->itemText(index);
    ReferId = m_bookId;
    m_tree->rebuild();
}

void FilterPanel::ComboBoxChange()
{
    Guarded([this] { loadBook(); });
}

void FilterPanel::rebuildTree()
{
    if (!m_bookId.isEmpty())
        Guarded([this] { m_tree->rebuild(); });
}

void FilterPanel::AddFilterClick()
{
    QTreeWidgetItem *item = ClassesView->currentItem();
    if (!item || !item->isSelected() || LazyTree::isPlaceholder(item) || m_bookId.isEmpty())
        return;
    const bool added = Guarded([&] {
        Memo << FilterCondition(*DModule, m_bookId.toLongLong(), LazyTree::itemId(item));
        ListBox->addItem(m_bookName + QLatin1String(": ") + item->text(0));
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
    return Guarded([this] {
        // FilterPart changes only once the evaluation has succeeded.
        const FilterEvaluation evaluation = EvaluateObjectFilter(*DModule, Memo);
        FilterPart = evaluation.filterPart;
        if (evaluation.nothingPassed)
            ShowMessage(NothingPassesText, this);
        OpenObjectList(*DModule);
    });
}
