#include "core/collation.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <sqlite3.h>
#include <string_view>
#include <vector>

namespace {
// One code point from UTF-8; malformed bytes are taken one at a time as themselves.
char32_t nextCodePoint(const unsigned char *&p, const unsigned char *end)
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || end - p < extra)
        return lead;
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return lead;
        code = (code << 6) | (p[i] & 0x3F);
    }
    p += extra;
    return code;
}

// Lower case with Ё read as Е: the letters a reader does not tell apart when looking something up.
char32_t foldCodePoint(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    if (c == 0x401 || c == 0x451)
        return 0x435;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c > 0xFFFF)
        return c;
    return QChar(char16_t(c)).toLower().unicode();
}

bool isUpperCase(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z';
    if (c >= 0x400 && c <= 0x42F)
        return true;
    return c <= 0xFFFF && QChar(char16_t(c)).isUpper();
}

enum CharacterClass { Separator, Digit, Cyrillic, Latin, OtherLetter };

CharacterClass classOf(char32_t folded)
{
    if (folded < 0x80) {
        if (folded >= '0' && folded <= '9')
            return Digit;
        if (folded >= 'a' && folded <= 'z')
            return Latin;
        return Separator;
    }
    if (folded >= 0x430 && folded <= 0x45F)
        return Cyrillic;
    if (folded > 0xFFFF)
        return OtherLetter;
    const QChar ch{char16_t(folded)};
    if (ch.isDigit())
        return Digit;
    return ch.isLetter() ? (ch.script() == QChar::Script_Latin ? Latin : OtherLetter) : Separator;
}

quint64 slowPrimaryWeight(char32_t c)
{
    const char32_t folded = foldCodePoint(c);
    return (quint64(classOf(folded)) << 32) | folded;
}

// Latin and Cyrillic are looked up: a sort of a million texts makes tens of millions of comparisons.
constexpr char32_t TabledCodePoints = 0x500;

quint64 primaryWeight(char32_t c)
{
    static const std::vector<quint64> table = [] {
        std::vector<quint64> weights(TabledCodePoints);
        for (char32_t code = 0; code < TabledCodePoints; ++code)
            weights[code] = slowPrimaryWeight(code);
        return weights;
    }();
    return c < TabledCodePoints ? table[c] : slowPrimaryWeight(c);
}

// Primary: folded letters by class; secondary: Е before Ё; tertiary: lower case before upper case.
int compareLevel(const unsigned char *a, const unsigned char *aEnd, const unsigned char *b, const unsigned char *bEnd,
                 int level)
{
    while (a < aEnd && b < bEnd) {
        const char32_t ca = nextCodePoint(a, aEnd), cb = nextCodePoint(b, bEnd);
        if (ca == cb)
            continue;
        quint64 wa = 0, wb = 0;
        if (level == 0) {
            wa = primaryWeight(ca);
            wb = primaryWeight(cb);
        } else if (level == 1) {
            wa = (ca == 0x401 || ca == 0x451);
            wb = (cb == 0x401 || cb == 0x451);
        } else {
            wa = isUpperCase(ca);
            wb = isUpperCase(cb);
        }
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (level > 0)
        return 0;
    return (a < aEnd) - (b < bEnd);
}

int compareCallback(void *, int aLength, const void *a, int bLength, const void *b)
{
    return CompareRussian(static_cast<const char *>(a), aLength, static_cast<const char *>(b), bLength);
}
}

int CompareRussian(const char *a, int aLength, const char *b, int bLength)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a), *pb = reinterpret_cast<const unsigned char *>(b);
    for (int level = 0; level < 3; ++level) {
        if (const int order = compareLevel(pa, pa + aLength, pb, pb + bLength, level))
            return order;
    }
    // Texts that read the same still need one order, or equal keys would sort at random.
    const int common = qMin(aLength, bLength);
    if (const int order = memcmp(a, b, size_t(common)))
        return order < 0 ? -1 : 1;
    return (aLength > bLength) - (aLength < bLength);
}

// Whether a character alone tells its primary weight, Ё and case apart from every other character:
// ASCII and the basic Cyrillic letters. Only texts with other characters need their bytes in the key.
bool unambiguous(char32_t c)
{
    return c < 0x80 || (c >= 0x400 && c <= 0x45F);
}

