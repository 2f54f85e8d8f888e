#include "objects/objectlist.h"

#include <algorithm>

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "core/sharedquery.h"
#include "objects/objectfilter.h"
#include "objects/searchengine.h"
#include "objects/sortkeys.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

const QString DesignChangedElsewhereText = QStringLiteral(
    "Другой пользователь изменил структуру базы данных (поля описания, справочники, классификатор или каталоги).");

namespace {
// Lookup lists joined into the object list; the rest of the 64 tables the engine allows is left to
// the statements that extend the list (the filter's sub-selects).
constexpr int JoinedLookupLimit = 48;

struct Pieces
{
    QString select, from, where;
    QStringList joinedLookups;   // the lookup tables in `from`
};

Pieces composePieces(const QList<DescriptionField> &fields)
{
    Pieces pieces{QStringLiteral("SELECT G_ID"), QStringLiteral(" FROM GENER"), QString(), QStringList()};
    int joined = 0;
    for (const DescriptionField &field : fields) {
        // Pictures stay out of the list: reading a screen of rows would copy every picture on it.
        // They are read for the one object that shows them (ReadObjectPicture).
        if (field.kind() == FieldKind::Image)
            continue;
        pieces.select += QLatin1String(", ");
        if (!field.lookup) {
            pieces.select += field.listColumn();
            continue;
        }
        const QString table = SchemaName::LookupTable(field.id);
        const QString condition = field.column() + QLatin1Char('=') + SchemaName::LookupId(field.id);
        if (joined < JoinedLookupLimit) {
            ++joined;
            pieces.select += field.listColumn();
            pieces.from += QLatin1String(", ") + table;
            pieces.joinedLookups << table;
            pieces.where += pieces.where.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND ");
            pieces.where += QLatin1Char('(') + condition + QLatin1Char(')');
        } else {
            // The engine joins at most 64 tables: further lists are read by a sub-select each, under
            // the column name the joined ones have.
            pieces.select += QLatin1String("(SELECT ") + field.listColumn() + QLatin1String(" FROM ") + table
                             + QLatin1String(" WHERE ") + condition + QLatin1String(") AS ") + field.listColumn();
        }
    }
    return pieces;
}
}

// The statements one opening of the list reads its pages with, each prepared once: on a server every
// preparation is a round trip of its own and a plan made anew. Made again at each opening, so a
// statement never outlives the columns it was prepared for.
class PageStatements
{
public:
    explicit PageStatements(TDModule &module) : m_module(module) {}

    QList<QVariantList> readAll(const QString &statement, const QVariantList &values)
    {
        auto prepared = m_prepared.find(statement);
        if (prepared == m_prepared.end()) {
            QSqlQuery query(m_module.database());
            query.setForwardOnly(true);
            if (!query.prepare(statement))
                throw DbError(EngineErrorText(query.lastError()));
            prepared = m_prepared.insert(statement, query);
        }
        QSqlQuery &query = *prepared;
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            m_prepared.erase(prepared);
            throw DbError(EngineErrorText(error));
        }
        const QList<QVariantList> rows = SharedQuery::RowsOf(query);
        query.finish();
        return rows;
    }

private:
    TDModule &m_module;
    QHash<QString, QSqlQuery> m_prepared;
};

namespace {
// Reads with the list's own statements when it has them, else through the module's page query.
QList<QVariantList> readRows(TDModule &module, PageStatements *statements, const QString &statement, const QVariantList &values)
{
    return statements ? statements->readAll(statement, values) : module.QRListPages->readAll(statement, values);
}
}

QList<DescriptionField> ReadDescriptionFields(TDModule &module)
{
    QList<DescriptionField> fields;
    SharedQuery &query = *module.QRFields;
    query.open(FieldQuery);
    for (bool more = query.first(); more; more = query.next()) {
        DescriptionField field;
        field.id = query.asInteger(QStringLiteral("F_ID"));
        field.name = query.asString(QStringLiteral("F_NAME"));
        field.typeName = query.asString(QStringLiteral("T_NAME"));
        field.lookup = query.asBoolean(QStringLiteral("F_LOOKUP"));
        fields << field;
    }
    query.first();
    return fields;
}

ObjectList::ObjectList(TDModule &module, QObject *parent)
    : QObject(parent)
    , m_module(module)
{
    setObjectName(QStringLiteral("ObjectList"));
    SharedQuery *list = module.QRGeneral;
    connect(list, &SharedQuery::afterScroll, this, [this] {
        remember();
        Q_EMIT currentChanged(m_lastCurrent);
    });
    connect(list, &SharedQuery::rowsReplaced, this, [this] {
        remember();
        Q_EMIT reopened();
    });
}

