#include "objects/sortkeys.h"

#include "core/collation.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engineprogress.h"
#include "core/fieldkinds.h"
#include "core/schemanames.h"
#include "fields/fieldindexes.h"

#include <QSqlError>
#include <QSqlQuery>

namespace SortKeys {

namespace {

const QString VersionName = QStringLiteral("order");
// Keys made between two reports of progress.
constexpr qint64 ProgressStep = 20000;
// Objects keyed at opening without a progress window: done before any window could show.
constexpr qint64 QuickKeying = 20000;
// Marked objects beyond which all keys are made anew rather than one by one.
constexpr qint64 ManyMarked = 50000;

bool onFile(TDModule &module)
{
    return module.engine() == EngineKind::File;
}

QList<QVariantList> readAll(TDModule &module, const QString &sql, const QVariantList &values = {})
{
    return module.QRWork->readAll(sql, values);
}

bool tableExists(TDModule &module, const QString &table)
{
    return !readAll(module, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"), {table}).isEmpty();
}

QList<qint64> fieldIds(TDModule &module, const QString &condition)
{
    QList<qint64> ids;
    for (const QVariantList &row : readAll(module, QLatin1String("SELECT F_ID FROM FIELDS WHERE ") + condition + QLatin1String(" ORDER BY F_ID")))
        ids << row.first().toLongLong();
    return ids;
}

QList<qint64> stringFields(TDModule &module)
{
    return fieldIds(module, QStringLiteral("F_TYPE = %1 AND (F_LOOKUP = 0 OR F_LOOKUP IS NULL)").arg(FieldKinds::StringType));
}

QList<qint64> lookupFields(TDModule &module)
{
    return fieldIds(module, QStringLiteral("F_LOOKUP <> 0"));
}

// The fields whose texts OBJECT_KEYS holds keys for now.
QList<qint64> keyedFields(TDModule &module)
{
    QList<qint64> ids;
    const QString prefix = QStringLiteral("O_G");
    for (const QVariantList &row : readAll(module, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {ObjectKeysTable})) {
        const QString name = row.first().toString();
        if (name.startsWith(prefix))
            ids << name.mid(prefix.size()).toLongLong();
    }
    return ids;
}

QString keyIndex(qint64 fieldId)
{
    return ObjectKeysTable + QLatin1Char('_') + SchemaName::FieldColumn(fieldId);
}

QVariant keyOf(const QVariant &text)
{
    if (text.isNull())
        return QVariant(QMetaType(QMetaType::QByteArray));
    return RussianSortKey(text.toString());
}

void run(QSqlQuery &query)
{
    if (!query.exec())
        throw DbError(EngineErrorText(query.lastError()));
}

// Makes the keys of `fields` for the objects GENER's `condition` picks, each object's row made when
// missing. Returns the number of objects keyed.
qint64 makeObjectKeys(TDModule &module, const QList<qint64> &fields, const QString &condition,
                      const std::function<void(qint64, qint64)> &progress = {}, qint64 total = 0)
{
    QStringList columns, keys, sets, marks{QStringLiteral("?")};
    for (const qint64 id : fields) {
        columns << SchemaName::FieldColumn(id);
        keys << KeyColumn(id);
        sets << KeyColumn(id) + QLatin1String(" = excluded.") + KeyColumn(id);
        marks << QStringLiteral("?");
    }
    QSqlQuery read(module.database());
    read.setForwardOnly(true);
    if (!read.prepare(QLatin1String("SELECT G_ID") + (columns.isEmpty() ? QString() : QLatin1String(", ") + columns.join(QLatin1String(", ")))
                      + QLatin1String(" FROM GENER") + condition))
        throw DbError(EngineErrorText(read.lastError()));
    run(read);
    QSqlQuery write(module.database());
    const QString upsert = QLatin1String("INSERT INTO ") + ObjectKeysTable + QLatin1String("(O_ID")
                           + (keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(QLatin1String(", "))) + QLatin1String(") VALUES (")
                           + marks.join(QLatin1String(", ")) + QLatin1String(") ON CONFLICT (O_ID) DO ")
                           + (sets.isEmpty() ? QStringLiteral("NOTHING") : QLatin1String("UPDATE SET ") + sets.join(QLatin1String(", ")));
    if (!write.prepare(upsert))
        throw DbError(EngineErrorText(write.lastError()));
    qint64 done = 0;
    while (read.next()) {
        write.bindValue(0, read.value(0));
        for (int i = 0; i < fields.size(); ++i)
            write.bindValue(i + 1, keyOf(read.value(i + 1)));
        run(write);
        if (progress && ++done % ProgressStep == 0)
            progress(done, total);
    }
    if (read.lastError().isValid())
        throw DbError(EngineErrorText(read.lastError()));
    return done;
}

void createTables(TDModule &module)
{
    module.exec(QLatin1String("CREATE TABLE IF NOT EXISTS ") + ObjectKeysTable + QLatin1String("(O_ID INTEGER NOT NULL PRIMARY KEY)"));
    module.exec(QLatin1String("CREATE TABLE IF NOT EXISTS ") + StaleKeysTable + QLatin1String("(X_ID INTEGER NOT NULL PRIMARY KEY)"));
    module.exec(QLatin1String("CREATE TABLE IF NOT EXISTS ") + EntryKeysTable
                + QLatin1String("(E_FIELD INTEGER NOT NULL, E_ENTRY INTEGER NOT NULL, E_TEXT TEXT, E_KEY BLOB NOT NULL, "
                                "PRIMARY KEY (E_FIELD, E_ENTRY))"));
    // Unique, and the key never NULL: the engine then knows that the entries in this order need no
    // further sort before their objects, which it reads in order from the index of the field's column.
    module.exec(QLatin1String("CREATE UNIQUE INDEX IF NOT EXISTS ") + EntryKeysTable + QLatin1String("_ORDER ON ") + EntryKeysTable
                + QLatin1String("(E_FIELD, E_KEY, E_ENTRY)"));
    module.exec(QLatin1String("CREATE TABLE IF NOT EXISTS ") + KeysInfoTable
                + QLatin1String("(V_NAME VARCHAR(20) NOT NULL PRIMARY KEY, V_VALUE TEXT)"));
    module.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS OBJECT_KEYS_INSERT AFTER INSERT ON GENER BEGIN "
                               "INSERT OR IGNORE INTO %1(X_ID) VALUES (NEW.G_ID); END")
                    .arg(StaleKeysTable));
    // On any update, not only of the texts: a trigger naming GENER's columns would keep any program,
    // an earlier build of this one included, from dropping a field's column.
    // Only a mark: the row with the keys is made with them (a row made here would put an empty key into
    // every key index once per object added).
    module.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS OBJECT_KEYS_UPDATE AFTER UPDATE ON GENER BEGIN "
                               "DELETE FROM %1 WHERE O_ID = OLD.G_ID AND OLD.G_ID <> NEW.G_ID; "
                               "DELETE FROM %2 WHERE X_ID = OLD.G_ID AND OLD.G_ID <> NEW.G_ID; "
                               "INSERT OR IGNORE INTO %2(X_ID) VALUES (NEW.G_ID); END")
                    .arg(ObjectKeysTable, StaleKeysTable));
    module.exec(QStringLiteral("CREATE TRIGGER IF NOT EXISTS OBJECT_KEYS_DELETE AFTER DELETE ON GENER BEGIN "
                               "DELETE FROM %1 WHERE O_ID = OLD.G_ID; DELETE FROM %2 WHERE X_ID = OLD.G_ID; END")
                    .arg(ObjectKeysTable, StaleKeysTable));
}

