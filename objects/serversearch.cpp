// The quick search and its index on a server database: the server's own SQL, run on the connection.
#include "objects/searchengine.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schemanames.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <bit>

namespace {
// Objects read at a time while blocks are made: the client library holds a whole result.
constexpr int ServerObjectsPerRead = 8192;
// Set for one transaction, the triggers mark nothing (WithoutSearchTracking).
const QString UntrackedSetting = QStringLiteral("virandel.search_untracked");

// A statement run on a server database's connection directly, for the search's index and its tables of
// the connection: the index is kept inside an action that announces its own change, and the search's
// tables are no change at all. Values are bound in order. Throws DbError with the user's text.
QSqlQuery RunOnServer(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    // Read whole: a row-by-row result would have to be read to its end before the next statement.
    QSqlQuery query(db);
    // Statements without values run as they are: the server prepares only queries and data changes.
    bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    if (ok && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        throw DbError(EngineErrorText(query.lastError()));
    return query;
}

// The server marks once per statement: a statement writing many objects of a block marks it once, and
// the blocks are marked in their order, so that two programs marking the same blocks wait for each
// other instead of each holding one the other needs.
void createServerIndexTables(QSqlDatabase &db)
{
    using namespace SchemaName;
    RunOnServer(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1(S_BLOCK BIGINT NOT NULL, S_FIELD BIGINT NOT NULL, "
                                   "S_TEXT TEXT, PRIMARY KEY (S_BLOCK, S_FIELD))").arg(SearchTextTable));
    RunOnServer(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1(S_BLOCK BIGINT NOT NULL PRIMARY KEY)").arg(SearchStaleTable));
    RunOnServer(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1(I_NAME VARCHAR(20) NOT NULL PRIMARY KEY, I_VALUE TEXT)")
                        .arg(SearchInfoTable));
    // Made once: replacing it at every opening would need its owner's rights.
    QSqlQuery function = RunOnServer(db, QStringLiteral("SELECT to_regproc(lower(?)) IS NOT NULL"), {SearchMarkFunction});
    if (!function.next() || !function.value(0).toBool())
        RunOnServer(db, QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                   "IF COALESCE(current_setting('%2', true), '') <> 'on' THEN "
                                   "INSERT INTO %3 (S_BLOCK) SELECT DISTINCT G_ID >> %4 FROM CHANGED_OBJECTS ORDER BY 1 "
                                   "ON CONFLICT DO NOTHING; END IF; RETURN NULL; END $$")
                        .arg(SearchMarkFunction, UntrackedSetting, SearchStaleTable)
                        .arg(SearchBlockShift));
    const struct { const QString &name; const char *event; const char *rows; } triggers[] = {
        {SearchInsertTrigger, "INSERT", "NEW"}, {SearchUpdateTrigger, "UPDATE", "NEW"}, {SearchDeleteTrigger, "DELETE", "OLD"}};
    for (const auto &trigger : triggers) {
        QSqlQuery known = RunOnServer(db, QStringLiteral("SELECT 1 FROM pg_trigger WHERE tgname = lower(?) AND tgrelid = 'gener'::regclass"),
                                      {trigger.name});
        if (known.next())
            continue;
        RunOnServer(db, QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON GENER REFERENCING %3 TABLE AS CHANGED_OBJECTS "
                                       "FOR EACH STATEMENT EXECUTE FUNCTION %4()")
                            .arg(trigger.name, QLatin1String(trigger.event), QLatin1String(trigger.rows), SearchMarkFunction));
    }
}

class ServerIndex final : public IndexConnection
{
public:
    explicit ServerIndex(TDModule &module)
        : m_module(module)
        , m_db(module.database())
    {
    }
    void exec(const QString &sql, const QVariantList &values) override { RunOnServer(m_db, sql, values); }
    QList<QVariantList> rows(const QString &sql, const QVariantList &values) override
    {
        QSqlQuery query = RunOnServer(m_db, sql, values);
        QList<QVariantList> result;
        // Asked once: the driver looks the columns' tables up each time.
        const int columns = query.record().count();
        while (query.next()) {
            QVariantList row;
            for (int column = 0; column < columns; ++column)
                row << query.value(column);
            result << row;
        }
        return result;
    }
    void readBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take) override
    {
        ReadShownBlocks(m_module, fields, firstBlock, lastBlock, take, &m_folder);
    }
    void insertBlock(qint64 block, const QList<DescriptionField> &fields, const QList<QByteArray> &texts) override
    {
        // All fields of the block in one statement.
        QStringList rows;
        QVariantList values;
        for (int i = 0; i < fields.size(); ++i) {
            if (texts[i].isEmpty())
                continue;
            rows << QStringLiteral("(%1, %2, ?)").arg(block).arg(fields[i].id);
            values << QString::fromUtf8(texts[i]);   // a text, not bytes
        }
        if (!rows.isEmpty())
            RunOnServer(m_db, QStringLiteral("INSERT INTO %1 (S_BLOCK, S_FIELD, S_TEXT) VALUES ").arg(SchemaName::SearchTextTable)
                                  + rows.join(QLatin1String(", ")),
                        values);
    }

private:
    TDModule &m_module;
    QSqlDatabase m_db;
    ShownTextFolder m_folder;
};

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
    const SearchTerms terms = MakeSearchTerms(fields, text);
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

    const QList<DescriptionField> indexed = FieldsOfList(terms.fieldList.toUtf8());
    const QByteArray needle = terms.needle.toUtf8();
    HitSet readHere;
    const auto scanBlock = [&](qint64 block, const QList<QByteArray> &texts) {
        for (const QByteArray &blockText : texts)
            ScanBlockText(block, blockText.constData(), int(blockText.size()), needle, readHere);
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

class ServerSearchEngine final : public SearchEngine
{
public:
    using SearchEngine::SearchEngine;

    std::unique_ptr<IndexConnection> index() override { return std::make_unique<ServerIndex>(m_module); }
    bool indexExists() override
    {
    // Asked by every writer: the catalog's own lookup, not its slower views.
    QSqlQuery tables = RunOnServer(m_module.database(), QStringLiteral("SELECT to_regclass('%1') IS NOT NULL AND to_regclass('%2') IS NOT NULL "
                                                                     "AND to_regclass('%3') IS NOT NULL")
                                                          .arg(SchemaName::SearchTextTable.toLower(), SchemaName::SearchStaleTable.toLower(),
                                                               SchemaName::SearchInfoTable.toLower()));
    return tables.next() && tables.value(0).toBool();
    }
    void ensureIndex(const std::function<void(IndexConnection &index, bool existed)> &upkeep) override
    {
        try {
            Transaction tx(m_module);
            QSqlDatabase db = m_module.database();
            // Another program opening the database now makes it first; this one then finds it made.
            Engine::LockUntilCommit(db, SchemaName::SearchTextTable);
            const bool existed = indexExists();
            // Made by whoever opens the database first: the others then need no right to make anything.
            if (!existed)
                createServerIndexTables(db);
            ServerIndex index(m_module);
            upkeep(index, existed);
            tx.commit();
        } catch (const DbError &) {
            // A user who may not make tables: the search reads the objects from GENER.
        }
    }
    void withoutTracking(const std::function<void()> &change) override
    {
        // Set for this transaction alone: a failed change takes it back with everything else.
        Transaction tx(m_module);
        RunOnServer(m_module.database(), QStringLiteral("SELECT set_config(?, 'on', true)"), {UntrackedSetting});
        change();
        RunOnServer(m_module.database(), QStringLiteral("SELECT set_config(?, 'off', true)"), {UntrackedSetting});
        tx.commit();
    }
    void readShownBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take,
                         ShownTextFolder *folder) override
    {
    ShownTextFolder ownFolder;
    BlockCollector blocks(fields, take, folder ? *folder : ownFolder);
    const qint64 last = lastBlock * (1 << SearchBlockShift) + (1 << SearchBlockShift) - 1;
    qint64 from = firstBlock * (1 << SearchBlockShift);
    for (;;) {
        // The numbers stand in the statement: one exchange with the server instead of three.
        QSqlQuery rows = RunOnServer(m_module.database(), BlockRowsStatement(fields, QString::number(from), QString::number(last))
                                                            + QStringLiteral(" LIMIT %1").arg(ServerObjectsPerRead));
        int read = 0;
        while (rows.next()) {
            ++read;
            blocks.add(rows.value(0).toLongLong(), [&](int i) { return rows.value(i + 1); });
        }
        if (read < ServerObjectsPerRead)
            break;
        // The last block read may go on: it is read again with the next part.
        from = blocks.forgetLast() * (1 << SearchBlockShift);
    }
    blocks.finish();
    }

    SearchCondition find(const QList<DescriptionField> &fields, const QString &text) override
    {
        SearchCondition condition;
        if (!text.isEmpty() && !fields.isEmpty())
            condition = serverSearch(m_module, fields, text);
        m_last = {condition.sql, condition.values, fields, text, true};
        return condition;
    }
    SearchCondition refreshed(const SearchCondition &current) override
    {
        if (current.sql.isEmpty() || current.sql != m_last.condition || current.values != m_last.values)
            return current;
        if (m_last.fresh) {
            m_last.fresh = false;
            return current;
        }
        const SearchCondition condition = serverSearch(m_module, m_last.fields, m_last.text);
        m_last.condition = condition.sql;
        m_last.values = condition.values;
        return condition;
    }

private:
    ServerSearch m_last;
};
}

std::unique_ptr<SearchEngine> MakeServerSearchEngine(TDModule &module)
{
    return std::make_unique<ServerSearchEngine>(module);
}
