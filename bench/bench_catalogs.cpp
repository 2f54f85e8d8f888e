// Saving and reopening a catalog in the real designer window: a layout of 60 elements, ten of them text
// images of 1920x1080 JPEGs, over a 1920x1080 background picture. Prints the times of each run, how
// many pictures each reopening decoded, and the size a text image was decoded at (its box's size).
#include "app/databasehooks.h"
#include "benchphoto.h"
#include "app/forms.h"
#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/form11.h"
#include "core/dmodule.h"
#include "core/schema.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
constexpr int Runs = 7;
const QString Name = QStringLiteral("Витрина");

void run(const QString &sql)
{
    QSqlQuery q(DModule->database());
    if (!q.exec(sql)) {
        std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(sql), qPrintable(q.lastError().text()));
        std::exit(1);
    }
}

Layout::Catalog SixtyElements()
{
    Layout::Catalog c;
    c.backgroundFile = Layout::BackgroundFile;
    c.columns = {true, false};
    for (int i = 0; i < 10; ++i)
        c.fieldLabels << Layout::Label{i % 2 ? QStringLiteral("Цена") : QStringLiteral("Цвет"), Layout::Colors::WindowText, 8,
                                       Layout::DefaultFontName, 10 + 60 * i, 10};
    for (int i = 0; i < 10; ++i)
        c.textLabels << Layout::Label{QStringLiteral("Надпись %1").arg(i), 0x00FF8000, 10, Layout::DefaultFontName, 10 + 60 * i, 40};
    for (int i = 0; i < 5; ++i)
        c.memos << Layout::FieldMemo{QStringLiteral("Описание"), Layout::Colors::Window, Layout::Colors::WindowText, 8,
                                     Layout::DefaultFontName, 150, 100, 10 + 160 * i, 70};
    for (int i = 0; i < 5; ++i)
        c.fieldImages << Layout::FieldImage{QStringLiteral("Фото"), 150, 100, 10 + 160 * i, 180};
    for (int i = 0; i < 10; ++i)
        c.textImages << Layout::TextImage{192 + 8 * i, 108 + 4 * i, 10 + 90 * i, 290};
    for (int i = 0; i < 15; ++i)
        c.frames << Layout::Frame{Layout::Colors::Black, 1 + i % 3, 65, 65 + i, 10 + 40 * i, 450};
    for (int i = 0; i < 5; ++i)
        c.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8,
                                                  Layout::DefaultFontName, 185, 89, 10 + 200 * i, 530};
    return c;
}

// Processor time of all the program's threads: unlike the wall clock, not stretched by other programs.
double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterDatabaseHooks();
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/bench.mdb");
    CreateEmptyDatabase(path);
    DModule = new TDModule;
    DModule->ProgramFolder = dir.path();
    DModule->OpenConnection(path);
    run("INSERT INTO FIELDS VALUES(1, 'Цена', 0, 0), (2, 'Цвет', 5, 0), (3, 'Описание', 6, 0), (4, 'Фото', 7, 0)");
    run("ALTER TABLE GENER ADD G1 INTEGER");
    run("ALTER TABLE GENER ADD G2 VARCHAR(50)");
    run("ALTER TABLE GENER ADD G3 TEXT");
    run("ALTER TABLE GENER ADD G4 BLOB");
    run("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1000) "
        "INSERT INTO GENER SELECT I, I * 10, 'цвет ' || I, 'описание', NULL FROM N");

    CatalogStore::Pictures pictures;
    qint64 pictureBytes = 0;
    pictures.background = Photo(100);
    for (int k = 0; k < 10; ++k) {
        pictures.textImages << Photo(k);
        pictureBytes += pictures.textImages.last().size();
    }
    CatalogStore::Save(*DModule, Name, SixtyElements(), pictures);
    std::printf("Layout: 60 elements, 10 text images and a background of 1920x1080, %.1f MB of JPEG in all\n",
                (pictureBytes + pictures.background.size()) / 1048576.0);

    Form11 = new TForm11;
    Form11->resize(1280, 1000);
    Form11->show();
    QList<double> openTimes, saveTimes, firstSaveTimes, openCpu;
    int decodes = 0;
    for (int i = 0; i < Runs; ++i) {
        const int decodedBefore = PictureElement::decodeCount();
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = CpuMs();
        if (!Form11->OpenCatalog(Name))
            return 1;
        QApplication::processEvents();   // painted, as the user sees it
        openTimes << timer.nsecsElapsed() / 1e6;
        openCpu << CpuMs() - cpuBefore;
        decodes = PictureElement::decodeCount() - decodedBefore;

        timer.restart();
        if (!Form11->SaveCatalog(Name))
            return 1;
        saveTimes << timer.nsecsElapsed() / 1e6;
        // Under a new name every picture is written into a new folder.
        timer.restart();
        if (!Form11->SaveCatalog(QStringLiteral("Копия %1").arg(i)))
            return 1;
        firstSaveTimes << timer.nsecsElapsed() / 1e6;
        std::printf("run %d: reopen %6.1f ms (processor %6.1f ms, %d pictures decoded), save again %6.1f ms, "
                    "save under a new name %6.1f ms\n",
                    i + 1, openTimes.last(), openCpu.last(), decodes, saveTimes.last(), firstSaveTimes.last());
    }
    const int elements = int(Form11->Labels.size() + Form11->TextLabels.size() + Form11->Memos.size()
                             + Form11->Images.size() + Form11->TextImages.size() + Form11->Shapes.size()
                             + Form11->GroupBoxes.size());
    std::printf("elements on the panel: %d; text image 0 shown at %dx%d\n", elements,
                Form11->TextImages[0]->shownImage().width(), Form11->TextImages[0]->shownImage().height());
    std::printf("median: reopen %.1f ms (processor %.1f ms), save again %.1f ms, save under a new name %.1f ms "
                "(goal: under 150 ms each)\n",
                Median(openTimes), Median(openCpu), Median(saveTimes), Median(firstSaveTimes));
    delete Form11;
    delete DModule;
    return 0;
}
