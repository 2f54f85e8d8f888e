// Importing a CSV file of 1 000 000 objects: time and peak memory of each pass, beside the engine's own
// command-line import of the same file into a plain table; then the opening check of the database the
// import made.
#include "app/databasehooks.h"
#include "benchmemory.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/fieldstore.h"
#include "objects/csvfile.h"
#include "objects/objectimport.h"
#include "objects/objectlist.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {
int Rows = 1000000;   // or the first argument

void writeCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(CsvByteOrderMark);
    file.write(CsvRecordText({"Номер", "Название", "Цвет", "Масса", "Дата"}, ';'));
    for (int i = 1; i <= Rows; ++i) {
        const int scrambled = int((qint64(i) * 48271) % Rows);
        file.write(CsvRecordText({QString::number(i), QStringLiteral("объект %1").arg(scrambled),
                                  QStringLiteral("цвет %1").arg(scrambled % 200), QStringLiteral("%1,%2").arg(scrambled % 1000).arg(scrambled % 7),
                                  QStringLiteral("%1.%2.20%3").arg(1 + scrambled % 28, 2, 10, QChar('0')).arg(1 + scrambled % 12, 2, 10, QChar('0')).arg(10 + scrambled % 15)},
                                 ';'));
    }
}

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    if (argc > 1)
        Rows = QByteArray(argv[1]).toInt();
    // A Russian spreadsheet's file: decimal comma and dd.MM.yyyy, as a Russian desktop reads them.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    const QString csv = dir.filePath("objects.csv");
    writeCsv(csv);
    const double fileMiB = QFileInfo(csv).size() / 1048576.0;

    const QString path = dir.filePath("bench.mdb");
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    FieldStore::AddField(module, "Номер", 0, false);
    FieldStore::AddField(module, "Название", 5, false);
    FieldStore::AddField(module, "Цвет", 5, true);
    FieldStore::AddField(module, "Масса", 1, false);
    FieldStore::AddField(module, "Дата", 3, false);
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    const double before = statusMiB("VmRSS");

    resetPeak();
    QElapsedTimer timer;
    timer.start();
    const CsvDocument head = ReadCsvHead(csv);
    const double headSeconds = seconds(timer);
    const double headPeak = statusMiB("VmHWM");
    const CsvImportSource source{csv, head.encoding, head.encodingSure, MatchCsvHeader(head.records.first().fields, fields)};

    resetPeak();
    timer.restart();
    const ImportCheck check = CheckCsvImport(source, fields);
    const double checkSeconds = seconds(timer);
    const double checkPeak = statusMiB("VmHWM");

    if (check.failingRows > 0)
        qFatal("the generated file does not import: %s", qPrintable(check.problems.first().text()));
    resetPeak();
    timer.restart();
    const int added = WriteImportedObjects(module, source, fields, check, false);
    const double writeSeconds = seconds(timer);
    const double writePeak = statusMiB("VmHWM");
    // Of that, the pages of the database file the engine maps; the rest is the program's own memory.
    const double writeOwn = statusMiB("RssAnon");
    module.CloseConnection();

    // The engine's own import: the same file into a table of text columns, no checks, no lookup lists.
    // Measured by the system's `time`, whose own start is small: a child forked from this process would
    // count this process's memory as its own.
    const QString plain = dir.filePath("plain.sqlite");
    timer.restart();
    QProcess sqlite;
    sqlite.start(QStringLiteral("/usr/bin/time"), {"-f", "%M", "sqlite3", plain});
    sqlite.write(QStringLiteral(".mode csv\n.separator ;\n.import %1 objects\n").arg(csv).toUtf8());
    sqlite.closeWriteChannel();
    sqlite.waitForFinished(-1);
    const double engineSeconds = seconds(timer);
    const double enginePeak = sqlite.readAllStandardError().trimmed().split('\n').last().toDouble() / 1024.0;

    // What opening the imported database costs: the program's opening, and in it the engine's walk over
    // every page (run again here on the program's connection, which knows the program's collation).
    timer.restart();
    TDModule reopened;
    reopened.OpenConnection(path);
    const double openSeconds = seconds(timer);
    QSqlQuery pageCheck(reopened.database());
    timer.restart();
    if (!pageCheck.exec(QStringLiteral("PRAGMA quick_check")) || !pageCheck.next() || pageCheck.value(0).toString() != "ok")
        qFatal("the page check did not run: %s", qPrintable(pageCheck.value(0).toString()));
    const double quickCheckSeconds = seconds(timer);
    pageCheck.finish();
    reopened.CloseConnection();

    std::printf("CSV import of %d rows (file %.0f MiB, database after %.0f MiB); resident memory before the import %.0f MiB\n\n",
                Rows, fileMiB, QFileInfo(path).size() / 1048576.0, before);
    std::printf("| Pass | Time, s | Peak resident memory, MiB |\n|---|---:|---:|\n");
    std::printf("| reading the head and counting the rows | %.1f | %.0f |\n", headSeconds, headPeak);
    std::printf("| checking every value (%d rows failing) | %.1f | %.0f |\n", check.failingRows, checkSeconds, checkPeak);
    std::printf("| adding %d objects in one transaction, search index included | %.1f | %.0f |\n", added, writeSeconds, writePeak);
    std::printf("| all three passes | %.1f | %.0f |\n", headSeconds + checkSeconds + writeSeconds, qMax(headPeak, qMax(checkPeak, writePeak)));
    std::printf("| engine's own `sqlite3 .import` into a table of texts | %.1f | %.0f |\n\n", engineSeconds, enginePeak);
    std::printf("Resident memory right after adding the objects: %.0f MiB of the program's own, the rest pages of the "
                "database file the engine maps (shared with the system's file cache).\n",
                writeOwn);
    std::printf("Opening the imported database: %.2f s, of which the page check (`PRAGMA quick_check`) alone takes %.2f s.\n",
                openSeconds, quickCheckSeconds);
    return 0;
}
