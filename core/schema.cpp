#include "core/schema.h"

#include "core/dberror.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
    "CREATE INDEX LINKS_ENTRY ON LINKS(L_REFER, L_CLASS)",
    "CREATE TABLE KATALOGS(K_ID INTEGER NOT NULL PRIMARY KEY, K_NAME VARCHAR(255), K_PATH VARCHAR(255), K_DATA TEXT)",
    "INSERT INTO TYPES VALUES(0, 'Целое число', 'INTEGER')",
    "INSERT INTO TYPES VALUES(1, 'Вещественное число', 'FLOAT')",
    "INSERT INTO TYPES VALUES(2, 'Время', 'TIME')",
    "INSERT INTO TYPES VALUES(3, 'Дата', 'DATE')",
    "INSERT INTO TYPES VALUES(4, 'Логический', 'BOOLEAN')",
    "INSERT INTO TYPES VALUES(5, 'Строка (50 символов)', 'VARCHAR(50)')",
    "INSERT INTO TYPES VALUES(6, 'Длинный текст', 'TEXT')",
    "INSERT INTO TYPES VALUES(7, 'Изображение', 'BLOB')",
    "INSERT INTO BOOLEAN VALUES(-1, 'Да')",
    "INSERT INTO BOOLEAN VALUES(0, 'Нет')",
};
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
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            db.transaction();
            for (const char *statement : fixedSchema) {
                if (!query.exec(QString::fromUtf8(statement))) {
                    failure = query.lastError().text();
                    break;
                }
            }
            if (failure.isEmpty())
                db.commit();
            else
                db.rollback();
            query.clear();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw DbError(failure);
}
