// The object list on a large database: time to the first rows, scrolling, sorting by a column next to
// the same ORDER BY run by the engine alone, and finding an object in the sorted list.
#include "app/databasehooks.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {
constexpr int ObjectCount = 100000;
constexpr int LookupEntries = 200;

qint64 addField(TDModule &module, const QString &name, int type, const QString &, bool lookup)
{
    module.QRWork->close();
    const qint64 id = FieldStore::AddField(module, name, type, lookup);
    if (lookup) {
        Transaction tx(module);
        for (int i = 1; i <= LookupEntries; ++i)
            module.exec(QLatin1String("INSERT INTO ") + SchemaName::LookupTable(id) + QLatin1String(" VALUES(?, ?)"),
                        {i, QStringLiteral("запись %1").arg((i * 7919) % 1000)});
        tx.commit();
    }
    return id;
}

void fill(TDModule &module)
{
    QList<qint64> ids;
    ids << addField(module, "Номер", 0, "INTEGER", false) << addField(module, "Вес", 1, "FLOAT", false)
        << addField(module, "Время", 2, "TIME", false) << addField(module, "Дата", 3, "DATE", false)
        << addField(module, "Есть", 4, "BOOLEAN", false) << addField(module, "Имя", 5, "VARCHAR(50)", false)
        << addField(module, "Цвет", 5, "VARCHAR(50)", true) << addField(module, "Страна", 5, "VARCHAR(50)", true)
        << addField(module, "Описание", 6, "TEXT", false) << addField(module, "Фото", 7, "BLOB", false);
    QStringList columns{"G_ID"};
    for (qint64 id : ids)
        columns << QStringLiteral("G%1").arg(id);
    Transaction tx(module);
    QSqlQuery insert(module.database());
    insert.prepare(QStringLiteral("INSERT INTO GENER (%1) VALUES(?,?,?,?,?,?,?,?,?,?,?)").arg(columns.join(',')));
    for (int i = 1; i <= ObjectCount; ++i) {
        const int scrambled = int((qint64(i) * 48271) % ObjectCount);
        insert.addBindValue(i);
        insert.addBindValue(scrambled);
        insert.addBindValue(scrambled / 7.0);
        insert.addBindValue(QStringLiteral("%1:%2:00").arg(scrambled % 24, 2, 10, QChar('0')).arg(scrambled % 60, 2, 10, QChar('0')));
        insert.addBindValue(QStringLiteral("20%1-%2-%3").arg(10 + scrambled % 15).arg(1 + scrambled % 12, 2, 10, QChar('0')).arg(1 + scrambled % 28, 2, 10, QChar('0')));
        insert.addBindValue(scrambled % 2 ? -1 : 0);
        insert.addBindValue(QStringLiteral("объект %1").arg(scrambled));
        insert.addBindValue(1 + scrambled % LookupEntries);
        insert.addBindValue(1 + (scrambled / 3) % LookupEntries);
        insert.addBindValue(QStringLiteral("строка\rещё строка\r"));
        insert.addBindValue(QVariant(QMetaType::fromType<QByteArray>()));
        if (!insert.exec()) {
            std::fprintf(stderr, "insert failed: %s\n", qPrintable(insert.lastError().text()));
            std::exit(1);
        }
    }
    tx.commit();
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Time for the engine alone to run a statement and hand over its first row.
double engineFirstRow(TDModule &module, const QString &statement)
{
    QElapsedTimer timer;
    timer.start();
    QSqlQuery query(module.database());
    query.setForwardOnly(true);
    query.exec(statement);
    query.next();
    return ms(timer);
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    const QString path = dir.path() + "/bench.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);

    QElapsedTimer timer;
    timer.start();
    fill(module);
    std::printf("built %d objects with 10 fields (2 lookup-backed) in %.0f ms\n", ObjectCount, ms(timer));

    QTableView view;
    ObjectGridModel model(module.QRGeneral);
    view.setModel(&model);
    view.resize(1000, 600);
    view.show();
    app.processEvents();

    // Entering the view/fill mode: fields, statement, columns, first rows painted.
    timer.restart();
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    ObjectList &list = ObjectList::Of(module);
    list.compose(fields);
    list.open();
    QList<DescriptionField> shown;
    for (const DescriptionField &field : fields) {
        if (field.hasGridColumn())
            shown << field;
    }
    model.setColumns(shown);
    view.repaint();
    app.processEvents();
    std::printf("enter view/fill: first %d rows shown in %.1f ms (rows read so far: %d)\n", model.rowCount(), ms(timer),
                module.QRGeneral->rowsRead());

    // Scrolling page by page through the first 20 000 rows; the slowest step is the stall a user would feel.
    QScrollBar *bar = view.verticalScrollBar();
    double slowest = 0;
    int steps = 0;
    timer.restart();
    while (model.rowCount() < 20000 && steps < 5000) {
        QElapsedTimer step;
        step.start();
        bar->setValue(bar->maximum());
        view.repaint();
        app.processEvents();
        slowest = qMax(slowest, ms(step));
        ++steps;
    }
    std::printf("scroll: %d rows in %d steps, %.1f ms in all, slowest step %.2f ms\n", model.rowCount(), steps, ms(timer), slowest);

    // Sorting by a title: the program's statement against the same ORDER BY in the engine alone.
    for (const QString &caption : {QStringLiteral("Номер"), QStringLiteral("Дата"), QStringLiteral("Цвет")}) {
        timer.restart();
        list.sortByTitle(caption);
        view.repaint();
        app.processEvents();
        const double program = ms(timer);
        const double engine = engineFirstRow(module, list.statement());
        std::printf("sort by %s: program %.1f ms to first rows shown, engine alone %.1f ms\n", qPrintable(caption), program, engine);
    }

    // After adding, the list moves to the new object, reading rows until it is found; the worst case reads
    // the whole sorted list (an identifier it does not hold).
    list.open();
    timer.restart();
    const int row = FindObjectRow(*module.QRGeneral, 0);
    std::printf("locate an object past the last row: %d rows read in %.1f ms (found: %s)\n", module.QRGeneral->rowsRead(), ms(timer),
                row ? "yes" : "no");
    return 0;
}
