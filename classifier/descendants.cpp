#include "classifier/descendants.h"

#include "core/dmodule.h"
#include "core/sqltext.h"

namespace {
QString prefixOf(const QString &base, const QString &number)
{
    return base.left(1) + number;
}

// UNION (not UNION ALL) keeps a damaged tree with a cycle from looping; the recursive step takes rows
// from a first-in first-out queue, so they come level by level.
QString recursiveSelect(const QString &table, const QString &p, const QString &startCondition)
{
    return QStringLiteral("WITH RECURSIVE LOWER_ROWS(ID) AS ("
                          "SELECT %1_ID FROM %2 WHERE %3 "
                          "UNION SELECT T.%1_ID FROM %2 T JOIN LOWER_ROWS L ON T.%1_LINK = L.ID) ")
        .arg(p, table, startCondition);
}
}

QList<qint64> FindLowClasses(TDModule &module, const QString &base, const QString &number, const QList<qint64> &parents)
{
    QList<qint64> result;
    if (parents.isEmpty())
        return result;
    const QString p = prefixOf(base, number);
    SharedQuery &q = *module.QRWork;
    q.setSql(recursiveSelect(base + number, p, InList(p + QLatin1String("_LINK"), parents))
             + QLatin1String("SELECT ID FROM LOWER_ROWS"));
    q.open();
    const int count = q.recordCount();
    result.reserve(count);
    for (int row = 0; row < count; ++row)
        result << q.valueAt(row, 0).toLongLong();
    return result;
}

QList<qint64> FindLowClasses(TDModule &module, const QString &base, const QString &number, qint64 parent)
{
    return FindLowClasses(module, base, number, QList<qint64>{parent});
}

QString DescendantsSelect(const QString &base, const QString &number, qint64 parent, bool includeParent)
{
    const QString p = prefixOf(base, number);
    const QString start = QStringLiteral("%1_LINK = %2").arg(p).arg(parent);
    QString select = QLatin1String("SELECT ID FROM (") + recursiveSelect(base + number, p, start)
                     + QLatin1String("SELECT ID FROM LOWER_ROWS) AS DESCENDANTS");
    if (includeParent)
        select = QStringLiteral("SELECT %1 UNION ").arg(parent) + select;
    return select;
}