int storedVersion(TDModule &module)
{
    const QList<QVariantList> rows =
        readAll(module, QLatin1String("SELECT V_VALUE FROM ") + KeysInfoTable + QLatin1String(" WHERE V_NAME = ?"), {VersionName});
    return rows.isEmpty() ? 0 : rows.first().first().toInt();
}

// The key tables are made together, and the version written last: one read tells.
bool keyedInThisVersion(TDModule &module)
{
    return tableExists(module, KeysInfoTable) && storedVersion(module) == RussianOrderVersion;
}

// The key columns follow the string fields; a new column gets the keys of the texts already there
// when `fill` is set.
void syncColumns(TDModule &module, bool fill)
{
    const QList<qint64> wanted = stringFields(module), present = keyedFields(module);
    for (const qint64 id : present) {
        if (wanted.contains(id))
            continue;
        module.exec(QLatin1String("DROP INDEX IF EXISTS ") + keyIndex(id));
        module.exec(QLatin1String("ALTER TABLE ") + ObjectKeysTable + QLatin1String(" DROP COLUMN ") + KeyColumn(id));
    }
    for (const qint64 id : wanted) {
        if (present.contains(id))
            continue;
        module.exec(QLatin1String("ALTER TABLE ") + ObjectKeysTable + QLatin1String(" ADD COLUMN ") + KeyColumn(id) + QLatin1String(" BLOB"));
        if (fill)
            makeObjectKeys(module, {id}, QLatin1String(" WHERE ") + SchemaName::FieldColumn(id) + QLatin1String(" IS NOT NULL"));
        // Built after the keys are in: one pass over them, not an index update per row.
        module.exec(QLatin1String("CREATE INDEX IF NOT EXISTS ") + keyIndex(id) + QLatin1String(" ON ") + ObjectKeysTable
                    + QLatin1Char('(') + KeyColumn(id) + QLatin1Char(')'));
    }
}

