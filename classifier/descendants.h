#pragma once

#include <QList>
#include <QString>

class TDModule;

// FindLowClasses: every row below the given parents in CLASSES (number empty) or REFER{number},
// at any depth, level after level, the parents themselves excluded. One recursive statement on QRWork,
// so subtrees and levels of any size work.
QList<qint64> FindLowClasses(TDModule &module, const QString &base, const QString &number, const QList<qint64> &parents);
QList<qint64> FindLowClasses(TDModule &module, const QString &base, const QString &number, qint64 parent);

// The same set as a sub-select for use inside a statement: "SELECT id FROM ..." naming every row below
// `parent` (and `parent` itself when includeParent is true).
QString DescendantsSelect(const QString &base, const QString &number, qint64 parent, bool includeParent);
