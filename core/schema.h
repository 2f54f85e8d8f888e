#pragma once

#include <QString>
#include <QStringList>

// The field query: one row per description field with its type name, yes/no text and lookup flag, in the
// order the fields were added (a changed field keeps its place).
inline const QString FieldQuery = QStringLiteral(
    "SELECT F_ID, F_NAME, T_NAME, B_TEXT, F_LOOKUP FROM FIELDS, TYPES, BOOLEAN WHERE (F_TYPE = T_ID) AND (F_LOOKUP = B_ID) "
    "ORDER BY F_ID");

// The filter's search of LINKS by book and entry finds the linked objects in the index alone.
inline const QString LinksFilterIndex = QStringLiteral("LINKS_FILTER");
inline const QString LinksFilterIndexStatement =
    QStringLiteral("CREATE INDEX IF NOT EXISTS LINKS_FILTER ON LINKS(L_REFER, L_CLASS, L_OBJECT)");

inline const QString EmptyLookupText = QStringLiteral("< пустое значение >");

// Creates a new database file holding the eight fixed tables with their rows and indexes.
// Throws DbError when the file exists already or cannot be written.
void CreateEmptyDatabase(const QString &path);

class QSqlDatabase;
// Creates the eight fixed tables with their rows and indexes in the open, empty database `db`, as one
// transaction. Throws DbError.
void CreateProgramTables(QSqlDatabase &db);

class TDModule;
// Makes a table the program added after its first version (with its indexes: `statements`, each
// "IF NOT EXISTS") in a database that lacks it, as one transaction. Programs opening one server database
// at once make it one after the other. Throws DbError.
void EnsureAddedTable(TDModule &module, const QString &table, const QStringList &statements);

// Throws DbError unless `db` holds every fixed table with its columns and every type row: a file that
// merely is a database would fail later, in the middle of some user action.
void CheckProgramDatabase(const QSqlDatabase &db);
