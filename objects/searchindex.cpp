#include "objects/searchindex.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "core/engine.h"
#include "objects/enginestatement.h"

#include <QSqlRecord>
#include <memory>

#include <QLocale>
#include <sqlite3.h>

namespace {
// Made again when the way texts are written here changes.
constexpr int IndexVersion = 1;
constexpr int BlocksPerStep = 64;
// Objects read from a server at a time while blocks are made: its client library holds a whole result.
constexpr int ServerObjectsPerRead = 8192;
const QString ShownInfo = QStringLiteral("shown");
const QString FieldsInfo = QStringLiteral("fields");
// Set for one transaction on a server, the triggers mark nothing (WithoutSearchTracking).
const QString UntrackedSetting = QStringLiteral("virandel.search_untracked");

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

bool triggerIsTemporary(sqlite3 *db)
{
    EngineStatement query(db, QByteArrayLiteral("SELECT 1 FROM sqlite_temp_master WHERE type = 'trigger' AND name = ?"));
    query.bind(1, utf8(SchemaName::SearchUpdateTrigger));
    return query.step();
}

// What the index's upkeep needs of a connection, written once for both engines: the file's own handle
// (its bulk reads and writes go faster that way), or the server's connection.
class IndexConnection
{
public:
    virtual ~IndexConnection() = default;
    virtual void exec(const QString &sql, const QVariantList &values = {}) = 0;
    virtual QList<QVariantList> rows(const QString &sql, const QVariantList &values = {}) = 0;
    virtual void readBlocks(const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take) = 0;
    // Writes a block's texts, one per field (an empty one is not written).
    virtual void insertBlock(qint64 block, const QList<DescriptionField> &fields, const QList<QByteArray> &texts) = 0;
};

// Statements of the upkeep name blocks by their numbers: a server then answers each in one exchange.

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
        ReadShownBlocks(m_db, fields, firstBlock, lastBlock, take, &m_folder);
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

QString readInfo(IndexConnection &db, const QString &name)
{
    const QList<QVariantList> rows = db.rows(QStringLiteral("SELECT I_VALUE FROM %1 WHERE I_NAME = ?").arg(SchemaName::SearchInfoTable), {name});
    return rows.isEmpty() ? QString() : rows.first().first().toString();
}

void writeInfo(IndexConnection &db, const QString &name, const QString &value)
{
    db.exec(QStringLiteral("INSERT INTO %1 (I_NAME, I_VALUE) VALUES (?, ?) ON CONFLICT (I_NAME) DO UPDATE SET I_VALUE = excluded.I_VALUE")
                .arg(SchemaName::SearchInfoTable),
            {name, value});
}

DescriptionField fieldOfKind(FieldKind kind)
{
    DescriptionField field;
    field.lookup = kind == FieldKind::Lookup;
    if (!field.lookup)
        field.typeName = FieldKinds::Info(kind).typeName;
    return field;
}

// What the locale-dependent texts look like: a file indexed under another locale is indexed again.
QString shownSignature()
{
    const auto shown = [](FieldKind kind, const QVariant &stored) { return DisplayText(fieldOfKind(kind), stored); };
    return QStringList{QString::number(IndexVersion), shown(FieldKind::Date, QStringLiteral("2000-12-31")),
                       shown(FieldKind::Time, QStringLiteral("23:59:58")), shown(FieldKind::Real, -1234.5),
                       shown(FieldKind::Boolean, -1), shown(FieldKind::Boolean, 0), QLocale().groupSeparator()}
        .join(QLatin1Char('|'));
}

QList<DescriptionField> readFields(IndexConnection &db)
{
    QList<DescriptionField> fields;
    for (const QVariantList &row : db.rows(FieldQuery)) {
        DescriptionField field;
        field.id = row.at(0).toLongLong();
        field.name = row.at(1).toString();
        field.typeName = row.at(2).toString();
        field.lookup = row.at(4).toLongLong() != 0;
        if (IsSearchIndexed(field))
            fields << field;
    }
    return fields;
}

// Each indexed field with its type: a field gone, or made anew with another type (its column then holds
// nothing yet), leaves texts that no longer stand for anything.
QString fieldsSignature(const QList<DescriptionField> &fields)
{
    QStringList parts;
    for (const DescriptionField &field : fields)
        parts << QStringLiteral("%1:%2").arg(field.id).arg(field.typeName);
    return parts.join(QLatin1Char(';'));
}

void rebuildAll(IndexConnection &db, const std::function<void(int, int)> &progress)
{
    db.exec(QLatin1String("DELETE FROM ") + SchemaName::SearchTextTable);
    db.exec(QLatin1String("DELETE FROM ") + SchemaName::SearchStaleTable);
    const QList<DescriptionField> fields = readFields(db);
    // Blocks as the objects fill them: object numbers need not be dense.
    const QList<QVariantList> range =
        db.rows(QStringLiteral("SELECT MIN(G_ID), MAX(G_ID), COUNT(DISTINCT G_ID >> %1) FROM GENER").arg(SearchBlockShift));
    if (fields.isEmpty() || range.isEmpty() || range.first().first().isNull())
        return;
    const qint64 first = range.first().at(0).toLongLong() >> SearchBlockShift, last = range.first().at(1).toLongLong() >> SearchBlockShift;
    const int total = range.first().at(2).toInt();
    int done = 0;
    if (progress)
        progress(0, total);
    db.readBlocks(fields, first, last, [&](qint64 block, const QList<QByteArray> &texts) {
        db.insertBlock(block, fields, texts);
        if (progress && ++done % BlocksPerStep == 0)
            progress(done, total);
    });
    if (progress)
        progress(total, total);
}

QList<qint64> staleBlocks(IndexConnection &db)
{
    QList<qint64> blocks;
    for (const QVariantList &row : db.rows(QStringLiteral("SELECT S_BLOCK FROM %1 ORDER BY S_BLOCK").arg(SchemaName::SearchStaleTable)))
        blocks << row.first().toLongLong();
    return blocks;
}

void refresh(IndexConnection &db)
{
    const QList<qint64> stale = staleBlocks(db);
    if (stale.isEmpty())
        return;
    const QList<DescriptionField> fields = readFields(db);
    for (const qint64 block : stale) {
        db.exec(QStringLiteral("DELETE FROM %1 WHERE S_BLOCK = %2").arg(SchemaName::SearchTextTable).arg(block));
        if (!fields.isEmpty())
            db.readBlocks(fields, block, block,
                          [&](qint64 shownBlock, const QList<QByteArray> &texts) { db.insertBlock(shownBlock, fields, texts); });
        // Only the marks seen: on a server another program may have marked a block since, for itself to make.
        db.exec(QStringLiteral("DELETE FROM %1 WHERE S_BLOCK = %2").arg(SchemaName::SearchStaleTable).arg(block));
    }
}

void syncFields(IndexConnection &db)
{
    const QString current = fieldsSignature(readFields(db));
    const QString stored = readInfo(db, FieldsInfo);
    if (current == stored)
        return;
    const QStringList kept = current.split(QLatin1Char(';'));
    for (const QString &entry : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!kept.contains(entry))
            db.exec(QStringLiteral("DELETE FROM %1 WHERE S_FIELD = ?").arg(SchemaName::SearchTextTable),
                    {entry.section(QLatin1Char(':'), 0, 0).toLongLong()});
    }
    writeInfo(db, FieldsInfo, current);
}

