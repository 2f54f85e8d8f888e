#include "objects/objectlist.h"

#include <algorithm>

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "objects/objectfilter.h"
#include "objects/objectsearch.h"

#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>

QString SelectPart;
QString FromPart;
QString WherePart;
QString FilterPart;
QString OrderPart;
QString SearchPart;
QVariantList SearchValues;

namespace {
// Lookup lists joined into the object list; the rest of the 64 tables the engine allows is left to
// the statements that extend the list (the filter's sub-selects).
constexpr int JoinedLookupLimit = 48;

// The order the last title click chose; it stands for OrderPart only while OrderPart is still its text.
ListOrder SortedBy;

// The list's statement up to its order, with one more condition when given.
QString listRows(const QString &select, const QString &condition = QString())
{
    QString statement = select + FromPart + WherePart + FilterPart;
    bool hasWhere = !WherePart.isEmpty() || !FilterPart.isEmpty();
    for (const QString &part : {SearchPart, condition}) {
        if (part.isEmpty())
            continue;
        statement += hasWhere ? QLatin1String(" AND ") : QLatin1String(" WHERE ");
        statement += QLatin1Char('(') + part + QLatin1Char(')');
        hasWhere = true;
    }
    return statement;
}
}

QString ObjectListStatement()
{
    // Unsorted, the list keeps the order of addition: with the lookup lists indexed, the engine would
    // otherwise be free to walk a lookup list first and list the objects grouped by its values.
    return listRows(SelectPart) + (OrderPart.isEmpty() ? ListOrder::unsorted().orderPart() : OrderPart);
}

std::optional<ListOrder> CurrentListOrder()
{
    if (OrderPart.isEmpty())
        return ListOrder::unsorted();
    if (SortedBy.seekable && SortedBy.orderPart() == OrderPart)
        return SortedBy;
    return std::nullopt;
}

