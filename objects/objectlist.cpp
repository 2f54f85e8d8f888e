#include "objects/objectlist.h"

#include "core/dmodule.h"
#include "core/schema.h"
#include "core/sqltext.h"

QString SelectPart;
QString FromPart;
QString WherePart;
QString FilterPart;
QString OrderPart;

QString ObjectListStatement()
{
    return SelectPart + FromPart + WherePart + FilterPart + OrderPart;
}

bool DescriptionField::hasGridColumn() const
{
    return typeName != TypeName::Image && typeName != TypeName::LongText;
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
    for (const DescriptionField &field : fields) {
        pieces.select += QLatin1String(", ") + field.listColumn();
        if (!field.lookup)
            continue;
        pieces.from += QStringLiteral(", LOOKUP%1").arg(field.id);
        pieces.where += pieces.where.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND ");
        pieces.where += QStringLiteral("(G%1=L%1_ID)").arg(field.id);
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
}

void BuildObjectListPieces(TDModule &module)
{
    BuildObjectListPieces(ReadDescriptionFields(module));
}

void OpenObjectList(TDModule &module)
{
    module.QRGeneral->open(ObjectListStatement());
}

bool ApplyTitleSort(TDModule &module, const QString &caption)
{
    SharedQuery &work = *module.QRWork;
    work.open(QStringLiteral("SELECT * FROM FIELDS WHERE F_NAME = ") + Quoted(caption));
    if (work.isEmpty())
        return false;
    const qint64 id = work.asInteger(QStringLiteral("F_ID"));
    const QString previous = OrderPart;
    OrderPart = work.asBoolean(QStringLiteral("F_LOOKUP")) ? QStringLiteral(" ORDER BY L%1_DATA").arg(id)
                                                           : QStringLiteral(" ORDER BY G%1").arg(id);
    if (OrderPart == previous)
        OrderPart += QLatin1String(" DESC");
    return true;
}

int FindObjectRow(SharedQuery &list, qint64 objectId)
{
    if (!list.isOpen())
        return 0;
    const int idColumn = list.columnIndex(QStringLiteral("G_ID"));
    if (idColumn < 0)
        return 0;
    for (int row = 0;; ++row) {
        if (row >= list.rowsRead() && list.readRows(row + 1024) <= row)
            return 0;
        if (list.valueAt(row, idColumn).toLongLong() == objectId)
            return row + 1;
    }
}
