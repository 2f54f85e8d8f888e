#include "objects/searchindex.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "objects/enginestatement.h"

#include <QLocale>
#include <sqlite3.h>

namespace {
// Made again when the way texts are written here changes.
constexpr int IndexVersion = 1;
constexpr int BlocksPerStep = 64;
const QString ShownInfo = QStringLiteral("shown");
const QString FieldsInfo = QStringLiteral("fields");

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

QString readInfo(sqlite3 *db, const QString &name)
{
    EngineStatement query(db, utf8(QStringLiteral("SELECT I_VALUE FROM %1 WHERE I_NAME = ?").arg(SchemaName::SearchInfoTable)));
    query.bind(1, utf8(name));
    return query.step() ? query.text(0) : QString();
}

void writeInfo(sqlite3 *db, const QString &name, const QString &value)
{
    EngineStatement write(db, utf8(QStringLiteral("INSERT OR REPLACE INTO %1 (I_NAME, I_VALUE) VALUES (?, ?)").arg(SchemaName::SearchInfoTable)));
    write.bind(1, utf8(name));
    write.bind(2, utf8(value));
    write.run();
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

QList<DescriptionField> readFields(sqlite3 *db)
{
    QList<DescriptionField> fields;
    EngineStatement query(db, utf8(FieldQuery));
    while (query.step()) {
        DescriptionField field;
        field.id = query.integer(0);
        field.name = query.text(1);
        field.typeName = query.text(2);
        field.lookup = query.integer(4) != 0;
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

void writeBlock(EngineStatement &insert, const QList<DescriptionField> &fields, qint64 block, const QList<QByteArray> &texts)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (texts[i].isEmpty())
            continue;
        insert.bind(1, block);
        insert.bind(2, fields[i].id);
        insert.bind(3, texts[i]);
        insert.run();
    }
}

void rebuildAll(sqlite3 *db, const std::function<void(int, int)> &progress)
{
    ExecEngine(db, utf8(QLatin1String("DELETE FROM ") + SchemaName::SearchTextTable));
    ExecEngine(db, utf8(QLatin1String("DELETE FROM ") + SchemaName::SearchStaleTable));
    const QList<DescriptionField> fields = readFields(db);
    // Blocks as the objects fill them: object numbers need not be dense.
    EngineStatement range(db, utf8(QStringLiteral("SELECT MIN(G_ID), MAX(G_ID), COUNT(DISTINCT G_ID >> %1) FROM GENER").arg(SearchBlockShift)));
    if (fields.isEmpty() || !range.step() || range.isNull(0))
        return;
    const qint64 first = range.integer(0) >> SearchBlockShift, last = range.integer(1) >> SearchBlockShift;
    const int total = int(range.integer(2));
    EngineStatement insert(db, utf8(QStringLiteral("INSERT INTO %1 (S_BLOCK, S_FIELD, S_TEXT) VALUES (?, ?, ?)").arg(SchemaName::SearchTextTable)));
    int done = 0;
    if (progress)
        progress(0, total);
    ReadShownBlocks(db, fields, first, last, [&](qint64 block, const QList<QByteArray> &texts) {
        writeBlock(insert, fields, block, texts);
        if (progress && ++done % BlocksPerStep == 0)
            progress(done, total);
    });
    if (progress)
        progress(total, total);
}

void refresh(sqlite3 *db)
{
    const QList<qint64> stale = StaleSearchBlocks(db);
    if (stale.isEmpty())
        return;
    const QList<DescriptionField> fields = readFields(db);
    EngineStatement drop(db, utf8(QStringLiteral("DELETE FROM %1 WHERE S_BLOCK = ?").arg(SchemaName::SearchTextTable)));
    EngineStatement insert(db, utf8(QStringLiteral("INSERT INTO %1 (S_BLOCK, S_FIELD, S_TEXT) VALUES (?, ?, ?)").arg(SchemaName::SearchTextTable)));
    for (const qint64 block : stale) {
        drop.bind(1, block);
        drop.run();
        if (!fields.isEmpty())
            ReadShownBlocks(db, fields, block, block,
                            [&](qint64 shownBlock, const QList<QByteArray> &texts) { writeBlock(insert, fields, shownBlock, texts); });
    }
    ExecEngine(db, utf8(QLatin1String("DELETE FROM ") + SchemaName::SearchStaleTable));
}

void syncFields(sqlite3 *db)
{
    const QString current = fieldsSignature(readFields(db));
    const QString stored = readInfo(db, FieldsInfo);
    if (current == stored)
        return;
    const QStringList kept = current.split(QLatin1Char(';'));
    EngineStatement drop(db, utf8(QStringLiteral("DELETE FROM %1 WHERE S_FIELD = ?").arg(SchemaName::SearchTextTable)));
    for (const QString &entry : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (kept.contains(entry))
            continue;
        drop.bind(1, entry.section(QLatin1Char(':'), 0, 0).toLongLong());
        drop.run();
    }
    writeInfo(db, FieldsInfo, current);
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
    const qsizetype start = out.size();
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    const int length = sqlite3_value_bytes(value);
    switch (kind) {
    case FieldKind::String:
    case FieldKind::Integer:
        AppendFolded(text, length, out);
        break;
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::Boolean:
    case FieldKind::Real: {
        QHash<QByteArray, QByteArray> &formatted = m_formatted[int(kind)];
        const QByteArray key(text, length);
        auto known = formatted.constFind(key);
        if (known == formatted.cend()) {
            QVariant stored;
            if (type == SQLITE_INTEGER)
                stored = qint64(sqlite3_value_int64(value));
            else if (type == SQLITE_FLOAT)
                stored = sqlite3_value_double(value);
            else
                stored = QString::fromUtf8(key);
            QString shown = DisplayText(fieldOfKind(kind), stored);
            if (kind == FieldKind::Real)
                shown.remove(QLocale().groupSeparator());
            // A collection with more distinct values than this is not worth remembering in full.
            if (formatted.size() >= 200000)
                formatted.clear();
            known = formatted.insert(key, FoldForMatching(shown));
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
    QString sql = QStringLiteral("SELECT G_ID");
    for (const DescriptionField &field : fields)
        sql += QLatin1String(", ") + field.column();
    sql += QLatin1String(" FROM GENER WHERE G_ID >= ? AND G_ID <= ? ORDER BY G_ID");
    EngineStatement rows(db, utf8(sql));
    rows.bind(1, firstBlock * (1 << SearchBlockShift));
    rows.bind(2, lastBlock * (1 << SearchBlockShift) + (1 << SearchBlockShift) - 1);
    ShownTextFolder ownFolder;
    if (!folder)
        folder = &ownFolder;
    QList<QByteArray> texts(fields.size());
    qint64 block = 0;
    bool holding = false;
    const auto handOver = [&] {
        if (holding)
            take(block, texts);
        for (QByteArray &text : texts)
            text.clear();
    };
    while (rows.step()) {
        const qint64 id = rows.integer(0);
        if (!holding || (id >> SearchBlockShift) != block) {
            handOver();
            block = id >> SearchBlockShift;
            holding = true;
        }
        // Numbered within the block: shorter than the object's own number.
        const QByteArray prefix = '\x1F' + QByteArray::number(id & ((1 << SearchBlockShift) - 1)) + '\x1E';
        for (int i = 0; i < fields.size(); ++i) {
            QByteArray &text = texts[i];
            const qsizetype start = text.size();
            text += prefix;
            folder->append(fields[i].kind(), rows.value(i + 1), text);
            if (text.size() == start + prefix.size())
                text.truncate(start);   // no value, or one that shows nothing
        }
    }
    handOver();
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
    QList<qint64> blocks;
    EngineStatement query(db, utf8(QStringLiteral("SELECT S_BLOCK FROM %1 ORDER BY S_BLOCK").arg(SchemaName::SearchStaleTable)));
    while (query.step())
        blocks << query.integer(0);
    return blocks;
}

void EnsureSearchIndex(TDModule &module, const std::function<void(int done, int total)> &progress)
{
    if (module.engine() != EngineKind::File)
        return;
    sqlite3 *db = EngineHandle(module.database());
    const auto ensure = [&](bool temporary) {
        Transaction tx(module);
        const bool existed = SearchIndexExists(db);
        createIndexTables(db, temporary);
        const QString shown = shownSignature();
        if (!existed || readInfo(db, ShownInfo) != shown) {
            rebuildAll(db, progress);
            writeInfo(db, ShownInfo, shown);
            writeInfo(db, FieldsInfo, fieldsSignature(readFields(db)));
        } else {
            syncFields(db);
            refresh(db);
        }
        tx.commit();
    };
    try {
        ensure(false);
    } catch (const DbError &) {
        try {
            ensure(true);
        } catch (const DbError &) {
            // Not even that: the search reads the objects from GENER.
        }
    }
}

void RefreshSearchIndex(TDModule &module)
{
    if (module.engine() != EngineKind::File)
        return;
    sqlite3 *db = EngineHandle(module.database());
    if (SearchIndexExists(db))
        refresh(db);
}

void SyncSearchIndexFields(TDModule &module)
{
    if (module.engine() != EngineKind::File)
        return;
    sqlite3 *db = EngineHandle(module.database());
    if (SearchIndexExists(db))
        syncFields(db);
}

void WithoutSearchTracking(TDModule &module, const std::function<void()> &change)
{
    if (module.engine() != EngineKind::File) {
        change();
        return;
    }
    sqlite3 *db = EngineHandle(module.database());
    if (!SearchIndexExists(db)) {
        change();
        return;
    }
    const bool temporary = triggerIsTemporary(db);
    ExecEngine(db, utf8(QLatin1String("DROP TRIGGER IF EXISTS ") + SchemaName::SearchUpdateTrigger));
    change();
    ExecEngine(db, markStatement(SchemaName::SearchUpdateTrigger, "UPDATE", "NEW", temporary));
}
