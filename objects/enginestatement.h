#pragma once

#include "core/dberror.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <sqlite3.h>

// A statement run on the engine's handle directly, for the search's own functions, which run inside the
// engine's calls where no Qt query may be used, and for the index's bulk reads and writes. Errors
// throw DbError with the engine's text; inside an engine function they must be caught.
class EngineStatement
{
public:
    EngineStatement(sqlite3 *db, const QByteArray &sql)
        : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~EngineStatement() { sqlite3_finalize(m_statement); }
    EngineStatement(const EngineStatement &) = delete;
    EngineStatement &operator=(const EngineStatement &) = delete;

    void bind(int position, qint64 value) { sqlite3_bind_int64(m_statement, position, value); }
    void bind(int position, const QByteArray &text)
    {
        sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    // The next row; false at the end (the statement is then ready to run again).
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        sqlite3_reset(m_statement);
        if (result == SQLITE_DONE)
            return false;
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    // Runs a statement that returns no rows; it can be bound and run again.
    void run()
    {
        while (step()) {
        }
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column)),
                                 sqlite3_column_bytes(m_statement, column));
    }
    const char *rawText(int column, int &length) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        length = sqlite3_column_bytes(m_statement, column);
        return text;
    }
    sqlite3_value *value(int column) const { return sqlite3_column_value(m_statement, column); }
    int columns() const { return sqlite3_column_count(m_statement); }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

inline void ExecEngine(sqlite3 *db, const QByteArray &sql)
{
    EngineStatement(db, sql).run();
}

// A statement run on a server database's connection directly, for the search's index and its tables of
// the connection: the index is kept inside an action that announces its own change, and the search's
// tables are no change at all. Values are bound in order. Throws DbError with the user's text.
inline QSqlQuery RunOnServer(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    // Read whole: a row-by-row result would have to be read to its end before the next statement.
    QSqlQuery query(db);
    // Statements without values run as they are: the server prepares only queries and data changes.
    bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    if (ok && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok)
        throw DbError(EngineErrorText(query.lastError()));
    return query;
}
