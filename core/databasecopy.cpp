#include "core/databasecopy.h"

#include "core/dberror.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "core/serverdatabase.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <atomic>

namespace DatabaseCopy {

namespace {

// Rows go in multi-row statements: one round trip to a server per hundred rows instead of per row.
constexpr int RowsPerStatement = 100;
constexpr int ValuesPerStatement = 5000;
// Rows written between commits: a long copy does not grow one huge transaction.
constexpr int RowsPerTransaction = 10000;

std::atomic<int> connectionCounter = 0;

struct Column
{
    QString name;
    QString type;   // as the target declares it
    bool notNull = false;
    bool key = false;
};

struct Table
{
    QString sourceName;
    QString name;   // as the target names it
    QList<Column> columns;
    qint64 rows = 0;
};

QSqlQuery prepared(QSqlDatabase db, const QString &statement)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw DbError(Engine::ErrorText(query.lastError()));
    return query;
}

void execOrThrow(QSqlQuery &query)
{
    if (!query.exec())
        throw DbError(Engine::ErrorText(query.lastError()));
}

// Runs a statement; values are bound, never composed.
QList<QVariantList> readAll(QSqlDatabase db, const QString &statement, const QVariantList &values = {})
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!Engine::Run(query, statement, values))
        throw DbError(Engine::ErrorText(query.lastError()));
    QList<QVariantList> rows;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        rows.append(row);
    }
    return rows;
}

void run(QSqlDatabase db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw DbError(Engine::ErrorText(query.lastError()));
}

void beginOrThrow(QSqlDatabase db)
{
    if (!db.transaction())
        throw DbError(Engine::ErrorText(db.lastError()));
}

void commitOrThrow(QSqlDatabase db)
{
    if (!db.commit()) {
        const QString text = Engine::ErrorText(db.lastError());
        db.rollback();
        throw DbError(text);
    }
}

QString valuesRow(int columns)
{
    QString row = QStringLiteral("(?");
    for (int i = 1; i < columns; ++i)
        row += QLatin1String(",?");
    return row + QLatin1Char(')');
}

class Copier
{
public:
    Copier(TDModule &source, TDModule &target, const Progress &progress)
        : m_source(source), m_target(target), m_from(source.engine()), m_to(target.engine()), m_progress(progress)
    {
    }

