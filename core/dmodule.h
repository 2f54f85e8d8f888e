#pragma once

#include "core/engine.h"
#include "core/sharedquery.h"

#include <QObject>
#include <QSqlDatabase>
#include <QVariantList>
#include <QSqlDriver>
#include <functional>
#include <memory>

// What every connection to a database file gets: the engine's preparation (collation, page cache,
// memory-mapped reads) and the functions the subsystems add (TDModule::AddFileConnectionHook).
void PrepareFileConnection(QSqlDatabase &db);

// The data module: the one connection, the four shared queries, the program folder and GenID.
class QTimer;

class TDModule : public QObject
{
    Q_OBJECT
public:
    explicit TDModule(QObject *parent = nullptr);
    ~TDModule() override;

    // Opens a database file; a missing file or one that is not a database throws DbError.
    void OpenConnection(const QString &path);
    // Opens a database file only to read it (a template a new database is copied from): the file stays
    // byte for byte as it was. The checks of OpenConnection apply.
    void OpenReadOnly(const QString &path);
    // Opens a database on a server; the checks of a file apply. When the server cannot be reached, refuses
    // the user or holds no database of the program, throws DbError with the reason in Russian and the
    // connection open before stays open.
    void OpenServerConnection(const ServerConnection &server);
    // Opens the server database of the last OpenServerConnection again, after its connection was lost,
    // and has the windows read their lists again (ObjectsChanged). Throws DbError as opening does.
    void Reconnect();
    void CloseConnection();
    // What the subsystems do with every database the program opens. Core knows none of them: they are
    // added once at start, before any database opens (RegisterDatabaseHooks, app/databasehooks.cpp),
    // and run in the order added.
    // Each connection to a database file, read-only and background ones too, before its first statement:
    // the functions the program's statements and the file's triggers call.
    static void AddFileConnectionHook(std::function<void(QSqlDatabase &db)> hook);
    // A database opened to work in (not one opened only to read), once its checks passed: what an earlier
    // version or an interrupted action left is brought up to date. A hook's DbError fails the opening.
    static void AddOpenHook(std::function<void(TDModule &module)> hook);
    // The connection is about to close (also before another database opens in its place): what a
    // subsystem learnt about the database is forgotten.
    static void AddCloseHook(std::function<void(TDModule &module)> hook);
    // Runs the open hooks: for a database that became one to work in otherwise (a copy, once its rows are in).
    void RunOpenHooks();

    // The engine of the open database (of the last one while none is open).
    EngineKind engine() const { return m_engine; }
    bool connected() const;
    QSqlDatabase database() const;

    // The next identifier of a table as decimal text: 1 + the largest identifier above 0, or 1. On a server
    // database it is the table's own sequence, kept above the largest identifier, so that programs adding
    // at once never get the same one.
    Q_INVOKABLE QString GenID(const QString &table, const QString &infix = QString());
    // The same; on a server database also above the largest value of further columns (table, column)
    // that name the table's identifiers, as links name objects, also ones the table no longer holds.
    QString GenID(const QString &table, const QString &infix, const QList<std::pair<QString, QString>> &alsoAbove);

    // Runs a single statement on its own query; for the helpers of the subsystems. Values given are
    // bound to the statement's "?" placeholders in order.
    void exec(const QString &statement, const QVariantList &values = {});
    // As exec, for one statement run many times in a row (an import): `query`, kept by the caller between
    // the runs, holds it prepared.
    void execRepeated(QSqlQuery &query, const QString &statement, const QVariantList &values);

    // On a server database every write is announced to the other programs working on it when its
    // transaction commits (at once outside a transaction); a rolled-back action announces nothing.
    // Called after each successful write statement.
    void NoteWrite(const QString &statement);
    // A statement failed because another program changed the design meanwhile: the windows reload as
    // they do when that program's announcement arrives.
    void NoteDesignChangedElsewhere();
    // Whether a design change found so is still to be announced to the windows.
    bool DesignChangeArriving() const;

    // The engine refuses DROP TABLE while any read is pending on the connection. Only the object list
    // reads lazily; it is closed here (its users open it again before reading).
    void FinishPendingReads();
    bool InTransaction() const { return m_transactionDepth > 0; }

    // How the program waits for a long read (core/backgroundread.h): made when a read has begun, asked
    // again and again until it ends; it answers false to stop the read. Without it the read is waited for.
    struct LongWait
    {
        virtual ~LongWait() = default;
        virtual bool keepWaiting() = 0;
    };
    std::function<std::unique_ptr<LongWait>(const QString &what)> BeginLongWait;

    QString ProgramFolder;
    bool CatalogListReady = false;

    SharedQuery *QRWork = nullptr;
    SharedQuery *QRFields = nullptr;
    SharedQuery *QRGeneral = nullptr;
    SharedQuery *QRClasses = nullptr;
    // The object list's own reads (counts and pages near a row): never the statement a caller walks.
    SharedQuery *QRListPages = nullptr;

Q_SIGNALS:
    // Another program changed objects of the open server database; several announcements close
    // together arrive as one signal.
    void ObjectsChanged();
    // Another program changed the design (fields, lookup lists, books, classes, catalogs); stands for a
    // change of objects as well.
    void DesignChanged();

private:
    friend class Transaction;
    void openFile(const QString &path, bool readOnly);
    void announce(int changes);
    void notificationArrived(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload);
    void emitArrivedChanges();
    int m_unannounced = 0;   // ChangeNotice::Change flags of the open transaction
    int m_arrived = 0;       // flags of the announcements waiting for the coalescing timer
    QTimer *m_coalesce = nullptr;
    QString m_connectionName;
    ServerConnection m_server;   // the server database opened last, for Reconnect
    EngineKind m_engine = EngineKind::File;
    int m_transactionDepth = 0;
    bool m_rollbackOnly = false;
};

extern TDModule *DModule;

// One user action as one transaction: every statement between construction and commit() takes effect
// together, or none does (the destructor rolls back when commit() was not reached). Nesting joins the
// outermost transaction.
class Transaction
{
public:
    explicit Transaction(TDModule &module = *DModule);
    ~Transaction();
    void commit();

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    TDModule &m_module;
    bool m_done = false;
};
