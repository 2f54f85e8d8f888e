#include "objects/csvfile.h"

#include "core/dberror.h"
#include "core/textfile.h"

#include <QFile>
#include <QStringDecoder>
#include <csv.h>

namespace {
struct ParseState
{
    CsvDocument *document;
    QStringList fields;
    int line = 1;
    int recordLine = 0;
    bool awaitingRecord = true;
};

void fieldRead(void *data, size_t length, void *state)
{
    auto *s = static_cast<ParseState *>(state);
    s->fields << QString::fromUtf8(static_cast<const char *>(data), qsizetype(length));
}

void recordRead(int, void *state)
{
    auto *s = static_cast<ParseState *>(state);
    s->document->records << CsvRecord{s->recordLine, s->fields};
    s->fields.clear();
    s->awaitingRecord = true;
}

// Spaces are part of a value: "  007" stays as written.
int noSpace(unsigned char)
{
    return 0;
}

// Per line of the first records, how many times each delimiter stands outside quotes.
struct DelimiterCounts
{
    QList<int> semicolons, commas;
};

DelimiterCounts countDelimiters(const QByteArray &text, int lines)
{
    DelimiterCounts counts{{0}, {0}};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '\n') {
            if (counts.semicolons.size() == lines)
                break;
            counts.semicolons << 0;
            counts.commas << 0;
        } else if (!quoted && c == ';') {
            ++counts.semicolons.last();
        } else if (!quoted && c == ',') {
            ++counts.commas.last();
        }
    }
    // A last line left empty by the final line break says nothing.
    if (counts.semicolons.size() > 1 && counts.semicolons.last() == 0 && counts.commas.last() == 0) {
        counts.semicolons.removeLast();
        counts.commas.removeLast();
    }
    return counts;
}

// Whether every line is divided into the same number (more than one) of values.
bool dividesEvenly(const QList<int> &perLine)
{
    return perLine.first() > 0 && perLine.count(perLine.first()) == perLine.size();
}

// The header and the first rows decide together: a field name with commas in a ";" file divides the
// header differently from its rows.
char detectDelimiter(const QByteArray &text)
{
    const DelimiterCounts counts = countDelimiters(text, 50);
    const bool semicolonsEven = dividesEvenly(counts.semicolons), commasEven = dividesEvenly(counts.commas);
    if (semicolonsEven != commasEven)
        return semicolonsEven ? ';' : ',';
    return counts.commas.first() > counts.semicolons.first() ? ',' : ';';
}

const QByteArray Utf16LeMark = QByteArrayLiteral("\xFF\xFE"), Utf16BeMark = QByteArrayLiteral("\xFE\xFF");

QString decode(const QByteArray &bytes, CsvEncoding encoding)
{
    if (encoding == CsvEncoding::Utf16) {
        QStringDecoder utf16(bytes.startsWith(Utf16BeMark) ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE,
                             QStringDecoder::Flag::Stateless);
        return utf16.decode(bytes.mid(2));
    }
    const QByteArray text = bytes.startsWith(CsvByteOrderMark) ? bytes.mid(CsvByteOrderMark.size()) : bytes;
    if (encoding == CsvEncoding::Utf8)
        return QString::fromUtf8(text);
    return DecodeWindows1251(text);
}
}

CsvEncodingGuess GuessCsvEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith(Utf16LeMark) || bytes.startsWith(Utf16BeMark))
        return {CsvEncoding::Utf16, true};
    if (bytes.startsWith(CsvByteOrderMark))
        return {CsvEncoding::Utf8, true};
    // Bytes above ASCII: those that form well-made UTF-8 sequences, and those that don't.
    qsizetype valid = 0, invalid = 0;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const int length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        bool wellMade = length > 0 && i + length <= size;
        for (int k = 1; wellMade && k < length; ++k)
            wellMade = (data[i + k] & 0xC0) == 0x80;
        if (wellMade) {
            valid += length;
            i += length;
        } else {
            ++invalid;
            ++i;
        }
    }
    if (invalid == 0)
        return {CsvEncoding::Utf8, true};
    if (valid == 0)
        return {CsvEncoding::Windows1251, true};
    return {valid > invalid ? CsvEncoding::Utf8 : CsvEncoding::Windows1251, false};
}

