// Sorting by a text column of 1 000 000 objects before and after the Russian order moved from indexes in
// the program's collation to keys in plain indexes: a file as an earlier version left it (indexes in the
// collation RUSSIAN, no keys) is measured, converted as opening converts it, and measured again. Each
// action as the window does it: the list sorted and opened, its first screen read; then an object far
// down the list located. Prints a Markdown section for docs/performance.md (median of 5 runs, ms).
#include "app/databasecheck.h"
#include "app/databasehooks.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"
#include "objects/sortkeys.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int FirstScreen = 60;
const char *const Words[] = {"Ёжик", "ель", "Жук", "яблоко", "Арбуз", "apple", "Зебра", "ёлка", "Кот", "слон"};

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

template <typename Action>
double median(Action action)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(ms(timer));
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

void run(TDModule &module, const QString &sql)
{
    module.QRWork->close();
    module.exec(sql);
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    const int objects = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 1000000;
    QTemporaryDir dir;
    const QString path = dir.path() + "/bench.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);

    const qint64 name = FieldStore::AddField(module, QStringLiteral("Имя"), 5, false);
    const qint64 colour = FieldStore::AddField(module, QStringLiteral("Цвет"), 5, true);
    // The file as an earlier version made it: no keys, texts indexed in the program's collation.
    for (const char *table : {"OBJECT_KEYS", "ENTRY_KEYS", "STALE_KEYS", "KEYS_INFO"})
        run(module, QStringLiteral("DROP TABLE %1").arg(QLatin1String(table)));
    for (const char *trigger : {"OBJECT_KEYS_INSERT", "OBJECT_KEYS_UPDATE", "OBJECT_KEYS_DELETE"})
        run(module, QStringLiteral("DROP TRIGGER %1").arg(QLatin1String(trigger)));
    run(module, QStringLiteral("DROP INDEX GENER_G%1").arg(name));
    run(module, QStringLiteral("CREATE INDEX GENER_G%1 ON GENER(G%1 COLLATE RUSSIAN)").arg(name));
    run(module, QStringLiteral("DROP INDEX LOOKUP%1_DATA").arg(colour));
    run(module, QStringLiteral("CREATE INDEX LOOKUP%1_DATA ON LOOKUP%1(L%1_DATA COLLATE RUSSIAN)").arg(colour));
    {
        Transaction tx(module);
        for (int i = 1; i <= 1000; ++i)
            module.exec(QStringLiteral("INSERT INTO LOOKUP%1 VALUES(?, ?)").arg(colour), {i, QStringLiteral("%1 %2").arg(QString::fromUtf8(Words[i % 10])).arg(i)});
        QSqlQuery insert(module.database());
        insert.prepare(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(?,?,?)").arg(name).arg(colour));
        for (int i = 1; i <= objects; ++i) {
            const int scrambled = int((qint64(i) * 48271) % objects);
            insert.addBindValue(i);
            insert.addBindValue(QStringLiteral("%1 номер %2").arg(QString::fromUtf8(Words[scrambled % 10])).arg(scrambled));
            insert.addBindValue(1 + scrambled % 1000);
            if (!insert.exec()) {
                std::fprintf(stderr, "insert failed: %s\n", qPrintable(insert.lastError().text()));
                return 1;
            }
        }
        tx.commit();
    }

    ObjectList &list = ObjectList::Of(module);
    const auto measure = [&](const QString &caption, double &sorted, double &located) {
        list.compose();
        sorted = median([&] {
            list.compose();
            list.sortByTitle(caption);
            module.QRGeneral->readRows(FirstScreen);
        });
        located = median([&] { list.locate(objects / 3); });
    };
    const bool keyedBefore = SortKeys::Ready(module);
    double stringBefore = 0, stringLocateBefore = 0, lookupBefore = 0, lookupLocateBefore = 0;
    measure(QStringLiteral("Имя"), stringBefore, stringLocateBefore);
    measure(QStringLiteral("Цвет"), lookupBefore, lookupLocateBefore);
    const double sizeBefore = QFileInfo(path).size() / 1048576.0;

    module.QRGeneral->close();
    // The longest stretch without a word of progress: what the user would see as a frozen window.
    QElapsedTimer timer, sinceProgress;
    double longestSilence = 0;
    const auto heard = [&] {
        longestSilence = std::max(longestSilence, ms(sinceProgress));
        sinceProgress.restart();
    };
    timer.start();
    sinceProgress.start();
    SortKeys::Prepare(module, [&](qint64, qint64) { heard(); });
    heard();
    const double converted = ms(timer);
    const double convertSilence = longestSilence;
    const bool keyedAfter = SortKeys::Ready(module);
    double stringAfter = 0, stringLocateAfter = 0, lookupAfter = 0, lookupLocateAfter = 0;
    measure(QStringLiteral("Имя"), stringAfter, stringLocateAfter);
    measure(QStringLiteral("Цвет"), lookupAfter, lookupLocateAfter);
    const double sizeAfter = QFileInfo(path).size() / 1048576.0;

    module.QRGeneral->close();
    longestSilence = 0;
    timer.restart();
    sinceProgress.restart();
    const int findings = int(DatabaseCheck::Run(module, path, [&](int, int) {
                                 heard();
                                 return true;
                             }).size());
    heard();
    const double checked = ms(timer);
    const double checkSilence = longestSilence;

    std::printf("\n## Russian order of %d objects: collation indexes before, sort keys after\n\n", objects);
    std::printf("Generated by `build/bench/bench_sortkeys` on %s. Medians of 5 runs in milliseconds. Before: a file as an "
                "earlier version left it (keys %s); after: the same file converted as opening converts it (keys %s).\n\n",
                qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)), keyedBefore ? "in use" : "absent",
                keyedAfter ? "in use" : "absent");
    std::printf("| Action | Before | After | Ratio |\n|---|---:|---:|---:|\n");
    const auto line = [](const char *action, double before, double after) {
        std::printf("| %s | %.1f | %.1f | %.2f |\n", action, before, after, after / before);
    };
    line("sorting by a string column (first screen shown)", stringBefore, stringAfter);
    line("locating an object in the list sorted by the string column", stringLocateBefore, stringLocateAfter);
    line("sorting by a lookup text column (first screen shown)", lookupBefore, lookupAfter);
    line("locating an object in the list sorted by the lookup text", lookupLocateBefore, lookupLocateAfter);
    std::printf("\nConverting the file on opening (indexes made plain, every key made): %.0f ms, at most %.0f ms without "
                "progress. File size %.0f MiB before, %.0f MiB after.\n",
                converted, convertSilence, sizeBefore, sizeAfter);
    std::printf("\n\"Проверить базу данных\" on the converted file: %.0f ms, at most %.0f ms without progress (%d findings).\n",
                checked, checkSilence, findings);
    return 0;
}