ObjectList::~ObjectList() = default;

ObjectList &ObjectList::Of(TDModule &module)
{
    if (auto *list = module.findChild<ObjectList *>(QStringLiteral("ObjectList"), Qt::FindDirectChildrenOnly))
        return *list;
    return *new ObjectList(module, &module);
}

SharedQuery &ObjectList::rows() const
{
    return *m_module.QRGeneral;
}

void ObjectList::remember()
{
    const SharedQuery &list = rows();
    if (!list.isOpen() || list.eof())
        return;
    m_lastCurrent = list.asInteger(QStringLiteral("G_ID"));
    m_lastRow = list.recNo();
}

QString ObjectList::OneObjectStatement(const QList<DescriptionField> &fields)
{
    const Pieces pieces = composePieces(fields);
    return pieces.select + pieces.from
           + (pieces.where.isEmpty() ? QStringLiteral(" WHERE (G_ID = ?)") : pieces.where + QLatin1String(" AND (G_ID = ?)"));
}

QString ObjectList::listRows(const QString &select, const QString &condition) const
{
    // The table that holds the sorted keys, when the list does not join it already.
    const bool joinsOrder = !SortedBy.lookupTable.isEmpty() && !m_joinedLookups.contains(SortedBy.lookupTable);
    QString statement = select + FromPart + (joinsOrder ? QLatin1String(", ") + SortedBy.lookupTable : QString()) + WherePart + FilterPart;
    bool hasWhere = !WherePart.isEmpty() || !FilterPart.isEmpty();
    for (const QString &part : {joinsOrder ? SortedBy.lookupJoin : QString(), SearchPart, condition}) {
        if (part.isEmpty())
            continue;
        statement += hasWhere ? QLatin1String(" AND ") : QLatin1String(" WHERE ");
        statement += QLatin1Char('(') + part + QLatin1Char(')');
        hasWhere = true;
    }
    return statement;
}

QString ObjectList::statement() const
{
    // Unsorted, the list keeps the order of addition: with the lookup lists indexed, the engine would
    // otherwise be free to walk a lookup list first and list the objects grouped by its values.
    return listRows(SelectPart) + (OrderPart.isEmpty() ? ListOrder::unsorted().orderPart() : OrderPart);
}

std::optional<ListOrder> ObjectList::order() const
{
    if (OrderPart.isEmpty())
        return ListOrder::unsorted();
    if (SortedBy.seekable)
        return SortedBy;
    return std::nullopt;
}

std::optional<ListOrder> ObjectList::titleOrder() const
{
    if (OrderPart.isEmpty())
        return std::nullopt;
    return SortedBy;
}

void ObjectList::resetChoices()
{
    FilterPart.clear();
    OrderPart.clear();
    SortedBy = ListOrder();
    SearchPart.clear();
    SearchValues.clear();
}

void ObjectList::compose(const QList<DescriptionField> &fields)
{
    const Pieces pieces = composePieces(fields);
    SelectPart = pieces.select;
    FromPart = pieces.from;
    WherePart = pieces.where;
    m_joinedLookups = pieces.joinedLookups;
    m_fields = fields;
    resetChoices();
}

void ObjectList::compose()
{
    compose(ReadDescriptionFields(m_module));
}

void ObjectList::openWhole()
{
    resetChoices();
    open();
}

void ObjectList::open()
{
    // The filter's table belongs to the connection: after another file was opened it is empty, not missing.
    if (!FilterPart.isEmpty())
        EnsurePassingObjectsTable(m_module);
    if (!SearchPart.isEmpty()) {
        const SearchCondition condition = SearchEngine::Of(m_module).refreshed({SearchPart, SearchValues});
        SearchPart = condition.sql;
        SearchValues = condition.values;
    }
    // Keys another program left stale are made before the list is read in their order.
    if (SortedBy.lookupTable == SortKeys::ObjectKeysTable || SortedBy.lookupTable == SortKeys::EntryKeysTable)
        SortKeys::Ready(m_module, SortedBy.keyedLookup);
    SharedQuery &list = rows();
    list.open(statement(), SearchValues);
    if (const auto seekable = order()) {
        list.setPageReader([this, order = *seekable, statements = std::make_shared<PageStatements>(m_module)](int firstRow, int count) {
            return readPageByKeys(order, firstRow, count, *statements);
        });
    }
}

