#include "core/engine.h"

#include "core/collation.h"
#include "core/dberror.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>
#include <optional>
#include <sqlite3.h>

namespace {
const QString FileDriver = QStringLiteral("QSQLITE");
const QString ServerDriver = QStringLiteral("QPSQL");
constexpr int FilePageCacheKiB = 32 * 1024;
constexpr qint64 FileMappedBytes = qint64(256) * 1024 * 1024;
// The server's Russian order: ICU's, which like the file's collation orders case-blind, puts Ё beside Е,
// digits before letters and Cyrillic before Latin.
const QString ServerRussianCollation = QStringLiteral("ru-x-icu");
// Memory for one sort or hash of a statement: enough for a million object numbers.
constexpr int ServerWorkMemMiB = 64;
// Serialises the identifier catch-up of the programs working on one server database, per table.
constexpr int IdLockKey = 7264311;
// Serialises the making of things the programs share, such as the search index, per name.
constexpr int MakingLockKey = 7264312;

QVariant scalarOrThrow(QSqlQuery &query, const QString &statement, const QVariantList &values = {})
{
    if (!Engine::Run(query, statement, values))
        throw DbError(Engine::ErrorText(query.lastError()));
    return query.next() ? query.value(0) : QVariant();
}

// The statement with each "?" outside quoted texts and names replaced by its value as the driver writes
// it for executing a prepared statement; in one pass, so a value's own characters are never replaced.
// The program's statements carry no comments and no escaped texts (E'...'). Nothing when the placeholders
// and the values do not pair up.
std::optional<QString> withValuesWrittenIn(const QSqlDriver &driver, const QString &statement, const QVariantList &values)
{
    QString text;
    text.reserve(statement.size() + 16 * values.size());
    qsizetype next = 0;
    QChar quote;
    for (const QChar c : statement) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('?')) {
            if (next == values.size())
                return std::nullopt;
            const QVariant &value = values.at(next++);
            QSqlField field(QString(), value.metaType());
            field.setValue(value);
            text += driver.formatValue(field);
            continue;
        }
        text += c;
    }
    if (next != values.size())
        return std::nullopt;
    return text;
}

const QString NulRefused = QStringLiteral("Текст содержит нулевой знак, который база данных на сервере не хранит. "
                                          "Удалите его и повторите действие.");

