#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TDModule;

// The object filter without widgets. A filter entry is a condition on LINKS naming one book and a set of
// its entries (the chosen one and every one below it, as they stood when the entry was added); an object
// passes when, for every entry, one of its links satisfies that entry's condition. Every failure throws
// DbError with the engine's text.

// The condition of a filter entry: "(L_REFER = {r} AND L_CLASS IN ({entry},{descendants...}))".
QString FilterCondition(TDModule &module, qint64 referId, qint64 entryId);

// The listable objects (those of "SELECT G_ID" + fromPart + wherePart) that satisfy every condition,
// in ascending order of G_ID. Evaluated in the engine, a few hundred conditions per statement.
QList<qint64> PassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart,
                             const QStringList &conditions);

// The FilterPart naming exactly these objects: " WHERE G_ID IN (...)" after an empty wherePart,
// " AND (G_ID IN (...))" otherwise; empty for no objects.
QString FilterPartFor(const QList<qint64> &objects, const QString &wherePart);

struct FilterEvaluation
{
    QString filterPart;        // the new FilterPart; empty without conditions or when nothing passed
    bool nothingPassed = false;
    int passing = 0;
};

// Evaluates the conditions against the current object-list pieces (FromPart, WherePart).
FilterEvaluation EvaluateObjectFilter(TDModule &module, const QStringList &conditions);