void ObjectList::reopenKeepingCurrent()
{
    SharedQuery &list = rows();
    // A list closed with its connection (a lost one opened again) comes back to the object it was on.
    const bool hadRow = list.isOpen() ? !list.eof() : m_lastCurrent != 0;
    const qint64 id = !hadRow ? 0 : list.isOpen() ? list.asInteger(QStringLiteral("G_ID")) : m_lastCurrent;
    const int oldRow = !hadRow ? 0 : list.isOpen() ? list.recNo() : m_lastRow;
    open();
    if (!hadRow)
        return;
    int row = locate(id);
    if (row == 0)
        row = list.readRows(oldRow) >= oldRow ? oldRow : list.rowsRead();
    if (row > 0)
        list.setRecNo(row);
}

QStringList ObjectList::reloadAfterDesignChange()
{
    SharedQuery &list = rows();
    // The read that found the change may have closed the list: the object current before it stays current.
    const qint64 id = !list.isOpen() ? m_lastCurrent : list.eof() ? 0 : list.asInteger(QStringLiteral("G_ID"));
    const QList<DescriptionField> before = m_fields;
    compose();
    open();
    if (id)
        makeCurrent(id);
    QStringList gone;
    for (const DescriptionField &field : before) {
        if (std::none_of(m_fields.cbegin(), m_fields.cend(), [&](const DescriptionField &now) { return now.name == field.name; }))
            gone << field.name;
    }
    return gone;
}

bool ObjectList::sortByTitle(const QString &caption)
{
    const QList<QVariantList> found =
        m_module.QRWork->readAll(QStringLiteral("SELECT F_ID, F_LOOKUP, F_TYPE FROM FIELDS WHERE F_NAME = ? ORDER BY F_ID"), {caption});
    if (found.isEmpty())
        return false;
    const qint64 id = found.first().at(0).toLongLong();
    const bool lookup = found.first().at(1).toLongLong() != 0;
    // A picture has no order: the list stays as it is.
    if (!lookup && found.first().at(2).toInt() == int(FieldKind::Image))
        return true;
    const bool text = lookup || found.first().at(2).toInt() == FieldKinds::StringType;
    ListOrder order;
    // Texts in the order a Russian reader expects; numbers, dates and times compare as stored.
    order.russianText = text;
    order.engine = m_module.engine();
    if (text && SortKeys::Kept(m_module)) {
        // A file's texts by their keys, whose plain index gives the Russian order.
        order.russianText = false;
        order.keyedColumn = lookup ? SchemaName::LookupData(id) : SchemaName::FieldColumn(id);
        if (!lookup) {
            order.column = SortKeys::KeyColumn(id);
            order.ties = QStringList{QStringLiteral("O_ID")};
            order.lookupTable = SortKeys::ObjectKeysTable;
            order.lookupJoin = QStringLiteral("O_ID = G_ID");
        } else {
            order.column = QStringLiteral("E_KEY");
            order.ties = QStringList{QStringLiteral("E_ENTRY"), QStringLiteral("G_ID")};
            order.lookupTable = SortKeys::EntryKeysTable;
            order.keyedLookup = id;
            order.lookupJoin = QStringLiteral("E_FIELD = %1 AND E_ENTRY = %2").arg(id).arg(SchemaName::FieldColumn(id));
        }
    } else if (!lookup) {
        order.column = SchemaName::FieldColumn(id);
        order.ties = QStringList{QStringLiteral("G_ID")};
    } else {
        order.column = SchemaName::LookupData(id);
        const QString table = SchemaName::LookupTable(id);
        if (m_joinedLookups.contains(table)) {
            // Ties broken by the entry, then the object: the lookup list's index and the objects' index on
            // the field give this order without sorting.
            order.ties = QStringList{SchemaName::LookupId(id), QStringLiteral("G_ID")};
            order.lookupTable = table;
            order.lookupJoin = SchemaName::FieldColumn(id) + QLatin1Char('=') + SchemaName::LookupId(id);
        } else {
            // A list read by a sub-select is sorted by the engine; its rows are found by reading.
            order.ties = QStringList{SchemaName::FieldColumn(id), QStringLiteral("G_ID")};
            order.seekable = false;
        }
    }
    if (OrderPart == order.orderPart())
        order.descending = true;
    sortBy(order);
    return true;
}

