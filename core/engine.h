#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <utility>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// The one place that knows the database engines: a database file (the default) or a database server.
// Everything else composes the same statements and asks here for the few parts that differ.
enum class EngineKind { File, Server };

// Where a server database is: the password is never stored by the program; an empty one lets the
// client library read the user's standard password file.
struct ServerConnection
{
    QString host = QStringLiteral("localhost");
    int port = 5432;
    QString database;
    QString user;
    QString password;

    // "user@host:port/database", for titles and messages.
    QString describe() const;
};

namespace Engine {

EngineKind KindOf(const QSqlDatabase &db);

// Of two ways of doing one thing, the one for the engine `kind`: where a subsystem picks its file or its
// server implementation, once for a connection.
template <typename T>
T ForEngine(EngineKind kind, T forFile, T forServer)
{
    return kind == EngineKind::Server ? forServer : forFile;
}

// Adds (not opens) a connection named `name` for a database file or a server database. A file opened
// for reading only is never written, not even by the engine's own housekeeping.
QSqlDatabase AddFileConnection(const QString &name, const QString &path, bool readOnly = false);
QSqlDatabase AddServerConnection(const QString &name, const ServerConnection &server);

// Opens the connection `name` to `server` and runs `check` on it; on any failure the connection is closed
// and removed again and DbError thrown with the user's message. On success it stays open.
void OpenServerConnection(const QString &name, const ServerConnection &server,
                          const std::function<void(QSqlDatabase &db)> &check);

// Makes an opened connection ready for the program: the Russian order and the engine's settings.
// Throws DbError.
void PrepareConnection(QSqlDatabase &db);

// What a select adds so that the rows it read stay as read, against other programs' changes, until its
// transaction ends. A file needs nothing: its transactions run one after another, and a write after
// another program changed the file since this transaction read it fails instead of overwriting.
QString HoldRowsRead(EngineKind kind);

// Whether a table's next identifier comes from the largest one stored (a file), so that the number of a
// deleted last row is handed out again; a server's sequence never hands a number out twice.
bool IdentifiersReused(EngineKind kind);

// Whether a long read runs beside the program's window on a connection of its own (a file); a server
// does such work on its own side.
bool ReadsBeside(EngineKind kind);

// A select of the numbers of a JSON array ("[1,2,3]") bound as its one value, one row each.
QString NumbersOfJsonArray(EngineKind kind);

// The digest of a column's text or bytes, the same on both engines (hexadecimal text, NULL for NULL):
// compared in place of values too large to read for a comparison, as pictures are.
QString DigestOf(const QString &column);

// A column type as the TYPES table and the fixed tables declare it, as the engine declares it: the
// server keeps pictures as bytes, yes/no values (-1 and 0) as numbers, dates and times as the ISO texts
// the program writes.
QString ColumnType(EngineKind kind, const QString &declared);

// A text column in Russian order, for ORDER BY and for the indexes that serve it.
QString InRussianOrder(EngineKind kind, const QString &column);

// What an index key adds so that the object list's order (empty values first ascending, last descending)
// reads the index: the file engine keeps them first by itself, the server's indexes keep them last.
QString EmptiesFirstInIndex(EngineKind kind);

// A column in the order the file engine gives by default: texts by their characters' codes (whatever
// the server database's own collation), empty values first.
QString InCodeOrder(EngineKind kind, const QString &column);

// A table private to the connection, created with CREATE TEMP TABLE, as statements name it.
QString TemporaryTable(EngineKind kind, const QString &name);

// The statements that make the temporary table `name` (made before with its one integer column `column`
// as the key) hold exactly the rows of a select: `prepare`, then `fill` followed by the select (with its
// bound values), then `finish`. The file engine empties and fills the table; the server makes it anew from the
// rows (reading them with several workers, which filling an existing table cannot), then keys it and
// gathers the statistics its plans need, which no one gathers for temporary tables.
struct TemporaryKeyTableFill
{
    QStringList prepare;
    QString fill;
    QStringList finish;
};
TemporaryKeyTableFill FillTemporaryKeyTable(EngineKind kind, const QString &name, const QString &column);

// One row per column name of the table bound as the only value (any case).
QString ColumnsOfTableQuery(EngineKind kind);
// One row per table name of the database.
QString TableNamesQuery(EngineKind kind);
// One row per index name of the database.
QString IndexNamesQuery(EngineKind kind);

// One row per column of the table bound as the only value, in the table's order: name, type as the
// engine's catalog gives it, whether NOT NULL, whether part of the primary key (0 or 1).
QString ColumnDefinitionsQuery(EngineKind kind);
// The type of a column as the fixed tables declare it, from the engine's catalog text: what
// ColumnType() takes. The server keeps no distinct yes/no, date or time type; those read back as the
// types that hold them.
QString DeclaredType(EngineKind kind, const QString &catalogType);
// One row per column of every index made by CREATE INDEX on plain columns (no primary key, no partial
// index), in key order: index name, table name, column name (NULL for an expression), whether unique.
QString IndexColumnsQuery(EngineKind kind);

// Runs `statement` on `query` with `values` for its "?" placeholders, as QSqlQuery::exec does: a file
// binds them to a prepared statement; a server gets the values written into the statement by its driver's
// own escaping, in one exchange instead of preparing, executing and releasing. False on failure, the error
// in query.lastError().
bool Run(QSqlQuery &query, const QString &statement, const QVariantList &values = {});
// As Run, for one statement run many times in a row on the same `query` (an import): a file prepares it
// once and binds each run's values; a server gets the values written in, as Run does.
bool RunRepeated(QSqlQuery &query, const QString &statement, const QVariantList &values);

// Throws DbError when a value cannot be stored as given: the server keeps no NUL character in a text
// (and would see the statement cut short at it).
void CheckStorable(EngineKind kind, const QVariantList &values);

// Whether the engine refused a new column because the table holds as many as it can.
bool TooManyColumns(const QString &engineText);

// The parts of one compound select (UNION / INTERSECT) both engines accept: the file engine refuses
// more; the server accepts more but plans such statements slowly.
constexpr int CompoundLimit = 500;

// The next identifier of a table's column on a server database, atomically across programs: the
// table's sequence, never below 1 + the largest stored identifier, nor 1 + the largest value of the
// columns `alsoAbove` (table, column). Throws DbError.
qint64 NextServerId(QSqlDatabase &db, const QString &table, const QString &column,
                    const QList<std::pair<QString, QString>> &alsoAbove = {});

// Holds a lock named `name` on a server database to the end of the caller's transaction, so that programs
// making one shared thing (the search index) make it one after the other. Throws DbError.
void LockUntilCommit(QSqlDatabase &db, const QString &name);

// The text the user is shown for a refused statement or connection: the engine's own text, or for a
// server what happened in Russian (a changed design, a lost connection, a refused password).
QString ErrorText(const QSqlError &error);
inline const QString ConnectionLostText = QStringLiteral(
    "Соединение с сервером баз данных потеряно. Изменения последнего действия не сохранены; подключитесь к серверу снова.");

// Whether a statement failed because a table or column it names is gone or not yet known: another
// program changed the design meanwhile.
bool DesignChangedElsewhere(const QSqlError &error);

// The user's message for a connection to a server that could not be made.
QString ConnectionFailure(const ServerConnection &server, const QSqlError &error);

// Whether a database name can be composed into CREATE DATABASE: Latin letters, digits and "_", not
// starting with a digit, at most 63 characters.
bool ValidDatabaseName(const QString &name);

}
