#pragma once

#include <QString>
#include <QStringList>

// Literals for composed statements made of numbers only; user text is always a bound value.
// A number with a point as the decimal separator, whatever the locale; up to 15 significant digits.
QString SqlNumber(double value);
// "-1" or "0", the stored form of yes/no values.
QString SqlBool(bool value);
// "{column} IN (a,b,c)" for identifier lists of any length; "0 = 1" for an empty list.
QString InList(const QString &column, const QList<qint64> &ids);
