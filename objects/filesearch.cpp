// The quick search and its index on a database file: read and written through the engine's own handle,
// and answered inside the engine by functions of the program.
#include "objects/searchengine.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schemanames.h"

#include <QSqlDatabase>
#include <bit>
#include <sqlite3.h>

namespace {
// A statement run on the engine's handle directly, for the search's own functions, which run inside the
// engine's calls where no Qt query may be used, and for the index's bulk reads and writes. Errors
// throw DbError with the engine's text; inside an engine function they must be caught.
class EngineStatement
{
public:
    EngineStatement(sqlite3 *db, const QByteArray &sql)
        : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~EngineStatement() { sqlite3_finalize(m_statement); }
    EngineStatement(const EngineStatement &) = delete;
    EngineStatement &operator=(const EngineStatement &) = delete;

    void bind(int position, qint64 value) { sqlite3_bind_int64(m_statement, position, value); }
    void bind(int position, const QByteArray &text)
    {
        sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    // The next row; false at the end (the statement is then ready to run again).
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        sqlite3_reset(m_statement);
        if (result == SQLITE_DONE)
            return false;
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    // Runs a statement that returns no rows; it can be bound and run again.
    void run()
    {
        while (step()) {
        }
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column)),
                                 sqlite3_column_bytes(m_statement, column));
    }
    const char *rawText(int column, int &length) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        length = sqlite3_column_bytes(m_statement, column);
        return text;
    }
    sqlite3_value *value(int column) const { return sqlite3_column_value(m_statement, column); }
    int columns() const { return sqlite3_column_count(m_statement); }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

void ExecEngine(sqlite3 *db, const QByteArray &sql)
{
    EngineStatement(db, sql).run();
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// A file that cannot be written gets the index in the connection's temporary schema, made anew at
// each opening; the engine finds temporary tables first.
QByteArray markStatement(const QString &trigger, const char *event, const char *row, bool temporary)
{
    // Plain SQL, so that any program writing the file keeps the marks.
    return utf8(QStringLiteral("CREATE %6TRIGGER IF NOT EXISTS %1 AFTER %2 ON %7 BEGIN INSERT OR IGNORE INTO %3 VALUES (%4.G_ID >> %5); END")
                    .arg(trigger, QLatin1String(event), SchemaName::SearchStaleTable, QLatin1String(row))
                    .arg(SearchBlockShift)
                    .arg(temporary ? QLatin1String("TEMP ") : QLatin1String())
                    .arg(temporary ? QLatin1String("main.GENER") : QLatin1String("GENER")));
}

void createIndexTables(sqlite3 *db, bool temporary)
{
    using namespace SchemaName;
    const QString create = temporary ? QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS ") : QStringLiteral("CREATE TABLE IF NOT EXISTS ");
    ExecEngine(db, utf8(create + QStringLiteral("%1(S_BLOCK INTEGER NOT NULL, S_FIELD INTEGER NOT NULL, "
                                                "S_TEXT TEXT, PRIMARY KEY (S_BLOCK, S_FIELD))").arg(SearchTextTable)));
    ExecEngine(db, utf8(create + QStringLiteral("%1(S_BLOCK INTEGER NOT NULL PRIMARY KEY)").arg(SearchStaleTable)));
    ExecEngine(db, utf8(create + QStringLiteral("%1(I_NAME VARCHAR(20) NOT NULL PRIMARY KEY, I_VALUE TEXT)").arg(SearchInfoTable)));
    ExecEngine(db, markStatement(SearchInsertTrigger, "INSERT", "NEW", temporary));
    ExecEngine(db, markStatement(SearchUpdateTrigger, "UPDATE", "NEW", temporary));
    ExecEngine(db, markStatement(SearchDeleteTrigger, "DELETE", "OLD", temporary));
}

bool triggerIsTemporary(sqlite3 *db)
{
    EngineStatement query(db, QByteArrayLiteral("SELECT 1 FROM sqlite_temp_master WHERE type = 'trigger' AND name = ?"));
    query.bind(1, utf8(SchemaName::SearchUpdateTrigger));
    return query.step();
}

void readShownBlocks(sqlite3 *db, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take,
                     ShownTextFolder *folder = nullptr);

class FileIndex final : public IndexConnection
{
public:
    explicit FileIndex(sqlite3 *db)
        : m_db(db)
    {
    }
    void exec(const QString &sql, const QVariantList &values) override
    {
        EngineStatement statement(m_db, utf8(sql));
        bind(statement, values);
        statement.run();
    }
    QList<QVariantList> rows(const QString &sql, const QVariantList &values) override
    {
        EngineStatement statement(m_db, utf8(sql));
        bind(statement, values);
        QList<QVariantList> result;
        while (statement.step()) {
            QVariantList row;
            for (int column = 0; column < statement.columns(); ++column) {
                sqlite3_value *value = statement.value(column);
                switch (sqlite3_value_type(value)) {
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                case SQLITE_INTEGER:
                    row << QVariant(qint64(sqlite3_value_int64(value)));
                    break;
                default:
                    row << QVariant(statement.text(column));
                }
            }
            result << row;
        }
        return result;
    }
    void readBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take) override
    {
        readShownBlocks(m_db, fields, firstBlock, lastBlock, take, &m_folder);
    }
    void insertBlock(qint64 block, const QList<DescriptionField> &fields, const QList<QByteArray> &texts) override
    {
        if (!m_insert)
            m_insert = std::make_unique<EngineStatement>(
                m_db, utf8(QStringLiteral("INSERT INTO %1 (S_BLOCK, S_FIELD, S_TEXT) VALUES (?, ?, ?)").arg(SchemaName::SearchTextTable)));
        for (int i = 0; i < fields.size(); ++i) {
            if (texts[i].isEmpty())
                continue;
            m_insert->bind(1, block);
            m_insert->bind(2, fields[i].id);
            m_insert->bind(3, texts[i]);
            m_insert->run();
        }
    }

private:
    static void bind(EngineStatement &statement, const QVariantList &values)
    {
        for (int i = 0; i < values.size(); ++i) {
            const QVariant &value = values[i];
            if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
                statement.bind(i + 1, value.toString().toUtf8());
            else
                statement.bind(i + 1, value.toLongLong());
        }
    }
    sqlite3 *m_db;
    ShownTextFolder m_folder;
    std::unique_ptr<EngineStatement> m_insert;
};

