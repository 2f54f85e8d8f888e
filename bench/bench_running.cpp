// Moving through the objects of a running catalog (bench/runningcatalogbench.h); bench_performance
// reports the same figures with the others.
//
//   build/bench/bench_running [objects] [passes of 10 000 slideshow moves for the memory]
//   build/bench/bench_running pictures [moves]
//
// "pictures": the longest the interface thread is held when the running catalog moves to an object with
// a 24-megapixel photograph, and when the object editor shows one: the decoding as it was (in the move
// itself, measured by calling it the way the move called it) and as it is (beside the interface thread,
// the longest gap between two turns of the event loop from the key press until the picture is shown).
#include "app/databasehooks.h"
#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "catalogs/catalogobject.h"
#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/fieldstore.h"
#include "fields/picturefiles.h"
#include "objects/fieldeditor.h"
#include "objects/objectstore.h"
#include "objects/objectlist.h"
#include "runningcatalogbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
// A 6000 x 4000 camera photograph: gradients, shapes and fine texture, so it has a camera file's size.
QByteArray CameraPhoto(int seed)
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 6000, 4000);
    gradient.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 120, 230));
    gradient.setColorAt(1, QColor::fromHsv((seed * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 600; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 13 + i * 7) % 360, 180, 60 + (i * 31) % 190));
        painter.drawEllipse((i * 97 + seed * 41) % 6000, (i * 61 + seed * 17) % 4000, 60 + i % 400, 45 + (i * 3) % 300);
    }
    painter.end();
    for (int y = 0; y < image.height(); y += 3) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = (y / 3) % 4; x < image.width(); x += 4)
            line[x] ^= 0x00101010u;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(90);
    writer.write(image);
    return data;
}

// Runs the event loop until `done` holds (and at least `atLeastMs`); the longest time one turn of the loop
// took, the first turn measured from `since`.
double LongestTurn(const QElapsedTimer &since, const std::function<bool()> &done, int atLeastMs = 0)
{
    qint64 last = 0;
    double longest = 0;
    QElapsedTimer spent;
    spent.start();
    while (!done() || spent.elapsed() < atLeastMs) {
        QApplication::processEvents(QEventLoop::AllEvents);
        const qint64 now = since.nsecsElapsed();
        longest = std::max(longest, (now - last) / 1e6);
        last = now;
        if (spent.elapsed() > 30000)
            break;
    }
    return longest;
}

double Worst(const QList<double> &times)
{
    return times.isEmpty() ? 0 : *std::max_element(times.begin(), times.end());
}

double Average(const QList<double> &times)
{
    double sum = 0;
    for (double t : times)
        sum += t;
    return times.isEmpty() ? 0 : sum / times.size();
}

