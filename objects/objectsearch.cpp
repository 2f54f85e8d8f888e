#include "objects/objectsearch.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"
#include "objects/enginestatement.h"
#include "objects/searchindex.h"

#include <QDate>
#include <QSet>
#include <QTime>
#include <algorithm>
#include <bit>
#include <QLocale>
#include <QSqlDatabase>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {
// The objects found for one search text in some fields: a bit per object number, numbers far beyond
// those the program gives (or below zero, which a file written by hand may hold) in a set of their own.
struct HitSet
{
    static constexpr qint64 BitLimit = qint64(1) << 28;
    std::vector<quint64> bits;
    QSet<qint64> others;
    qint64 count = 0;

    void mark(qint64 id)
    {
        if (id < 0 || id >= BitLimit) {
            if (!others.contains(id)) {
                others.insert(id);
                ++count;
            }
            return;
        }
        const auto word = size_t(id >> 6);
        if (word >= bits.size())
            bits.resize(word + 1 + word / 4);
        const quint64 bit = quint64(1) << (id & 63);
        if (!(bits[word] & bit)) {
            bits[word] |= bit;
            ++count;
        }
    }
    bool holds(qint64 id) const
    {
        if (id < 0 || id >= BitLimit)
            return others.contains(id);
        const auto word = size_t(id >> 6);
        return word < bits.size() && (bits[word] >> (id & 63) & 1);
    }
};

// Per connection: the last search, kept while the same text is searched in the same fields and nothing
// was written since (one keystroke opens the list once, but the grid may open it again).
struct SearchState
{
    QByteArray key;
    std::shared_ptr<const HitSet> hits;
};

// Marks every object of a block's text ("\x1F<place in the block>\x1E<text>"...) that contains the needle.
void scanBlockText(qint64 block, const char *text, int length, const QByteArray &needle, HitSet &hits)
{
    const char *p = text, *end = text + length;
    while (end - p >= needle.size()) {
        const auto *hit = static_cast<const char *>(memmem(p, size_t(end - p), needle.constData(), size_t(needle.size())));
        if (!hit)
            return;
        const auto *record = static_cast<const char *>(memrchr(text, '\x1F', size_t(hit - text)));
        const auto *textStart = record ? static_cast<const char *>(memchr(record, '\x1E', size_t(hit - record))) : nullptr;
        if (!textStart) {
            p = hit + 1;   // inside an object number
            continue;
        }
        hits.mark((block << SearchBlockShift) + QByteArray::fromRawData(record + 1, int(textStart - record - 1)).toLongLong());
        const auto *next = static_cast<const char *>(memchr(hit, '\x1F', size_t(end - hit)));
        p = next ? next : end;
    }
}

// The fields of a search as the condition names them: "id:kind,id:kind".
QList<DescriptionField> fieldsOfList(const QByteArray &fieldList)
{
    QList<DescriptionField> fields;
    for (const QByteArray &part : fieldList.split(',')) {
        const int colon = part.indexOf(':');
        if (colon < 0)
            continue;
        DescriptionField field;
        field.id = part.left(colon).toLongLong();
        field.typeName = FieldKinds::Info(FieldKind(part.mid(colon + 1).toInt())).typeName;
        fields << field;
    }
    return fields;
}

// The objects holding a lookup entry whose text shows the needle, for the lookup fields "id,id,...".
// Read through the index of the field's column where it has one, so only those objects are read.
void markLookupObjects(sqlite3 *db, const QByteArray &needle, const QByteArray &lookupList, HitSet &hits)
{
    for (const QByteArray &part : lookupList.split(',')) {
        if (part.isEmpty())
            continue;
        const qint64 id = part.toLongLong();
        EngineStatement objects(db, QStringLiteral("SELECT G_ID FROM GENER WHERE %1 IN (SELECT %2 FROM %3 WHERE SEARCH_MATCH(?, %4) = 1)")
                                        .arg(SchemaName::FieldColumn(id), SchemaName::LookupId(id), SchemaName::LookupTable(id),
                                             SchemaName::LookupData(id))
                                        .toUtf8());
        objects.bind(1, needle);
        while (objects.step())
            hits.mark(objects.integer(0));
    }
}