// Entries added, changed or removed since their keys were made, by whichever program.
bool entryKeysStale(TDModule &module, const QList<qint64> &lookups)
{
    for (const qint64 id : lookups) {
        const QString table = SchemaName::LookupTable(id), entry = SchemaName::LookupId(id), text = SchemaName::LookupData(id);
        if (!readAll(module, QStringLiteral("SELECT 1 FROM %1 LEFT JOIN %2 ON E_FIELD = %3 AND E_ENTRY = %4 "
                                            "WHERE E_ENTRY IS NULL OR E_TEXT IS NOT %5 LIMIT 1")
                                 .arg(table, EntryKeysTable).arg(id).arg(entry, text))
                 .isEmpty()
            || !readAll(module, QStringLiteral("SELECT 1 FROM %1 WHERE E_FIELD = %2 AND NOT EXISTS (SELECT 1 FROM %3 WHERE %4 = E_ENTRY) LIMIT 1")
                                    .arg(EntryKeysTable).arg(id).arg(table, entry))
                    .isEmpty())
            return true;
    }
    QStringList ids;
    for (const qint64 id : lookupFields(module))
        ids << QString::number(id);
    return !readAll(module, QLatin1String("SELECT 1 FROM ") + EntryKeysTable + QLatin1String(" WHERE E_FIELD NOT IN (")
                                + ids.join(QLatin1Char(',')) + QLatin1String(") LIMIT 1"))
                .isEmpty();
}

void makeEntryKeys(TDModule &module)
{
    const QList<qint64> lookups = lookupFields(module);
    QStringList ids;
    for (const qint64 id : lookups)
        ids << QString::number(id);
    module.exec(QLatin1String("DELETE FROM ") + EntryKeysTable + QLatin1String(" WHERE E_FIELD NOT IN (") + ids.join(QLatin1Char(','))
                + QLatin1Char(')'));
    for (const qint64 id : lookups) {
        const QString table = SchemaName::LookupTable(id), entry = SchemaName::LookupId(id), text = SchemaName::LookupData(id);
        module.exec(QStringLiteral("DELETE FROM %1 WHERE E_FIELD = %2 AND NOT EXISTS (SELECT 1 FROM %3 WHERE %4 = E_ENTRY)")
                        .arg(EntryKeysTable).arg(id).arg(table, entry));
        const QList<QVariantList> changed =
            readAll(module, QStringLiteral("SELECT %4, %5 FROM %1 LEFT JOIN %2 ON E_FIELD = %3 AND E_ENTRY = %4 "
                                           "WHERE E_ENTRY IS NULL OR E_TEXT IS NOT %5")
                                .arg(table, EntryKeysTable).arg(id).arg(entry, text));
        for (const QVariantList &row : changed)
            module.exec(QStringLiteral("INSERT OR REPLACE INTO %1(E_FIELD, E_ENTRY, E_TEXT, E_KEY) VALUES (?, ?, ?, ?)").arg(EntryKeysTable),
                        {id, row.at(0), row.at(1), row.at(1).isNull() ? QVariant(QByteArray("")) : keyOf(row.at(1))});
    }
}

bool objectKeysStale(TDModule &module)
{
    return !readAll(module, QLatin1String("SELECT 1 FROM ") + StaleKeysTable + QLatin1String(" LIMIT 1")).isEmpty();
}

void makeStaleKeys(TDModule &module, const std::function<void(qint64, qint64)> &progress = {})
{
    if (objectKeysStale(module)) {
        const qint64 total =
            progress ? readAll(module, QLatin1String("SELECT COUNT(*) FROM ") + StaleKeysTable).first().first().toLongLong() : 0;
        makeObjectKeys(module, keyedFields(module), QLatin1String(" WHERE G_ID IN (SELECT X_ID FROM ") + StaleKeysTable + QLatin1Char(')'),
                       progress, total);
        module.exec(QLatin1String("DELETE FROM ") + StaleKeysTable);
    }
    if (entryKeysStale(module, lookupFields(module)))
        makeEntryKeys(module);
}

