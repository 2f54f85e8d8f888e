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

// The passing objects are kept in a temporary table of the connection, filled when the filter is
// evaluated: the object list reads them from there, and objects added later are not among them until
// the filter is evaluated again.
void EnsurePassingObjectsTable(TDModule &module);

// Fills the table with the listable objects (those of "SELECT G_ID" + fromPart + wherePart) that satisfy
// every condition, a few hundred conditions per statement; returns how many passed. One transaction.
int FillPassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart, const QStringList &conditions);
// The same, read back in ascending order of G_ID.
QList<qint64> PassingObjects(TDModule &module, const QString &fromPart, const QString &wherePart,
                             const QStringList &conditions);

// The FilterPart that lists the objects of the table: " WHERE G_ID IN (...)" after an empty wherePart,
// " AND (G_ID IN (...))" otherwise.
QString PassingFilterPart(const TDModule &module, const QString &wherePart);

struct FilterEvaluation
{
    QString filterPart;        // the new FilterPart; empty without conditions
    bool nothingPassed = false;
    int passing = 0;
};

// Evaluates the conditions against the object list's tables (`fromPart`) and join conditions (`wherePart`);
// the object list (objects/objectlist.h) runs it when the filter entries change.
FilterEvaluation EvaluateObjectFilter(TDModule &module, const QString &fromPart, const QString &wherePart,
                                      const QStringList &conditions);
