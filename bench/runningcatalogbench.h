// Moving through the objects of a running catalog, shared by bench_running and bench_performance: a layout of 30 elements (10 field labels, 2 memos,
// 2 field images, 5 text images, a background, 8 frames, 2 reference lists) over 100 000 objects with
// 3 links each. The first 1 100 objects carry two 1920x1080 JPEG photographs each (the objects walked
// through; pictures on every object would make a file of tens of gigabytes). Measures 1 000 moves to the
// next object with the Down key in the real window, painting included, beside the time to fill the same
// ten labels from one hand-written SELECT of the row; then 1 000 moves by a finger's swipe across the panel
// and 1 000 by the slideshow, and the program's memory over 10 000 slideshow moves (a day in a hall).
#pragma once

#include "benchmemory.h"
#include "benchphoto.h"
#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/idlereset.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "references/referencestore.h"

#include <QApplication>
#include <QBuffer>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QKeyEvent>
#include <QPointingDevice>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <algorithm>
#include <cstdio>

namespace RunningCatalogBench {
constexpr int Moves = 1000;
constexpr int DayMoves = 10000;
constexpr int DayPasses = 4;   // by default
constexpr int PictureObjects = 1100;
constexpr int Books = 3;
constexpr int EntriesPerBook = 2000;
const QString Name = QStringLiteral("Витрина");

inline void run(const QString &sql)
{
    QSqlQuery q(DModule->database());
    if (!q.exec(sql)) {
        std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(sql.left(300)), qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

inline void exec(QSqlQuery &q)
{
    if (!q.exec()) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

struct Fields
{
    QList<qint64> labels;   // the ten fields of the labels
    qint64 colour = 0, memo1 = 0, memo2 = 0, photo1 = 0, photo2 = 0;
};

inline Fields build(int objects, qint64 *pictureBytes)
{
    TDModule &module = *DModule;
    Fields f;
    const auto add = [&](const char *name, int type, bool lookup = false) {
        return FieldStore::AddField(module, QString::fromUtf8(name), type, lookup);
    };
    f.labels << add("Номер", 0) << add("Цена", 1) << add("Время", 2) << add("Дата", 3) << add("Есть", 4)
             << add("Имя", FieldStore::StringType) << add("Код", FieldStore::StringType) << add("Вес", 0)
             << add("Размер", FieldStore::StringType);
    f.colour = add("Цвет", FieldStore::StringType, true);
    f.labels << f.colour;
    f.memo1 = add("Описание", 6);
    f.memo2 = add("Примечание", 6);
    f.photo1 = add("Фото", 7);
    f.photo2 = add("Схема", 7);
    {
        Transaction tx(module);
        for (int i = 1; i <= 200; ++i)
            FieldStore::AddLookupEntry(module, f.colour, QStringLiteral("цвет %1").arg(i));
        tx.commit();
    }
    for (int b = 1; b <= Books; ++b) {
        const qint64 base = qint64(b) * 100000;
        run(QStringLiteral("INSERT INTO CLASSES VALUES(%1, 'Справочник %2', '', 0, 0)").arg(base).arg(b));
        run(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < %1) "
                           "INSERT INTO CLASSES SELECT %2 + I, 'Элемент ' || I, I, %2, 1 FROM N")
                .arg(EntriesPerBook).arg(base));
        ReferenceStore::GenerateBook(module, {base, QStringLiteral("Справочник %1").arg(b)});
    }
    QList<QByteArray> photos;
    for (int i = 0; i < 8; ++i) {
        photos << Photo(i);
        *pictureBytes += photos.last().size();
    }
    *pictureBytes /= photos.size();

    QStringList columns{QStringLiteral("G_ID")};
    for (qint64 id : f.labels)
        columns << SchemaName::FieldColumn(id);
    for (qint64 id : {f.memo1, f.memo2, f.photo1, f.photo2})
        columns << SchemaName::FieldColumn(id);
    Transaction tx(module);
    QSqlQuery insert(module.database());
    insert.prepare(QStringLiteral("INSERT INTO GENER (%1) VALUES(%2)")
                       .arg(columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    QSqlQuery link(module.database());
    link.prepare(QStringLiteral("INSERT INTO LINKS VALUES(?,?,?,?,?,0)"));
    const QVariant noPicture(QMetaType::fromType<QByteArray>());
    for (int i = 1; i <= objects; ++i) {
        insert.addBindValue(i);
        insert.addBindValue(i);
        insert.addBindValue(QString::number(i * 1.25, 'f', 2));
        insert.addBindValue(QTime(8, 0).addSecs(i % 36000));
        insert.addBindValue(QDate(2000, 1, 1).addDays(i % 9000));
        insert.addBindValue(i % 2 ? -1 : 0);
        insert.addBindValue(QStringLiteral("объект %1").arg(i));
        insert.addBindValue(QStringLiteral("К-%1").arg(i * 7));
        insert.addBindValue(i % 500);
        insert.addBindValue(QStringLiteral("%1x%2").arg(i % 90).arg(i % 70));
        insert.addBindValue(1 + i % 200);
        insert.addBindValue(QStringLiteral("Описание объекта %1\rВторая строка\rТретья строка\r").arg(i));
        insert.addBindValue(QStringLiteral("Примечание %1\r").arg(i));
        insert.addBindValue(i <= PictureObjects ? QVariant(photos[i % photos.size()]) : noPicture);
        insert.addBindValue(i <= PictureObjects ? QVariant(photos[(i + 3) % photos.size()]) : noPicture);
        exec(insert);
        for (int b = 1; b <= Books; ++b) {
            link.addBindValue(qint64(b - 1) * objects + i);
            link.addBindValue(i);
            link.addBindValue(b);   // the books' R_ID are 1, 2, 3 in the order generated
            link.addBindValue(qint64(b) * 100000 + 1 + (i * 7919 + b) % EntriesPerBook);
            link.addBindValue(b == 2 ? QString::number(i % 100) : QString());
            exec(link);
        }
    }
    tx.commit();
    run(QStringLiteral("ANALYZE"));
    return f;
}

inline Layout::Catalog ThirtyElements()
{
    Layout::Catalog c;
    c.backgroundFile = Layout::BackgroundFile;
    const QStringList labels{"Номер", "Цена", "Время", "Дата", "Есть", "Имя", "Код", "Вес", "Размер", "Цвет"};
    for (int i = 0; i < labels.size(); ++i)
        c.fieldLabels << Layout::Label{labels[i], Layout::Colors::WindowText, 9, Layout::DefaultFontName, 10, 10 + 18 * i};
    c.memos << Layout::FieldMemo{"Описание", Layout::Colors::Window, Layout::Colors::WindowText, 8, Layout::DefaultFontName, 150, 70, 150, 10}
            << Layout::FieldMemo{"Примечание", Layout::Colors::Window, Layout::Colors::WindowText, 8, Layout::DefaultFontName, 150, 70, 150, 90};
    c.fieldImages << Layout::FieldImage{"Фото", 192, 108, 310, 10} << Layout::FieldImage{"Схема", 192, 108, 310, 130};
    for (int i = 0; i < 5; ++i)
        c.textImages << Layout::TextImage{60 + 10 * i, 40 + 5 * i, 10 + 90 * i, 250};
    for (int i = 0; i < 8; ++i)
        c.frames << Layout::Frame{Layout::Colors::Black, 1 + i % 3, 60, 40, 10 + 60 * i, 320};
    c.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8, Layout::DefaultFontName, 200, 60, 10, 370}
                     << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8, Layout::DefaultFontName, 200, 60, 220, 370};
    return c;
}

struct Summary
{
    double average = 0, worst = 0, p99 = 0;
};

inline Summary Summarize(QList<double> times)
{
    Summary s;
    for (double t : times)
        s.average += t;
    s.average /= times.size();
    std::sort(times.begin(), times.end());
    s.worst = times.last();
    s.p99 = times[int(times.size() * 0.99)];
    return s;
}

struct Figures
{
    Summary moves, handWritten, swipes, slides;
    double startMs = 0;
    // The program's own memory (MiB) at the start and after each pass of 10 000 slideshow moves over the
    // same objects: what the first pass reads the list keeps and Qt's caches fill up to their limits; a leak
    // would grow every pass alike.
    QList<double> memory;
};

// A finger swiping across the panel from right to left: the next object.
inline void Swipe(QWidget *panel, QPointingDevice *finger)
{
    const int y = panel->height() / 2;
    QTest::touchEvent(panel, finger).press(0, QPoint(panel->width() * 3 / 4, y), panel);
    QTest::touchEvent(panel, finger).move(0, QPoint(panel->width() / 2, y), panel);
    QTest::touchEvent(panel, finger).release(0, QPoint(panel->width() / 4, y), panel);
}

// Times `count` moves made by `move`, each until the window is painted.
inline QList<double> TimeMoves(int count, const std::function<void()> &move)
{
    QList<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.restart();
        move();
        QApplication::processEvents();
        times << timer.nsecsElapsed() / 1e6;
    }
    return times;
}

inline void PrintSummary(const char *what, const Summary &s)
{
    std::printf("%s: average %.2f ms, 99th percentile %.2f ms, worst %.2f ms (goal: under 16 ms on average)\n", what,
                s.average, s.p99, s.worst);
}

// Builds a database of `objects` objects in `folder`, runs the catalog and moves through it; prints
// what it saw. Leaves no module behind.
inline Figures Measure(const QString &folder, int objects, int dayPasses = DayPasses)
{
    objects = std::max(objects, Moves + 1);
    const QString path = folder + QStringLiteral("/bench.mdb");
    CreateEmptyDatabase(path);
    DModule = new TDModule;
    DModule->ProgramFolder = folder;
    DModule->OpenConnection(path);

    QElapsedTimer timer;
    timer.start();
    qint64 pictureBytes = 0;
    const Fields fields = build(objects, &pictureBytes);
    std::printf("database: %d objects, %d links, 1920x1080 photographs of %.0f KB on average on the first %d objects "
                "(built in %.1f s)\n",
                objects, objects * Books, pictureBytes / 1024.0, PictureObjects, timer.elapsed() / 1000.0);

    CatalogStore::Pictures pictures;
    pictures.background = Photo(100);
    for (int k = 0; k < 5; ++k)
        pictures.textImages << Photo(20 + k);
    CatalogStore::Save(*DModule, Name, ThirtyElements(), pictures);

    Form23 = new TForm23;
    Form22 = new TForm22;
    timer.restart();
    if (!Form22->RunCatalog(Name)) {
        std::fprintf(stderr, "the catalog did not start\n");
        std::exit(1);
    }
    QApplication::processEvents();
    const double startMs = timer.nsecsElapsed() / 1e6;
    const int elements = int(Form22->Labels.size() + Form22->TextLabels.size() + Form22->Memos.size() + Form22->Images.size()
                             + Form22->TextImages.size() + Form22->Shapes.size() + Form22->GroupBoxes.size()) + 1;
    std::printf("catalog started in %.1f ms: %d elements with the background, window %dx%d, panel %dx%d\n", startMs, elements,
                Form22->width(), Form22->height(), Form22->findChild<QFrame *>(QStringLiteral("Panel"))->width(), Form22->findChild<QFrame *>(QStringLiteral("Panel"))->height());

    // Moves as the user makes them: the Down key in the grid, then the window painted.
    QList<double> moves;
    const int decodedBefore = PictureElement::decodeCount();
    for (int i = 0; i < Moves; ++i) {
        timer.restart();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(Form22->findChild<QTableView *>(QStringLiteral("DBGrid")), &press);
        QApplication::processEvents();
        moves << timer.nsecsElapsed() / 1e6;
    }
    // Field pictures are decoded beside the interface thread: the last object's are waited for before they
    // are looked at (the moves above are timed without that wait, as a person sees them).
    for (PictureElement *image : std::as_const(Form22->Images)) {
        while (image->decoding())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const int decoded = PictureElement::decodeCount() - decodedBefore;
    const qint64 last = DModule->QRGeneral->asInteger(QStringLiteral("G_ID"));
    std::printf("after %d moves: object %lld, labels \"%s\" / \"%s\", list \"%s\", %d pictures decoded, field image "
                "shown at %dx%d\n",
                Moves, last, qPrintable(Form22->Labels[0]->text()), qPrintable(Form22->Labels[9]->text()),
                qPrintable(Form22->GroupBoxes[0]->toPlainText().replace(QLatin1Char('\n'), QLatin1String("; "))), decoded,
                Form22->Images[0]->shownImage().width(), Form22->Images[0]->shownImage().height());

    // A picture of the window as the user sees it, when asked for.
    if (const QString shot = qEnvironmentVariable("RUNNING_CATALOG_SHOT"); !shot.isEmpty())
        Form22->grab().save(shot);

    // The same ten labels filled from one hand-written SELECT of each row.
    QStringList select;
    for (qint64 id : fields.labels)
        select << (id == fields.colour ? SchemaName::LookupData(id) : SchemaName::FieldColumn(id));
    QSqlQuery row(DModule->database());
    row.prepare(QStringLiteral("SELECT %1 FROM GENER, %2 WHERE %3 = %4 AND G_ID = ?")
                    .arg(select.join(QLatin1Char(',')), SchemaName::LookupTable(fields.colour),
                         SchemaName::FieldColumn(fields.colour), SchemaName::LookupId(fields.colour)));
    QList<double> handWritten;
    for (int i = 0; i < Moves; ++i) {
        timer.restart();
        row.addBindValue(i + 2);
        exec(row);
        if (row.next()) {
            for (int l = 0; l < Form22->Labels.size(); ++l)
                Form22->Labels[l]->setShownText(row.value(l).toString());
        }
        QApplication::processEvents();
        handWritten << timer.nsecsElapsed() / 1e6;
    }

    // A visitor's finger, and the slideshow as its clock moves it, from the first object again.
    QWidget *panel = Form22->findChild<QWidget *>(QStringLiteral("Panel"));
    QPointingDevice *finger = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    Form22->ReturnToStart();
    QApplication::processEvents();
    const QList<double> swipes = TimeMoves(Moves, [&] { Swipe(panel, finger); });
    const qint64 afterSwipes = DModule->QRGeneral->asInteger(QStringLiteral("G_ID"));
    IdleReset *idle = Form22->idleReset();
    // The bench moves the catalog itself: no return to the start in the middle of it.
    idle->stop();
    Form22->ReturnToStart();
    const QList<double> slides = TimeMoves(Moves, [&] { Q_EMIT idle->nextObject(); });
    std::printf("after %d swipes: object %lld; after %d slideshow moves: object %lld\n", Moves, afterSwipes, Moves,
                DModule->QRGeneral->asInteger(QStringLiteral("G_ID")));

    // A day in a hall: the slideshow over the same objects twice, back to the start between.
    Form22->ReturnToStart();
    QApplication::processEvents();
    QList<double> memory{statusMiB("RssAnon")};
    for (int pass = 0; pass < dayPasses; ++pass) {
        TimeMoves(DayMoves, [&] { Q_EMIT idle->nextObject(); });
        memory << statusMiB("RssAnon");
        Form22->ReturnToStart();
    }
    std::printf("program memory (RssAnon) at the start and after each of %d passes of %d slideshow moves over the same "
                "objects:",
                dayPasses, DayMoves);
    for (double mib : memory)
        std::printf(" %.1f MiB", mib);
    std::printf("\n");

    Figures figures{Summarize(moves), Summarize(handWritten), Summarize(swipes), Summarize(slides), startMs, memory};
    const Summary &m = figures.moves, &h = figures.handWritten;
    QList<int> slowest;
    for (int i = 0; i < Moves; ++i)
        slowest << i;
    std::sort(slowest.begin(), slowest.end(), [&](int a, int b) { return moves[a] > moves[b]; });
    std::printf("slowest moves:");
    for (int i = 0; i < 5; ++i)
        std::printf(" #%d %.1f ms", slowest[i] + 1, moves[slowest[i]]);
    std::printf("\n");
    std::printf("move to the next object: average %.2f ms, 99th percentile %.2f ms, worst %.2f ms (goal: under 16 ms on "
                "average, under 30 ms at worst)\n",
                m.average, m.p99, m.worst);
    std::printf("ten labels from one hand-written SELECT: average %.2f ms, 99th percentile %.2f ms, worst %.2f ms\n",
                h.average, h.p99, h.worst);
    PrintSummary("move by a swipe", figures.swipes);
    PrintSummary("move by the slideshow", figures.slides);
    Form22->close();
    delete Form22;
    delete Form23;
    Form22 = nullptr;
    Form23 = nullptr;
    DModule->CloseConnection();
    delete DModule;
    return figures;
}
}
