#include "objects/objectfilter.h"

#include "classifier/descendants.h"
#include "core/dmodule.h"
#include "core/sqltext.h"
#include "objects/objectlist.h"

#include <QSet>

namespace {
// SQLite refuses compound selects of more than 500 parts; stay well below.
constexpr int ConditionsPerStatement = 200;

QList<qint64> passingInBatch(TDModule &module, const QString &fromPart, const QString &wherePart,
                             const QStringList &conditions)
{
    QStringList selects;
    selects.reserve(conditions.size());
    for (const QString &condition : conditions)
        selects << QLatin1String("SELECT L_OBJECT FROM LINKS WHERE (") + condition + QLatin1Char(')');
    const QString sql = QLatin1String("SELECT G_ID") + fromPart + wherePart
                        + (wherePart.isEmpty() ? QLatin1String(" WHERE ") : QLatin1String(" AND "))
                        + QLatin1String("G_ID IN (") + selects.join(QLatin1String(" INTERSECT ")) + QLatin1String(") ORDER BY G_ID");
    SharedQuery &q = *module.QRWork;
    q.open(sql);
    const int count = q.recordCount();
    QList<qint64> ids;
    ids.reserve(count);
    for (int row = 0; row < count; ++row)
        ids << q.valueAt(row, 0).toLongLong();
    q.close();
    return ids;
}
}

QString FilterCondition(TDModule &module, qint64 referId, qint64 entryId)
{
    QList<qint64> entries{entryId};
    entries << FindLowClasses(module, QStringLiteral("REFER"), QString::number(referId), entryId);
    module.QRWork->close();
    return QStringLiteral("(L_REFER = %1 AND %2)").arg(referId).arg(InList(QStringLiteral("L_CLASS"), entries));
}

QList<qint64> PassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart,
                             const QStringList &conditions)
{
    if (conditions.isEmpty())
        return {};
    QList<qint64> passing = passingInBatch(module, fromPart, wherePart, conditions.mid(0, ConditionsPerStatement));
    for (int start = ConditionsPerStatement; start < conditions.size() && !passing.isEmpty(); start += ConditionsPerStatement) {
        const QList<qint64> batch = passingInBatch(module, fromPart, wherePart, conditions.mid(start, ConditionsPerStatement));
        const QSet<qint64> inBatch(batch.cbegin(), batch.cend());
        passing.removeIf([&](qint64 id) { return !inBatch.contains(id); });
    }
    return passing;
}

QString FilterPartFor(const QList<qint64> &objects, const QString &wherePart)
{
    if (objects.isEmpty())
        return {};
    const QString body = InList(QStringLiteral("G_ID"), objects);
    return wherePart.isEmpty() ? QLatin1String(" WHERE ") + body : QLatin1String(" AND (") + body + QLatin1Char(')');
}

FilterEvaluation EvaluateObjectFilter(TDModule &module, const QStringList &conditions)
{
    FilterEvaluation result;
    if (conditions.isEmpty())
        return result;
    const QList<qint64> passing = PassingObjects(module, FromPart, WherePart, conditions);
    result.passing = int(passing.size());
    result.nothingPassed = passing.isEmpty();
    result.filterPart = FilterPartFor(passing, WherePart);
    return result;
}