QByteArray RussianSortKey(const char *text, int length)
{
    // Three levels one after another, as CompareRussian reads them: the primary weights, ended by a
    // zero byte no weight starts with; then one bit per character for Ё and one for upper case (the
    // texts have as many characters once the weights are equal); then, for a text with a character that
    // shares all three with another (K and the Kelvin sign), the bytes themselves. Such a character's
    // bytes are greater than those of the ASCII or Cyrillic one it shares them with, so a text without
    // the bytes comes first, as the bytes would put it.
    // A weight is a lead byte for its class and the high bits of the folded code (9 a class: codes
    // below 0x800 in two bytes, others in four), then the rest of the code.
    const auto *begin = reinterpret_cast<const unsigned char *>(text), *end = begin + length;
    QByteArray key;
    key.reserve(qsizetype(length) * 2 + 8);
    QByteArray yo, upper;
    int bits = 0;
    bool withBytes = false;
    for (const unsigned char *p = begin; p < end;) {
        const char32_t c = nextCodePoint(p, end);
        const quint64 weight = primaryWeight(c);
        const int cls = int(weight >> 32);
        const char32_t folded = char32_t(weight & 0xFFFFFFFF);
        if (folded < 0x800) {
            key += char(1 + cls * 9 + int(folded >> 8));
            key += char(folded & 0xFF);
        } else {
            key += char(1 + cls * 9 + 8);
            key += char((folded >> 16) & 0xFF);
            key += char((folded >> 8) & 0xFF);
            key += char(folded & 0xFF);
        }
        withBytes = withBytes || !unambiguous(c);
        if (bits % 8 == 0) {
            yo += '\0';
            upper += '\0';
        }
        const char bit = char(0x80 >> (bits % 8));
        if (c == 0x401 || c == 0x451)
            yo.data()[yo.size() - 1] |= bit;
        if (isUpperCase(c))
            upper.data()[upper.size() - 1] |= bit;
        ++bits;
    }
    key += '\0';
    key += yo;
    key += upper;
    if (withBytes)
        key.append(text, length);
    return key;
}

QByteArray RussianSortKey(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return RussianSortKey(utf8.constData(), int(utf8.size()));
}

int CompareRussian(const QString &a, const QString &b)
{
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    return CompareRussian(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()));
}

QByteArray FoldForMatching(const QString &text)
{
    QList<uint> codes = text.toUcs4();
    for (uint &c : codes)
        c = foldCodePoint(c);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codes.constData()), codes.size()).toUtf8();
}

void AppendFolded(const char *text, int length, QByteArray &out)
{
    // Folding never lengthens a code point by more than one byte.
    const qsizetype start = out.size();
    out.resize(start + qsizetype(length) * 2);
    char *o = out.data() + start;
    const auto *p = reinterpret_cast<const unsigned char *>(text), *end = p + length;
    while (p < end) {
        if (*p < 0x80) {
            const unsigned char c = *p++;
            *o++ = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
            continue;
        }
        const char32_t c = foldCodePoint(nextCodePoint(p, end));
        if (c < 0x80) {
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        } else {
            *o++ = char(0xF0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3F));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(o - out.constData());
}

bool FoldedContains(const char *text, int length, const QByteArray &foldedNeedle)
{
    if (foldedNeedle.isEmpty())
        return true;
    QByteArray folded;
    AppendFolded(text, length, folded);
    return folded.contains(foldedNeedle);
}

sqlite3 *EngineHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        throw DbError(QStringLiteral("База данных не открыта"));
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError(QStringLiteral("Подключение к базе данных не поддерживает порядок сортировки"));
    auto *engine = *static_cast<sqlite3 *const *>(handle.data());
    // The handle is only safe to use when the driver runs on the same engine library as this program.
    QSqlQuery version(db);
    if (!engine || !version.exec(QStringLiteral("SELECT sqlite_version()")) || !version.next()
        || version.value(0).toString() != QString::fromLatin1(sqlite3_libversion()))
        throw DbError(QStringLiteral("Библиотека базы данных программы не совпадает с библиотекой подключения"));
    return engine;
}

QString InRussianOrder(const QString &column)
{
    // The program works on one database at a time: the order is that of its engine.
    return Engine::InRussianOrder(DModule ? DModule->engine() : EngineKind::File, column);
}

void RegisterRussianCollation(QSqlDatabase &db)
{
    if (sqlite3_create_collation(EngineHandle(db), "RUSSIAN", SQLITE_UTF8, nullptr, compareCallback) != SQLITE_OK)
        throw DbError(QStringLiteral("Не удается подключить русский порядок сортировки"));
}
