// Quick search and Russian order on 1 000 000 objects: making the search index; a keystroke end to end
// (the condition, opening the list, the first screen of rows) for texts found nowhere, once and
// everywhere, unsorted and sorted; the same read from GENER without the index, and the engine's own LIKE
// (which folds ASCII only) as the former way; sorting a text column with the RUSSIAN collation next to
// the engine's binary order, without and with an index in that collation. With --fts, the engine's
// full-text table with the trigram tokenizer is measured as well (it takes minutes to make).
#include "app/databasehooks.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"
#include "objects/objectsearch.h"
#include "objects/searchindex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {
constexpr int ObjectCount = 1000000;
constexpr int FirstScreen = 60;
const char *const Words[] = {"Ёжик", "ель", "Жук", "яблоко", "Арбуз", "apple", "Зебра", "ёлка", "Кот", "слон"};

qint64 addField(TDModule &module, const QString &name, int type, const QString &, bool lookup)
{
    module.QRWork->close();
    const qint64 id = FieldStore::AddField(module, name, type, lookup);
    if (lookup) {
        Transaction tx(module);
        for (int i = 1; i <= 500; ++i)
            module.exec(QLatin1String("INSERT INTO ") + SchemaName::LookupTable(id) + QLatin1String(" VALUES(?, ?)"),
                        {i, QStringLiteral("%1 %2").arg(QString::fromUtf8(Words[i % 10])).arg(i)});
        tx.commit();
    }
    return id;
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Runs the statement as the grid does: the first screen of rows, then (when `all`) every row.
std::pair<double, int> timed(TDModule &module, const QString &sql, const QVariantList &values, bool all)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(module.database());
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec()) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(query.lastError().text()));
        std::exit(1);
    }
    int rows = 0;
    while ((all || rows < FirstScreen) && query.next())
        ++rows;
    return {ms(timer), rows};
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    const QString path = dir.path() + "/bench.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);

    QElapsedTimer timer;
    timer.start();
    const qint64 name = addField(module, "Имя", 5, "VARCHAR(50)", false);
    const qint64 colour = addField(module, "Цвет", 5, "VARCHAR(50)", true);
    const qint64 number = addField(module, "Номер", 0, "INTEGER", false);
    const qint64 date = addField(module, "Дата", 3, "DATE", false);
    {
        Transaction tx(module);
        QSqlQuery insert(module.database());
        insert.prepare(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3, G%4) VALUES(?,?,?,?,?)").arg(name).arg(colour).arg(number).arg(date));
        for (int i = 1; i <= ObjectCount; ++i) {
            const int scrambled = int((qint64(i) * 48271) % ObjectCount);
            insert.addBindValue(i);
            insert.addBindValue(QStringLiteral("%1 номер %2").arg(Words[scrambled % 10]).arg(scrambled));
            insert.addBindValue(1 + scrambled % 500);
            insert.addBindValue(scrambled);
            insert.addBindValue(QStringLiteral("20%1-%2-%3").arg(10 + scrambled % 15).arg(1 + scrambled % 12, 2, 10, QChar('0')).arg(1 + scrambled % 28, 2, 10, QChar('0')));
            if (!insert.exec()) {
                std::fprintf(stderr, "insert failed: %s\n", qPrintable(insert.lastError().text()));
                return 1;
            }
        }
        tx.commit();
    }
    std::printf("built %d objects (string, lookup, integer, date) in %.0f ms\n", ObjectCount, ms(timer));

    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    ObjectList &list = ObjectList::Of(module);
    list.compose(fields);
    const QString base = list.unfilteredStatement();
    const QString nameColumn = QStringLiteral("G%1").arg(name);

    timer.restart();
    EnsureSearchIndex(module);
    std::printf("search index made in %.0f ms (%lld rows, %.1f MiB; the objects' table %.1f MiB)\n", ms(timer),
                module.QRWork->readAll(QStringLiteral("SELECT COUNT(*) FROM ") + SchemaName::SearchTextTable).first().first().toLongLong(),
                module.QRWork->readAll(QStringLiteral("SELECT SUM(pgsize) FROM dbstat WHERE name = ?"), {SchemaName::SearchTextTable}).first().first().toDouble() / 1048576,
                module.QRWork->readAll(QStringLiteral("SELECT SUM(pgsize) FROM dbstat WHERE name = 'GENER'")).first().first().toDouble() / 1048576);

    // As the window does it: the condition, the list opened again, the first screen read.
    const auto keystroke = [&](const QString &text) {
        QElapsedTimer stroke;
        stroke.start();
        list.applySearch(fields, text);
        const int rows = module.QRGeneral->readRows(FirstScreen);
        return std::pair<double, int>{ms(stroke), rows};
    };
    const QList<QString> texts{QStringLiteral("нет такого"), QStringLiteral("щ"), QStringLiteral("СЛОН НОМЕР 999989"),
                               QStringLiteral("15.03.20"), QStringLiteral("ё"), QStringLiteral("номер"),
                               // some thousands, every one last in the order by name (Latin after Cyrillic)
                               QStringLiteral("APPLE НОМЕР 99"), QStringLiteral("жук")};
    std::printf("\nquick search, one keystroke to the first %d rows (rows shown), best of 3:\n", FirstScreen);
    for (const char *order : {"", "name"}) {
        list.compose(fields);
        if (*order)
            list.sortByTitle(QStringLiteral("Имя"));
        for (const QString &text : texts) {
            std::pair<double, int> best{1e9, 0};
            for (int i = 0; i < 3; ++i) {
                keystroke(QStringLiteral("y"));   // another text first: nothing found before is reused
                const auto r = keystroke(text);
                best = r.first < best.first ? r : best;
            }
            std::printf("  %-8s %-20s %8.1f ms (%d)\n", *order ? "by name" : "unsorted", qPrintable('"' + text + '"'),
                        best.first, best.second);
        }
    }
    list.compose(fields);
    // A marked block is read from GENER: after an object changed and before the index was brought up to date.
    module.exec(QStringLiteral("UPDATE GENER SET %1 = %1 WHERE G_ID % 1000 = 0").arg(nameColumn));
    {
        const auto r = keystroke(QStringLiteral("нет такого"));
        std::printf("  with %lld blocks marked, \"нет такого\"   %8.1f ms (%d)\n",
                    module.QRWork->readAll(QStringLiteral("SELECT COUNT(*) FROM ") + SchemaName::SearchStaleTable).first().first().toLongLong(),
                    r.first, r.second);
        timer.restart();
        Transaction tx(module);
        RefreshSearchIndex(module);
        tx.commit();
        std::printf("  those blocks made anew in %.0f ms\n", ms(timer));
    }

    std::printf("\nsearch without the index (every object read from GENER), time to the first %d rows / to the end:\n", FirstScreen);
    module.exec(QStringLiteral("ALTER TABLE %1 RENAME TO BENCH_HIDDEN").arg(SchemaName::SearchTextTable));
    for (const QString &text : {QStringLiteral("ё"), QStringLiteral("нет такого")}) {
        const SearchCondition condition = ObjectSearchCondition(fields, text);
        const QString sql = base + QLatin1String(" AND ") + condition.sql;
        const auto first = timed(module, sql, condition.values, false);
        const auto all = timed(module, sql, condition.values, true);
        std::printf("  %-14s %8.1f ms / %8.1f ms (%d)\n", qPrintable('"' + text + '"'), first.first, all.first, all.second);
    }
    module.exec(QStringLiteral("ALTER TABLE BENCH_HIDDEN RENAME TO %1").arg(SchemaName::SearchTextTable));

    // The engine's own LIKE over the same text columns: faster, but blind to Cyrillic case.
    for (const QString &text : {QStringLiteral("жук номер 99"), QStringLiteral("нет такого")}) {
        const QString sql = base + QStringLiteral(" AND (%1 LIKE ? OR L%2_DATA LIKE ? OR G%3 LIKE ? OR G%4 LIKE ?)")
                                       .arg(nameColumn).arg(colour).arg(number).arg(date);
        const QString pattern = '%' + text + '%';
        const auto all = timed(module, sql, {pattern, pattern, pattern, pattern}, true);
        std::printf("  engine LIKE,      %-14s to the end %8.1f ms (%d)\n", qPrintable('"' + text + '"'), all.first,
                    all.second);
    }

    {
        // The floor: the engine reading every row of the list for a plain comparison that never holds.
        const auto all = timed(module, base + QStringLiteral(" AND %1 = ?").arg(nameColumn), {QStringLiteral("нет такого")}, true);
        std::printf("  engine, one plain comparison (the floor)      %8.1f ms\n", all.first);
    }

    if (app.arguments().contains(QStringLiteral("--fts"))) {
        // The alternative weighed against the index: the engine's full-text table with the trigram
        // tokenizer over the same texts (3 letters at least; shorter texts would still read every object).
        timer.restart();
        module.exec(QStringLiteral("CREATE VIRTUAL TABLE BENCH_FTS USING fts5(T, tokenize = 'trigram')"));
        {
            Transaction tx(module);
            module.exec(QStringLiteral("INSERT INTO BENCH_FTS (rowid, T) SELECT G_ID, lower(%1 || ' ' || L%2_DATA || ' ' || G%3 || ' ' || G%4) "
                                       "FROM GENER, LOOKUP%2 WHERE G%2 = L%2_ID")
                            .arg(nameColumn).arg(colour).arg(number).arg(date));
            tx.commit();
        }
        std::printf("\nfull-text table (trigram) made in %.0f ms\n", ms(timer));
        for (const QString &text : {QStringLiteral("нет такого"), QStringLiteral("слон номер 999989"), QStringLiteral("номер")}) {
            const QString sql = base + QStringLiteral(" AND G_ID IN (SELECT rowid FROM BENCH_FTS WHERE BENCH_FTS MATCH ?) ORDER BY G_ID");
            const auto first = timed(module, sql, {'"' + text + '"'}, false);
            std::printf("  %-20s %8.1f ms (%d)\n", qPrintable('"' + text + '"'), first.first, first.second);
        }
    }

    std::printf("\nsort by a text column, time to the first %d rows:\n", FirstScreen);
    const auto sortBy = [&](const QString &order, const char *label) {
        const auto first = timed(module, base + order, {}, false);
        std::printf("  %-44s %8.1f ms\n", label, first.first);
    };
    sortBy(" ORDER BY " + nameColumn, "string, binary order (before)");
    sortBy(" ORDER BY " + nameColumn + " COLLATE RUSSIAN", "string, COLLATE RUSSIAN");
    sortBy(QStringLiteral(" ORDER BY L%1_DATA").arg(colour), "lookup text, binary order (before)");
    sortBy(QStringLiteral(" ORDER BY L%1_DATA COLLATE RUSSIAN").arg(colour), "lookup text, COLLATE RUSSIAN");
    {
        const auto search = ObjectSearchCondition(fields, "жук");
        const auto r = timed(module, base + " AND " + search.sql + " ORDER BY " + nameColumn + " COLLATE RUSSIAN", search.values, false);
        std::printf("  %-44s %8.1f ms\n", "search \"жук\" + string COLLATE RUSSIAN", r.first);
    }
    timer.restart();
    module.exec(QStringLiteral("CREATE INDEX BENCH_NAME_RU ON GENER (%1 COLLATE RUSSIAN)").arg(nameColumn));
    module.exec(QStringLiteral("CREATE INDEX BENCH_NAME_BIN ON GENER (%1)").arg(nameColumn));
    std::printf("  (two indexes created in %.0f ms)\n", ms(timer));
    sortBy(" ORDER BY " + nameColumn, "string, binary order, binary index");
    sortBy(" ORDER BY " + nameColumn + " COLLATE RUSSIAN", "string, COLLATE RUSSIAN, index COLLATE RUSSIAN");
    sortBy(" ORDER BY " + nameColumn + " COLLATE RUSSIAN DESC", "  the same, descending");
    return 0;
}
