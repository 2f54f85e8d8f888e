// The object filter on a large database: 100 000 objects, three reference books of 10 000 entries each,
// three links per object. Adds three filter entries on top-level entries (each with a subtree of 2 499
// entries) through the real filter panel and compares each step with one hand-written statement that
// makes the same selection in the engine alone.
#include "app/databasehooks.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "objects/filterpanel.h"
#include "objects/objectfilter.h"
#include "objects/objectlist.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int Objects = 100000;
constexpr int EntriesPerBook = 10000;
constexpr int Books = 3;
constexpr int Runs = 5;

void run(const QString &sql)
{
    QSqlQuery q(DModule->database());
    if (!q.exec(sql)) {
        std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(sql), qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

qint64 topEntry(int book) { return qint64(book) * 100000 + 1; }

void buildDatabase()
{
    run("BEGIN");
    run("INSERT INTO FIELDS VALUES(1, 'Номер', 0, 0)");
    run("ALTER TABLE GENER ADD G1 INTEGER");
    for (int b = 1; b <= Books; ++b) {
        const QString t = QStringLiteral("REFER%1").arg(b), p = QStringLiteral("R%1").arg(b);
        run(QStringLiteral("CREATE TABLE %1(%2_ID INTEGER NOT NULL PRIMARY KEY, %2_NAME VARCHAR(100), %2_CODE VARCHAR(30), "
                           "%2_LINK INTEGER, %2_COEFF FLOAT)").arg(t, p));
        run(QStringLiteral("CREATE INDEX %1_LINK ON %1(%2_LINK)").arg(t, p));
        run(QStringLiteral("INSERT INTO REFERS VALUES(%1, 'Справочник %1', %1)").arg(b));
        // Entries 1..4 are the top level, 5..200 their children, 201..10000 the children's children:
        // every top-level entry has 49 children and 2 450 grandchildren.
        const qint64 base = qint64(b) * 100000;
        run(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                           "INSERT INTO %2 SELECT %3 + I, 'Элемент ' || I, I, "
                           "CASE WHEN I <= 4 THEN 0 WHEN I <= 200 THEN %3 + 1 + (I - 5) % 4 ELSE %3 + 5 + (I - 201) % 196 END, 0 FROM N")
                .arg(EntriesPerBook).arg(t).arg(base));
    }
    run(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                       "INSERT INTO GENER SELECT I, I * 3 FROM N").arg(Objects));
    // One link per object and book, to an entry below the top level: G_ID times a prime of its own per
    // book, modulo a larger prime, spreads the objects evenly and independently over the books.
    const int multipliers[Books] = {7919, 104729, 1299709};
    for (int b = 1; b <= Books; ++b) {
        run(QStringLiteral("INSERT INTO LINKS SELECT %1 * %2 + G_ID, G_ID, %1, %1 * 100000 + 5 + ((G_ID * %3) % 1000003) % 9996, "
                           "'', 0 FROM GENER").arg(b).arg(Objects).arg(multipliers[b - 1]));
    }
    run("COMMIT");
    run("ANALYZE");
}

// The same selection as one statement written by hand: every descendant set as a recursive sub-select.
QString handWritten(int entries)
{
    QString sql = QStringLiteral("SELECT G_ID, G1 FROM GENER WHERE 1 = 1");
    for (int b = 1; b <= entries; ++b) {
        const QString p = QStringLiteral("R%1").arg(b);
        sql += QStringLiteral(" AND G_ID IN (SELECT L_OBJECT FROM LINKS WHERE L_REFER = %1 AND L_CLASS IN ("
                              "WITH RECURSIVE D(ID) AS (SELECT %2 UNION SELECT T.%3_ID FROM REFER%1 T JOIN D ON T.%3_LINK = D.ID) "
                              "SELECT ID FROM D))").arg(b).arg(topEntry(b)).arg(p);
    }
    return sql;
}

double ms(QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    // A message box would wait for a user: print it and close it.
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("message: %s\n", qPrintable(box->text()));
            box->done(QMessageBox::Ok);
        }
    });
    boxCloser.start(50);
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/bench.mdb");
    CreateEmptyDatabase(path);
    DModule = new TDModule;
    DModule->OpenConnection(path);

    QElapsedTimer timer;
    timer.start();
    buildDatabase();
    std::printf("database: %d objects, %d books of %d entries, %d links: built in %.0f ms\n", Objects, Books,
                EntriesPerBook, Objects * Books, ms(timer));

    QWidget grid;
    FilterPanel panel(&grid);
    QList<double> addTimes[Books], conditionTimes[Books], evaluateTimes[Books], handTimes[Books];
    int passing[Books] = {0, 0, 0}, handRows[Books] = {0, 0, 0};
    for (int r = 0; r < Runs; ++r) {
        ObjectList::Of(*DModule).compose();
        ObjectList::Of(*DModule).open();
        panel.reset();
        panel.fillBooks();
        for (int b = 0; b < Books; ++b) {
            // Through the panel, as the user does it: choose the book, select the top-level entry, add.
            panel.findChild<QComboBox *>(QStringLiteral("ComboBox"))->setCurrentIndex(b);
            panel.ComboBoxChange();
            QTreeWidgetItem *top = panel.findChild<QTreeWidget *>(QStringLiteral("ClassesView"))->topLevelItem(0);
            panel.findChild<QTreeWidget *>(QStringLiteral("ClassesView"))->setCurrentItem(top);
            timer.restart();
            panel.findChild<QPushButton *>(QStringLiteral("AddFilter"))->click();
            DModule->QRGeneral->recordCount();   // every row of the filtered list read
            addTimes[b] << ms(timer);
            passing[b] = DModule->QRGeneral->recordCount();

            // Its parts, measured again on their own.
            timer.restart();
            FilterCondition(*DModule, b + 1, topEntry(b + 1));
            conditionTimes[b] << ms(timer);
            timer.restart();
            EvaluateObjectFilter(*DModule, " FROM GENER", QString(), panel.Memo);
            evaluateTimes[b] << ms(timer);

            timer.restart();
            SharedQuery &q = *DModule->QRWork;
            q.open(handWritten(b + 1));
            handRows[b] = q.recordCount();
            q.close();
            handTimes[b] << ms(timer);
        }
    }
    std::printf("filter entries on top-level entries (2 499 entries below each), median of %d runs:\n", Runs);
    for (int b = 0; b < Books; ++b) {
        std::printf("  entry %d: add through the panel %.1f ms (condition %.1f ms, evaluation %.1f ms), "
                    "%d objects pass; one hand-written statement %.1f ms, %d rows; ratio %.2f\n",
                    b + 1, median(addTimes[b]), median(conditionTimes[b]), median(evaluateTimes[b]), passing[b],
                    median(handTimes[b]), handRows[b], median(addTimes[b]) / median(handTimes[b]));
        if (passing[b] != handRows[b])
            std::printf("  MISMATCH: the panel lists %d objects, the hand-written statement %d\n", passing[b], handRows[b]);
    }
    timer.restart();
    panel.findChild<QListWidget *>(QStringLiteral("ListBox"))->setCurrentRow(1);
    panel.findChild<QPushButton *>(QStringLiteral("DeleteFilter"))->click();
    DModule->QRGeneral->recordCount();
    std::printf("removing the middle entry: %.1f ms, %d objects pass\n", ms(timer), DModule->QRGeneral->recordCount());
    delete DModule;
    DModule = nullptr;
    return 0;
}
