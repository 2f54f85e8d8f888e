#include "core/schema.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/engine.h"
#include "core/fieldkinds.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {
const char *const fixedSchema[] = {
    "CREATE TABLE CLASSES(C_ID INTEGER NOT NULL PRIMARY KEY, C_NAME VARCHAR(100), C_CODE VARCHAR(20),"
    " C_LINK INTEGER, C_COEFF FLOAT)",
    "CREATE INDEX CLASSES_LINK ON CLASSES(C_LINK)",
    "CREATE INDEX CLASSES_NAME ON CLASSES(C_NAME)",
    "CREATE TABLE FIELDS(F_ID INTEGER NOT NULL PRIMARY KEY, F_NAME VARCHAR(50), F_TYPE INTEGER, F_LOOKUP INTEGER)",
    "CREATE TABLE TYPES(T_ID INTEGER NOT NULL PRIMARY KEY, T_NAME VARCHAR(50), T_ENG VARCHAR(50))",
    "CREATE TABLE BOOLEAN(B_ID INTEGER NOT NULL PRIMARY KEY, B_TEXT VARCHAR(20))",
    "CREATE TABLE GENER(G_ID INTEGER NOT NULL PRIMARY KEY)",
    "CREATE TABLE REFERS(R_ID INTEGER NOT NULL PRIMARY KEY, R_NAME VARCHAR(100), R_CLASS INTEGER)",
    "CREATE INDEX REFERS_CLASS ON REFERS(R_CLASS)",
    "CREATE TABLE LINKS(L_ID INTEGER NOT NULL PRIMARY KEY, L_OBJECT INTEGER, L_REFER INTEGER, L_CLASS INTEGER,"
    " L_VALUE VARCHAR(50), L_CAPTION INTEGER)",
    "CREATE INDEX LINKS_OBJECT ON LINKS(L_OBJECT)",
    "CREATE TABLE KATALOGS(K_ID INTEGER NOT NULL PRIMARY KEY, K_NAME VARCHAR(255), K_PATH VARCHAR(255), K_DATA TEXT)",
    "INSERT INTO BOOLEAN VALUES(-1, 'Да')",
    "INSERT INTO BOOLEAN VALUES(0, 'Нет')",
};

struct FixedTable
{
    const char *name;
    QStringList columns;
};

const QList<FixedTable> &fixedTables()
{
    static const QList<FixedTable> tables{
        {"CLASSES", {"C_ID", "C_NAME", "C_CODE", "C_LINK", "C_COEFF"}},
        {"FIELDS", {"F_ID", "F_NAME", "F_TYPE", "F_LOOKUP"}},
        {"TYPES", {"T_ID", "T_NAME", "T_ENG"}},
        {"BOOLEAN", {"B_ID", "B_TEXT"}},
        {"GENER", {"G_ID"}},
        {"REFERS", {"R_ID", "R_NAME", "R_CLASS"}},
        {"LINKS", {"L_ID", "L_OBJECT", "L_REFER", "L_CLASS", "L_VALUE", "L_CAPTION"}},
        {"KATALOGS", {"K_ID", "K_NAME", "K_PATH", "K_DATA"}},
    };
    return tables;
}

void execOrThrow(QSqlQuery &query, const QString &statement, const QVariantList &values = {})
{
    if (!Engine::Run(query, statement, values))
        throw DbError(EngineErrorText(query.lastError()));
}
}

void CreateProgramTables(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!db.transaction())
        throw DbError(EngineErrorText(db.lastError()));
    try {
        for (const char *statement : fixedSchema)
            execOrThrow(query, QString::fromUtf8(statement));
        execOrThrow(query, LinksFilterIndexStatement);
        const QList<FieldKindInfo> &types = FieldKinds::Types();
        for (int number = 0; number < types.size(); ++number)
            execOrThrow(query, QStringLiteral("INSERT INTO TYPES VALUES(?, ?, ?)"),
                        {number, types[number].typeName, types[number].sqlType});
        if (!db.commit())
            throw DbError(EngineErrorText(db.lastError()));
    } catch (const DbError &) {
        query.clear();
        db.rollback();
        throw;
    }
}

void CreateEmptyDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("Файл уже существует: %1").arg(path));
    const QString connection = QStringLiteral("virandel_schema");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = EngineErrorText(db.lastError());
        } else {
            try {
                CreateProgramTables(db);
            } catch (const DbError &error) {
                failure = error.message();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw DbError(failure);
}

void CheckProgramDatabase(const QSqlDatabase &db)
{
    const QString damaged = QStringLiteral("Файл не является базой данных программы: ");
    QSqlQuery query(db);
    for (const FixedTable &table : fixedTables()) {
        const QString name = QLatin1String(table.name);
        execOrThrow(query, Engine::ColumnsOfTableQuery(Engine::KindOf(db)), {name});
        QStringList columns;
        while (query.next())
            columns << query.value(0).toString().toUpper();
        for (const QString &column : table.columns) {
            if (!columns.contains(column))
                throw DbError(damaged + QStringLiteral("нет столбца %1 таблицы %2").arg(column, name));
        }
    }
    const QList<FieldKindInfo> &types = FieldKinds::Types();
    for (int number = 0; number < types.size(); ++number) {
        execOrThrow(query, QStringLiteral("SELECT T_NAME FROM TYPES WHERE T_ID = ?"), {number});
        if (!query.next() || query.value(0).toString() != types[number].typeName)
            throw DbError(damaged + QStringLiteral("нет типа данных «%1»").arg(types[number].typeName));
    }
}

void EnsureAddedTable(TDModule &module, const QString &table, const QStringList &statements)
{
    Transaction tx(module);
    if (module.engine() == EngineKind::Server) {
        QSqlDatabase db = module.database();
        Engine::LockUntilCommit(db, table);
    }
    for (const QString &statement : statements)
        module.exec(statement);
    tx.commit();
}
