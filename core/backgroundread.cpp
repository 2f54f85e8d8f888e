#include "core/backgroundread.h"

#include "core/collation.h"
#include "core/dmodule.h"

#include <QAtomicInt>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <sqlite3.h>

namespace {
QAtomicInt connectionCounter;

struct BackgroundRead
{
    QString path, statement;
    QVariantList values;
    std::function<void(const QSqlQuery &)> takeRow;
    QString error;
    QMutex handleGuard;          // the handle is interrupted from the waiting thread
    sqlite3 *handle = nullptr;
    bool stopRequested = false;

    void run()
    {
        const QString name = QStringLiteral("virandel_background_%1").arg(connectionCounter.fetchAndAddRelaxed(1));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
            if (!db.open()) {
                error = EngineErrorText(db.lastError());
            } else {
                try {
                    PrepareFileConnection(db);
                    read(db);
                } catch (const DbError &failure) {
                    error = failure.message();
                }
                QMutexLocker lock(&handleGuard);
                handle = nullptr;
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }

    void read(QSqlDatabase &db)
    {
        {
            QMutexLocker lock(&handleGuard);
            handle = EngineHandle(db);
            if (stopRequested)
                return;
        }
        QSqlQuery query(db);
        query.setForwardOnly(true);
        bool ok = query.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        ok = ok && query.exec();
        while (ok && query.next())
            takeRow(query);
        if (!ok || query.lastError().isValid())
            error = EngineErrorText(query.lastError());
    }

    void stop()
    {
        QMutexLocker lock(&handleGuard);
        stopRequested = true;
        if (handle)
            sqlite3_interrupt(handle);
    }
};
}

void ReadInBackground(TDModule &module, const QString &statement, const QVariantList &values, const QString &what,
                      const std::function<void(const QSqlQuery &row)> &takeRow)
{
    BackgroundRead work;
    work.path = module.database().databaseName();
    work.statement = statement;
    work.values = values;
    work.takeRow = takeRow;
    std::unique_ptr<QThread> thread(QThread::create([&work] { work.run(); }));
    thread->start();
    std::unique_ptr<TDModule::LongWait> wait = module.BeginLongWait ? module.BeginLongWait(what) : nullptr;
    while (!thread->wait(wait ? QDeadlineTimer(40) : QDeadlineTimer(QDeadlineTimer::Forever))) {
        if (!work.stopRequested && !wait->keepWaiting())
            work.stop();
    }
    wait.reset();
    if (work.stopRequested)
        throw ReadStopped();
    if (!work.error.isEmpty())
        throw DbError(work.error);
}