CsvDocument ParseCsv(const QByteArray &bytes)
{
    const CsvEncodingGuess guess = GuessCsvEncoding(bytes);
    CsvDocument document = ParseCsv(bytes, guess.encoding);
    document.encodingSure = guess.sure;
    return document;
}

CsvDocument ParseCsv(const QByteArray &bytes, CsvEncoding encoding)
{
    // Every encoding becomes UTF-8 here; the separators and quotes are ASCII in it.
    const QByteArray text = decode(bytes, encoding).toUtf8();

    CsvDocument document;
    document.encoding = encoding;
    document.delimiter = detectDelimiter(text);
    csv_parser parser;
    if (csv_init(&parser, 0) != 0)
        throw DbError(QStringLiteral("Не удается прочитать CSV: недостаточно памяти"));
    csv_set_delim(&parser, static_cast<unsigned char>(document.delimiter));
    csv_set_space_func(&parser, noSpace);
    ParseState state{&document, {}, 1, 0, true};
    // Fed line by line, so that each record knows the line it starts on.
    qsizetype start = 0;
    bool failed = false;
    while (start < text.size() && !failed) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        if (end < text.size())
            end += (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        const bool blank = text[start] == '\n' || text[start] == '\r';
        if (state.awaitingRecord && !blank) {
            state.recordLine = state.line;
            state.awaitingRecord = false;
        }
        const size_t length = size_t(end - start);
        failed = csv_parse(&parser, text.constData() + start, length, fieldRead, recordRead, &state) != length;
        ++state.line;
        start = end;
    }
    // The parser's own check of an open quote comes only with its strict mode, which also refuses
    // quotes inside unquoted values that spreadsheets write; the state after the last byte tells it.
    constexpr int FieldBegun = 2;
    const bool openQuote = !failed && parser.quoted && parser.pstate == FieldBegun;
    if (!failed && !openQuote)
        failed = csv_fini(&parser, fieldRead, recordRead, &state) != 0;
    const int error = openQuote ? CSV_EPARSE : csv_error(&parser);
    failed = failed || openQuote;
    csv_free(&parser);
    if (failed) {
        if (error == CSV_EPARSE)
            throw DbError(QStringLiteral("Кавычки, открытые в строке %1 файла, не закрыты").arg(state.recordLine));
        throw DbError(QStringLiteral("Не удается прочитать CSV: %1").arg(QString::fromLatin1(csv_strerror(error))));
    }
    return document;
}

namespace {
QByteArray readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удается открыть файл %1: %2").arg(path, file.errorString()));
    return file.readAll();
}
}

CsvDocument ReadCsvFile(const QString &path)
{
    return ParseCsv(readWhole(path));
}

CsvDocument ReadCsvFile(const QString &path, CsvEncoding encoding)
{
    return ParseCsv(readWhole(path), encoding);
}

QByteArray CsvRecordText(const QStringList &fields, char delimiter)
{
    QByteArray record;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += delimiter;
        const QByteArray value = fields[i].toUtf8();
        const bool needsQuotes = value.contains(';') || value.contains(',') || value.contains('"') || value.contains('\n')
                                 || value.contains('\r') || value.startsWith(' ') || value.endsWith(' ');
        if (!needsQuotes) {
            record += value;
            continue;
        }
        // At worst every character is a doubled quote, plus the enclosing pair.
        QByteArray quoted(value.size() * 2 + 2, Qt::Uninitialized);
        quoted.resize(qsizetype(csv_write(quoted.data(), size_t(quoted.size()), value.constData(), size_t(value.size()))));
        record += quoted;
    }
    record += "\r\n";
    return record;
}

namespace {
bool startsFormula(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char('\''))
        ++i;
    return i < text.size() && QStringLiteral("=+-@\t\r").contains(text[i]);
}
}

QString SpreadsheetSafeText(const QString &text)
{
    return startsFormula(text) ? QLatin1Char('\'') + text : text;
}

QString ReadBackSpreadsheetText(const QString &text)
{
    return text.startsWith(QLatin1Char('\'')) && startsFormula(text) ? text.mid(1) : text;
}
