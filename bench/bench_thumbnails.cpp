// Thumbnails made from photographs: per second on one thread and on every core, for camera pictures of
// 1920 x 1080 and of 4000 x 3000; then scrolling a list of 100 000 objects that show thumbnails.
#include "app/databasehooks.h"
#include "benchphoto.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/thumbnails.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <cstdio>
#include <atomic>
#include <future>
#include <vector>

namespace {
constexpr int Made = 120;

QByteArray big(int seed)
{
    const QImage photo = QImage::fromData(Photo(seed)).scaled(4000, 3000);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(90);
    writer.write(photo);
    return data;
}

void measure(const char *what, const QList<QByteArray> &pictures)
{
    qint64 bytes = 0;
    for (const QByteArray &picture : pictures)
        bytes += picture.size();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Made; ++i) {
        if (Thumbnails::Make(pictures[i % pictures.size()]).isEmpty())
            std::printf("no thumbnail made\n");
    }
    const double single = Made * 1000.0 / double(timer.elapsed());
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    std::atomic<int> next{0};
    timer.restart();
    std::vector<std::future<void>> workers;
    for (int t = 0; t < threads; ++t)
        workers.push_back(std::async(std::launch::async, [&] {
            for (int i = next++; i < Made; i = next++)
                Thumbnails::Make(pictures[i % pictures.size()]);
        }));
    for (auto &worker : workers)
        worker.get();
    const double parallel = Made * 1000.0 / double(timer.elapsed());
    std::printf("| %s | %.1f | %.0f | %.0f | %d |\n", what, double(bytes) / pictures.size() / 1024.0 / 1024.0, single,
                parallel, threads);
}
}

double ms(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e6; }

// 100 000 objects, each with a name and a small picture, and every one's thumbnail stored; then the view/fill
// grid scrolled page by page through the first 20 000 rows and dragged to the middle and the end.
void scrolling(QApplication &app)
{
    constexpr int Objects = 100000;
    QTemporaryDir dir;
    const QString path = dir.path() + "/bench.mdb";
    CreateEmptyDatabase(path);
    TDModule module;
    module.OpenConnection(path);
    const qint64 name = FieldStore::AddField(module, "Имя", 5, false);
    const qint64 photo = FieldStore::AddField(module, "Фото", 7, false);
    const QByteArray small = [] {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImage::fromData(Photo(3)).scaled(160, 120).save(&buffer, "JPEG", 80);
        return data;
    }();
    const QByteArray thumbnail = Thumbnails::Make(small);
    QElapsedTimer timer;
    timer.start();
    {
        Transaction tx(module);
        QSqlQuery insert(module.database());
        insert.prepare(QStringLiteral("INSERT INTO GENER (G_ID, %1, %2) VALUES(?,?,?)")
                           .arg(SchemaName::FieldColumn(name), SchemaName::FieldColumn(photo)));
        for (int i = 1; i <= Objects; ++i) {
            insert.addBindValue(i);
            insert.addBindValue(QStringLiteral("снимок %1").arg(i));
            insert.addBindValue(small);
            insert.exec();
        }
        QSqlQuery thumbs(module.database());
        thumbs.prepare(QStringLiteral("INSERT INTO THUMBS SELECT G_ID, %1, ? FROM GENER").arg(photo));
        thumbs.addBindValue(thumbnail);
        thumbs.exec();
        tx.commit();
    }
    std::printf("\nbuilt %d objects with a %lld-byte picture and a %lld-byte thumbnail each in %.0f ms\n", Objects,
                qint64(small.size()), qint64(thumbnail.size()), ms(timer));

    QTableView view;
    ObjectGridModel model(module.QRGeneral);
    view.setModel(&model);
    view.resize(1000, 600);
    view.show();
    app.processEvents();
    timer.restart();
    const QList<DescriptionField> fields = ReadDescriptionFields(module);
    ObjectList &list = ObjectList::Of(module);
    list.compose(fields);
    list.open();
    ShowGridColumns(view, model, fields);
    view.repaint();
    app.processEvents();
    std::printf("first rows with thumbnails shown in %.1f ms\n", ms(timer));

    std::printf("| Scrolling | steps | mean step, ms | slowest step, ms |\n|---|---|---|---|\n");
    QScrollBar *bar = view.verticalScrollBar();
    double slowest = 0, total = 0;
    int steps = 0;
    while (model.rowCount() < 20000 && steps < 5000) {
        QElapsedTimer step;
        step.start();
        bar->setValue(bar->value() + bar->pageStep());
        if (bar->value() == bar->maximum() && model.canFetchMore({}))
            model.fetchMore({});
        view.repaint();
        app.processEvents();
        slowest = qMax(slowest, ms(step));
        total += ms(step);
        ++steps;
    }
    std::printf("| page by page through %d rows | %d | %.2f | %.2f |\n", model.rowCount(), steps, total / steps, slowest);
    double jumps = 0;
    for (const double at : {0.5, 1.0, 0.25}) {
        QElapsedTimer step;
        step.start();
        bar->setValue(int(bar->maximum() * at));
        view.repaint();
        app.processEvents();
        jumps = qMax(jumps, ms(step));
    }
    std::printf("| dragged to the middle, the end, a quarter | 3 | | %.2f |\n", jumps);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QList<QByteArray> hd, camera;
    for (int seed = 0; seed < 8; ++seed) {
        hd << Photo(seed);
        camera << big(seed);
    }
    std::printf("| Pictures | MiB each | Thumbnails per second, one thread | all threads | threads |\n|---|---|---|---|---|\n");
    measure("1920 x 1080 JPEG", hd);
    measure("4000 x 3000 JPEG", camera);
    scrolling(app);
    return 0;
}