void MeasurePictureStalls(const QString &folder, int moves)
{
    const QString path = folder + QStringLiteral("/pictures.mdb");
    CreateEmptyDatabase(path);
    DModule = new TDModule;
    DModule->ProgramFolder = folder;
    DModule->OpenConnection(path);
    const qint64 name = FieldStore::AddField(*DModule, QStringLiteral("Название"), FieldStore::StringType, false);
    const qint64 photo = FieldStore::AddField(*DModule, QStringLiteral("Фото"), 7, false);
    QList<QByteArray> photos;
    for (int i = 0; i < 3; ++i)
        photos << CameraPhoto(i);
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);
    DescriptionField nameField, photoField;
    for (const DescriptionField &field : fields)
        (field.id == name ? nameField : photoField) = field;
    for (int i = 0; i <= moves; ++i) {
        FieldInput title{nameField, QStringLiteral("Снимок %1").arg(i + 1), false};
        FieldInput picture{photoField, photos[i % photos.size()], true};
        InsertObject(*DModule, ReserveObjectId(*DModule), {title, picture});
    }
    std::printf("%d objects, each with a 6000 x 4000 JPEG of %.1f MiB on average\n", moves + 1,
                (photos[0].size() + photos[1].size() + photos[2].size()) / 3.0 / 1024 / 1024);

    Layout::Catalog layout;
    layout.fieldImages << Layout::FieldImage{QStringLiteral("Фото"), 640, 480, 20, 20};
    layout.fieldLabels << Layout::Label{QStringLiteral("Название"), Layout::Colors::WindowText, 12, Layout::DefaultFontName, 680, 20};
    CatalogStore::Save(*DModule, QStringLiteral("Снимки"), layout, {});
    Form23 = new TForm23;
    Form22 = new TForm22;
    if (!Form22->RunCatalog(QStringLiteral("Снимки"))) {
        std::fprintf(stderr, "the catalog did not start\n");
        std::exit(1);
    }
    PictureElement *image = Form22->Images.value(0);
    QTableView *grid = Form22->findChild<QTableView *>(QStringLiteral("DBGrid"));
    QElapsedTimer opened;
    opened.start();
    LongestTurn(opened, [image] { return !image->decoding(); });

    // As the move decoded before: every picture of the panel decoded in the move, on the interface thread.
    QList<double> before;
    QElapsedTimer timer;
    for (int i = 0; i < moves; ++i) {
        timer.restart();
        PictureElement::setPictureData(Form22->Images, {photos[(i + 1) % photos.size()]});
        before << timer.nsecsElapsed() / 1e6;
    }
    // As it moves now: the Down key, then the loop turning until the picture is shown.
    QList<double> after, shownIn;
    for (int i = 0; i < moves; ++i) {
        timer.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(grid, &press);
        after << LongestTurn(timer, [image] { return !image->decoding(); });
        shownIn << timer.nsecsElapsed() / 1e6;
    }
    // Held down: a move every 30 ms (the keyboard's repeat), the last picture shown in the end.
    timer.restart();
    double held = 0;
    for (int i = 0; i < moves; ++i) {
        QElapsedTimer step;
        step.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(grid, &press);
        held = std::max(held, LongestTurn(step, [] { return true; }, 30));
    }
    QElapsedTimer settle;
    settle.start();
    held = std::max(held, LongestTurn(settle, [image] { return !image->decoding(); }));
    const bool rightPicture = image->pictureData() == CatalogObject::PictureData(*DModule, *DModule->QRGeneral, photoField);
    std::printf("running catalog, field image %dx%d:\n", image->width(), image->height());
    std::printf("  decoded in the move (as before): interface thread held %.1f ms on average, %.1f ms at worst\n",
                Average(before), Worst(before));
    std::printf("  decoded beside (now): longest turn of the event loop %.1f ms on average, %.1f ms at worst; picture "
                "shown %.1f ms after the key on average\n",
                Average(after), Worst(after), Average(shownIn));
    std::printf("  key held for %d moves (one every 30 ms): longest turn %.1f ms; ends on object %lld with its own "
                "picture: %s\n",
                moves, held, DModule->QRGeneral->asInteger(QStringLiteral("G_ID")), rightPicture ? "yes" : "NO");
    Form22->close();

    // The object editor's picture box: before, decoded in the move at the screen's size; now, beside it at
    // the box's size.
    const QScreen *screen = QApplication::primaryScreen();
    const QSize screenBound = screen->size() * screen->devicePixelRatio();
    PictureBox box;
    box.resize(480, 360);
    box.show();
    QList<double> boxBefore, boxAfter;
    for (int i = 0; i < moves; ++i) {
        timer.restart();
        const QImage decoded = ShownPicture(photos[i % photos.size()], screenBound);
        box.setPixmap(QPixmap::fromImage(decoded).scaled(box.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        boxBefore << timer.nsecsElapsed() / 1e6;
    }
    for (int i = 0; i < moves; ++i) {
        timer.restart();
        box.setPicture(photos[i % photos.size()]);
        boxAfter << LongestTurn(timer, [&box] { return !box.decoding(); });
    }
    std::printf("object editor, picture box %dx%d on a %dx%d screen:\n", box.width(), box.height(), screenBound.width(),
                screenBound.height());
    std::printf("  decoded on the interface thread at the screen's size (as before): %.1f ms on average, %.1f ms at worst\n",
                Average(boxBefore), Worst(boxBefore));
    std::printf("  decoded beside at the box's size (now): longest turn of the event loop %.1f ms on average, %.1f ms at "
                "worst\n",
                Average(boxAfter), Worst(boxAfter));

    delete Form22;
    delete Form23;
    Form22 = nullptr;
    Form23 = nullptr;
    DModule->CloseConnection();
    delete DModule;
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    if (argc > 1 && QByteArray(argv[1]) == "pictures") {
        MeasurePictureStalls(dir.path(), argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20);
        return 0;
    }
    RunningCatalogBench::Measure(dir.path(), argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000,
                                 argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : RunningCatalogBench::DayPasses);
    return 0;
}