// Every object that shows the needle in one of the fields "id:kind,..." (read from the search index, and
// from GENER for the blocks marked since they were indexed) or in one of the lookup fields "id,...".
std::shared_ptr<const HitSet> findHits(sqlite3 *db, SearchState &state, const QByteArray &needle, const QByteArray &fieldList,
                                       const QByteArray &lookupList)
{
    sqlite3_int64 version = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    const QByteArray key = needle + '\0' + fieldList + '\0' + lookupList + '\0' + QByteArray::number(sqlite3_total_changes64(db))
                           + ':' + QByteArray::number(version);
    if (state.hits && state.key == key)
        return state.hits;

    auto hits = std::make_shared<HitSet>();
    const QList<DescriptionField> fields = fieldsOfList(fieldList);
    QSet<qint64> wanted;
    for (const DescriptionField &field : fields)
        wanted.insert(field.id);
    const auto scanBlock = [&](qint64 block, const QList<QByteArray> &texts) {
        for (const QByteArray &text : texts)
            scanBlockText(block, text.constData(), int(text.size()), needle, *hits);
    };
    if (fields.isEmpty()) {
        // Nothing but lookup texts to search.
    } else if (SearchIndexExists(db)) {
        const QList<qint64> staleList = StaleSearchBlocks(db);
        const QSet<qint64> stale(staleList.cbegin(), staleList.cend());
        EngineStatement rows(db, QStringLiteral("SELECT S_BLOCK, S_FIELD, S_TEXT FROM %1").arg(SchemaName::SearchTextTable).toUtf8());
        while (rows.step()) {
            if (!wanted.contains(rows.integer(1)) || stale.contains(rows.integer(0)))
                continue;
            int length = 0;
            const char *text = rows.rawText(2, length);
            scanBlockText(rows.integer(0), text, length, needle, *hits);
        }
        // Blocks changed since they were indexed are read as they are now.
        ShownTextFolder folder;
        for (const qint64 block : staleList)
            ReadShownBlocks(db, fields, block, block, scanBlock, &folder);
    } else {
        EngineStatement range(db, QByteArrayLiteral("SELECT MIN(G_ID), MAX(G_ID) FROM GENER"));
        if (range.step() && !range.isNull(0))
            ReadShownBlocks(db, fields, range.integer(0) >> SearchBlockShift, range.integer(1) >> SearchBlockShift, scanBlock);
    }
    markLookupObjects(db, needle, lookupList, *hits);
    state.key = key;
    state.hits = hits;
    return hits;
}

