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

struct CsvDocument
{
    char delimiter = ';';
    QList<CsvRecord> records;   // the header first; blank lines are no records
};

// Decodes UTF-8 (with or without a byte-order mark), or Windows-1251 when the bytes are not UTF-8, and
// splits records and fields; the delimiter is the one of ";" and "," the first line uses more (";" on a
// tie). Values keep their spaces and leading zeros. Throws DbError for a quote left open.
CsvDocument ParseCsv(const QByteArray &bytes);
CsvDocument ReadCsvFile(const QString &path);

// One record: fields that hold the delimiter, a quote, a line break or a space at either end are
// quoted (quotes doubled); the record ends with CR LF.
QByteArray CsvRecordText(const QStringList &fields, char delimiter);
// What a CSV file begins with: the UTF-8 byte-order mark, by which spreadsheets know the encoding.
inline const QByteArray CsvByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
