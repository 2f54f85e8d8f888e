#include "objects/objectgridmodel.h"

#include "app/generalerror.h"
#include "app/grids.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/sharedquery.h"
#include "objects/thumbnails.h"

#include <QDate>
#include <QHeaderView>
#include <QTableView>
#include <QFont>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QTime>

namespace {
constexpr int FetchBatch = 256;
// Thumbnails are read for this many rows at once, and kept for at most so many objects.
constexpr int ThumbnailPage = 64;
constexpr int KeptThumbnails = 4096;
const char *TextRowHeight = "textRowHeight";
}

ObjectGridModel::ObjectGridModel(SharedQuery *query, QObject *parent)
    : QAbstractTableModel(parent), m_query(query)
{
    connect(m_query, &SharedQuery::rowsReplaced, this, &ObjectGridModel::onRowsReplaced);
    connect(&Thumbnails::Notifier::Instance(), &Thumbnails::Notifier::made, this, &ObjectGridModel::onThumbnailsMade);
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
    forgetThumbnails();
    m_idColumn = m_query->isOpen() ? m_query->columnIndex(QStringLiteral("G_ID")) : -1;
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

namespace {
// The locale a view hands its delegate: without digit grouping ("18990", not "18 990").
QLocale GridLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A cell's value for the view. A real number comes as its whole text: a view writes a double to six
// digits, which would show a stored 12345,678 as 12345,7.
QVariant GridValue(const DescriptionField &field, const QVariant &stored)
{
    const QVariant shown = DisplayValue(field, stored);
    if (field.kind() == FieldKind::Real && shown.typeId() == QMetaType::Double)
        return GridLocale().toString(shown.toDouble(), 'g', QLocale::FloatingPointShortest);
    return shown;
}
}

QVariant ObjectGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_queryColumns.size())
        return {};
    const DescriptionField &field = m_fields[index.column()];
    if (field.kind() == FieldKind::Image)
        return role == Qt::DecorationRole ? thumbnailAt(index.row(), field.id) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const int column = m_queryColumns[index.column()];
    if (column < 0)
        return {};
    return GridValue(field, m_query->valueAt(index.row(), column));
}

void ObjectGridModel::forgetThumbnails()
{
    m_thumbnails.clear();
    m_thumbnailsRead.clear();
}

QVariant ObjectGridModel::thumbnailAt(int row, qint64 fieldId) const
{
    if (m_idColumn < 0)
        return {};
    const qint64 objectId = m_query->valueAt(row, m_idColumn).toLongLong();
    if (!m_thumbnailsRead.contains(objectId))
        readThumbnailsNear(row);
    const QPixmap thumbnail = m_thumbnails.value({objectId, fieldId});
    return thumbnail.isNull() ? QVariant() : QVariant(thumbnail);
}

// One read for the rows about the one painted: a screen of rows costs one statement, not one per row.
void ObjectGridModel::readThumbnailsNear(int row) const
{
    if (m_thumbnailsRead.size() > KeptThumbnails)
        const_cast<ObjectGridModel *>(this)->forgetThumbnails();
    const int first = row - row % ThumbnailPage;
    QList<qint64> objects;
    for (int r = first; r < qMin(m_rows, first + ThumbnailPage); ++r) {
        // Rows not at hand are left for their own turn: painting one row reads no further page of the list.
        const QVariant id = r == row ? m_query->valueAt(r, m_idColumn) : m_query->cachedValueAt(r, m_idColumn);
        if (id.isValid() && !m_thumbnailsRead.contains(id.toLongLong()))
            objects << id.toLongLong();
    }
    const QHash<Thumbnails::Key, QImage> read = Thumbnails::Read(*m_query->module(), objects);
    for (auto it = read.begin(); it != read.end(); ++it)
        m_thumbnails.insert(it.key(), QPixmap::fromImage(it.value()));
    for (const qint64 id : objects)
        m_thumbnailsRead.insert(id);
}

void ObjectGridModel::onThumbnailsMade(const QList<qint64> &objectIds)
{
    for (const qint64 id : objectIds)
        m_thumbnailsRead.remove(id);
    if (m_rows == 0)
        return;
    for (int column = 0; column < m_fields.size(); ++column) {
        if (m_fields[column].kind() == FieldKind::Image)
            Q_EMIT dataChanged(index(0, column), index(m_rows - 1, column), {Qt::DecorationRole});
    }
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
        // Thumbnails are no text to search, print or export.
        if (column >= 0 && column < model.columns().size() && !grid.isColumnHidden(column)
            && model.columns().at(column).kind() != FieldKind::Image)
            fields << model.columns().at(column);
    }
    return fields;
}

QString GridCellText(const DescriptionField &field, const QVariant &stored)
{
    static const QStyledItemDelegate delegate;
    return delegate.displayText(GridValue(field, stored), GridLocale());
}

QList<DescriptionField> GridColumnFields(const QList<DescriptionField> &fields)
{
    QList<DescriptionField> shown, pictures;
    for (const DescriptionField &field : fields) {
        if (field.hasGridColumn())
            shown << field;
        else if (field.kind() == FieldKind::Image)
            pictures << field;
    }
    return shown + pictures;
}

void ShowGridColumns(QTableView &grid, ObjectGridModel &model, const QList<DescriptionField> &fields)
{
    model.setColumns(GridColumnFields(fields));
    for (int column = 0; column < model.columnCount(); ++column)
        grid.setColumnHidden(column, false);
    GridColumns(grid, model).fitRowHeights();
    FitGridColumns(&grid, [&model](int column) {
        return column < model.columns().size() && model.columns().at(column).kind() == FieldKind::Image;
    });
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
    fitRowHeights();
    return true;
}

void GridColumns::fitRowHeights() const
{
    QHeaderView *rows = m_grid.verticalHeader();
    if (!m_grid.property(TextRowHeight).isValid())
        m_grid.setProperty(TextRowHeight, rows->defaultSectionSize());
    bool pictures = false;
    for (int column = 0; column < m_model.columnCount(); ++column)
        pictures = pictures || (m_model.columns().at(column).kind() == FieldKind::Image && !m_grid.isColumnHidden(column));
    m_grid.setIconSize(Thumbnails::Bound);
    rows->setDefaultSectionSize(pictures ? Thumbnails::Height + 4 : m_grid.property(TextRowHeight).toInt());
}

void SortObjectListByTitle(ObjectList &list, const QString &caption)
{
    if (!GuardedRead([&] { list.sortByTitle(caption); }))
        GuardedRead([&] { list.open(); });
}
