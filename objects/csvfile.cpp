#include "objects/csvfile.h"

#include "core/dberror.h"
#include "core/textfile.h"

#include <QFile>
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

char detectDelimiter(const QByteArray &text)
{
    int semicolons = 0, commas = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ';')
            ++semicolons;
        else if (!quoted && c == ',')
            ++commas;
    }
    return commas > semicolons ? ',' : ';';
}
}

CsvDocument ParseCsv(const QByteArray &bytes)
{
    QByteArray raw = bytes;
    if (raw.startsWith(CsvByteOrderMark))
        raw.remove(0, CsvByteOrderMark.size());
    // Either encoding becomes UTF-8 here; the separators and quotes are ASCII in both.
    const QByteArray text = DecodeTextLine(raw).toUtf8();

    CsvDocument document;
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

CsvDocument ReadCsvFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удается открыть файл %1: %2").arg(path, file.errorString()));
    return ParseCsv(file.readAll());
}

QByteArray CsvRecordText(const QStringList &fields, char delimiter)
{
    QByteArray record;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += delimiter;
        const QByteArray value = fields[i].toUtf8();
        const bool needsQuotes = value.contains(delimiter) || value.contains('"') || value.contains('\n')
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