void readShownBlocks(sqlite3 *db, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take,
                     ShownTextFolder *folder)
{
    EngineStatement rows(db, utf8(BlockRowsStatement(fields, QStringLiteral("?"), QStringLiteral("?"))));
    rows.bind(1, firstBlock * (1 << SearchBlockShift));
    rows.bind(2, lastBlock * (1 << SearchBlockShift) + (1 << SearchBlockShift) - 1);
    ShownTextFolder ownFolder;
    BlockCollector blocks(fields, take, folder ? *folder : ownFolder);
    while (rows.step())
        blocks.add(rows.integer(0), [&](int i) { return rows.value(i + 1); });
    blocks.finish();
}

bool indexExists(sqlite3 *db)
{
    EngineStatement query(db, QByteArrayLiteral("SELECT COUNT(*) FROM (SELECT name, type FROM sqlite_master UNION ALL "
                                                "SELECT name, type FROM sqlite_temp_master) WHERE type = 'table' AND name IN (?, ?, ?)"));
    query.bind(1, utf8(SchemaName::SearchTextTable));
    query.bind(2, utf8(SchemaName::SearchStaleTable));
    query.bind(3, utf8(SchemaName::SearchInfoTable));
    return query.step() && query.integer(0) == 3;
}

QList<qint64> staleBlocks(sqlite3 *db)
{
    FileIndex index(db);
    return StaleBlocks(index);
}

