#pragma once

#include <QString>

// The one rule for a number a person typed (into an input, a file made by hand, a dialog). A number is
// an optional sign, digits, and for reals one decimal separator: the interface's own ("," in Russian) or
// a point, with an optional exponent ("1,5e-3"). Anything else is refused rather than guessed: group
// separators and spaces inside ("1 234,5"), a second separator ("12,5,3"), a separator the interface
// uses for groups ("1,234" where "," groups digits), letters. Spaces around the number are ignored.
// A real with more than 15 significant digits is taken only when it reads back as the digits typed.
//
// The error is a plain Russian sentence naming the field when a name is given; it is empty when ok.
struct TypedInteger
{
    bool ok = false;
    qint64 value = 0;
    QString error;
};

struct TypedReal
{
    bool ok = false;
    double value = 0;
    QString error;
};

TypedInteger ReadTypedInteger(const QString &text, const QString &fieldName = QString());
TypedReal ReadTypedReal(const QString &text, const QString &fieldName = QString());

// A stored real written as a person types it here: the interface's decimal sign, no digit groups, no
// exponent, the fewest digits that read back as the same number.
QString TypedRealText(double value);
