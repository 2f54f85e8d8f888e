#include "objects/objectsearch.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schemanames.h"
#include "objects/objectlist.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <algorithm>
#include <QLocale>
#include <QSqlDatabase>
#include <sqlite3.h>

namespace {
// Shown texts of dates and times repeat across a collection; formatting each row anew would dominate.
struct ShownTextCache
{
    QHash<QByteArray, QByteArray> texts[int(FieldKind::Lookup) + 1];
    static constexpr int Limit = 200000;
};

DescriptionField fieldOfKind(FieldKind kind)
{
    DescriptionField field;
    field.lookup = kind == FieldKind::Lookup;
    if (!field.lookup)
        field.typeName = FieldKinds::Info(kind).typeName;
    return field;
}

QByteArray shownText(FieldKind kind, sqlite3_value *value)
{
    QVariant stored;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        stored = qint64(sqlite3_value_int64(value));
        break;
    case SQLITE_FLOAT:
        stored = sqlite3_value_double(value);
        break;
    default:
        stored = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
    }
    QString text = DisplayText(fieldOfKind(kind), stored);
    if (kind == FieldKind::Real)
        text.remove(QLocale().groupSeparator());
    return FoldForMatching(text);
}

void searchMatch(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    auto *cache = static_cast<ShownTextCache *>(sqlite3_user_data(context));
    const QByteArray needle = QByteArray::fromRawData(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                                      sqlite3_value_bytes(argv[0]));
    for (int i = 1; i + 1 < argc; i += 2) {
        sqlite3_value *value = argv[i + 1];
        if (sqlite3_value_type(value) == SQLITE_NULL)
            continue;
        const auto kind = FieldKind(sqlite3_value_int(argv[i]));
        bool found = false;
        switch (kind) {
        case FieldKind::String:
        case FieldKind::Lookup:
        case FieldKind::Integer: {
            const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
            found = FoldedContains(text, sqlite3_value_bytes(value), needle);
            break;
        }
        case FieldKind::Date:
        case FieldKind::Time:
        case FieldKind::Boolean:
        case FieldKind::Real: {
            // Looked up without copying the engine's text; copied only when first seen.
            const QByteArray key = QByteArray::fromRawData(reinterpret_cast<const char *>(sqlite3_value_text(value)),
                                                           sqlite3_value_bytes(value));
            QHash<QByteArray, QByteArray> &texts = cache->texts[int(kind)];
            auto known = texts.constFind(key);
            if (known == texts.cend()) {
                if (texts.size() >= ShownTextCache::Limit)
                    texts.clear();
                known = texts.insert(QByteArray(key.constData(), key.size()), shownText(kind, value));
            }
            found = known->contains(needle);
            break;
        }
        default:
            break;
        }
        if (found) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// Whether a value of this kind can show the text at all: numbers and yes/no have a small alphabet,
// dates and times too unless the locale writes them with names. Columns that cannot are not read.
bool kindCanShow(FieldKind kind, const QString &folded)
{
    const auto onlyOf = [&](const QString &alphabet) {
        for (const QChar ch : folded) {
            if (!alphabet.contains(ch))
                return false;
        }
        return true;
    };
    const auto shownAlphabet = [](const QString &sample) {
        QString alphabet = QStringLiteral("0123456789");
        for (const QChar ch : QString::fromUtf8(FoldForMatching(sample)))
            if (!ch.isDigit())
                alphabet += ch;
        return alphabet;
    };
    const QLocale locale;
    switch (kind) {
    case FieldKind::Integer:
        return onlyOf(QStringLiteral("-0123456789"));
    case FieldKind::Real:
        return onlyOf(QStringLiteral("-+0123456789e") + locale.decimalPoint() + locale.exponential().toLower());
    case FieldKind::Boolean:
        return QString::fromUtf8(FoldForMatching(QStringLiteral("Да"))).contains(folded)
               || QString::fromUtf8(FoldForMatching(QStringLiteral("Нет"))).contains(folded);
    case FieldKind::Date: {
        const QString sample = locale.toString(QDate(2000, 12, 31), QLocale::ShortFormat);
        return std::any_of(sample.cbegin(), sample.cend(), [](QChar ch) { return ch.isLetter(); })
               || onlyOf(shownAlphabet(sample));
    }
    case FieldKind::Time: {
        const QString sample = locale.toString(QTime(23, 59, 59), QLocale::LongFormat);
        return std::any_of(sample.cbegin(), sample.cend(), [](QChar ch) { return ch.isLetter(); })
               || onlyOf(shownAlphabet(sample));
    }
    default:
        return true;
    }
}

void destroyCache(void *cache)
{
    delete static_cast<ShownTextCache *>(cache);
}
}

void RegisterObjectSearch(QSqlDatabase &db)
{
    auto *cache = new ShownTextCache;
    if (sqlite3_create_function_v2(EngineHandle(db), "SEARCH_MATCH", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, cache,
                                   searchMatch, nullptr, nullptr, destroyCache)
        != SQLITE_OK)
        throw DbError(QStringLiteral("Не удается подключить поиск объектов"));
}

SearchCondition ObjectSearchCondition(const QList<DescriptionField> &fields, const QString &text)
{
    if (text.isEmpty() || fields.isEmpty())
        return {};
    // The engine passes at most 127 arguments to a function: many columns take several calls.
    constexpr int ColumnsPerCall = 60;
    const QString needle = QString::fromUtf8(FoldForMatching(text));
    SearchCondition condition;
    QStringList alternatives;
    QList<DescriptionField> stored;
    for (const DescriptionField &field : fields) {
        if (field.kind() != FieldKind::Lookup) {
            if (kindCanShow(field.kind(), needle))
                stored << field;
            continue;
        }
        // A lookup list is searched once, not once per object: the object holds one of the entries found.
        alternatives << QStringLiteral("%1 IN (SELECT %2 FROM %3 WHERE SEARCH_MATCH(?, %4, %5) = 1)")
                            .arg(field.column(), SchemaName::LookupId(field.id), SchemaName::LookupTable(field.id))
                            .arg(int(FieldKind::Lookup))
                            .arg(SchemaName::LookupData(field.id));
        condition.values << needle;
    }
    for (int start = 0; start < stored.size(); start += ColumnsPerCall) {
        QString call = QStringLiteral("SEARCH_MATCH(?");
        condition.values << needle;
        for (const DescriptionField &field : stored.mid(start, ColumnsPerCall)) {
            // Kinds are enum positions, column names generated from identifiers: neither is user text.
            call += QStringLiteral(", %1, %2").arg(int(field.kind())).arg(field.column());
        }
        alternatives << call + QLatin1String(") = 1");
    }
    if (alternatives.isEmpty())
        condition.sql = QStringLiteral("0 = 1");
    else
        condition.sql = alternatives.size() == 1 ? alternatives.first()
                                             : QLatin1Char('(') + alternatives.join(QLatin1String(" OR ")) + QLatin1Char(')');
    return condition;
}

void ApplyObjectSearch(TDModule &module, const QList<DescriptionField> &fields, const QString &text)
{
    const SearchCondition condition = ObjectSearchCondition(fields, text);
    SearchPart = condition.sql;
    SearchValues = condition.values;
    OpenObjectList(module);
}
