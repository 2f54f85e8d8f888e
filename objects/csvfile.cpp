#include "objects/csvfile.h"

#include "core/dberror.h"
#include "core/textfile.h"

#include <QBuffer>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <csv.h>
#include <deque>

namespace {
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

constexpr int DelimiterLines = 50;

DelimiterCounts countDelimiters(const QByteArray &text)
{
    DelimiterCounts counts{{0}, {0}};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '\n') {
            if (counts.semicolons.size() == DelimiterLines)
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
    const DelimiterCounts counts = countDelimiters(text);
    const bool semicolonsEven = dividesEvenly(counts.semicolons), commasEven = dividesEvenly(counts.commas);
    if (semicolonsEven != commasEven)
        return semicolonsEven ? ';' : ',';
    return counts.commas.first() > counts.semicolons.first() ? ',' : ';';
}

const QByteArray Utf16LeMark = QByteArrayLiteral("\xFF\xFE"), Utf16BeMark = QByteArrayLiteral("\xFE\xFF");

// Bytes above ASCII that form well-made UTF-8 sequences, and those that don't, counted piece by piece: a
// sequence cut at the end of a piece waits for the next one.
class Utf8Evidence
{
public:
    void add(const QByteArray &piece, bool last)
    {
        const QByteArray bytes = m_cut + piece;
        m_cut.clear();
        const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
        const qsizetype size = bytes.size();
        for (qsizetype i = 0; i < size;) {
            const unsigned char lead = data[i];
            if (lead < 0x80) {
                ++i;
                continue;
            }
            const int length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
            if (length > 0 && i + length > size && !last) {
                m_cut = bytes.mid(i);
                return;
            }
            bool wellMade = length > 0 && i + length <= size;
            for (int k = 1; wellMade && k < length; ++k)
                wellMade = (data[i + k] & 0xC0) == 0x80;
            if (wellMade) {
                m_valid += length;
                i += length;
            } else {
                ++m_invalid;
                ++i;
            }
        }
    }
    CsvEncodingGuess guess() const
    {
        if (m_invalid == 0)
            return {CsvEncoding::Utf8, true};
        if (m_valid == 0)
            return {CsvEncoding::Windows1251, true};
        return {m_valid > m_invalid ? CsvEncoding::Utf8 : CsvEncoding::Windows1251, false};
    }

private:
    QByteArray m_cut;
    qsizetype m_valid = 0, m_invalid = 0;
};

constexpr qint64 PieceSize = 1 << 16;

CsvEncodingGuess guessEncoding(QIODevice &device)
{
    const QByteArray start = device.peek(3);
    if (start.startsWith(Utf16LeMark) || start.startsWith(Utf16BeMark))
        return {CsvEncoding::Utf16, true};
    Utf8Evidence evidence;
    while (!device.atEnd()) {
        const QByteArray piece = device.read(PieceSize);
        if (piece.isEmpty())
            break;
        evidence.add(piece, device.atEnd());
    }
    evidence.add({}, true);
    const CsvEncodingGuess guess = evidence.guess();
    // The mark says UTF-8, but a byte that is not UTF-8 is still a question for the user, never a
    // replacement mark stored unseen.
    if (start.startsWith(CsvByteOrderMark))
        return {CsvEncoding::Utf8, guess.sure && guess.encoding == CsvEncoding::Utf8};
    return guess;
}

std::unique_ptr<QIODevice> openFile(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удается открыть файл %1: %2").arg(path, file->errorString()));
    return file;
}

std::unique_ptr<QIODevice> openBytes(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}
}

CsvEncodingGuess GuessCsvEncoding(const QByteArray &bytes)
{
    const std::unique_ptr<QIODevice> device = openBytes(bytes);
    return guessEncoding(*device);
}

struct CsvReader::State
{
    std::unique_ptr<QIODevice> device;
    qint64 size = 0;
    CsvEncoding encoding = CsvEncoding::Utf8;
    bool sure = true;
    char delimiter = ';';
    std::optional<QStringDecoder> decoder;   // UTF-16, which may cut a letter between pieces
    QByteArray undecoded;             // read, not yet decoded: the start of a line
    csv_parser parser;
    bool parserReady = false;
    QByteArray text;                  // decoded to UTF-8 (the separators and quotes are ASCII in it), not yet parsed
    std::deque<CsvRecord> ready;      // records parsed, not yet taken
    QStringList fields;               // of the record being parsed
    int line = 1;                     // of the file, the next to be parsed
    int recordLine = 0;
    bool awaitingRecord = true;
    bool finished = false;