// The schema's indexes, triggers and views that need the program's collation or functions, as
// {type, name}.
QList<QVariantList> needingTheProgram(TDModule &module)
{
    return readAll(module, QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN ('index', 'trigger', 'view') "
                                          "AND (sql LIKE '%RUSSIAN%' OR sql LIKE '%md5(%') ORDER BY name"));
}

// Indexes of earlier versions that needed the program's collation, dropped; the field indexes are then
// made again in the plain form.
void makeIndexesPlain(TDModule &module)
{
    const QList<QVariantList> collated = needingTheProgram(module);
    if (collated.isEmpty())
        return;
    for (const QVariantList &row : collated)
        module.exec(QLatin1String("DROP ") + row.at(0).toString().toUpper() + QLatin1String(" IF EXISTS \"")
                    + row.at(1).toString().replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'));
    FieldIndexes::EnsureFieldIndexes(module);
}

}

QString KeyColumn(qint64 fieldId)
{
    return QLatin1String("O_") + SchemaName::FieldColumn(fieldId);
}

QStringList NeedingTheProgram(TDModule &module)
{
    QStringList names;
    if (onFile(module)) {
        for (const QVariantList &row : needingTheProgram(module))
            names << row.at(1).toString();
    }
    return names;
}

void Rebuild(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress)
{
    const QList<qint64> fields = keyedFields(module);
    for (const qint64 id : fields)
        module.exec(QLatin1String("DROP INDEX IF EXISTS ") + keyIndex(id));
    module.exec(QLatin1String("DELETE FROM ") + ObjectKeysTable);
    module.exec(QLatin1String("DELETE FROM ") + StaleKeysTable);
    module.exec(QLatin1String("DELETE FROM ") + EntryKeysTable);
    const qint64 total = readAll(module, QStringLiteral("SELECT COUNT(*) FROM GENER")).first().first().toLongLong();
    if (progress)
        progress(0, total);
    makeObjectKeys(module, fields, QString(), progress, total);
    for (const qint64 id : fields)
        module.exec(QLatin1String("CREATE INDEX IF NOT EXISTS ") + keyIndex(id) + QLatin1String(" ON ") + ObjectKeysTable
                    + QLatin1Char('(') + KeyColumn(id) + QLatin1Char(')'));
    makeEntryKeys(module);
    module.exec(QLatin1String("INSERT OR REPLACE INTO ") + KeysInfoTable + QLatin1String("(V_NAME, V_VALUE) VALUES (?, ?)"),
                {VersionName, QString::number(RussianOrderVersion)});
    if (progress)
        progress(total, total);
}

void Prepare(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress)
{
    if (!onFile(module))
        return;
    try {
        if (!progress && !keyedInThisVersion(module)
            && readAll(module, QStringLiteral("SELECT COUNT(*) FROM GENER")).first().first().toLongLong() > QuickKeying)
            return;
        Transaction tx(module);
        module.FinishPendingReads();
        // Indexes made over every object say nothing for a second or more: the window is kept alive.
        qint64 lastDone = 0, lastTotal = progress ? readAll(module, QStringLiteral("SELECT COUNT(*) FROM GENER")).first().first().toLongLong() : 0;
        EngineProgress alive(module, progress ? std::function<bool()>([&] {
            progress(lastDone, lastTotal);
            return true;
        })
                                              : std::function<bool()>());
        const auto told = [&](qint64 done, qint64 total) {
            lastDone = done;
            lastTotal = total;
            progress(done, total);
        };
        makeIndexesPlain(module);
        const bool current = keyedInThisVersion(module);
        createTables(module);
        syncColumns(module, current);
        if (current)
            makeStaleKeys(module);
        else
            Rebuild(module, progress ? std::function<void(qint64, qint64)>(told) : std::function<void(qint64, qint64)>());
        tx.commit();
    } catch (const DbError &) {
        // A file that cannot be written: the list sorts with the collation instead.
    }
}

bool Ready(TDModule &module, qint64 lookupFieldId)
{
    if (!onFile(module))
        return false;
    try {
        if (!keyedInThisVersion(module))
            return false;
        // Only the lookup list sorted by is read for changed entries: a sort by another column needs none.
        if (!objectKeysStale(module) && (lookupFieldId == 0 || !entryKeysStale(module, {lookupFieldId})))
            return true;
        Transaction tx(module);
        makeStaleKeys(module);
        tx.commit();
        return true;
    } catch (const DbError &) {
        return false;
    }
}