QByteArray argumentBytes(sqlite3_value *value)
{
    return QByteArray(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

std::shared_ptr<const HitSet> findHits(sqlite3_context *context, sqlite3_value **terms)
{
    return findHits(sqlite3_context_db_handle(context), *static_cast<SearchState *>(sqlite3_user_data(context)),
                    argumentBytes(terms[0]), argumentBytes(terms[1]), argumentBytes(terms[2]));
}

// The functions take the search as (needle, fields "id:kind,...", lookup fields "id,...").

// SEARCH_FOUND(search): whether any object shows the needle. Constant within a statement, so the engine
// asks once, and returns no row at once when nothing was found.
void searchFound(sqlite3_context *context, int, sqlite3_value **argv)
{
    try {
        sqlite3_result_int(context, findHits(context, argv)->count > 0);
    } catch (const DbError &error) {
        sqlite3_result_error(context, error.message().toUtf8().constData(), -1);
    }
}

void releaseHits(void *hits)
{
    delete static_cast<std::shared_ptr<const HitSet> *>(hits);
}

// SEARCH_HIT(object, search): whether that object is among those found. It needs nothing but the object's
// number, so an index walked in the list's order answers it without reading the object. The found set is
// held by the statement while it runs.
void searchHit(sqlite3_context *context, int, sqlite3_value **argv)
{
    const HitSet *hits = nullptr;
    std::shared_ptr<const HitSet> found;
    if (auto *held = static_cast<std::shared_ptr<const HitSet> *>(sqlite3_get_auxdata(context, 1))) {
        hits = held->get();
    } else {
        try {
            found = findHits(context, argv + 1);
        } catch (const DbError &error) {
            sqlite3_result_error(context, error.message().toUtf8().constData(), -1);
            return;
        }
        hits = found.get();
        sqlite3_set_auxdata(context, 1, new std::shared_ptr<const HitSet>(found), releaseHits);
    }
    sqlite3_result_int(context, hits->holds(sqlite3_value_int64(argv[0])));
}

// SEARCH_COUNT(search): the number of objects found.
void searchCount(sqlite3_context *context, int, sqlite3_value **argv)
{
    try {
        sqlite3_result_int64(context, findHits(context, argv)->count);
    } catch (const DbError &error) {
        sqlite3_result_error(context, error.message().toUtf8().constData(), -1);
    }
}

// SEARCH_IDS(search): the objects found as a JSON array, for json_each.
void searchIds(sqlite3_context *context, int, sqlite3_value **argv)
{
    try {
        const auto hits = findHits(context, argv);
        QByteArray json("[");
        const auto add = [&](qint64 id) {
            if (json.size() > 1)
                json += ',';
            json += QByteArray::number(id);
        };
        for (size_t word = 0; word < hits->bits.size(); ++word) {
            for (quint64 bits = hits->bits[word]; bits; bits &= bits - 1)
                add(qint64(word) * 64 + std::countr_zero(bits));
        }
        for (const qint64 id : hits->others)
            add(id);
        json += ']';
        sqlite3_result_text(context, json.constData(), int(json.size()), SQLITE_TRANSIENT);
    } catch (const DbError &error) {
        sqlite3_result_error(context, error.message().toUtf8().constData(), -1);
    }
}

// SEARCH_MATCH(needle, text): a lookup entry's text, folded as it is read, contains the needle.
void searchMatch(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const QByteArray needle = QByteArray::fromRawData(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                                      sqlite3_value_bytes(argv[0]));
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(context, FoldedContains(text, sqlite3_value_bytes(argv[1]), needle));
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

void destroyState(void *state)
{
    delete static_cast<SearchState *>(state);
}
}

void RegisterObjectSearch(QSqlDatabase &db)
{
    sqlite3 *engine = EngineHandle(db);
    auto *state = new SearchState;
    // Deterministic within a statement, which is all the engine assumes: SEARCH_FOUND is then asked once.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(engine, "SEARCH_FOUND", 3, flags, state, searchFound, nullptr, nullptr, destroyState) != SQLITE_OK
        || sqlite3_create_function_v2(engine, "SEARCH_HIT", 4, flags, state, searchHit, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function_v2(engine, "SEARCH_COUNT", 3, flags, state, searchCount, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function_v2(engine, "SEARCH_IDS", 3, flags, state, searchIds, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function_v2(engine, "SEARCH_MATCH", 2, flags, nullptr, searchMatch, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(QStringLiteral("Не удается подключить поиск объектов"));
}

namespace {
constexpr int FewObjects = 2000;

// What a search looks for: the folded text, the indexed fields that can show it ("id:kind,..."), and the
// lookup fields, whose lists are searched directly.
struct SearchTerms
{
    QString needle;
    QString fieldList;
    QList<DescriptionField> lookups;

    QString lookupList() const
    {
        QStringList ids;
        for (const DescriptionField &field : lookups)
            ids << QString::number(field.id);
        return ids.join(QLatin1Char(','));
    }
};

SearchTerms searchTerms(const QList<DescriptionField> &fields, const QString &text)
{
    SearchTerms terms;
    QByteArray folded = FoldForMatching(text);
    // The index separates its records with these two; a text holding them is read with spaces, as the index is.
    folded.replace('\x1E', ' ').replace('\x1F', ' ');
    terms.needle = QString::fromUtf8(folded);
    QStringList indexed;
    for (const DescriptionField &field : fields) {
        if (field.kind() == FieldKind::Lookup)
            terms.lookups << field;
        else if (IsSearchIndexed(field) && kindCanShow(field.kind(), terms.needle))
            indexed << QStringLiteral("%1:%2").arg(field.id).arg(int(field.kind()));
    }
    terms.fieldList = indexed.join(QLatin1Char(','));
    return terms;
}
}

SearchCondition ObjectSearchCondition(const QList<DescriptionField> &fields, const QString &text, SearchReach reach)
{
    if (text.isEmpty() || fields.isEmpty())
        return {};
    const SearchTerms terms = searchTerms(fields, text);
    SearchCondition condition;
    if (terms.fieldList.isEmpty() && terms.lookups.isEmpty()) {
        condition.sql = QStringLiteral("0 = 1");
        return condition;
    }
    if (reach == SearchReach::Few) {
        // The objects found, listed anew each time the list is opened: the engine reads those alone.
        condition.sql = QStringLiteral("G_ID IN (SELECT value FROM json_each(SEARCH_IDS(?, ?, ?)))");
        condition.values << terms.needle << terms.fieldList << terms.lookupList();
        return condition;
    }
    // The first part holds no column: the engine answers it before reading any object, so a text found
    // nowhere gives the empty list at once.
    condition.sql = QStringLiteral("SEARCH_FOUND(?, ?, ?) AND SEARCH_HIT(G_ID, ?, ?, ?)");
    condition.values << terms.needle << terms.fieldList << terms.lookupList() << terms.needle << terms.fieldList
                     << terms.lookupList();
    return condition;
}

namespace {
// Found on at most this many objects, a search on a server lists them in a table of the connection;
// found on more, the list tests each object it reads against the blocks that show the text.
constexpr int ServerFewObjects = 20000;

// The search set last on a server, so that each opening of the list finds anew what other programs and
// this one changed since; `fresh` while its tables were just filled for the opening that follows.
struct ServerSearch
{
    QString condition;
    QVariantList values;
    QList<DescriptionField> fields;
    QString text;
    bool fresh = false;
};

QString objectIds(const HitSet &hits)
{
    QStringList ids;
    for (size_t word = 0; word < hits.bits.size(); ++word) {
        for (quint64 bits = hits.bits[word]; bits; bits &= bits - 1)
            ids << QString::number(qint64(word) * 64 + std::countr_zero(bits));
    }
    for (const qint64 id : hits.others)
        ids << QString::number(id);
    return QLatin1Char('{') + ids.join(QLatin1Char(',')) + QLatin1Char('}');
}

// Fills the connection's tables with what the search finds now and gives the list's condition. The
// server narrows the index's blocks to those whose texts show the needle and takes the objects out of
// them itself; only blocks changed by another program since they were indexed are read here.
SearchCondition serverSearch(TDModule &module, const QList<DescriptionField> &fields, const QString &text)
{
    const SearchTerms terms = searchTerms(fields, text);
    if (terms.fieldList.isEmpty() && terms.lookups.isEmpty())
        return {QStringLiteral("0 = 1"), {}};
    QSqlDatabase db = module.database();
    const QString hitsTable = Engine::TemporaryTable(EngineKind::Server, SchemaName::SearchHitsTable);
    const QString blocksTable = Engine::TemporaryTable(EngineKind::Server, SchemaName::SearchBlocksTable);
    module.FinishPendingReads();
    Transaction tx(module);
    RunOnServer(db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (H_OBJECT BIGINT NOT NULL)").arg(SchemaName::SearchHitsTable));
    RunOnServer(db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS %1 (B_BLOCK BIGINT NOT NULL, B_FIELD BIGINT NOT NULL, "
                                   "PRIMARY KEY (B_BLOCK, B_FIELD))")
                        .arg(SchemaName::SearchBlocksTable));
    RunOnServer(db, QStringLiteral("TRUNCATE %1, %2").arg(hitsTable, blocksTable));

    const QList<DescriptionField> indexed = fieldsOfList(terms.fieldList.toUtf8());
    const QByteArray needle = terms.needle.toUtf8();
    HitSet readHere;
    const auto scanBlock = [&](qint64 block, const QList<QByteArray> &texts) {
        for (const QByteArray &blockText : texts)
            scanBlockText(block, blockText.constData(), int(blockText.size()), needle, readHere);
    };
    bool manyInIndex = false;
    if (!indexed.isEmpty() && SearchIndexExists(module)) {
        QStringList ids;
        for (const DescriptionField &field : indexed)
            ids << QString::number(field.id);
        // Blocks marked since they were indexed (by a program that does not keep the index) are read here,
        // the same ones that are left out there.
        const QList<qint64> stale = StaleSearchBlocks(module);
        QString matching = QStringLiteral("S_FIELD IN (%1) AND strpos(S_TEXT, ?) > 0").arg(ids.join(QLatin1Char(',')));
        QVariantList matchingValues{terms.needle};
        if (!stale.isEmpty()) {
            QStringList blocks;
            for (const qint64 block : stale)
                blocks << QString::number(block);
            matching += QLatin1String(" AND S_BLOCK <> ALL (CAST(? AS BIGINT[]))");
            matchingValues << QLatin1Char('{') + blocks.join(QLatin1Char(',')) + QLatin1Char('}');
        }
        // Each record of a block is "<place in the block>\x1E<text>" between \x1F separators. A text with
        // anything but digits can stand only in the records' texts: the block is split where it stands, and
        // each piece but the last ends inside the record that begins at the piece's last separator (a piece
        // without one ends in the record of the piece before). Digits alone may stand in the places too:
        // then each record of the block is taken apart. ("OFFSET 0": the block is split once, not again for
        // each piece.)
        const bool digitsOnly = std::all_of(terms.needle.cbegin(), terms.needle.cend(),
                                            [](QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); });
        const QString taking =
            digitsOnly ? QStringLiteral("INSERT INTO %1 (H_OBJECT) SELECT (S_BLOCK << %2) + CAST(split_part(R, chr(30), 1) AS BIGINT) "
                                        "FROM %3, unnest(string_to_array(S_TEXT, chr(31))) AS R WHERE %4 "
                                        "AND strpos(split_part(R, chr(30), 2), ?) > 0 LIMIT %5")
                       : QStringLiteral("INSERT INTO %1 (H_OBJECT) SELECT (S_BLOCK << %2) + "
                                        "CAST(split_part(reverse(split_part(reverse(P), chr(31), 1)), chr(30), 1) AS BIGINT) "
                                        "FROM %3, LATERAL (SELECT string_to_array(S_TEXT, ?) AS A OFFSET 0) AS S, "
                                        "unnest(S.A) WITH ORDINALITY AS U(P, K) WHERE %4 AND K < cardinality(S.A) AND strpos(P, chr(31)) > 0 LIMIT %5");
        const QSqlQuery taken = RunOnServer(db, taking.arg(hitsTable).arg(SearchBlockShift).arg(SchemaName::SearchTextTable, matching).arg(ServerFewObjects),
                                            digitsOnly ? matchingValues + QVariantList{terms.needle}
                                                       : QVariantList{terms.needle} + matchingValues);
        if (taken.numRowsAffected() >= ServerFewObjects) {
            manyInIndex = true;
            RunOnServer(db, QLatin1String("TRUNCATE ") + hitsTable);
            RunOnServer(db, QStringLiteral("INSERT INTO %1 (B_BLOCK, B_FIELD) SELECT S_BLOCK, S_FIELD FROM %2 WHERE %3")
                                .arg(blocksTable, SchemaName::SearchTextTable, matching),
                        matchingValues);
        }
        ShownTextFolder folder;
        for (const qint64 block : stale)
            ReadShownBlocks(module, indexed, block, block, scanBlock, &folder);
    } else if (!indexed.isEmpty()) {
        QSqlQuery range = RunOnServer(db, QStringLiteral("SELECT MIN(G_ID), MAX(G_ID) FROM GENER"));
        if (range.next() && !range.value(0).isNull())
            ReadShownBlocks(module, indexed, range.value(0).toLongLong() >> SearchBlockShift,
                            range.value(1).toLongLong() >> SearchBlockShift, scanBlock);
    }
    if (readHere.count > 0)
        RunOnServer(db, QStringLiteral("INSERT INTO %1 (H_OBJECT) SELECT unnest(CAST(? AS BIGINT[]))").arg(hitsTable),
                    {objectIds(readHere)});

    // Lookup lists are short: their texts are folded here, and the objects holding a matching entry are
    // listed when few, else tested by their entry as the list reads them.
    SearchCondition condition;
    QStringList byEntry;
    QVariantList entryValues;
    for (const DescriptionField &field : terms.lookups) {
        QStringList entries;
        QSqlQuery list = RunOnServer(db, QStringLiteral("SELECT %1, %2 FROM %3")
                                             .arg(SchemaName::LookupId(field.id), SchemaName::LookupData(field.id),
                                                  SchemaName::LookupTable(field.id)));
        while (list.next()) {
            const QByteArray entryText = list.value(1).toString().toUtf8();
            if (!list.value(1).isNull() && FoldedContains(entryText.constData(), int(entryText.size()), needle))
                entries << list.value(0).toString();
        }
        if (entries.isEmpty())
            continue;
        const QString test = SchemaName::FieldColumn(field.id) + QLatin1String(" = ANY (CAST(? AS BIGINT[]))");
        const QString entryList = QLatin1Char('{') + entries.join(QLatin1Char(',')) + QLatin1Char('}');
        const QSqlQuery holders = RunOnServer(
            db, QStringLiteral("INSERT INTO %1 (H_OBJECT) SELECT G_ID FROM GENER WHERE %2 LIMIT %3").arg(hitsTable, test).arg(ServerFewObjects),
            {entryList});
        if (holders.numRowsAffected() >= ServerFewObjects) {
            byEntry << test;
            entryValues << entryList;
        }
    }
    QStringList parts;
    QSqlQuery anyHit = RunOnServer(db, QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(hitsTable));
    if (anyHit.next())
        parts << QStringLiteral("G_ID IN (SELECT H_OBJECT FROM %1)").arg(hitsTable);
    if (manyInIndex) {
        // Tested for each object the list reads, in its order, up to the screen it shows: "OFFSET 0" keeps the
        // server from joining the tables for every object first. An object of a block that shows the text
        // nowhere is passed over by the block's test; else its own record in the block is read.
        parts << QStringLiteral("EXISTS (SELECT 1 FROM %2 WHERE B_BLOCK = (G_ID >> %1) AND EXISTS (SELECT 1 FROM %3 "
                                "WHERE S_BLOCK = B_BLOCK AND S_FIELD = B_FIELD AND strpos(split_part(split_part(S_TEXT, "
                                "chr(31) || (G_ID & %4) || chr(30), 2), chr(31), 1), ?) > 0 OFFSET 0) OFFSET 0)")
                     .arg(SearchBlockShift)
                     .arg(blocksTable, SchemaName::SearchTextTable)
                     .arg((1 << SearchBlockShift) - 1);
        condition.values << terms.needle;
    }
    parts << byEntry;
    condition.values << entryValues;
    tx.commit();
    if (parts.isEmpty())
        condition.sql = QStringLiteral("0 = 1");
    else if (parts.size() == 1)
        condition.sql = parts.first();
    else
        condition.sql = QLatin1Char('(') + parts.join(QLatin1String(") OR (")) + QLatin1Char(')');
    return condition;
}
}

namespace {
// On a file the search is a condition the engine's own functions answer as it reads the list: found anew
// by every statement.
class FileQuickSearch final : public QuickSearch
{
public:
    SearchCondition find(TDModule &module, const QList<DescriptionField> &fields, const QString &text) override
    {
        SearchReach reach = SearchReach::Many;
        if (!text.isEmpty() && !fields.isEmpty()) {
            // Found on few objects, the list reads just those; else it walks the objects in its order and
            // stops at the first screen. What is found here is kept for the opening that follows.
            const SearchTerms terms = searchTerms(fields, text);
            const QList<QVariantList> rows = module.QRWork->readAll(QStringLiteral("SELECT SEARCH_COUNT(?, ?, ?)"),
                                                                    {terms.needle, terms.fieldList, terms.lookupList()});
            if (!rows.isEmpty() && rows.first().first().toLongLong() <= FewObjects)
                reach = SearchReach::Few;
        }
        return ObjectSearchCondition(fields, text, reach);
    }
    SearchCondition refreshed(TDModule &, const SearchCondition &current) override { return current; }
};

// On a server the objects found are kept in the connection's tables: each opening of the list after the
// one that follows the search finds them anew.
class ServerQuickSearch final : public QuickSearch
{
public:
    SearchCondition find(TDModule &module, const QList<DescriptionField> &fields, const QString &text) override
    {
        SearchCondition condition;
        if (!text.isEmpty() && !fields.isEmpty())
            condition = serverSearch(module, fields, text);
        m_last = {condition.sql, condition.values, fields, text, true};
        return condition;
    }
    SearchCondition refreshed(TDModule &module, const SearchCondition &current) override
    {
        if (current.sql.isEmpty() || current.sql != m_last.condition || current.values != m_last.values)
            return current;
        if (m_last.fresh) {
            m_last.fresh = false;
            return current;
        }
        const SearchCondition condition = serverSearch(module, m_last.fields, m_last.text);
        m_last.condition = condition.sql;
        m_last.values = condition.values;
        return condition;
    }

private:
    ServerSearch m_last;
};

std::unique_ptr<QuickSearch> makeFileSearch()
{
    return std::make_unique<FileQuickSearch>();
}

std::unique_ptr<QuickSearch> makeServerSearch()
{
    return std::make_unique<ServerQuickSearch>();
}
}

std::unique_ptr<QuickSearch> QuickSearch::For(TDModule &module)
{
    std::unique_ptr<QuickSearch> search = Engine::ForEngine(module.engine(), &makeFileSearch, &makeServerSearch)();
    search->m_connection = module.database().connectionName();
    return search;
}

bool QuickSearch::serves(const TDModule &module) const
{
    return module.connected() && module.database().connectionName() == m_connection;
}