std::optional<ListOrder> TitleSortOrder()
{
    if (OrderPart.isEmpty() || SortedBy.orderPart() != OrderPart)
        return std::nullopt;
    return SortedBy;
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

ObjectListPieces ComposeObjectListPieces(const QList<DescriptionField> &fields)
{
    ObjectListPieces pieces{QStringLiteral("SELECT G_ID"), QStringLiteral(" FROM GENER"), QString()};
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

void BuildObjectListPieces(const QList<DescriptionField> &fields)
{
    const ObjectListPieces pieces = ComposeObjectListPieces(fields);
    SelectPart = pieces.select;
    FromPart = pieces.from;
    WherePart = pieces.where;
    FilterPart.clear();
    OrderPart.clear();
    SearchPart.clear();
    SearchValues.clear();
}

void BuildObjectListPieces(TDModule &module)
{
    BuildObjectListPieces(ReadDescriptionFields(module));
}

namespace {
// The sort keys of one object, or nothing when it is not in GENER.
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

// Reads with the list's own statements when it has them, else through the module's page query.
QList<QVariantList> readRows(TDModule &module, PageStatements *statements, const QString &statement, const QVariantList &values)
{
    return statements ? statements->readAll(statement, values) : module.QRListPages->readAll(statement, values);
}

std::optional<QVariantList> objectKeys(TDModule &module, const ListOrder &order, qint64 objectId, PageStatements *statements = nullptr)
{
    QString statement = QLatin1String("SELECT ") + order.keyColumns().join(QLatin1String(", "))
                        + QLatin1String(" FROM GENER");
    if (!order.lookupTable.isEmpty())
        statement += QLatin1String(", ") + order.lookupTable + QLatin1String(" WHERE ") + order.lookupJoin
                     + QLatin1String(" AND G_ID = ?");
    else
        statement += QLatin1String(" WHERE G_ID = ?");
    const QList<QVariantList> rows = readRows(module, statements, statement, {objectId});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

// Up to `count` rows of the list strictly after the object with these keys, in `order`.
QList<QVariantList> readAfter(TDModule &module, const ListOrder &order, const QVariantList &keys, int count,
                              PageStatements *statements = nullptr)
{
    QList<QVariantList> rows;
    for (const ListOrder::Condition &condition : order.after(keys)) {
        if (rows.size() >= count)
            break;
        const QVariantList values = SearchValues + condition.values + QVariantList{count - rows.size()};
        rows << readRows(module, statements, listRows(SelectPart, condition.sql) + order.orderPart() + QLatin1String(" LIMIT ?"),
                         values);
    }
    return rows;
}

// What lookupValuesIntact learnt, per module, until its connection closes (ForgetLookupValuesIntact).
// Never freed: a module may close while the program ends.
struct LookupIntactCache
{
    QMutex guard;
    QHash<const TDModule *, bool> known;
};

LookupIntactCache &lookupIntactCache()
{
    static LookupIntactCache *const cache = new LookupIntactCache;
    return *cache;
}

std::optional<bool> knownLookupValuesIntact(const TDModule &module)
{
    LookupIntactCache &cache = lookupIntactCache();
    QMutexLocker lock(&cache.guard);
    const auto known = cache.known.constFind(&module);
    return known == cache.known.constEnd() ? std::nullopt : std::optional<bool>(*known);
}

// Every object points at an entry of each lookup list and entries in use are never deleted, so the
// lookup joins drop no object unless the file was damaged; learnt once per opened file.
bool lookupValuesIntact(TDModule &module)
{
    std::optional<bool> known = knownLookupValuesIntact(module);
    if (!known) {
        bool intact = true;
        const QList<QVariantList> lookups = module.QRListPages->readAll(QStringLiteral("SELECT F_ID FROM FIELDS WHERE F_LOOKUP <> 0"));
        for (const QVariantList &lookup : lookups) {
            const qint64 field = lookup.first().toLongLong();
            intact = intact
                     && module.QRListPages
                            ->readAll(QLatin1String("SELECT 1 FROM GENER WHERE NOT EXISTS (SELECT 1 FROM ")
                                      + SchemaName::LookupTable(field) + QLatin1String(" WHERE ") + SchemaName::LookupId(field)
                                      + QLatin1Char('=') + SchemaName::FieldColumn(field) + QLatin1String(") LIMIT 1"))
                            .isEmpty();
        }
        known = intact;
        QMutexLocker lock(&lookupIntactCache().guard);
        lookupIntactCache().known.insert(&module, intact);
    }
    return *known;
}

// The rows of the list before the object with these keys, counted by the engine. Without a filter or
// a search, and with the lookup values intact, only the sorted column's own tables take part.
qint64 countBefore(TDModule &module, const ListOrder &order, const QVariantList &keys)
{
    const bool whole = !FilterPart.isEmpty() || !SearchPart.isEmpty() || !lookupValuesIntact(module);
    qint64 before = 0;
    for (const ListOrder::Condition &condition : order.reversed().after(keys)) {
        QString statement;
        QVariantList values = condition.values;
        if (whole) {
            statement = listRows(QStringLiteral("SELECT COUNT(*)"), condition.sql);
            values = SearchValues + values;
        } else {
            statement = QLatin1String("SELECT COUNT(*) FROM GENER");
            if (!order.lookupTable.isEmpty())
                statement += QLatin1String(", ") + order.lookupTable + QLatin1String(" WHERE ") + order.lookupJoin
                             + QLatin1String(" AND (") + condition.sql + QLatin1Char(')');
            else
                statement += QLatin1String(" WHERE ") + condition.sql;
        }
        before += module.QRListPages->readAll(statement, values).first().first().toLongLong();
    }
    return before;
}

// Reads a page next to one already at hand by the keys of its neighbouring row.
std::optional<QList<QVariantList>> readPageByKeys(TDModule &module, const ListOrder &order, int firstRow, int count,
                                                  PageStatements &statements)
{
    SharedQuery &list = *module.QRGeneral;
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    // The keys of a neighbour: from its row when the list shows every key column, else read.
    const auto keysOf = [&](int row) -> std::optional<QVariantList> {
        QVariantList keys;
        for (const QString &column : order.keyColumns()) {
            const int index = list.columnIndex(column);
            const QVariant value = index >= 0 ? list.cachedValueAt(row, index) : QVariant();
            if (!value.isValid())
                return objectKeys(module, order, list.cachedValueAt(row, idColumn).toLongLong(), &statements);
            keys << value;
        }
        return keys;
    };
    if (list.cachedValueAt(firstRow - 1, idColumn).isValid()) {
        if (const auto keys = keysOf(firstRow - 1))
            return readAfter(module, order, *keys, count, &statements);
    }
    if (list.cachedValueAt(firstRow + count, idColumn).isValid()) {
        if (const auto keys = keysOf(firstRow + count)) {
            QList<QVariantList> rows = readAfter(module, order.reversed(), *keys, count, &statements);
            if (rows.size() == count) {
                std::reverse(rows.begin(), rows.end());
                return rows;
            }
        }
    }
    return std::nullopt;
}
}

void OpenObjectList(TDModule &module)
{
    // The filter's table belongs to the connection: after another file was opened it is empty, not missing.
    if (!FilterPart.isEmpty())
        EnsurePassingObjectsTable(module);
    RefreshObjectSearch(module);
    module.QRGeneral->open(ObjectListStatement(), SearchValues);
    if (const auto order = CurrentListOrder()) {
        module.QRGeneral->setPageReader([&module, order = *order, statements = std::make_shared<PageStatements>(module)](
                                            int firstRow, int count) {
            return readPageByKeys(module, order, firstRow, count, *statements);
        });
    }
}

int LocateObjectRow(TDModule &module, qint64 objectId, const std::function<bool(int rowsRead)> &progress)
{
    SharedQuery &list = *module.QRGeneral;
    const auto order = CurrentListOrder();
    if (!list.isOpen() || list.columnIndex(QStringLiteral("G_ID")) < 0)
        return 0;
    if (!order)
        return FindObjectRow(list, objectId, progress);
    // The object itself, when the list's filter and search let it through.
    const QList<QVariantList> own =
        module.QRListPages->readAll(listRows(SelectPart, QStringLiteral("G_ID = ?")), SearchValues + QVariantList{objectId});
    const std::optional<QVariantList> keys = objectKeys(module, *order, objectId);
    if (own.isEmpty() || !keys)
        return 0;
    const qint64 before = countBefore(module, *order, *keys);
    const int pageStart = int(before - before % SharedQuery::PageSize);
    QList<QVariantList> rows = readAfter(module, order->reversed(), *keys, int(before - pageStart));
    if (rows.size() != before - pageStart)
        return FindObjectRow(list, objectId, progress);   // the count and the rows disagree: read instead
    std::reverse(rows.begin(), rows.end());
    rows << own.first();
    rows << readAfter(module, *order, *keys, SharedQuery::PageSize - int(rows.size()));
    list.placeRows(pageStart, rows);
    return int(before) + 1;
}

bool ApplyTitleSort(TDModule &module, const QString &caption)
{
    const QList<QVariantList> rows =
        module.QRWork->readAll(QStringLiteral("SELECT F_ID, F_LOOKUP, F_TYPE FROM FIELDS WHERE F_NAME = ? ORDER BY F_ID"), {caption});
    if (rows.isEmpty())
        return false;
    const qint64 id = rows.first().at(0).toLongLong();
    const bool lookup = rows.first().at(1).toLongLong() != 0;
    const bool text = lookup || rows.first().at(2).toInt() == FieldKinds::StringType;
    ListOrder order;
    // Texts in the order a Russian reader expects; numbers, dates and times compare as stored.
    order.russianText = text;
    order.engine = module.engine();
    if (!lookup) {
        order.column = SchemaName::FieldColumn(id);
        order.ties = QStringList{QStringLiteral("G_ID")};
    } else {
        order.column = SchemaName::LookupData(id);
        const QString table = SchemaName::LookupTable(id);
        if (FromPart.split(QStringLiteral(", ")).contains(table)) {
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
    SortedBy = order;
    OrderPart = order.orderPart();
    return true;
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

QByteArray ReadObjectPicture(TDModule &module, qint64 objectId, const DescriptionField &field)
{
    const QList<QVariantList> rows = module.QRWork->readAll(
        QLatin1String("SELECT ") + field.column() + QLatin1String(" FROM GENER WHERE G_ID = ?"), {objectId});
    return rows.isEmpty() ? QByteArray() : rows.first().first().toByteArray();
}

void ForgetLookupValuesIntact(TDModule &module)
{
    LookupIntactCache &cache = lookupIntactCache();
    QMutexLocker lock(&cache.guard);
    cache.known.remove(&module);
}