// Makes the index anew when missing or made under another locale, else brings it up to date.
void ensure(IndexConnection &db, bool existed, const std::function<void(int, int)> &progress)
{
    const QString shown = shownSignature();
    if (!existed || readInfo(db, ShownInfo) != shown) {
        rebuildAll(db, progress);
        writeInfo(db, ShownInfo, shown);
        writeInfo(db, FieldsInfo, fieldsSignature(readFields(db)));
    } else {
        syncFields(db);
        refresh(db);
    }
}

// Gathers the folded texts of objects read in the order of their numbers into blocks.
class BlockCollector
{
public:
    BlockCollector(const QList<DescriptionField> &fields, const TakeBlock &take, ShownTextFolder &folder)
        : m_fields(fields)
        , m_take(take)
        , m_folder(folder)
        , m_texts(fields.size())
    {
    }
    // `value(i)` is the stored value of field i, as the engine gives it.
    template <typename Value>
    void add(qint64 id, const Value &value)
    {
        if (!m_holding || (id >> SearchBlockShift) != m_block) {
            finish();
            m_block = id >> SearchBlockShift;
            m_holding = true;
        }
        // Numbered within the block: shorter than the object's own number.
        const QByteArray prefix = '\x1F' + QByteArray::number(id & ((1 << SearchBlockShift) - 1)) + '\x1E';
        for (int i = 0; i < m_fields.size(); ++i) {
            QByteArray &text = m_texts[i];
            const qsizetype start = text.size();
            text += prefix;
            m_folder.append(m_fields[i].kind(), value(i), text);
            if (text.size() == start + prefix.size())
                text.truncate(start);   // no value, or one that shows nothing
        }
    }
    // Hands over the block being gathered.
    void finish()
    {
        if (m_holding)
            m_take(m_block, m_texts);
        forget();
    }
    // Forgets the block being gathered (its objects may go on beyond what was read) and tells which it was.
    qint64 forgetLast()
    {
        forget();
        return m_block;
    }

private:
    void forget()
    {
        m_holding = false;
        for (QByteArray &text : m_texts)
            text.clear();
    }
    const QList<DescriptionField> &m_fields;
    const TakeBlock &m_take;
    ShownTextFolder &m_folder;
    QList<QByteArray> m_texts;
    qint64 m_block = 0;
    bool m_holding = false;
};

