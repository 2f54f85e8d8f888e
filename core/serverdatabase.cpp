#include "core/serverdatabase.h"

#include "core/dberror.h"
#include "core/engine.h"
#include "core/schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace {
std::atomic<int> connectionCounter = 0;
// Databases are created from the server's maintenance database.
const QString MaintenanceDatabase = QStringLiteral("postgres");

// Runs `work` on a connection of its own to `server`, removed afterwards.
template <typename Work>
void withConnection(const ServerConnection &server, Work work)
{
    const QString name = QStringLiteral("virandel_create_%1").arg(++connectionCounter);
    Engine::OpenServerConnection(name, server, [&](QSqlDatabase &db) {
        work(db);
        db.close();
    });
    QSqlDatabase::removeDatabase(name);
}

void execOrThrow(QSqlQuery &query, const QString &statement, const QVariantList &values = {})
{
    if (!Engine::Run(query, statement, values))
        throw DbError(Engine::ErrorText(query.lastError()));
}
}

bool CreateServerDatabase(const ServerConnection &server)
{
    // The name is composed into the statement (a database name cannot be a bound value): only plain names pass.
    if (!Engine::ValidDatabaseName(server.database))
        throw DbError(QStringLiteral("Недопустимое имя базы данных \"%1\": используйте строчные латинские буквы, цифры "
                                     "и знак \"_\" (не более 63 знаков, не с цифры).")
                          .arg(server.database));
    ServerConnection maintenance = server;
    maintenance.database = MaintenanceDatabase;
    bool created = false;
    withConnection(maintenance, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        execOrThrow(query, QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = ?"), {server.database});
        if (query.next() && query.value(0).toInt() > 0)
            return;
        if (!query.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(server.database))) {
            if (query.lastError().nativeErrorCode() == QLatin1String("42501"))
                throw DbError(QStringLiteral("Пользователю \"%1\" не разрешено создавать базы данных на сервере. "
                                             "Попросите администратора сервера создать пустую базу данных \"%2\".")
                                  .arg(server.user, server.database));
            throw DbError(Engine::ErrorText(query.lastError()));
        }
        created = true;
    });
    try {
        withConnection(server, [&](QSqlDatabase &db) {
            QSqlQuery query(db);
            execOrThrow(query, Engine::TableNamesQuery(EngineKind::Server));
            if (query.next())
                throw DbError(QStringLiteral("База данных \"%1\" на сервере уже существует и не пуста: выберите другое имя.")
                                  .arg(server.database));
            query.clear();
            Engine::PrepareConnection(db);
            CreateProgramTables(db);
        });
    } catch (const DbError &) {
        if (created) {
            withConnection(maintenance, [&](QSqlDatabase &db) {
                QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(server.database));
            });
        }
        throw;
    }
    return created;
}

void RemoveServerDatabase(const ServerConnection &server)
{
    if (!Engine::ValidDatabaseName(server.database))
        return;
    ServerConnection maintenance = server;
    maintenance.database = MaintenanceDatabase;
    withConnection(maintenance, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        execOrThrow(query, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(server.database));
    });
}