// Per connection: the last search, kept while the same text is searched in the same fields and nothing
// was written since (one keystroke opens the list once, but the grid may open it again).
struct SearchState
{
    QByteArray key;
    std::shared_ptr<const HitSet> hits;
};

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
    const QList<DescriptionField> fields = FieldsOfList(fieldList);
    QSet<qint64> wanted;
    for (const DescriptionField &field : fields)
        wanted.insert(field.id);
    const auto scanBlock = [&](qint64 block, const QList<QByteArray> &texts) {
        for (const QByteArray &text : texts)
            ScanBlockText(block, text.constData(), int(text.size()), needle, *hits);
    };
    if (fields.isEmpty()) {
        // Nothing but lookup texts to search.
    } else if (indexExists(db)) {
        const QList<qint64> staleList = staleBlocks(db);
        const QSet<qint64> stale(staleList.cbegin(), staleList.cend());
        EngineStatement rows(db, QStringLiteral("SELECT S_BLOCK, S_FIELD, S_TEXT FROM %1").arg(SchemaName::SearchTextTable).toUtf8());
        while (rows.step()) {
            if (!wanted.contains(rows.integer(1)) || stale.contains(rows.integer(0)))
                continue;
            int length = 0;
            const char *text = rows.rawText(2, length);
            ScanBlockText(rows.integer(0), text, length, needle, *hits);
        }
        // Blocks changed since they were indexed are read as they are now.
        ShownTextFolder folder;
        for (const qint64 block : staleList)
            readShownBlocks(db, fields, block, block, scanBlock, &folder);
    } else {
        EngineStatement range(db, QByteArrayLiteral("SELECT MIN(G_ID), MAX(G_ID) FROM GENER"));
        if (range.step() && !range.isNull(0))
            readShownBlocks(db, fields, range.integer(0) >> SearchBlockShift, range.integer(1) >> SearchBlockShift, scanBlock);
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

void destroyState(void *state)
{
    delete static_cast<SearchState *>(state);
}

constexpr int FewObjects = 2000;

class FileSearchEngine final : public SearchEngine
{
public:
    using SearchEngine::SearchEngine;

    std::unique_ptr<IndexConnection> index() override { return std::make_unique<FileIndex>(handle()); }
    bool indexExists() override { return ::indexExists(handle()); }
    void ensureIndex(const std::function<void(IndexConnection &index, bool existed)> &upkeep) override
    {
        sqlite3 *db = handle();
        const auto ensureInFile = [&](bool temporary) {
            Transaction tx(m_module);
            const bool existed = ::indexExists(db);
            createIndexTables(db, temporary);
            FileIndex index(db);
            upkeep(index, existed);
            tx.commit();
        };
        try {
            ensureInFile(false);
        } catch (const DbError &) {
            try {
                ensureInFile(true);
            } catch (const DbError &) {
                // Not even that: the search reads the objects from GENER.
            }
        }
    }
    void withoutTracking(const std::function<void()> &change) override
    {
        sqlite3 *db = handle();
        const bool temporary = triggerIsTemporary(db);
        ExecEngine(db, utf8(QLatin1String("DROP TRIGGER IF EXISTS ") + SchemaName::SearchUpdateTrigger));
        change();
        ExecEngine(db, markStatement(SchemaName::SearchUpdateTrigger, "UPDATE", "NEW", temporary));
    }
    void readShownBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take,
                         ShownTextFolder *folder) override
    {
        ::readShownBlocks(handle(), fields, firstBlock, lastBlock, take, folder);
    }

    // The condition is answered by the engine's functions as the list is read: found anew by every statement.
    SearchCondition find(const QList<DescriptionField> &fields, const QString &text) override
    {
        SearchReach reach = SearchReach::Many;
        if (!text.isEmpty() && !fields.isEmpty()) {
            // Found on few objects, the list reads just those; else it walks the objects in its order and
            // stops at the first screen. What is found here is kept for the opening that follows.
            const SearchTerms terms = MakeSearchTerms(fields, text);
            const QList<QVariantList> rows = m_module.QRWork->readAll(QStringLiteral("SELECT SEARCH_COUNT(?, ?, ?)"),
                                                                    {terms.needle, terms.fieldList, terms.lookupList()});
            if (!rows.isEmpty() && rows.first().first().toLongLong() <= FewObjects)
                reach = SearchReach::Few;
        }
        return ObjectSearchCondition(fields, text, reach);
    }
    SearchCondition refreshed(const SearchCondition &current) override { return current; }

private:
    sqlite3 *handle() const { return EngineHandle(m_module.database()); }
};
}

std::unique_ptr<SearchEngine> MakeFileSearchEngine(TDModule &module)
{
    return std::make_unique<FileSearchEngine>(module);
}

void ShownTextFolder::append(FieldKind kind, sqlite3_value *value, QByteArray &out)
{
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL)
        return;
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
    appendShown(kind, text, [&]() -> QVariant {
        if (type == SQLITE_INTEGER)
            return qint64(sqlite3_value_int64(value));
        if (type == SQLITE_FLOAT)
            return sqlite3_value_double(value);
        return QString::fromUtf8(text);
    }, out);
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

SearchCondition ObjectSearchCondition(const QList<DescriptionField> &fields, const QString &text, SearchReach reach)
{
    if (text.isEmpty() || fields.isEmpty())
        return {};
    const SearchTerms terms = MakeSearchTerms(fields, text);
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