// The objects from number `from` to `last` (numbers, or placeholders) with the fields' columns.
QString blockRowsStatement(const QList<DescriptionField> &fields, const QString &from, const QString &last)
{
    QString sql = QStringLiteral("SELECT G_ID");
    for (const DescriptionField &field : fields)
        sql += QLatin1String(", ") + field.column();
    return sql + QStringLiteral(" FROM GENER WHERE G_ID >= %1 AND G_ID <= %2 ORDER BY G_ID").arg(from, last);
}
}

bool IsSearchIndexed(const DescriptionField &field)
{
    return !field.lookup && field.hasGridColumn();
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

void ShownTextFolder::append(FieldKind kind, const QVariant &value, QByteArray &out)
{
    if (value.isNull())
        return;
    appendShown(kind, value.toString().toUtf8(), [&] { return value; }, out);
}

void ShownTextFolder::appendShown(FieldKind kind, const QByteArray &text, const std::function<QVariant()> &stored, QByteArray &out)
{
    const qsizetype start = out.size();
    switch (kind) {
    case FieldKind::String:
    case FieldKind::Integer:
        AppendFolded(text.constData(), int(text.size()), out);
        break;
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::Boolean:
    case FieldKind::Real: {
        QHash<QByteArray, QByteArray> &formatted = m_formatted[int(kind)];
        auto known = formatted.constFind(text);
        if (known == formatted.cend()) {
            QString shown = DisplayText(fieldOfKind(kind), stored());
            if (kind == FieldKind::Real)
                shown.remove(QLocale().groupSeparator());
            // A collection with more distinct values than this is not worth remembering in full.
            if (formatted.size() >= 200000)
                formatted.clear();
            known = formatted.insert(QByteArray(text.constData(), text.size()), FoldForMatching(shown));
        }
        out += *known;
        break;
    }
    default:
        return;
    }
    for (qsizetype i = start; i < out.size(); ++i) {
        if (out[i] == '\x1E' || out[i] == '\x1F')
            out[i] = ' ';
    }
}

void ReadShownBlocks(sqlite3 *db, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock, const TakeBlock &take,
                     ShownTextFolder *folder)
{
    EngineStatement rows(db, utf8(blockRowsStatement(fields, QStringLiteral("?"), QStringLiteral("?"))));
    rows.bind(1, firstBlock * (1 << SearchBlockShift));
    rows.bind(2, lastBlock * (1 << SearchBlockShift) + (1 << SearchBlockShift) - 1);
    ShownTextFolder ownFolder;
    BlockCollector blocks(fields, take, folder ? *folder : ownFolder);
    while (rows.step())
        blocks.add(rows.integer(0), [&](int i) { return rows.value(i + 1); });
    blocks.finish();
}

void ReadShownBlocks(TDModule &module, const QList<DescriptionField> &fields, qint64 firstBlock, qint64 lastBlock,
                     const TakeBlock &take, ShownTextFolder *folder)
{
    if (module.engine() == EngineKind::File) {
        ReadShownBlocks(EngineHandle(module.database()), fields, firstBlock, lastBlock, take, folder);
        return;
    }
    ShownTextFolder ownFolder;
    BlockCollector blocks(fields, take, folder ? *folder : ownFolder);
    const qint64 last = lastBlock * (1 << SearchBlockShift) + (1 << SearchBlockShift) - 1;
    qint64 from = firstBlock * (1 << SearchBlockShift);
    for (;;) {
        // The numbers stand in the statement: one exchange with the server instead of three.
        QSqlQuery rows = RunOnServer(module.database(), blockRowsStatement(fields, QString::number(from), QString::number(last))
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

bool SearchIndexExists(sqlite3 *db)
{
    EngineStatement query(db, QByteArrayLiteral("SELECT COUNT(*) FROM (SELECT name, type FROM sqlite_master UNION ALL "
                                                "SELECT name, type FROM sqlite_temp_master) WHERE type = 'table' AND name IN (?, ?, ?)"));
    query.bind(1, utf8(SchemaName::SearchTextTable));
    query.bind(2, utf8(SchemaName::SearchStaleTable));
    query.bind(3, utf8(SchemaName::SearchInfoTable));
    return query.step() && query.integer(0) == 3;
}

QList<qint64> StaleSearchBlocks(sqlite3 *db)
{
    FileIndex index(db);
    return staleBlocks(index);
}

bool SearchIndexExists(TDModule &module)
{
    if (module.engine() == EngineKind::File)
        return SearchIndexExists(EngineHandle(module.database()));
    // Asked by every writer: the catalog's own lookup, not its slower views.
    QSqlQuery tables = RunOnServer(module.database(), QStringLiteral("SELECT to_regclass('%1') IS NOT NULL AND to_regclass('%2') IS NOT NULL "
                                                                     "AND to_regclass('%3') IS NOT NULL")
                                                          .arg(SchemaName::SearchTextTable.toLower(), SchemaName::SearchStaleTable.toLower(),
                                                               SchemaName::SearchInfoTable.toLower()));
    return tables.next() && tables.value(0).toBool();
}

QList<qint64> StaleSearchBlocks(TDModule &module)
{
    if (module.engine() == EngineKind::File)
        return StaleSearchBlocks(EngineHandle(module.database()));
    ServerIndex index(module);
    return staleBlocks(index);
}

void EnsureSearchIndex(TDModule &module, const std::function<void(int done, int total)> &progress)
{
    if (module.engine() == EngineKind::Server) {
        try {
            Transaction tx(module);
            QSqlDatabase db = module.database();
            // Another program opening the database now makes it first; this one then finds it made.
            Engine::LockUntilCommit(db, SchemaName::SearchTextTable);
            const bool existed = SearchIndexExists(module);
            // Made by whoever opens the database first: the others then need no right to make anything.
            if (!existed)
                createServerIndexTables(db);
            ServerIndex index(module);
            ensure(index, existed, progress);
            tx.commit();
        } catch (const DbError &) {
            // A user who may not make tables: the search reads the objects from GENER.
        }
        return;
    }
    sqlite3 *db = EngineHandle(module.database());
    const auto ensureInFile = [&](bool temporary) {
        Transaction tx(module);
        const bool existed = SearchIndexExists(db);
        createIndexTables(db, temporary);
        FileIndex index(db);
        ensure(index, existed, progress);
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

void RefreshSearchIndex(TDModule &module)
{
    if (!SearchIndexExists(module))
        return;
    if (module.engine() == EngineKind::File) {
        FileIndex index(EngineHandle(module.database()));
        refresh(index);
    } else {
        ServerIndex index(module);
        refresh(index);
    }
}

void SyncSearchIndexFields(TDModule &module)
{
    if (!SearchIndexExists(module))
        return;
    if (module.engine() == EngineKind::File) {
        FileIndex index(EngineHandle(module.database()));
        syncFields(index);
    } else {
        ServerIndex index(module);
        syncFields(index);
    }
}

void WithoutSearchTracking(TDModule &module, const std::function<void()> &change)
{
    if (!SearchIndexExists(module)) {
        change();
        return;
    }
    if (module.engine() == EngineKind::Server) {
        // Set for this transaction alone: a failed change takes it back with everything else.
        Transaction tx(module);
        RunOnServer(module.database(), QStringLiteral("SELECT set_config(?, 'on', true)"), {UntrackedSetting});
        change();
        RunOnServer(module.database(), QStringLiteral("SELECT set_config(?, 'off', true)"), {UntrackedSetting});
        tx.commit();
        return;
    }
    sqlite3 *db = EngineHandle(module.database());
    const bool temporary = triggerIsTemporary(db);
    ExecEngine(db, utf8(QLatin1String("DROP TRIGGER IF EXISTS ") + SchemaName::SearchUpdateTrigger));
    change();
    ExecEngine(db, markStatement(SchemaName::SearchUpdateTrigger, "UPDATE", "NEW", temporary));
}
