#include "objects/objectgridmodel.h"

#include "app/generalerror.h"
#include "app/grids.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/sharedquery.h"

#include <QDate>
#include <QHeaderView>
#include <QTableView>
#include <QFont>
#include <QLocale>
#include <QTime>

namespace {
constexpr int FetchBatch = 256;
}

ObjectGridModel::ObjectGridModel(SharedQuery *query, QObject *parent)
    : QAbstractTableModel(parent), m_query(query)
{
    connect(m_query, &SharedQuery::rowsReplaced, this, &ObjectGridModel::onRowsReplaced);
}

void ObjectGridModel::setColumns(const QList<DescriptionField> &fields)
{
    beginResetModel();
    m_fields = fields;
    resolveColumns();
    m_rows = m_query->isOpen() ? m_query->rowsRead() : 0;
    endResetModel();
}

void ObjectGridModel::resolveColumns()
{
    m_queryColumns.clear();
    for (const DescriptionField &field : m_fields)
        m_queryColumns << (m_query->isOpen() ? m_query->columnIndex(field.listColumn()) : -1);
}

void ObjectGridModel::onRowsReplaced()
{
    beginResetModel();
    resolveColumns();
    m_rows = m_query->isOpen() ? m_query->rowsRead() : 0;
    endResetModel();
}

int ObjectGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ObjectGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

bool ObjectGridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_query->isOpen() && !(m_query->allRowsRead() && m_rows == m_query->rowsRead());
}

void ObjectGridModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_query->isOpen())
        return;
    const int known = m_query->readRows(m_rows + FetchBatch);
    if (known <= m_rows)
        return;
    beginInsertRows(QModelIndex(), m_rows, known - 1);
    m_rows = known;
    endInsertRows();
}

QVariant ObjectGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_queryColumns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const int column = m_queryColumns[index.column()];
    if (column < 0)
        return {};
    return DisplayValue(m_fields[index.column()], m_query->valueAt(index.row(), column));
}

QVariant ObjectGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_fields.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return GridTitleData(m_fields[section].name, role);
}

QList<DescriptionField> VisibleGridFields(const QTableView &grid, const ObjectGridModel &model)
{
    QList<DescriptionField> fields;
    const QHeaderView *header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column >= 0 && column < model.columns().size() && !grid.isColumnHidden(column))
            fields << model.columns().at(column);
    }
    return fields;
}

void ShowGridColumns(QTableView &grid, ObjectGridModel &model, const QList<DescriptionField> &fields)
{
    QList<DescriptionField> shown;
    for (const DescriptionField &field : fields) {
        if (field.hasGridColumn())
            shown << field;
    }
    model.setColumns(shown);
    for (int column = 0; column < model.columnCount(); ++column)
        grid.setColumnHidden(column, false);
    FitGridColumns(&grid);
}

int GridColumns::count() const
{
    return m_model.columnCount();
}

QString GridColumns::caption(int column) const
{
    return m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

bool GridColumns::isVisible(int column) const
{
    return !m_grid.isColumnHidden(column);
}

bool GridColumns::setVisible(int column, bool visible) const
{
    if (m_grid.isColumnHidden(column) == !visible)
        return false;
    m_grid.setColumnHidden(column, !visible);
    return true;
}

void SortObjectListByTitle(ObjectList &list, const QString &caption)
{
    if (!GuardedRead([&] { list.sortByTitle(caption); }))
        GuardedRead([&] { list.open(); });
}
