#include "core/dmodule.h"

#include "core/schema.h"

#include "core/changenotice.h"
#include "core/collation.h"
#include "core/dberror.h"
#include "core/engine.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <utility>
#include <vector>

TDModule *DModule = nullptr;

namespace {
// Modules may be made on several threads (programs working at once, in the tests).
std::atomic<int> connectionCounter = 0;

// A page overwritten inside a table the opening does not read passes every other check; the engine's
// own walk over all pages finds it.
void CheckPagesIntact(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        throw DbError(EngineErrorText(query.lastError()));
    QStringList problems;
    while (query.next())
        problems << query.value(0).toString();
    if (problems != QStringList{QStringLiteral("ok")})
        throw DbError(QStringLiteral("Файл базы данных поврежден: %1").arg(problems.mid(0, 3).join(QLatin1String("; "))));
}

// Added at start and only read afterwards, from any thread; never freed, so that a module closed while
// the program ends still finds them.
struct Hooks
{
    std::vector<std::function<void(QSqlDatabase &)>> fileConnection;
    std::vector<std::function<void(TDModule &)>> open;
    std::vector<std::function<void(TDModule &)>> close;
};

Hooks &hooks()
{
    static Hooks *const added = new Hooks;
    return *added;
}

}

void TDModule::AddFileConnectionHook(std::function<void(QSqlDatabase &db)> hook)
{
    hooks().fileConnection.push_back(std::move(hook));
}

void TDModule::AddOpenHook(std::function<void(TDModule &module)> hook)
{
    hooks().open.push_back(std::move(hook));
}

void TDModule::AddCloseHook(std::function<void(TDModule &module)> hook)
{
    hooks().close.push_back(std::move(hook));
}

void TDModule::RunOpenHooks()
{
    // Without them a database would open without its indexes and search functions and fail later, far
    // from the cause.
    if (hooks().open.empty())
        qFatal("No database hooks were added: call RegisterDatabaseHooks() before opening a database");
    for (const auto &hook : hooks().open)
        hook(*this);
}

QString EngineErrorText(const QSqlError &error)
{
    // Only the program's own thread reloads windows; a worker's error is only its error.
    if (DModule && QThread::currentThread() == DModule->thread() && Engine::DesignChangedElsewhere(error))
        DModule->NoteDesignChangedElsewhere();
    const QString text = Engine::ErrorText(error);
    if (!text.isEmpty())
        return text;
    // A server connection the driver already found lost refuses later statements without a word.
    if (DModule && DModule->engine() == EngineKind::Server)
        return Engine::ConnectionLostText;
    return QStringLiteral("База данных не выполнила действие и не сообщила причину. Изменения последнего действия не сохранены.");
}

TDModule::TDModule(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("DModule"));
    if (!DModule)
        DModule = this;
    m_connectionName = QStringLiteral("virandel_%1").arg(++connectionCounter);
    QRWork = new SharedQuery(QStringLiteral("QRWork"), this);
    QRFields = new SharedQuery(QStringLiteral("QRFields"), this);
    QRGeneral = new SharedQuery(QStringLiteral("QRGeneral"), this);
    QRClasses = new SharedQuery(QStringLiteral("QRClasses"), this);
    QRListPages = new SharedQuery(QStringLiteral("QRListPages"), this);
    QRGeneral->setLazy(true);
    // DataModuleCreate: connection closed, program folder = the current folder.
    ProgramFolder = QDir::currentPath();
    CatalogListReady = false;
    // Announcements seldom come alone (an import, a field with its lookup list): one reload for all.
    m_coalesce = new QTimer(this);
    m_coalesce->setSingleShot(true);
    m_coalesce->setInterval(300);
    connect(m_coalesce, &QTimer::timeout, this, &TDModule::emitArrivedChanges);
}

TDModule::~TDModule()
{
    CloseConnection();
    if (DModule == this)
        DModule = nullptr;
}