void Sync(TDModule &module)
{
    if (!onFile(module) || !keyedInThisVersion(module))
        return;
    syncColumns(module, true);
    makeStaleKeys(module);
}

qint64 KeysAmiss(TDModule &module, const std::function<bool()> &tick)
{
    if (!onFile(module))
        return 0;
    if (!keyedInThisVersion(module))
        return -1;
    // Marked keys are no fault: they are made before the list sorts by them.
    qint64 amiss = readAll(module, QLatin1String("SELECT COUNT(*) FROM GENER WHERE NOT EXISTS (SELECT 1 FROM ") + ObjectKeysTable
                                 + QLatin1String(" WHERE O_ID = G_ID) AND G_ID NOT IN (SELECT X_ID FROM ") + StaleKeysTable + QLatin1Char(')'))
                 .first().first().toLongLong();
    const QList<qint64> fields = keyedFields(module);
    if (fields != stringFields(module))
        return amiss + 1;
    QStringList columns;
    for (const qint64 id : fields)
        columns << SchemaName::FieldColumn(id) << KeyColumn(id);
    if (!columns.isEmpty()) {
        QSqlQuery read(module.database());
        read.setForwardOnly(true);
        if (!read.exec(QLatin1String("SELECT ") + columns.join(QLatin1String(", ")) + QLatin1String(" FROM GENER JOIN ") + ObjectKeysTable
                       + QLatin1String(" ON O_ID = G_ID WHERE G_ID NOT IN (SELECT X_ID FROM ") + StaleKeysTable + QLatin1Char(')')))
            throw DbError(EngineErrorText(read.lastError()));
        qint64 rows = 0;
        while (read.next()) {
            if (tick && ++rows % ProgressStep == 0 && !tick())
                throw DbError(QStringLiteral("Проверка остановлена"));
            for (int i = 0; i < columns.size(); i += 2) {
                const QVariant text = read.value(i), key = read.value(i + 1);
                if (text.isNull() != key.isNull() || (!text.isNull() && key.toByteArray() != RussianSortKey(text.toString()))) {
                    ++amiss;
                    break;
                }
            }
        }
    }
    return amiss;
}

void Remake(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress)
{
    if (!onFile(module))
        return;
    Transaction tx(module);
    module.FinishPendingReads();
    makeIndexesPlain(module);
    createTables(module);
    syncColumns(module, false);
    Rebuild(module, progress);
    tx.commit();
}

bool Kept(TDModule &module)
{
    if (!onFile(module))
        return false;
    try {
        return keyedInThisVersion(module);
    } catch (const DbError &) {
        return false;
    }
}

void MakeMarked(TDModule &module, const std::function<void(qint64 done, qint64 total)> &progress)
{
    if (!onFile(module) || !keyedInThisVersion(module))
        return;
    // Most of the objects marked (an import into a small database): made anew in one pass, the
    // indexes built once after it, instead of one index change per object.
    const qint64 marked = readAll(module, QLatin1String("SELECT COUNT(*) FROM ") + StaleKeysTable).first().first().toLongLong();
    if (marked > ManyMarked && marked * 2 > readAll(module, QStringLiteral("SELECT COUNT(*) FROM GENER")).first().first().toLongLong())
        Rebuild(module, progress);
    else
        makeStaleKeys(module, progress);
}

void WithoutTracking(TDModule &module, const std::function<void()> &change)
{
    if (!onFile(module) || !tableExists(module, ObjectKeysTable)) {
        change();
        return;
    }
    module.exec(QStringLiteral("DROP TRIGGER IF EXISTS OBJECT_KEYS_INSERT"));
    module.exec(QStringLiteral("DROP TRIGGER IF EXISTS OBJECT_KEYS_UPDATE"));
    change();
    createTables(module);
}

bool AddObjects(TDModule &module, qint64 firstId, const std::function<bool()> &adding,
                const std::function<void(qint64 done, qint64 total)> &progress)
{
    if (!onFile(module) || !keyedInThisVersion(module))
        return adding();
    // Marked all at once: a trigger run per object costs more than the whole marking.
    bool added = false;
    WithoutTracking(module, [&] { added = adding(); });
    if (!added)
        return false;
    module.exec(QLatin1String("INSERT OR IGNORE INTO ") + StaleKeysTable + QLatin1String("(X_ID) SELECT G_ID FROM GENER WHERE G_ID >= ?"),
                {firstId});
    MakeMarked(module, progress);
    return true;
}

}
