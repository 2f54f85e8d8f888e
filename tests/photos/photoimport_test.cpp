// A folder of photographs added as objects: pictures told from other files by their content, names and
// days taken, and what the preview tells before anything is added.
#include "objects/windowsteps.h"

#include "objects/photoimport.h"
#include "objects/photoimportdialog.h"
#include "core/textfile.h"
#include "settings/form6.h"
#include "taggedpictures.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QScopeGuard>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {
QByteArray Filled(QColor colour, const char *format, QSize size = {40, 30})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return Encoded(image, format);
}

// A JPEG as a camera writes it, with the moment it was taken in its EXIF block.
QByteArray JpegTakenAt(const char *taken)
{
    const QByteArray jpeg = Filled(Qt::darkCyan, "jpeg");
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()), long(jpeg.size()));
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = std::string(taken);
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf written = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char *>(written.pData_), int(written.size_));
}

const QString LongName = QString(51, QChar(u'ж'));

// A folder as a museum's photographer leaves it: pictures of every kind, a picture without an
// extension, a picture cut short, other files. Returns the files' bytes by name.
QMap<QString, QByteArray> FillFolder(const QString &folder)
{
    const QDateTime summer(QDate(2021, 6, 1), QTime(12, 0));
    const QMap<QString, QByteArray> files{
        {"снимок 10.jpg", JpegTakenAt("2019:03:15 10:20:30")},
        {"снимок 9.png", Filled(Qt::red, "png")},
        {"скан.tif", Filled(Qt::green, "tiff")},
        {"лист.webp", Filled(Qt::blue, "webp")},
        {"рисунок.bmp", Filled(Qt::yellow, "bmp", {200, 150})},
        {"без расширения", Filled(Qt::magenta, "jpeg")},
        {"IMG_0001.HEIC", Heic(Scene({64, 48}), 1)},
        {LongName + ".jpg", Filled(Qt::gray, "jpeg")},
        {"заметки.txt", "Опись зала 3\r\n"},
        {"обрыв.jpg", Filled(Qt::black, "jpeg", {400, 300}).left(900)},
        {"подделка.jpg", "не картинка, хотя и .jpg"},
    };
    for (auto file = files.begin(); file != files.end(); ++file) {
        WriteFile(folder + '/' + file.key(), file.value());
        QFile written(folder + '/' + file.key());
        EXPECT_TRUE(written.open(QIODevice::ReadWrite) && written.setFileTime(summer, QFileDevice::FileModificationTime));
    }
    return files;
}

class PhotoImportTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        addField(*module, "Название", StringType);
        addField(*module, "Фото", ImageType);
        addField(*module, "Снято", DateType);
        addField(*module, "Описание", LongTextType);
        addField(*module, "Материал", StringType, true);
        fields = ReadDescriptionFields(*module);
        photos = folder->path() + "/Фото зала";
        ASSERT_TRUE(QDir().mkpath(photos));
        files = FillFolder(photos);
    }

    QList<DescriptionField> fields;   // name, picture, day taken, long text, lookup
    QString photos;
    QMap<QString, QByteArray> files;
};

QStringList Names(const QList<SkippedFile> &skipped)
{
    QStringList names;
    for (const SkippedFile &file : skipped)
        names << file.fileName;
    return names;
}
}

TEST_F(PhotoImportTest, EveryPictureOfTheFolderBecomesAnObjectWithItsNameAndDayAndTheOthersAreListed)
{
    QList<int> progress;
    const FolderScan scan = ScanPictureFolder(photos, [&](int done, int total) {
        progress << done << total;
        return true;
    });
    EXPECT_EQ(scan.files, 11);
    EXPECT_EQ(progress.mid(progress.size() - 2), (QList<int>{11, 11}));
    EXPECT_EQ(Names(scan.skipped), (QStringList{"заметки.txt", "обрыв.jpg", "подделка.jpg"}));
    EXPECT_EQ(scan.skipped[0].reason, "не рисунок");
    EXPECT_TRUE(scan.skipped[1].reason.startsWith("рисунок поврежден")) << scan.skipped[1].reason.toStdString();
    EXPECT_EQ(scan.skipped[2].reason, "не рисунок") << "the content decides, not the extension";

    // A name the string field cannot hold whole is left out, never cut (the window's case shows the reason).
    PhotoImportFields chosen{fields[1], fields[0], fields[2]};
    const PhotoImportPlan plan = PlanPhotoImport(scan, chosen);
    EXPECT_EQ(Names(plan.skipped), (QStringList{LongName + ".jpg", "заметки.txt", "обрыв.jpg", "подделка.jpg"}));

    ASSERT_EQ(plan.adding.size(), 7);
    EXPECT_EQ(AddPhotoObjects(*module, plan, chosen, {}), 7);
    // In the Russian order of the names (Cyrillic first), numbers by value; the pictures byte for byte; the day the
    // camera wrote, else the file's; the lookup at its empty entry, so the object is listed.
    EXPECT_EQ(rows("SELECT G1, G3, G5 FROM GENER ORDER BY G_ID"),
              (QList<QVariantList>{{"без расширения", "2021-06-01", 0},
                                   {"лист", "2021-06-01", 0},
                                   {"рисунок", "2021-06-01", 0},
                                   {"скан", "2021-06-01", 0},
                                   {"снимок 9", "2021-06-01", 0},
                                   {"снимок 10", "2019-03-15", 0},
                                   {"IMG_0001", "2021-06-01", 0}}));
    const QMap<QString, QString> fileOf{{"IMG_0001", "IMG_0001.HEIC"}, {"без расширения", "без расширения"},
                                        {"лист", "лист.webp"}, {"рисунок", "рисунок.bmp"}, {"скан", "скан.tif"},
                                        {"снимок 9", "снимок 9.png"}, {"снимок 10", "снимок 10.jpg"}};
    for (const QVariantList &row : rows("SELECT G1, G2 FROM GENER"))
        EXPECT_EQ(row[1].toByteArray(), files.value(fileOf.value(row[0].toString()))) << row[0].toString().toStdString();
    ObjectList::Of(*module).compose(ReadDescriptionFields(*module));
    ObjectList::Of(*module).open();
    EXPECT_EQ(ListedColumn(*module, "G1").size(), 7);
}