bool containsAny(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *part : parts) {
        if (text.contains(QLatin1String(part), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// The server's own words without its severity, the statement it quotes or its state code.
QString serverMessage(const QString &text)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    for (const char *severity : {"ERROR:", "FATAL:"}) {
        if (line.startsWith(QLatin1String(severity)))
            line = line.mid(int(qstrlen(severity))).trimmed();
    }
    return line;
}

// md5(x) in a file as the server has it: the hexadecimal digest of a text's or bytes' bytes, NULL for NULL.
void digestFunction(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const void *bytes = sqlite3_value_blob(arguments[0]);
    const int length = sqlite3_value_bytes(arguments[0]);
    const QByteArray digest = QCryptographicHash::hash(QByteArrayView(static_cast<const char *>(bytes), length),
                                                       QCryptographicHash::Md5).toHex();
    sqlite3_result_text(context, digest.constData(), int(digest.size()), SQLITE_TRANSIENT);
}

bool connectionLost(const QString &text)
{
    return containsAny(text, {"server closed the connection", "no connection to the server", "terminating connection",
                              "connection to server was lost", "could not receive data from server",
                              "could not send data to server"});
}
}

QString ServerConnection::describe() const
{
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

namespace Engine {

EngineKind KindOf(const QSqlDatabase &db)
{
    return db.driverName() == ServerDriver ? EngineKind::Server : EngineKind::File;
}

QSqlDatabase AddFileConnection(const QString &name, const QString &path, bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(FileDriver, name);
    db.setDatabaseName(path);
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000;QSQLITE_OPEN_READONLY")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    return db;
}

QSqlDatabase AddServerConnection(const QString &name, const ServerConnection &server)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(ServerDriver, name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    if (!server.password.isEmpty())
        db.setPassword(server.password);
    // An unreachable server is reported after a few seconds instead of the system's long timeout.
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    return db;
}

void OpenServerConnection(const QString &name, const ServerConnection &server,
                          const std::function<void(QSqlDatabase &db)> &check)
{
    QString failure;
    {
        QSqlDatabase db = AddServerConnection(name, server);
        if (!db.open()) {
            failure = ConnectionFailure(server, db.lastError());
        } else {
            try {
                check(db);
            } catch (const DbError &error) {
                failure = error.message();
            }
            if (!failure.isEmpty())
                db.close();
        }
    }
    if (!failure.isEmpty()) {
        QSqlDatabase::removeDatabase(name);
        throw DbError(failure);
    }
}

void PrepareConnection(QSqlDatabase &db)
{
    if (KindOf(db) == EngineKind::File) {
        RegisterRussianCollation(db);
        if (sqlite3_create_function_v2(EngineHandle(db), "md5", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                       digestFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("Не удается подключить функцию контрольной суммы"));
        // A page cache large enough for the indexes a sort or the filter walks, and reads through the
        // operating system's file cache instead of copies.
        QSqlQuery pragmas(db);
        if (!pragmas.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(FilePageCacheKiB))
            || !pragmas.exec(QStringLiteral("PRAGMA mmap_size = %1").arg(FileMappedBytes)))
            throw DbError(EngineErrorText(pragmas.lastError()));
        return;
    }
    QSqlQuery query(db);
    // Notices of "IF NOT EXISTS" and the like are no concern of the user.
    scalarOrThrow(query, QStringLiteral("SET client_min_messages = warning"));
    // The filter's joins over a million links hash in memory instead of spilling to disk in batches.
    scalarOrThrow(query, QStringLiteral("SET work_mem = '%1MB'").arg(ServerWorkMemMiB));
    if (scalarOrThrow(query, QStringLiteral("SELECT COUNT(*) FROM pg_collation WHERE collname = ?"), {ServerRussianCollation})
            .toInt() == 0)
        throw DbError(QStringLiteral("На сервере баз данных нет русского порядка сортировки (%1): сервер собран без ICU")
                          .arg(ServerRussianCollation));
}

QString HoldRowsRead(EngineKind kind)
{
    return kind == EngineKind::Server ? QStringLiteral(" FOR UPDATE") : QString();
}

bool IdentifiersReused(EngineKind kind)
{
    return kind == EngineKind::File;
}

bool ReadsBeside(EngineKind kind)
{
    return kind == EngineKind::File;
}

QString NumbersOfJsonArray(EngineKind kind)
{
    return kind == EngineKind::Server ? QStringLiteral("SELECT CAST(value AS BIGINT) FROM json_array_elements_text(CAST(? AS json))")
                                      : QStringLiteral("SELECT value FROM json_each(?)");
}

QString DigestOf(const QString &column)
{
    return QLatin1String("md5(") + column + QLatin1Char(')');
}

QString ColumnType(EngineKind kind, const QString &declared)
{
    if (kind == EngineKind::File)
        return declared;
    const QString upper = declared.trimmed().toUpper();
    if (upper == QLatin1String("BLOB"))
        return QStringLiteral("BYTEA");
    if (upper == QLatin1String("BOOLEAN"))
        return QStringLiteral("INTEGER");
    if (upper == QLatin1String("DATE"))
        return QStringLiteral("VARCHAR(10)");
    if (upper == QLatin1String("TIME"))
        return QStringLiteral("VARCHAR(8)");
    return declared;
}

QString InRussianOrder(EngineKind kind, const QString &column)
{
    if (kind == EngineKind::File)
        return column + QLatin1String(" COLLATE RUSSIAN");
    return column + QLatin1String(" COLLATE \"") + ServerRussianCollation + QLatin1Char('"');
}

QString EmptiesFirstInIndex(EngineKind kind)
{
    return kind == EngineKind::Server ? QStringLiteral(" NULLS FIRST") : QString();
}

QString InCodeOrder(EngineKind kind, const QString &column)
{
    if (kind == EngineKind::File)
        return column;
    return column + QLatin1String(" COLLATE \"C\" NULLS FIRST");
}

QString TemporaryTable(EngineKind kind, const QString &name)
{
    return (kind == EngineKind::File ? QLatin1String("temp.") : QLatin1String("pg_temp.")) + name;
}

TemporaryKeyTableFill FillTemporaryKeyTable(EngineKind kind, const QString &name, const QString &column)
{
    const QString table = TemporaryTable(kind, name);
    if (kind == EngineKind::File)
        return {{QLatin1String("DELETE FROM ") + table}, QLatin1String("INSERT INTO ") + table + QLatin1Char(' '), {}};
    return {{QLatin1String("DROP TABLE IF EXISTS ") + table},
            QLatin1String("CREATE TEMP TABLE ") + name + QLatin1String(" (") + column + QLatin1String(") AS "),
            {QLatin1String("ALTER TABLE ") + table + QLatin1String(" ADD PRIMARY KEY (") + column + QLatin1Char(')'),
             QLatin1String("ANALYZE ") + table}};
}

QString ColumnsOfTableQuery(EngineKind kind)
{
    if (kind == EngineKind::File)
        return QStringLiteral("SELECT name FROM pragma_table_info(?)");
    return QStringLiteral("SELECT column_name FROM information_schema.columns "
                          "WHERE table_schema = current_schema() AND table_name = lower(?) ORDER BY ordinal_position");
}

QString TableNamesQuery(EngineKind kind)
{
    if (kind == EngineKind::File)
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    return QStringLiteral("SELECT table_name FROM information_schema.tables "
                          "WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'");
}

QString IndexNamesQuery(EngineKind kind)
{
    if (kind == EngineKind::File)
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index'");
    return QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema()");
}

QString ColumnDefinitionsQuery(EngineKind kind)
{
    if (kind == EngineKind::File)
        return QStringLiteral("SELECT name, type, \"notnull\", CASE WHEN pk > 0 THEN 1 ELSE 0 END FROM pragma_table_info(?) "
                              "ORDER BY cid");
    return QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
                          "CASE WHEN EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary "
                          "AND a.attnum = ANY (i.indkey)) THEN 1 ELSE 0 END "
                          "FROM pg_attribute a WHERE a.attrelid = to_regclass(lower(?)) AND a.attnum > 0 "
                          "AND NOT a.attisdropped ORDER BY a.attnum");
}

QString DeclaredType(EngineKind kind, const QString &catalogType)
{
    if (kind == EngineKind::File)
        return catalogType;
    const QString type = catalogType.trimmed().toLower();
    if (type == QLatin1String("integer") || type == QLatin1String("bigint") || type == QLatin1String("smallint"))
        return QStringLiteral("INTEGER");
    if (type == QLatin1String("double precision") || type == QLatin1String("real"))
        return QStringLiteral("FLOAT");
    if (type == QLatin1String("bytea"))
        return QStringLiteral("BLOB");
    if (type.startsWith(QLatin1String("character varying")))
        return QLatin1String("VARCHAR") + type.mid(int(qstrlen("character varying")));
    return type.toUpper();
}

QString IndexColumnsQuery(EngineKind kind)
{
    if (kind == EngineKind::File)
        return QStringLiteral("SELECT m.name, m.tbl_name, c.name, l.\"unique\" FROM sqlite_master AS m "
                              "JOIN pragma_index_list(m.tbl_name) AS l ON l.name = m.name "
                              "JOIN pragma_index_info(m.name) AS c "
                              "WHERE m.type = 'index' AND l.origin = 'c' AND l.partial = 0 ORDER BY m.name, c.seqno");
    return QStringLiteral("SELECT ic.relname, t.relname, a.attname, i.indisunique FROM pg_index AS i "
                          "JOIN pg_class AS ic ON ic.oid = i.indexrelid JOIN pg_class AS t ON t.oid = i.indrelid "
                          "JOIN pg_namespace AS n ON n.oid = t.relnamespace "
                          "CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, position) "
                          "LEFT JOIN pg_attribute AS a ON a.attrelid = t.oid AND a.attnum = k.attnum "
                          "WHERE n.nspname = current_schema() AND NOT i.indisprimary AND i.indpred IS NULL "
                          "AND NOT EXISTS (SELECT 1 FROM pg_constraint AS con WHERE con.conindid = i.indexrelid) "
                          "ORDER BY ic.relname, k.position");
}

bool Run(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    if (values.isEmpty())
        return query.exec(statement);
    const QSqlDriver *driver = query.driver();
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL) {
        if (const std::optional<QString> text = withValuesWrittenIn(*driver, statement, values))
            return query.exec(*text);
    }
    if (!query.prepare(statement))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

bool RunRepeated(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    const QSqlDriver *driver = query.driver();
    if (values.isEmpty() || (driver && driver->dbmsType() == QSqlDriver::PostgreSQL))
        return Run(query, statement, values);
    if (query.lastQuery() != statement && !query.prepare(statement))
        return false;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    return query.exec();
}

void CheckStorable(EngineKind kind, const QVariantList &values)
{
    if (kind == EngineKind::File)
        return;
    for (const QVariant &value : values) {
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            throw DbError(NulRefused);
    }
}

bool TooManyColumns(const QString &engineText)
{
    return containsAny(engineText, {"too many columns", "tables can have at most"});
}

qint64 NextServerId(QSqlDatabase &db, const QString &table, const QString &column, const QList<std::pair<QString, QString>> &alsoAbove)
{
    const QString sequence = table + QLatin1String("_IDS");
    QSqlQuery query(db);
    // Held to the end of the caller's transaction: the sequence is made and caught up by one program at a
    // time. One lock per sequence, so that actions numbering different tables never wait for each other.
    scalarOrThrow(query, QStringLiteral("SELECT pg_advisory_xact_lock(%1, hashtext(?))").arg(IdLockKey), {sequence.toUpper()});
    scalarOrThrow(query, QLatin1String("CREATE SEQUENCE IF NOT EXISTS ") + sequence);
    // Rows may have been written with their own identifiers (a copied database, a generated book): the
    // sequence moves past the largest of them and past its own last number, in one statement.
    QStringList largest{QStringLiteral("(SELECT COALESCE(MAX(%1), 0) FROM %2 WHERE %1 > 0)").arg(column, table)};
    for (const auto &[otherTable, otherColumn] : alsoAbove)
        largest << QStringLiteral("(SELECT COALESCE(MAX(%1), 0) FROM %2)").arg(otherColumn, otherTable);
    largest << QStringLiteral("(SELECT CASE WHEN is_called THEN last_value ELSE last_value - 1 END FROM %1)").arg(sequence);
    return scalarOrThrow(query, QStringLiteral("SELECT setval('%1', GREATEST(%2) + 1, true)").arg(sequence, largest.join(QLatin1String(", "))))
        .toLongLong();
}

void LockUntilCommit(QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    scalarOrThrow(query, QStringLiteral("SELECT pg_advisory_xact_lock(%1, hashtext(?))").arg(MakingLockKey), {name.toUpper()});
}

QString ErrorText(const QSqlError &error)
{
    const QString db = error.databaseText().trimmed();
    const QString text = db.isEmpty() ? error.text().trimmed() : db;
    // The file engine's codes are numbers below 10000; the server's are five-character states.
    const QString state = error.nativeErrorCode();
    const bool serverState = state.size() == 5;
    if (connectionLost(text) || (serverState && state.startsWith(QLatin1String("08"))))
        return ConnectionLostText;
    if (DesignChangedElsewhere(error))
        return QStringLiteral("Структура базы данных изменена другим пользователем (поля описания, справочники или "
                              "классификатор). Действие отменено: откройте окно заново и повторите его.");
    if (!serverState) {
        // Another program on the same file holds it for its own change (or changed what this action read).
        const int code = state.toInt();
        if (code % 256 == SQLITE_BUSY || code % 256 == SQLITE_LOCKED || containsAny(text, {"database is locked", "table is locked"}))
            return QStringLiteral("База данных занята другой программой, которая работает с тем же файлом. "
                                  "Действие отменено: повторите его.");
        return text;
    }
    // Values are bound, never composed: a statement cut short inside a value was cut at a NUL character.
    if (state == QLatin1String("42601") && text.contains(QLatin1String("unterminated quoted string")))
        return NulRefused;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("23505"))
        return QStringLiteral("Другой пользователь одновременно изменил те же данные. Действие отменено: повторите его.");
    if (state == QLatin1String("22001"))
        return QStringLiteral("Текст длиннее, чем вмещает поле базы данных. Действие отменено.");
    if (state == QLatin1String("25P02"))
        return QStringLiteral("Действие отменено из-за предыдущей ошибки: изменения не сохранены.");
    if (state == QLatin1String("42501"))
        return QStringLiteral("Пользователю сервера не разрешено это действие: %1").arg(text);
    if (state == QLatin1String("57014") || state.startsWith(QLatin1String("57P")))
        return QStringLiteral("Сервер баз данных прервал действие; изменения не сохранены.");
    return QStringLiteral("Сервер баз данных отказал в действии: %1").arg(serverMessage(text));
}

bool DesignChangedElsewhere(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    // A file's engine names what it misses in its text: another program dropped it since the statement
    // was composed from the design this program read.
    if (state.size() != 5) {
        const QString text = error.databaseText();
        return text.startsWith(QLatin1String("no such column")) || text.startsWith(QLatin1String("no such table"))
               || text.contains(QLatin1String("has no column named"));
    }
    // Missing tables and columns; a statement prepared before whose columns changed type meanwhile.
    return state == QLatin1String("42P01") || state == QLatin1String("42703")
           || (state == QLatin1String("0A000") && error.databaseText().contains(QLatin1String("cached plan must not change result type")));
}

QString ConnectionFailure(const ServerConnection &server, const QSqlError &error)
{
    const QString text = error.databaseText().trimmed().isEmpty() ? error.text() : error.databaseText();
    const QString where = QStringLiteral("%1:%2").arg(server.host).arg(server.port);
    if (containsAny(text, {"password authentication failed", "no password supplied", "authentication failed",
                           "role \"", "password is required"}))
        return QStringLiteral("Сервер %1 не принял имя пользователя \"%2\" или пароль. Проверьте их и подключитесь снова.")
            .arg(where, server.user);
    if (text.contains(QLatin1String("database \""), Qt::CaseInsensitive) && text.contains(QLatin1String("does not exist")))
        return QStringLiteral("На сервере %1 нет базы данных \"%2\".").arg(where, server.database);
    if (containsAny(text, {"could not connect", "connection refused", "could not translate host name", "timeout expired",
                           "no route to host", "network is unreachable", "connection to server at"}))
        return QStringLiteral("Сервер баз данных %1 недоступен: проверьте адрес и порт и что сервер запущен.").arg(where);
    return QStringLiteral("Не удалось подключиться к серверу баз данных %1: %2").arg(where, serverMessage(text));
}

bool ValidDatabaseName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    return pattern.match(name).hasMatch();
}

}
