#include "classifier/treelevel.h"

#include "core/collation.h"
#include "core/dmodule.h"
#include "core/engine.h"

TreeSource TreeSource::classes(int sortChoice)
{
    static const char *const orders[] = {"C_NAME", "C_CODE", "C_ID"};
    TreeSource source{QStringLiteral("CLASSES"), QStringLiteral("C"), QString()};
    if (sortChoice >= 0 && sortChoice < 3)
        source.orderColumn = QString::fromLatin1(orders[sortChoice]);
    return source;
}

TreeSource TreeSource::referenceBook(const QString &referId, int displayFormat)
{
    if (referId.isEmpty())
        return {};
    const QString prefix = QLatin1String("R") + referId;
    return {QLatin1String("REFER") + referId, prefix,
            prefix + (displayFormat == 1 ? QLatin1String("_CODE") : QLatin1String("_NAME"))};
}

QString TreeItemText(const QString &name, const QString &code, int displayFormat)
{
    if (code.isEmpty())
        return name;
    switch (displayFormat) {
    case 0:
        return name + QLatin1String(" (") + code + QLatin1Char(')');
    case 1:
        return code + QLatin1String(" - ") + name;
    default:
        return name;
    }
}

QVector<TreeRow> ReadTreeLevel(TDModule &module, const TreeSource &source, qint64 parent)
{
    const QString &p = source.prefix;
    // The child test of the whole level in the same statement: one index probe per row.
    QString sql = QStringLiteral("SELECT P.%1_ID, P.%1_NAME, P.%1_CODE, "
                                 "EXISTS(SELECT 1 FROM %2 C WHERE C.%1_LINK = P.%1_ID) "
                                 "FROM %2 P WHERE P.%1_LINK = %3")
                      .arg(p, source.table)
                      .arg(parent);
    if (!source.orderColumn.isEmpty()) {
        // Names are read in Russian order; codes by their characters' codes on either engine.
        const QString column = QLatin1String("P.") + source.orderColumn;
        sql += QLatin1String("\n ORDER BY ")
               + (source.orderColumn.endsWith(QLatin1String("_NAME")) ? InRussianOrder(column)
                  : source.orderColumn.endsWith(QLatin1String("_CODE")) ? Engine::InCodeOrder(module.engine(), column)
                                                                        : column);
    }
    SharedQuery &q = *module.QRClasses;
    q.setSql(sql);
    q.open();
    const int count = q.recordCount();
    QVector<TreeRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        rows.append(TreeRow{q.valueAt(i, 0).toLongLong(), q.valueAt(i, 1).toString(), q.valueAt(i, 2).toString(),
                            q.valueAt(i, 3).toInt() != 0});
    }
    return rows;
}
