// What a snapshot adds to deleting a description field: the same deletion on two equal copies of a
// large database, one with the snapshot the program takes first, one without. 100 000 and 1 000 000
// objects with three fields (integer, string, lookup-backed string).
#include "app/databasehooks.h"
#include "benchmemory.h"
#include "core/dbfile.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/snapshots.h"
#include "fields/fieldstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int Runs = 5;

void run(TDModule &module, const QString &sql)
{
    QSqlQuery q(module.database());
    if (!q.exec(sql)) {
        std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(sql), qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

void buildDatabase(const QString &path, int objects)
{
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    const qint64 number = FieldStore::AddField(module, QStringLiteral("Номер"), int(FieldKind::Integer), false);
    const qint64 name = FieldStore::AddField(module, QStringLiteral("Название"), FieldStore::StringType, false);
    const qint64 kind = FieldStore::AddField(module, QStringLiteral("Вид"), FieldStore::StringType, true);
    run(module, "BEGIN");
    run(module, QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 100) "
                               "INSERT INTO LOOKUP%1 SELECT I, 'Вид ' || I FROM N").arg(kind));
    run(module, QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                               "INSERT INTO GENER(G_ID, G%2, G%3, G%4) SELECT I, I * 7, 'Предмет коллекции номер ' || I, "
                               "1 + I % 100 FROM N")
                    .arg(objects).arg(number).arg(name).arg(kind));
    run(module, "COMMIT");
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures
{
    qint64 fileBytes = 0;
    double withoutMs = 0, withMs = 0, snapshotMs = 0, peakMiB = 0;
};

Figures measure(const QString &folder, int objects)
{
    const QString original = folder + QStringLiteral("/original.mdb");
    buildDatabase(original, objects);
    Figures figures;
    figures.fileBytes = QFileInfo(original).size();
    QList<double> without, with, snapshot;
    resetPeak();
    for (int r = 0; r < Runs; ++r) {
        for (const bool snapshotFirst : {false, true}) {
            const QString path = folder + QStringLiteral("/run.mdb");
            RemoveDatabaseFile(path);
            QDir(Snapshots::FolderOf(path)).removeRecursively();
            CopyDatabaseFile(original, path);
            TDModule module;
            module.OpenConnection(path);
            QElapsedTimer timer;
            timer.start();
            if (snapshotFirst) {
                if (!Snapshots::Make(module, SnapshotCause::FieldDeleted(QStringLiteral("Название")), 10)) {
                    std::fprintf(stderr, "snapshot stopped\n");
                    std::exit(1);
                }
                snapshot << timer.nsecsElapsed() / 1e6;
            }
            FieldStore::DeleteField(module, 2);
            (snapshotFirst ? with : without) << timer.nsecsElapsed() / 1e6;
        }
    }
    figures.peakMiB = statusMiB("VmHWM");
    figures.withoutMs = median(without);
    figures.withMs = median(with);
    figures.snapshotMs = median(snapshot);
    return figures;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    QList<int> sizes{100000, 1000000};
    if (argc > 1)
        sizes = {QString::fromLocal8Bit(argv[1]).toInt()};
    std::printf("| Objects | File, MiB | Deleting a field, ms | With the snapshot first, ms | Snapshot alone, ms | Added | Peak resident memory, MiB |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const int objects : sizes) {
        QTemporaryDir dir;
        const Figures f = measure(dir.path(), objects);
        std::printf("| %d | %.0f | %.0f | %.0f | %.0f | %+.0f%% | %.0f |\n", objects, f.fileBytes / 1048576.0, f.withoutMs,
                    f.withMs, f.snapshotMs, 100.0 * (f.withMs - f.withoutMs) / f.withoutMs, f.peakMiB);
        std::fflush(stdout);
    }
    return 0;
}
