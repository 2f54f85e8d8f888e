#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

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
    int dataRecords = 0;        // records after the header, also those a head read did not keep
};

// The encoding the bytes are most likely in: UTF-16 or UTF-8 by their byte-order mark; otherwise UTF-8 when
// more of the bytes above ASCII form UTF-8 sequences than not, Windows-1251 when fewer. Sure only when
// the evidence is all one way (a UTF-8 mark before bytes that are not UTF-8 leaves it unsure).
struct CsvEncodingGuess
{
    CsvEncoding encoding;
    bool sure;
};
CsvEncodingGuess GuessCsvEncoding(const QByteArray &bytes);

// A CSV file read record by record: only the record at hand and a piece of the file are held, so a file
// of any size reads in the same memory. Bytes are decoded (in the guessed encoding, or the one given) and
// split into records and fields; the delimiter is the one of ";" and "," that divides the first lines into
// the same number of values (the one the header uses more on a tie, ";" when equal). Values keep their
// spaces and leading zeros.
class CsvReader
{
public:
    // Without an encoding it is guessed from all of the file's bytes. Throws DbError when the file cannot
    // be read.
    explicit CsvReader(const QString &path, std::optional<CsvEncoding> encoding = std::nullopt);
    // Bytes already in memory.
    explicit CsvReader(const QByteArray &bytes, std::optional<CsvEncoding> encoding = std::nullopt);
    ~CsvReader();

    char delimiter() const;
    CsvEncoding encoding() const;
    bool encodingSure() const;
    // The next record into `record`; false after the last. Throws DbError for a quote left open.
    bool next(CsvRecord &record);
    // How far the reading has come, in bytes of the file, of all its bytes.
    qint64 bytesRead() const;
    qint64 size() const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Every record at once, for files known to be small.
CsvDocument ParseCsv(const QByteArray &bytes, std::optional<CsvEncoding> encoding = std::nullopt);

// The header and the first record of a file, with the count of all its records; `progress` gets the
// bytes read of all and may answer false to stop (the head then holds what was read).
using CsvProgress = std::function<bool(qint64 done, qint64 total)>;
CsvDocument ReadCsvHead(const QString &path, std::optional<CsvEncoding> encoding = std::nullopt,
                        const CsvProgress &progress = {});
// The record at `index` (0 is the header) in the given encoding; an empty record past the end.
CsvRecord ReadCsvRecord(const QString &path, CsvEncoding encoding, int index);
// The record that tells the UTF-8 and Windows-1251 readings apart: the first one the UTF-8 reading cannot
// read whole, else the first with letters beyond ASCII, else the header.
int TellingCsvRecord(const QString &path);

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