    ~State()
    {
        if (parserReady)
            csv_free(&parser);
    }

    void start(std::unique_ptr<QIODevice> from, std::optional<CsvEncoding> given)
    {
        device = std::move(from);
        size = device->size();
        if (given) {
            encoding = *given;
        } else {
            const CsvEncodingGuess guess = guessEncoding(*device);
            encoding = guess.encoding;
            sure = guess.sure;
            device->seek(0);
        }
        if (encoding == CsvEncoding::Utf16)   // the decoder skips the byte-order mark
            decoder.emplace(device->peek(2).startsWith(Utf16BeMark) ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
        if (csv_init(&parser, 0) != 0)
            throw DbError(QStringLiteral("Не удается прочитать CSV: недостаточно памяти"));
        parserReady = true;
        // The delimiter is decided by the first lines, read ahead before any is parsed.
        for (qsizetype lines = 0; !device->atEnd() && lines <= DelimiterLines;) {
            const qsizetype counted = text.size();
            readPiece();
            lines += QByteArrayView(text).sliced(counted).count('\n');
        }
        delimiter = detectDelimiter(text);
        csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
        csv_set_space_func(&parser, noSpace);
    }

    // Reads on until what is held ends in a line break, or the file ends. Windows-1251 and UTF-8 are
    // decoded a run of whole lines at a time, so that no letter is cut between two pieces.
    void readPiece()
    {
        for (;;) {
            const bool atStart = device->pos() == 0;
            QByteArray bytes = device->read(PieceSize);
            const bool atEnd = device->atEnd();
            if (encoding == CsvEncoding::Utf16) {
                const QByteArray decoded = QString(decoder->decode(bytes)).toUtf8();
                text += decoded;
                if (atEnd || decoded.contains('\n') || decoded.contains('\r'))
                    return;
                continue;
            }
            if (atStart && bytes.startsWith(CsvByteOrderMark))
                bytes.remove(0, CsvByteOrderMark.size());
            qsizetype lastBreak = bytes.size() - 1;
            while (lastBreak >= 0 && bytes[lastBreak] != '\n' && bytes[lastBreak] != '\r')
                --lastBreak;
            undecoded += bytes;
            if (lastBreak < 0 && !atEnd)
                continue;
            const qsizetype whole = atEnd ? undecoded.size() : undecoded.size() - bytes.size() + lastBreak + 1;
            const QByteArray lines = undecoded.left(whole);
            undecoded.remove(0, whole);
            text += encoding == CsvEncoding::Utf8 ? lines : DecodeWindows1251(lines).toUtf8();
            if (encoding == CsvEncoding::Utf8)
                keepUtf8Readable(text.size() - lines.size());
            return;
        }
    }

    // Bytes that are not UTF-8 become replacement marks, as reading the text whole would make them.
    void keepUtf8Readable(qsizetype from)
    {
        const QByteArrayView added = QByteArrayView(text).sliced(from);
        if (added.isValidUtf8())
            return;
        text = text.left(from) + QString::fromUtf8(added).toUtf8();
    }

    static void fieldRead(void *data, size_t length, void *state)
    {
        auto *s = static_cast<State *>(state);
        s->fields << QString::fromUtf8(static_cast<const char *>(data), qsizetype(length));
    }

    static void recordRead(int, void *state)
    {
        auto *s = static_cast<State *>(state);
        s->ready.push_back(CsvRecord{s->recordLine, s->fields});
        s->fields.clear();
        s->awaitingRecord = true;
    }

    void fail(int error)
    {
        if (error == CSV_EPARSE)
            throw DbError(QStringLiteral("Кавычки, открытые в строке %1 файла, не закрыты").arg(recordLine));
        throw DbError(QStringLiteral("Не удается прочитать CSV: %1").arg(QString::fromLatin1(csv_strerror(error))));
    }

    // Parses the whole lines held; at the end of the file the last line too, and closes the parser.
    void parseLines()
    {
        const bool atEnd = device->atEnd();
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype end = start;
            while (end < text.size() && text[end] != '\n' && text[end] != '\r')
                ++end;
            // A line is whole at its break; a CR at the end of what is held may yet be followed by LF.
            if (end == text.size() || (text[end] == '\r' && end + 1 == text.size())) {
                if (!atEnd)
                    break;
                end = text.size();
            } else {
                end += (text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1;
            }
            const bool blank = text[start] == '\n' || text[start] == '\r';
            if (awaitingRecord && !blank) {
                recordLine = line;
                awaitingRecord = false;
            }
            // Fed line by line, so that each record knows the line it starts on.
            const size_t length = size_t(end - start);
            if (csv_parse(&parser, text.constData() + start, length, fieldRead, recordRead, this) != length)
                fail(csv_error(&parser));
            ++line;
            start = end;
        }
        text.remove(0, start);
        if (!atEnd)
            return;
        // The parser's own check of an open quote comes only with its strict mode, which also refuses
        // quotes inside unquoted values that spreadsheets write; the state after the last byte tells it.
        constexpr int FieldBegun = 2;
        if (parser.quoted && parser.pstate == FieldBegun)
            fail(CSV_EPARSE);
        if (csv_fini(&parser, fieldRead, recordRead, this) != 0)
            fail(csv_error(&parser));
        finished = true;
    }
};

CsvReader::CsvReader(const QString &path, std::optional<CsvEncoding> encoding)
    : d(std::make_unique<State>())
{
    d->start(openFile(path), encoding);
}

CsvReader::CsvReader(const QByteArray &bytes, std::optional<CsvEncoding> encoding)
    : d(std::make_unique<State>())
{
    d->start(openBytes(bytes), encoding);
}

CsvReader::~CsvReader() = default;

char CsvReader::delimiter() const
{
    return d->delimiter;
}

CsvEncoding CsvReader::encoding() const
{
    return d->encoding;
}

bool CsvReader::encodingSure() const
{
    return d->sure;
}

qint64 CsvReader::bytesRead() const
{
    return d->device->pos();
}

qint64 CsvReader::size() const
{
    return d->size;
}

bool CsvReader::next(CsvRecord &record)
{
    while (d->ready.empty() && !d->finished) {
        d->parseLines();
        if (d->ready.empty() && !d->finished)
            d->readPiece();
    }
    if (d->ready.empty())
        return false;
    record = std::move(d->ready.front());
    d->ready.pop_front();
    return true;
}

namespace {
CsvDocument readAll(CsvReader &reader)
{
    CsvDocument document{reader.delimiter(), reader.encoding(), reader.encodingSure(), {}, 0};
    for (CsvRecord record; reader.next(record);)
        document.records << record;
    document.dataRecords = qMax(0, int(document.records.size()) - 1);
    return document;
}
}

CsvDocument ParseCsv(const QByteArray &bytes, std::optional<CsvEncoding> encoding)
{
    CsvReader reader(bytes, encoding);
    return readAll(reader);
}

CsvDocument ReadCsvHead(const QString &path, std::optional<CsvEncoding> encoding, const CsvProgress &progress)
{
    CsvReader reader(path, encoding);
    CsvDocument head{reader.delimiter(), reader.encoding(), reader.encodingSure(), {}, 0};
    int count = 0;
    for (CsvRecord record; reader.next(record); ++count) {
        if (count < 2)
            head.records << record;
        if (progress && count % 1000 == 0 && !progress(reader.bytesRead(), reader.size()))
            break;
    }
    head.dataRecords = qMax(0, count - 1);
    return head;
}

CsvRecord ReadCsvRecord(const QString &path, CsvEncoding encoding, int index)
{
    CsvReader reader(path, encoding);
    CsvRecord record;
    for (int i = 0; reader.next(record); ++i) {
        if (i == index)
            return record;
    }
    return {};
}

int TellingCsvRecord(const QString &path)
{
    CsvReader reader(path, CsvEncoding::Utf8);
    const auto any = [](const CsvRecord &record, const std::function<bool(QChar)> &test) {
        return std::any_of(record.fields.cbegin(), record.fields.cend(),
                           [&](const QString &field) { return std::any_of(field.cbegin(), field.cend(), test); });
    };
    int firstBeyondAscii = -1;
    CsvRecord record;
    for (int i = 0; reader.next(record); ++i) {
        if (any(record, [](QChar c) { return c == QChar::ReplacementCharacter; }))
            return i;
        if (firstBeyondAscii < 0 && any(record, [](QChar c) { return c.unicode() >= 0x80; }))
            firstBeyondAscii = i;
    }
    return qMax(0, firstBeyondAscii);
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