void TDModule::CloseConnection()
{
    for (const auto &hook : hooks().close)
        hook(*this);
    for (SharedQuery *q : {QRWork, QRFields, QRGeneral, QRClasses, QRListPages})
        q->close();
    if (QSqlDatabase::contains(m_connectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    m_transactionDepth = 0;
    m_rollbackOnly = false;
    m_unannounced = 0;
    m_arrived = 0;
    m_coalesce->stop();
}

void TDModule::OpenConnection(const QString &path)
{
    openFile(path, false);
}

void TDModule::OpenReadOnly(const QString &path)
{
    openFile(path, true);
}

void TDModule::openFile(const QString &path, bool readOnly)
{
    CloseConnection();
    // The engine would silently create a missing file; a database must already exist.
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("Файл не найден: %1").arg(path));
    QSqlDatabase db = Engine::AddFileConnection(m_connectionName, path, readOnly);
    m_engine = EngineKind::File;
    if (!db.open()) {
        const QString text = EngineErrorText(db.lastError());
        CloseConnection();
        throw DbError(text);
    }
    // A file that is not a database fails at its first read; one of another program at the check; a
    // damaged one at the check of every page. All before the first write: a file that fails is left as it was.
    try {
        PrepareFileConnection(db);
        CheckProgramDatabase(db);
        CheckPagesIntact(db);
    } catch (const DbError &) {
        CloseConnection();
        throw;
    }
    // A file opened only to read stays byte for byte as it was.
    if (!readOnly)
        RunOpenHooks();
}

void PrepareFileConnection(QSqlDatabase &db)
{
    Engine::PrepareConnection(db);
    for (const auto &hook : hooks().fileConnection)
        hook(db);
}

void TDModule::OpenServerConnection(const ServerConnection &server)
{
    // Made beside the current connection, which stays as it is until the new one has passed every check.
    const QString name = QStringLiteral("virandel_%1").arg(++connectionCounter);
    Engine::OpenServerConnection(name, server, [](QSqlDatabase &db) {
        Engine::PrepareConnection(db);
        CheckProgramDatabase(db);
    });
    CloseConnection();
    m_connectionName = name;
    m_engine = EngineKind::Server;
    m_server = server;
    QSqlDatabase db = database();
    QSqlDriver *driver = db.driver();
    // Announcements are read by the event loop; a module on a thread without one (a worker adding
    // objects) only writes.
    if (QThread::currentThread()->eventDispatcher()) {
        if (!driver->subscribeToNotification(ChangeNotice::Channel()))
            qWarning("Changes of other programs are not followed: %s", qPrintable(driver->lastError().text()));
        connect(driver, &QSqlDriver::notification, this, &TDModule::notificationArrived);
    }
    RunOpenHooks();
}

void TDModule::Reconnect()
{
    OpenServerConnection(ServerConnection(m_server));
    // The design is as it was; the lists are read again on the new connection, as after another program's
    // change of objects, keeping their order, filter, search and current object.
    m_arrived |= ChangeNotice::Objects;
    if (!m_coalesce->isActive())
        m_coalesce->start();
}

void TDModule::NoteWrite(const QString &statement)
{
    if (m_engine != EngineKind::Server)
        return;
    const int change = ChangeNotice::ChangeMadeBy(statement);
    if (change == ChangeNotice::None)
        return;
    if (m_transactionDepth > 0)
        m_unannounced |= change;
    else
        announce(change);
}

void TDModule::announce(int changes)
{
    // Delivered by the server at commit, so only what was kept is announced.
    QSqlQuery query(database());
    if (!Engine::Run(query, QStringLiteral("SELECT pg_notify(?, ?)"), {ChangeNotice::Channel(), ChangeNotice::Payload(changes)}))
        throw DbError(EngineErrorText(query.lastError()));
}

void TDModule::notificationArrived(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload)
{
    // The program's own writes are shown by the window that made them.
    if (source == QSqlDriver::SelfSource || name != ChangeNotice::Channel())
        return;
    m_arrived |= ChangeNotice::FromPayload(payload.toString());
    if (!m_coalesce->isActive())
        m_coalesce->start();
}

void TDModule::NoteDesignChangedElsewhere()
{
    m_arrived |= ChangeNotice::Design;
    if (!m_coalesce->isActive())
        m_coalesce->start();
}

bool TDModule::DesignChangeArriving() const
{
    return m_arrived & ChangeNotice::Design;
}

void TDModule::emitArrivedChanges()
{
    const int changes = std::exchange(m_arrived, 0);
    if (changes & ChangeNotice::Design)
        Q_EMIT DesignChanged();
    else if (changes & ChangeNotice::Objects)
        Q_EMIT ObjectsChanged();
}

bool TDModule::connected() const
{
    return QSqlDatabase::contains(m_connectionName)
           && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase TDModule::database() const
{
    if (!QSqlDatabase::contains(m_connectionName))
        throw DbError(QStringLiteral("База данных не открыта"));
    return QSqlDatabase::database(m_connectionName, false);
}

void TDModule::exec(const QString &statement, const QVariantList &values)
{
    Engine::CheckStorable(m_engine, values);
    QSqlQuery query(database());
    if (!Engine::Run(query, statement, values))
        throw DbError(EngineErrorText(query.lastError()));
    NoteWrite(statement);
}

void TDModule::execRepeated(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    Engine::CheckStorable(m_engine, values);
    if (!Engine::RunRepeated(query, statement, values))
        throw DbError(EngineErrorText(query.lastError()));
    NoteWrite(statement);
}

void TDModule::FinishPendingReads()
{
    if (QRGeneral->isOpen() && !QRGeneral->allRowsRead())
        QRGeneral->close();
}

QString TDModule::GenID(const QString &table, const QString &infix)
{
    return GenID(table, infix, {});
}

QString TDModule::GenID(const QString &table, const QString &infix, const QList<std::pair<QString, QString>> &alsoAbove)
{
    const QString column = table.left(1) + infix + QLatin1String("_ID");
    if (m_engine == EngineKind::Server) {
        // Several programs add at once: the identifier comes from the server, never from a read of the table.
        Transaction tx(*this);
        QSqlDatabase db = database();
        const qint64 id = Engine::NextServerId(db, table, column, alsoAbove);
        tx.commit();
        return QString::number(id);
    }
    QRWork->setSql(QStringLiteral("SELECT MAX(%1) FROM %2 WHERE %1 > 0").arg(column, table));
    QRWork->open();
    const QVariant max = QRWork->isEmpty() ? QVariant() : QRWork->valueAt(0, 0);
    return QString::number(max.toLongLong() + 1);
}

Transaction::Transaction(TDModule &module)
    : m_module(module)
{
    if (m_module.m_transactionDepth == 0) {
        QSqlDatabase db = m_module.database();
        if (!db.transaction())
            throw DbError(EngineErrorText(db.lastError()));
        m_module.m_rollbackOnly = false;
        m_module.m_unannounced = 0;
    }
    ++m_module.m_transactionDepth;
}

void Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (--m_module.m_transactionDepth > 0)
        return;
    QSqlDatabase db = m_module.database();
    const int changes = std::exchange(m_module.m_unannounced, 0);
    if (m_module.m_rollbackOnly) {
        db.rollback();
        throw DbError(QStringLiteral("Действие отменено: изменения не сохранены"));
    }
    if (changes != ChangeNotice::None) {
        try {
            m_module.announce(changes);
        } catch (const DbError &) {
            db.rollback();
            throw;
        }
    }
    if (!db.commit()) {
        const QString text = EngineErrorText(db.lastError());
        db.rollback();
        throw DbError(text);
    }
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    if (--m_module.m_transactionDepth > 0) {
        m_module.m_rollbackOnly = true;
        return;
    }
    m_module.m_unannounced = 0;
    if (QSqlDatabase::contains(m_module.m_connectionName))
        m_module.database().rollback();
}