void ObjectList::sortBy(const ListOrder &order)
{
    const QString previousPart = OrderPart;
    const ListOrder previous = SortedBy;
    OrderPart = order.orderPart();
    SortedBy = order;
    try {
        open();
    } catch (const DbError &) {
        OrderPart = previousPart;
        SortedBy = previous;
        throw;
    }
}

FilterEvaluation ObjectList::applyFilter(const QStringList &conditions)
{
    // FilterPart changes only once the evaluation has succeeded.
    const FilterEvaluation evaluation = EvaluateObjectFilter(m_module, FromPart, WherePart, conditions);
    FilterPart = evaluation.filterPart;
    open();
    return evaluation;
}

void ObjectList::applySearch(const QList<DescriptionField> &fields, const QString &text)
{
    const SearchCondition condition = SearchEngine::Of(m_module).find(fields, text);
    SearchPart = condition.sql;
    SearchValues = condition.values;
    open();
}

std::optional<QVariantList> ObjectList::objectKeys(const ListOrder &order, qint64 objectId, PageStatements *statements) const
{
    QString statement = QLatin1String("SELECT ") + order.keyColumns().join(QLatin1String(", "))
                        + QLatin1String(" FROM GENER");
    if (!order.lookupTable.isEmpty())
        statement += QLatin1String(", ") + order.lookupTable + QLatin1String(" WHERE ") + order.lookupJoin
                     + QLatin1String(" AND G_ID = ?");
    else
        statement += QLatin1String(" WHERE G_ID = ?");
    const QList<QVariantList> found = readRows(m_module, statements, statement, {objectId});
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<QVariantList> ObjectList::readAfter(const ListOrder &order, const QVariantList &keys, int count, PageStatements *statements) const
{
    QList<QVariantList> found;
    for (const ListOrder::Condition &condition : order.after(keys)) {
        if (found.size() >= count)
            break;
        const QVariantList values = SearchValues + condition.values + QVariantList{count - found.size()};
        found << readRows(m_module, statements, listRows(SelectPart, condition.sql) + order.orderPart() + QLatin1String(" LIMIT ?"),
                          values);
    }
    return found;
}

bool ObjectList::lookupValuesIntact() const
{
    // Every object points at an entry of each lookup list and entries in use are never deleted, so the
    // lookup joins drop no object unless the file was damaged; learnt once per opened file.
    if (!m_lookupValuesIntact) {
        bool intact = true;
        const QList<QVariantList> lookups = m_module.QRListPages->readAll(QStringLiteral("SELECT F_ID FROM FIELDS WHERE F_LOOKUP <> 0"));
        for (const QVariantList &lookup : lookups) {
            const qint64 field = lookup.first().toLongLong();
            intact = intact
                     && m_module.QRListPages
                            ->readAll(QLatin1String("SELECT 1 FROM GENER WHERE NOT EXISTS (SELECT 1 FROM ")
                                      + SchemaName::LookupTable(field) + QLatin1String(" WHERE ") + SchemaName::LookupId(field)
                                      + QLatin1Char('=') + SchemaName::FieldColumn(field) + QLatin1String(") LIMIT 1"))
                            .isEmpty();
        }
        m_lookupValuesIntact = intact;
    }
    return *m_lookupValuesIntact;
}

qint64 ObjectList::countBefore(const ListOrder &order, const QVariantList &keys) const
{
    // Without a filter or a search, and with the lookup values intact, only the sorted column's own
    // tables take part.
    const bool whole = !FilterPart.isEmpty() || !SearchPart.isEmpty() || !lookupValuesIntact();
    qint64 before = 0;
    for (const ListOrder::Condition &condition : order.reversed().after(keys)) {
        QString counting;
        QVariantList values = condition.values;
        if (whole) {
            counting = listRows(QStringLiteral("SELECT COUNT(*)"), condition.sql);
            values = SearchValues + values;
        } else if (order.lookupTable == SortKeys::ObjectKeysTable) {
            // Its rows are the objects' own (the triggers keep them so): the count reads its index alone.
            counting = QLatin1String("SELECT COUNT(*) FROM ") + order.lookupTable + QLatin1String(" WHERE ") + condition.sql;
        } else {
            counting = QLatin1String("SELECT COUNT(*) FROM GENER");
            if (!order.lookupTable.isEmpty())
                counting += QLatin1String(", ") + order.lookupTable + QLatin1String(" WHERE ") + order.lookupJoin
                            + QLatin1String(" AND (") + condition.sql + QLatin1Char(')');
            else
                counting += QLatin1String(" WHERE ") + condition.sql;
        }
        before += m_module.QRListPages->readAll(counting, values).first().first().toLongLong();
    }
    return before;
}

std::optional<QList<QVariantList>> ObjectList::readPageByKeys(const ListOrder &order, int firstRow, int count,
                                                              PageStatements &statements) const
{
    // Reads a page next to one already at hand by the keys of its neighbouring row.
    SharedQuery &list = rows();
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    // The keys of a neighbour: from its row when the list shows every key column, else read.
    const auto keysOf = [&](int row) -> std::optional<QVariantList> {
        QVariantList keys;
        for (const QString &column : order.keyColumns()) {
            const int index = list.columnIndex(column);
            const QVariant value = index >= 0 ? list.cachedValueAt(row, index) : QVariant();
            if (!value.isValid())
                return objectKeys(order, list.cachedValueAt(row, idColumn).toLongLong(), &statements);
            keys << value;
        }
        return keys;
    };
    if (list.cachedValueAt(firstRow - 1, idColumn).isValid()) {
        if (const auto keys = keysOf(firstRow - 1))
            return readAfter(order, *keys, count, &statements);
    }
    if (list.cachedValueAt(firstRow + count, idColumn).isValid()) {
        if (const auto keys = keysOf(firstRow + count)) {
            QList<QVariantList> found = readAfter(order.reversed(), *keys, count, &statements);
            if (found.size() == count) {
                std::reverse(found.begin(), found.end());
                return found;
            }
        }
    }
    return std::nullopt;
}

int ObjectList::locate(qint64 objectId, const std::function<bool(int rowsRead)> &progress)
{
    SharedQuery &list = rows();
    const auto sorted = order();
    if (!list.isOpen() || list.columnIndex(QStringLiteral("G_ID")) < 0)
        return 0;
    if (!sorted)
        return FindObjectRow(list, objectId, progress);
    // The object itself, when the list's filter and search let it through.
    const QList<QVariantList> own =
        m_module.QRListPages->readAll(listRows(SelectPart, QStringLiteral("G_ID = ?")), SearchValues + QVariantList{objectId});
    const std::optional<QVariantList> keys = objectKeys(*sorted, objectId);
    if (own.isEmpty() || !keys)
        return 0;
    const qint64 before = countBefore(*sorted, *keys);
    const int pageStart = int(before - before % SharedQuery::PageSize);
    QList<QVariantList> page = readAfter(sorted->reversed(), *keys, int(before - pageStart));
    if (page.size() != before - pageStart)
        return FindObjectRow(list, objectId, progress);   // the count and the rows disagree: read instead
    std::reverse(page.begin(), page.end());
    page << own.first();
    page << readAfter(*sorted, *keys, SharedQuery::PageSize - int(page.size()));
    list.placeRows(pageStart, page);
    return int(before) + 1;
}

bool ObjectList::makeCurrent(qint64 objectId, const std::function<bool(int rowsRead)> &progress)
{
    const int row = locate(objectId, progress);
    return row > 0 && rows().setRecNo(row);
}

int FindObjectRow(SharedQuery &list, qint64 objectId, const std::function<bool(int rowsRead)> &progress)
{
    if (!list.isOpen())
        return 0;
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    if (idColumn < 0)
        return 0;
    for (int row = 0;; ++row) {
        if (row >= list.rowsRead()) {
            if (list.readRows(row + 1024) <= row || (progress && !progress(row)))
                return 0;
        }
        if (list.valueAt(row, idColumn).toLongLong() == objectId)
            return row + 1;
    }
}

QList<qint64> ListedObjectIds(SharedQuery &list)
{
    QList<qint64> ids;
    if (!list.isOpen())
        return ids;
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    if (idColumn < 0)
        return ids;
    for (int row = 0;; ++row) {
        if (row >= list.rowsRead() && list.readRows(row + 1024) <= row)
            return ids;
        ids << list.valueAt(row, idColumn).toLongLong();
    }
}

QByteArray ReadObjectPicture(TDModule &module, qint64 objectId, const DescriptionField &field)
{
    const QList<QVariantList> found = module.QRWork->readAll(
        QLatin1String("SELECT ") + field.column() + QLatin1String(" FROM GENER WHERE G_ID = ?"), {objectId});
    return found.isEmpty() ? QByteArray() : found.first().first().toByteArray();
}

void ForgetLookupValuesIntact(TDModule &module)
{
    if (auto *list = module.findChild<ObjectList *>(QStringLiteral("ObjectList"), Qt::FindDirectChildrenOnly))
        list->m_lookupValuesIntact.reset();
}