    bool run()
    {
        m_source.FinishPendingReads();
        // Read as of one moment: other programs may change a server database meanwhile.
        Transaction snapshot(m_source);
        if (m_from == EngineKind::Server)
            DatabaseCopy::run(m_source.database(), QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
        readTables();
        makeTables();
        if (!tell())
            return false;
        for (const Table &table : std::as_const(m_tables)) {
            if (!copyRows(table))
                return false;
        }
        m_target.FinishPendingReads();
        // The rows in, the copy is brought up as an opened database is: the field indexes among that.
        m_target.RunOpenHooks();
        makeOtherIndexes();
        // The server learns what the tables hold, and which pages every reader may see, in a minute or
        // so by itself: meanwhile its plans for the list and the filter guess, every count reads the
        // table's rows, and the first user's work competes with that cleaning.
        if (m_to == EngineKind::Server)
            DatabaseCopy::run(m_target.database(), QStringLiteral("VACUUM (ANALYZE)"));
        return true;
    }

private:
    QString targetName(const QString &name) const
    {
        // Names the server read back are folded to lower case; the program names everything in capitals.
        return m_to == EngineKind::File ? name.toUpper() : name;
    }

    // The server keeps dates, times and yes/no values in columns of other types; the fields tell what
    // each of their columns was declared as, so that a copy back into a file declares them alike.
    QHash<QString, QString> fieldColumnTypes() const
    {
        QHash<QString, QString> types;
        const auto rows = readAll(m_source.database(),
                                  QStringLiteral("SELECT F_ID, F_LOOKUP, T_ENG FROM FIELDS, TYPES WHERE F_TYPE = T_ID"));
        for (const QVariantList &row : rows) {
            const qint64 id = row.at(0).toLongLong();
            const QString declared = row.at(2).toString();
            types.insert(SchemaName::FieldColumn(id), row.at(1).toLongLong() != 0 ? QStringLiteral("INTEGER") : declared);
            types.insert(SchemaName::LookupData(id), declared);
        }
        return types;
    }

    void readTables()
    {
        const QHash<QString, QString> fieldTypes = fieldColumnTypes();
        QSqlDatabase db = m_source.database();
        // The quick search's index is derived from the objects and kept by the file engine's triggers:
        // a file copy builds it afresh when opened, a server keeps none. A file keeps catalog pictures in
        // folders beside it, not in a table (the catalogs carry them over after the copy). The sort keys
        // are the same: kept by a file's triggers, made afresh when the copy opens, none on a server. The
        // thumbnails are made afresh in the background when the copy opens.
        QStringList leftOut{SchemaName::SearchTextTable, SchemaName::SearchStaleTable, SchemaName::SearchInfoTable,
                            SchemaName::ObjectKeysTable, SchemaName::EntryKeysTable, SchemaName::StaleKeysTable,
                            SchemaName::KeysInfoTable, SchemaName::ThumbnailsTable};
        if (m_to == EngineKind::File)
            leftOut << SchemaName::CatalogPicturesTable;
        for (const QVariantList &tableRow : readAll(db, Engine::TableNamesQuery(m_from))) {
            if (leftOut.contains(tableRow.first().toString(), Qt::CaseInsensitive))
                continue;
            Table table;
            table.sourceName = tableRow.first().toString();
            table.name = targetName(table.sourceName);
            for (const QVariantList &row : readAll(db, Engine::ColumnDefinitionsQuery(m_from), {table.sourceName})) {
                Column column;
                column.name = targetName(row.at(0).toString());
                const QString declared = fieldTypes.value(column.name.toUpper(), Engine::DeclaredType(m_from, row.at(1).toString()));
                column.type = Engine::ColumnType(m_to, declared);
                column.notNull = row.at(2).toBool();
                column.key = row.at(3).toInt() != 0;
                table.columns.append(column);
            }
            table.rows = readAll(db, QLatin1String("SELECT COUNT(*) FROM ") + table.sourceName).first().first().toLongLong();
            m_total += table.rows;
            m_tables.append(table);
        }
    }

    // The target already holds the program's fixed tables with their fixed rows: those are emptied and
    // given the columns the source added (the fields' columns of GENER); every other table is made.
    void makeTables()
    {
        QSqlDatabase db = m_target.database();
        QSet<QString> existing;
        for (const QVariantList &row : readAll(db, Engine::TableNamesQuery(m_to)))
            existing.insert(row.first().toString().toUpper());
        beginOrThrow(db);
        try {
            for (const Table &table : std::as_const(m_tables)) {
                if (existing.contains(table.name.toUpper()))
                    adaptTable(db, table);
                else
                    DatabaseCopy::run(db, createStatement(table));
            }
            commitOrThrow(db);
        } catch (const DbError &) {
            db.rollback();
            throw;
        }
    }

    void adaptTable(QSqlDatabase db, const Table &table)
    {
        QSet<QString> columns;
        for (const QVariantList &row : readAll(db, Engine::ColumnsOfTableQuery(m_to), {table.name}))
            columns.insert(row.first().toString().toUpper());
        for (const Column &column : table.columns) {
            if (!columns.contains(column.name.toUpper()))
                DatabaseCopy::run(db, QStringLiteral("ALTER TABLE %1 ADD %2 %3").arg(table.name, column.name, column.type));
        }
        DatabaseCopy::run(db, QLatin1String("DELETE FROM ") + table.name);
    }

    static QString createStatement(const Table &table)
    {
        QStringList keys;
        for (const Column &column : table.columns) {
            if (column.key)
                keys.append(column.name);
        }
        QStringList parts;
        for (const Column &column : table.columns) {
            QString part = column.name + QLatin1Char(' ') + column.type;
            if (column.notNull)
                part += QLatin1String(" NOT NULL");
            if (keys.size() == 1 && column.key)
                part += QLatin1String(" PRIMARY KEY");
            parts.append(part);
        }
        if (keys.size() > 1)
            parts.append(QStringLiteral("PRIMARY KEY (%1)").arg(keys.join(QLatin1Char(','))));
        return QStringLiteral("CREATE TABLE %1(%2)").arg(table.name, parts.join(QLatin1String(", ")));
    }

    bool copyRows(const Table &table)
    {
        if (table.columns.isEmpty())
            return true;
        QStringList targetColumns;
        for (const Column &column : table.columns)
            targetColumns.append(column.name);
        QSqlDatabase from = m_source.database();
        QSqlDatabase to = m_target.database();
        QSqlQuery read(from);
        read.setForwardOnly(true);
        if (!read.exec(QStringLiteral("SELECT %1 FROM %2").arg(targetColumns.join(QLatin1Char(',')), table.sourceName)))
            throw DbError(failure(table, Engine::ErrorText(read.lastError())));

        const int columns = int(table.columns.size());
        const int perStatement = std::clamp(ValuesPerStatement / columns, 1, RowsPerStatement);
        const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table.name, targetColumns.join(QLatin1Char(',')));
        const QString row = valuesRow(columns);
        auto statementFor = [&](int rows) {
            QStringList all;
            for (int i = 0; i < rows; ++i)
                all.append(row);
            return insert + all.join(QLatin1Char(','));
        };
        QVariantList batch;
        int inTransaction = 0;
        try {
            QSqlQuery full = prepared(to, statementFor(perStatement));
            beginOrThrow(to);
            auto write = [&](QSqlQuery &query, int rows) {
                Engine::CheckStorable(m_to, batch);
                for (const QVariant &value : std::as_const(batch))
                    query.addBindValue(value);
                execOrThrow(query);
                batch.clear();
                m_copied += rows;
                inTransaction += rows;
                if (inTransaction >= RowsPerTransaction) {
                    commitOrThrow(to);
                    beginOrThrow(to);
                    inTransaction = 0;
                }
                return tell();
            };
            int pending = 0;
            while (read.next()) {
                for (int i = 0; i < columns; ++i)
                    batch.append(read.value(i));
                if (++pending == perStatement) {
                    pending = 0;
                    if (!write(full, perStatement)) {
                        to.rollback();
                        return false;
                    }
                }
            }
            if (read.lastError().isValid())
                throw DbError(Engine::ErrorText(read.lastError()));
            if (pending > 0) {
                QSqlQuery rest = prepared(to, statementFor(pending));
                if (!write(rest, pending)) {
                    to.rollback();
                    return false;
                }
            }
            commitOrThrow(to);
        } catch (const DbError &error) {
            to.rollback();
            throw DbError(failure(table, error.message()));
        }
        return true;
    }

