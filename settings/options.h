#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// System/Options.txt: ten lines, nine yes/no values and the password at line 6, the display format at line 10.
namespace Options {
constexpr int LineCount = 10;
constexpr int PasswordLine = 6;     // 1-based
constexpr int DisplayFormatLine = 10;

// "-1"/"0"/any integer (0 = no) and True/False in any letter case.
bool ParseYesNo(const QString &text, bool *ok);

struct Parsed
{
    // Values of the lines read successfully, in order: bool for yes/no lines, QString for the password,
    // int for the display format. Fewer than ten when a line was missing or invalid.
    QVector<QVariant> values;
    QString error;   // why reading stopped early; empty when all ten were read
};
Parsed Parse(const QStringList &lines);

// The text to write: the ten values replace the first ten lines; lines after them are kept.
QStringList Compose(const QVector<QVariant> &values, const QStringList &linesAsRead);

QStringList InitialLines();   // the values a fresh installation starts with
}