class PhotoImportWindowTest : public RussianAppTest
{
};

TEST_F(PhotoImportWindowTest, TheItemShowsThePreviewAndTheListShowsTheNewObjects)
{
    const qint64 nameField = addField(*DModule, "Название", StringType);
    ViewFill::Enter(0);
    const auto runItem = [] {
        MessageBoxAnswerer boxes(QMessageBox::Ok);
        Control<QAction>(Form2, "AddFromFolderItem")->trigger();
        return boxes.texts();
    };
    // Without a picture field there is nothing to put the pictures in.
    EXPECT_EQ(runItem(), QStringList{"В базе данных нет поля для рисунков. Добавьте поле типа \"Изображение\" в режиме "
                                     "редактирования, затем добавьте объекты из папки."});

    closeQueries(*DModule);
    addField(*DModule, "Снимок", ImageType);
    addField(*DModule, "Описание", LongTextType);
    addField(*DModule, "Снято", DateType);
    addField(*DModule, "Цена", IntegerType);
    ViewFill::Enter(0);
    const QString photos = folder->path() + "/Фото";
    ASSERT_TRUE(QDir().mkpath(photos));
    const QMap<QString, QByteArray> files = FillFolder(photos);
    // Pictures longer than 100 pixels are to be shrunk when stored.
    const QString options = DModule->ProgramFolder + "/System/Options.txt";
    const QStringList optionsBefore = ReadTextLines(options);
    const auto restore = qScopeGuard([&] {
        WriteTextLines(options, optionsBefore);
        Form6->FormActivate();
    });
    WriteTextLines(options, Options::ComposePictureStoring({true, 100, 90}, optionsBefore));
    Form6->FormActivate();

    QString counts, requiredWithName, requiredWithDescription;
    QStringList skippedWithName, skippedWithDescription, dateChoices;
    ChooseFileInNextDialog(photos);
    AnswerNextDialog<PhotoImportDialog>([&](PhotoImportDialog *dialog) {
        counts = Control<QLabel>(dialog, "CountLabel")->text();
        requiredWithName = Control<QLabel>(dialog, "RequiredLabel")->text();
        skippedWithName = ItemTexts(Control<QListWidget>(dialog, "SkippedList"));
        dateChoices = ItemTexts(Control<QComboBox>(dialog, "DateFieldBox"));
        // The long name goes into the long text instead, chosen with the keys.
        QComboBox *names = Control<QComboBox>(dialog, "NameFieldBox");
        EXPECT_EQ(ItemTexts(names), (QStringList{"Название", "Описание", "не заполнять"}));
        names->setFocus();
        QTest::keyClick(names, Qt::Key_Down);
        skippedWithDescription = ItemTexts(Control<QListWidget>(dialog, "SkippedList"));
        requiredWithDescription = Control<QLabel>(dialog, "RequiredLabel")->text();
        Control<QPushButton>(dialog, "AddBtn")->click();
    });
    int listedWhenTold = -1;
    {
        MessageBoxAnswerer told([&](const QString &) {
            listedWhenTold = ViewFill::Grid()->model()->rowCount();
            return int(QMessageBox::Ok);
        });
        Control<QAction>(Form2, "AddFromFolderItem")->trigger();
        EXPECT_EQ(told.texts(), QStringList{"Добавлено объектов: 8"});
    }
    EXPECT_EQ(listedWhenTold, 8) << "the new objects are listed before the user reads how many";
    EXPECT_EQ(counts, "Файлов в папке: 11, из них рисунков: 8.\nБудет добавлено объектов: 7. Не будет добавлено файлов: 4.");
    ASSERT_EQ(skippedWithName.size(), 4);
    EXPECT_TRUE(skippedWithName[0].startsWith(LongName + ".jpg - имя файла без расширения длиннее 50 символов"));
    EXPECT_EQ(skippedWithDescription, skippedWithName.mid(1));
    EXPECT_EQ(skippedWithName[1].toStdString(), "заметки.txt - не рисунок");
    EXPECT_EQ(dateChoices, (QStringList{"Снято", "не заполнять"}));
    // The preview names what the editor will ask for before it saves such an object again.
    const QString editorAsks = ". Такие объекты можно будет сохранить в редакторе, только заполнив их.";
    EXPECT_EQ(requiredWithName, "Обязательные поля останутся пустыми: «Цена»" + editorAsks);
    EXPECT_EQ(requiredWithDescription, "Обязательные поля останутся пустыми: «Название», «Цена»" + editorAsks);
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G" + QString::number(nameField) + " IS NULL"), 8)
        << "the names went into the long text";
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G3 = '" + LongName + "\r' AND G4 = '2021-06-01'"), 1);
    // The settings in force: the one picture above the size stored shrunk, the others byte for byte.
    EXPECT_EQ(QImage::fromData(scalar("SELECT G2 FROM GENER WHERE G3 = 'рисунок\r'").toByteArray(), "JPEG").size(), QSize(100, 75));
    EXPECT_EQ(scalar("SELECT G2 FROM GENER WHERE G3 = 'скан\r'").toByteArray(), files.value("скан.tif"));
}
