#include "objects/objectfilter.h"

#include "classifier/descendants.h"
#include "core/backgroundread.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/sqltext.h"
#include "objects/objectlist.h"

#include <QSqlQuery>


namespace {
// Well below the parts the engines accept in one compound select.
constexpr int ConditionsPerStatement = 200;
static_assert(ConditionsPerStatement < Engine::CompoundLimit);
const QString PassingName = QStringLiteral("PASSING_OBJECTS");

QString passingTable(const TDModule &module)
{
    return Engine::TemporaryTable(module.engine(), PassingName);
}

// The objects of every listed condition, as one compound select.
QString linkedToAll(const QStringList &conditions)
{
    QStringList selects;
    selects.reserve(conditions.size());
    for (const QString &condition : conditions)
        selects << QLatin1String("SELECT L_OBJECT FROM LINKS WHERE (") + condition + QLatin1Char(')');
    return selects.join(QLatin1String(" INTERSECT "));
}
}

void EnsurePassingObjectsTable(TDModule &module)
{
    module.exec(QLatin1String("CREATE TEMP TABLE IF NOT EXISTS ") + PassingName + QLatin1String("(P_OBJECT INTEGER PRIMARY KEY)"));
}

QString FilterCondition(TDModule &module, qint64 referId, qint64 entryId)
{
    QList<qint64> entries{entryId};
    entries << FindLowClasses(module, QStringLiteral("REFER"), QString::number(referId), entryId);
    module.QRWork->close();
    return QStringLiteral("(L_REFER = %1 AND %2)").arg(referId).arg(InList(QStringLiteral("L_CLASS"), entries));
}

int FillPassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart, const QStringList &conditions)
{
    const QString table = passingTable(module);
    EnsurePassingObjectsTable(module);
    // The object list may still be reading the table; it is opened again after the evaluation.
    module.FinishPendingReads();
    const QString passingFirst = QLatin1String("SELECT G_ID") + fromPart + wherePart
                                 + (wherePart.isEmpty() ? QLatin1String(" WHERE ") : QLatin1String(" AND "))
                                 + QLatin1String("G_ID IN (") + linkedToAll(conditions.mid(0, ConditionsPerStatement))
                                 + QLatin1Char(')');
    // On a large collection the evaluation takes a while: outside a transaction it runs beside the window,
    // which stays painted and can stop it; the passing objects then come back as one list. A server
    // evaluates on its own side.
    QByteArray passingIds;
    const bool beside = !conditions.isEmpty() && !module.InTransaction() && Engine::ReadsBeside(module.engine());
    if (beside) {
        passingIds = "[";
        ReadInBackground(module, passingFirst, {}, QStringLiteral("Отбор объектов..."), [&passingIds](const QSqlQuery &row) {
            passingIds += QByteArray::number(row.value(0).toLongLong());
            passingIds += ',';
        });
        if (passingIds.endsWith(','))
            passingIds.chop(1);
        passingIds += ']';
    }
    Transaction tx(module);
    if (conditions.isEmpty()) {
        module.exec(QLatin1String("DELETE FROM ") + table);
    } else {
        const Engine::TemporaryKeyTableFill fill = Engine::FillTemporaryKeyTable(module.engine(), PassingName, QStringLiteral("P_OBJECT"));
        for (const QString &statement : fill.prepare)
            module.exec(statement);
        if (beside)
            module.exec(fill.fill + Engine::NumbersOfJsonArray(module.engine()), {QString::fromLatin1(passingIds)});
        else
            module.exec(fill.fill + passingFirst);
        for (const QString &statement : fill.finish)
            module.exec(statement);
        for (int start = ConditionsPerStatement; start < conditions.size(); start += ConditionsPerStatement)
            module.exec(QLatin1String("DELETE FROM ") + table + QLatin1String(" WHERE P_OBJECT NOT IN (")
                        + linkedToAll(conditions.mid(start, ConditionsPerStatement)) + QLatin1Char(')'));
    }
    const int passing = module.QRWork->readAll(QLatin1String("SELECT COUNT(*) FROM ") + table).first().first().toInt();
    tx.commit();
    return passing;
}

QList<qint64> PassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart,
                             const QStringList &conditions)
{
    const QString table = passingTable(module);
    FillPassingObjects(module, fromPart, wherePart, conditions);
    QList<qint64> passing;
    for (const QVariantList &row : module.QRWork->readAll(QLatin1String("SELECT P_OBJECT FROM ") + table + QLatin1String(" ORDER BY 1")))
        passing << row.first().toLongLong();
    return passing;
}

QString PassingFilterPart(const TDModule &module, const QString &wherePart)
{
    const QString table = passingTable(module);
    const QString body = QLatin1String("G_ID IN (SELECT P_OBJECT FROM ") + table + QLatin1Char(')');
    return wherePart.isEmpty() ? QLatin1String(" WHERE ") + body : QLatin1String(" AND (") + body + QLatin1Char(')');
}

FilterEvaluation EvaluateObjectFilter(TDModule &module, const QString &fromPart, const QString &wherePart,
                                      const QStringList &conditions)
{
    FilterEvaluation result;
    if (conditions.isEmpty())
        return result;
    result.passing = FillPassingObjects(module, fromPart, wherePart, conditions);
    result.nothingPassed = result.passing == 0;
    // With nothing passing the list is empty too, so that it agrees with the entries still listed.
    result.filterPart = PassingFilterPart(module, wherePart);
    return result;
}
