#include "objects/listorder.h"

namespace {
QString rowValue(const QStringList &columns)
{
    return QLatin1Char('(') + columns.join(QLatin1String(", ")) + QLatin1Char(')');
}

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return rowValue(marks);
}
}

ListOrder ListOrder::unsorted()
{
    ListOrder order;
    order.column = QStringLiteral("G_ID");
    return order;
}

QString ListOrder::sortExpression() const
{
    return russianText ? Engine::InRussianOrder(engine, column) : column;
}

QStringList ListOrder::keyColumns() const
{
    return QStringList{column} + ties;
}

QString ListOrder::orderPart() const
{
    const QLatin1String direction = descending ? QLatin1String(" DESC") : QLatin1String("");
    // Spelled out, as engines differ in where they put empty values by default.
    const QLatin1String empties = !nullable() ? QLatin1String("")
                                  : descending ? QLatin1String(" NULLS LAST")
                                               : QLatin1String(" NULLS FIRST");
    QStringList terms{sortExpression() + direction + empties};
    for (const QString &tie : ties)
        terms << tie + direction;
    return QLatin1String(" ORDER BY ") + terms.join(QLatin1String(", "));
}

ListOrder ListOrder::reversed() const
{
    ListOrder order = *this;
    order.descending = !descending;
    return order;
}

QList<ListOrder::Condition> ListOrder::after(const QVariantList &keys) const
{
    const QVariant key = keys.value(0);
    const QVariantList tieKeys = keys.mid(1);
    const QLatin1String beyond = descending ? QLatin1String(" < ") : QLatin1String(" > ");
    const QLatin1String beyondOrAt = descending ? QLatin1String(" <= ") : QLatin1String(" >= ");
    const QString sorted = sortExpression();
    QList<Condition> conditions;
    if (key.isNull()) {
        // Within the empty group only the ties order the objects.
        conditions << Condition{column + QLatin1String(" IS NULL AND ") + rowValue(ties) + beyond + placeholders(ties.size()),
                                tieKeys};
        if (!descending)
            conditions << Condition{column + QLatin1String(" IS NOT NULL"), {}};
        return conditions;
    }
    // The range on the sorted column alone lets the engine seek its index; the rest settles the ties.
    Condition rest{sorted + beyondOrAt + QLatin1Char('?'), {key}};
    if (ties.isEmpty()) {
        rest.sql = sorted + beyond + QLatin1Char('?');
    } else {
        rest.sql += QLatin1String(" AND (") + sorted + beyond + QLatin1String("? OR ") + rowValue(ties) + beyond
                    + placeholders(ties.size()) + QLatin1Char(')');
        rest.values << key << tieKeys;
    }
    conditions << rest;
    if (descending && nullable())
        conditions << Condition{column + QLatin1String(" IS NULL"), {}};
    return conditions;
}
