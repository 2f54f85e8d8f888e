#include "objects/gridrowsync.h"

#include "core/dmodule.h"
#include "core/sharedquery.h"
#include "objects/objectlist.h"
#include "objects/objectgridmodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

GridRowSync::GridRowSync(QTableView *grid, ObjectGridModel *model)
    : QObject(grid), m_grid(grid), m_model(model)
{
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { followGridRow(current.row()); });
    connect(model->query(), &SharedQuery::afterScroll, this, &GridRowSync::followQueryRow);
    connect(model, &QAbstractItemModel::modelReset, this, &GridRowSync::followQueryRow);
    // Every new statement may bring a new order; a title click that sorted nothing must not move the arrow
    // the header itself moves on clicks.
    connect(model, &QAbstractItemModel::modelReset, this, &GridRowSync::followQueryOrder);
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &GridRowSync::followQueryOrder);
    followQueryOrder();
}

void GridRowSync::followQueryOrder()
{
    int sorted = -1;
    Qt::SortOrder direction = Qt::AscendingOrder;
    if (const std::optional<ListOrder> order = ObjectList::Of(*DModule).titleOrder()) {
        for (int column = 0; column < m_model->columns().size() && sorted < 0; ++column) {
            if (m_model->columns().at(column).listColumn() == order->listColumn())
                sorted = column;
        }
        direction = order->descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    QHeaderView *header = m_grid->horizontalHeader();
    header->setSortIndicatorShown(sorted >= 0);
    header->setSortIndicator(sorted, direction);
}

void GridRowSync::followGridRow(int row)
{
    if (m_syncing || row < 0)
        return;
    m_syncing = true;
    m_model->query()->setRecNo(row + 1);
    m_syncing = false;
}

void GridRowSync::followQueryRow()
{
    SharedQuery &list = *m_model->query();
    if (m_syncing || !list.isOpen() || list.eof())
        return;
    const int row = list.recNo() - 1;
    while (row >= m_model->rowCount() && m_model->canFetchMore(QModelIndex()))
        m_model->fetchMore(QModelIndex());
    if (row >= m_model->rowCount())
        return;
    m_syncing = true;
    int column = 0;
    while (column < m_model->columnCount() && m_grid->isColumnHidden(column))
        ++column;
    // The list's row alone is chosen: a row chosen before (the first, after the list was read again)
    // must not stay chosen beside it for a next Delete to take too.
    m_grid->selectionModel()->setCurrentIndex(m_model->index(row, column),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(m_model->index(row, column));
    m_syncing = false;
}
