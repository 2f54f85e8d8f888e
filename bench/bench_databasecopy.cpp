// Copying a database between a file and a server: 100 000 objects with ten fields and links uploaded
// into a new server database, then that database saved back as a file.
// Needs a server: VIRANDEL_TEST_PG_HOST / _PORT / _USER as tools/test_server.sh exports them.
#include "app/databasehooks.h"
#include "core/databasecopy.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/serverdatabase.h"
#include "fields/fieldstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int ObjectCount = 100000;

void run(QSqlQuery &query)
{
    if (!query.exec()) {
        std::fprintf(stderr, "statement failed: %s\n", qPrintable(query.lastError().text()));
        std::exit(1);
    }
}

void fill(TDModule &module)
{
    const int types[] = {0, 1, 2, 3, 4, 5, 5, 6, 7};
    QStringList columns{"G_ID"};
    for (int type : types) {
        module.QRWork->close();
        columns << QStringLiteral("G%1").arg(FieldStore::AddField(module, QStringLiteral("Поле %1").arg(columns.size()), type, false));
    }
    Transaction tx(module);
    QSqlQuery insert(module.database());
    insert.prepare(QStringLiteral("INSERT INTO GENER (%1) VALUES(?,?,?,?,?,?,?,?,?,?)").arg(columns.join(',')));
    QSqlQuery link(module.database());
    link.prepare(QStringLiteral("INSERT INTO LINKS VALUES(?,?,1,?,'',0)"));
    const QByteArray picture(2000, 'p');
    for (int i = 1; i <= ObjectCount; ++i) {
        const int scrambled = int((qint64(i) * 48271) % ObjectCount);
        for (const QVariant &value :
             QVariantList{i, scrambled, scrambled / 7.0, QStringLiteral("%1:00:00").arg(scrambled % 24, 2, 10, QChar('0')),
                          QStringLiteral("2020-01-%1").arg(1 + scrambled % 28, 2, 10, QChar('0')), scrambled % 2 ? -1 : 0,
                          QStringLiteral("объект %1").arg(scrambled), QStringLiteral("ещё %1").arg(i % 500),
                          QStringLiteral("строка\rещё строка\r"),
                          i % 100 == 0 ? QVariant(picture) : QVariant(QMetaType::fromType<QByteArray>())})
            insert.addBindValue(value);
        run(insert);
        link.addBindValue(i);
        link.addBindValue(i);
        link.addBindValue(scrambled % 50);
        run(link);
    }
    tx.commit();
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    const QByteArray port = qgetenv("VIRANDEL_TEST_PG_PORT");
    if (port.isEmpty()) {
        std::printf("no database server (VIRANDEL_TEST_PG_PORT unset): nothing measured\n");
        return 0;
    }
    ServerConnection server;
    server.host = QString::fromLocal8Bit(qgetenv("VIRANDEL_TEST_PG_HOST"));
    server.port = port.toInt();
    server.user = QString::fromLocal8Bit(qgetenv("VIRANDEL_TEST_PG_USER"));
    server.database = QStringLiteral("bench_copy_%1").arg(QCoreApplication::applicationPid());

    QTemporaryDir dir;
    const QString path = dir.path() + "/objects.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    fill(module);
    const qint64 rows = 2 * qint64(ObjectCount);

    QElapsedTimer timer;
    timer.start();
    if (!DatabaseCopy::ToServer(module, server))
        return 1;
    const double upload = timer.elapsed() / 1000.0;
    std::printf("upload of %d objects (%lld rows) to the server: %.2f s (%.0f rows/s)\n", ObjectCount, rows, upload,
                rows / upload);

    TDModule onServer;
    onServer.OpenServerConnection(server);
    timer.restart();
    if (!DatabaseCopy::ToFile(onServer, dir.path() + "/back.mdb"))
        return 1;
    const double save = timer.elapsed() / 1000.0;
    std::printf("save of the server database as a file: %.2f s (%.0f rows/s)\n", save, rows / save);
    onServer.CloseConnection();
    RemoveServerDatabase(server);
    return 0;
}
