#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// CSV files as RFC 4180 describes them, read and written through libcsv.

struct CsvRecord
{
    int line = 0;          // the file line on which the record starts, from 1
    QStringList fields;
};

enum class CsvEncoding { Utf8, Windows1251, Utf16 };

struct CsvDocument
{
    char delimiter = ';';
    CsvEncoding encoding = CsvEncoding::Utf8;
    bool encodingSure = true;   // false when the bytes read both ways: the user is asked which
    QList<CsvRecord> records;   // the header first; blank lines are no records
};

// The encoding the bytes are most likely in: UTF-16 or UTF-8 by their byte-order mark; otherwise UTF-8 when
// more of the bytes above ASCII form UTF-8 sequences than not, Windows-1251 when fewer. Sure only when
// the evidence is all one way.
struct CsvEncodingGuess
{
    CsvEncoding encoding;
    bool sure;
};
CsvEncodingGuess GuessCsvEncoding(const QByteArray &bytes);

// Decodes the bytes (in the guessed encoding, or the one given) and splits records and fields; the
// delimiter is the one of ";" and "," that divides the first lines into the same number of values (the
// one the header uses more on a tie, ";" when equal). Values keep their spaces and leading zeros.
// Throws DbError for a quote left open.
CsvDocument ParseCsv(const QByteArray &bytes);
CsvDocument ParseCsv(const QByteArray &bytes, CsvEncoding encoding);
CsvDocument ReadCsvFile(const QString &path);
CsvDocument ReadCsvFile(const QString &path, CsvEncoding encoding);

// One record: fields that hold either delimiter, a quote, a line break or a space at either end are
// quoted (quotes doubled); the record ends with CR LF.
QByteArray CsvRecordText(const QStringList &fields, char delimiter);

// Spreadsheets run a value beginning with =, +, -, @, a tab or a carriage return as a formula: such a text
// is written behind an apostrophe (as are texts already beginning with apostrophes before such a sign,
// so that reading back is exact). ReadBackSpreadsheetText undoes it.
QString SpreadsheetSafeText(const QString &text);
QString ReadBackSpreadsheetText(const QString &text);
// What a CSV file begins with: the UTF-8 byte-order mark, by which spreadsheets know the encoding.
inline const QByteArray CsvByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