    static QString failure(const Table &table, const QString &why)
    {
        return QStringLiteral("Таблица %1 не скопирована. %2").arg(table.name, why);
    }

    // The indexes other parts of the program made on plain columns (a book's index of its links, ...).
    void makeOtherIndexes()
    {
        QSqlDatabase db = m_target.database();
        QSet<QString> existing;
        for (const QVariantList &row : readAll(db, Engine::IndexNamesQuery(m_to)))
            existing.insert(row.first().toString().toUpper());
        struct Index
        {
            QString name, table;
            QStringList columns;
            bool unique = false;
            bool plain = true;
        };
        QList<Index> indexes;
        for (const QVariantList &row : readAll(m_source.database(), Engine::IndexColumnsQuery(m_from))) {
            const QString name = targetName(row.at(0).toString());
            if (indexes.isEmpty() || indexes.last().name != name)
                indexes.append({name, targetName(row.at(1).toString()), {}, row.at(3).toInt() != 0});
            if (row.at(2).isNull())
                indexes.last().plain = false;
            else
                indexes.last().columns.append(targetName(row.at(2).toString()));
        }
        // The indexes of the tables left out of the copy stay behind with them.
        QSet<QString> copied;
        for (const Table &table : std::as_const(m_tables))
            copied.insert(table.name.toUpper());
        beginOrThrow(db);
        try {
            for (const Index &index : std::as_const(indexes)) {
                if (!index.plain || existing.contains(index.name.toUpper()) || !copied.contains(index.table.toUpper()))
                    continue;
                DatabaseCopy::run(db, QStringLiteral("CREATE %1INDEX %2 ON %3(%4)")
                                          .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), index.name, index.table,
                                               index.columns.join(QLatin1Char(','))));
            }
            commitOrThrow(db);
        } catch (const DbError &) {
            db.rollback();
            throw;
        }
    }

    bool tell() const { return !m_progress || m_progress(m_copied, m_total); }

    TDModule &m_source;
    TDModule &m_target;
    EngineKind m_from;
    EngineKind m_to;
    Progress m_progress;
    QList<Table> m_tables;
    qint64 m_total = 0;
    qint64 m_copied = 0;
};

// An existing database the copy went into is left as empty as it was found.
void dropEveryTable(const ServerConnection &server)
{
    const QString name = QStringLiteral("virandel_copy_%1").arg(++connectionCounter);
    {
        QSqlDatabase db = Engine::AddServerConnection(name, server);
        if (db.open()) {
            try {
                for (const QVariantList &row : readAll(db, Engine::TableNamesQuery(EngineKind::Server)))
                    run(db, QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(row.first().toString()));
            } catch (const DbError &) {
                // Reported by the caller's own failure; a table left over only keeps the name taken.
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

void discardServerCopy(const ServerConnection &target, bool created)
{
    try {
        if (created)
            RemoveServerDatabase(target);
        else
            dropEveryTable(target);
    } catch (const DbError &) {
        // The copy's own failure is what the user is told.
    }
}

}

bool ToServer(TDModule &source, const ServerConnection &target, const Progress &progress)
{
    const bool created = CreateServerDatabase(target);
    bool done = false;
    try {
        TDModule copy;
        copy.OpenServerConnection(target);
        done = Copier(source, copy, progress).run();
        copy.CloseConnection();
    } catch (const DbError &) {
        discardServerCopy(target, created);
        throw;
    }
    if (!done)
        discardServerCopy(target, created);
    return done;
}

bool ToFile(TDModule &source, const QString &path, const Progress &progress)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("Файл \"%1\" уже существует! Копия базы данных не создана: выберите другое имя.").arg(path));
    CreateEmptyDatabase(path);
    bool done = false;
    try {
        TDModule copy;
        copy.OpenConnection(path);
        done = Copier(source, copy, progress).run();
        copy.CloseConnection();
    } catch (const DbError &) {
        RemoveDatabaseFile(path);
        throw;
    }
    if (!done)
        RemoveDatabaseFile(path);
    return done;
}

}
