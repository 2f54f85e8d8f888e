#include "objects/objectlist.h"

#include "core/collation.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "objects/objectfilter.h"

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
const QString UnsortedOrder = QStringLiteral(" ORDER BY G_ID");
}

QString ObjectListStatement()
{
    QString statement = SelectPart + FromPart + WherePart + FilterPart;
    if (!SearchPart.isEmpty()) {
        statement += WherePart.isEmpty() && FilterPart.isEmpty() ? QLatin1String(" WHERE ") : QLatin1String(" AND ");
        statement += SearchPart;
    }
    // Unsorted, the list keeps the order of addition: with the lookup lists indexed, the engine would
    // otherwise be free to walk a lookup list first and list the objects grouped by its values.
    return statement + (OrderPart.isEmpty() ? UnsortedOrder : OrderPart);
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

void OpenObjectList(TDModule &module)
{
    // The filter's table belongs to the connection: after another file was opened it is empty, not missing.
    if (!FilterPart.isEmpty())
        EnsurePassingObjectsTable(module);
    module.QRGeneral->open(ObjectListStatement(), SearchValues);
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
    const QString previous = OrderPart;
    const QString column = lookup ? SchemaName::LookupData(id) : SchemaName::FieldColumn(id);
    // Texts in the order a Russian reader expects; numbers, dates and times compare as stored.
    OrderPart = QLatin1String(" ORDER BY ") + (text ? InRussianOrder(column) : column);
    if (OrderPart == previous)
        OrderPart += QLatin1String(" DESC");
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
