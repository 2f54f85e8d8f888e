// Pictures as picture fields hold and show them: turned by their orientation tag, HEIC read, big ones
// shrunk on request.
#include "objects/windowsteps.h"

#include "catalogs/elementwidgets.h"
#include "core/textfile.h"
#include "fields/picturefiles.h"
#include "objects/fieldeditor.h"
#include "settings/form6.h"
#include "support/testsupport.h"
#include "taggedpictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

TEST(Pictures, EveryOrientationOfJpegPngWebpAndPhonesHeicShowsThePictureUpright)
{
    const QImage scene = Scene({96, 48});
    const std::pair<const char *, QByteArray (*)(const QImage &, int)> kinds[] = {
        {"jpeg", JpegWithOrientation}, {"png", PngWithOrientation}, {"webp", WebpWithOrientation},
        {"heic", [](const QImage &pixels, int orientation) { return Heic(pixels, orientation); }}};
    for (const auto &[kind, tagged] : kinds) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(kind) + " " + std::to_string(orientation));
            const QByteArray bytes = tagged(StoredFor(scene, orientation), orientation);
            ASSERT_TRUE(IsReadablePicture(bytes));
            EXPECT_FALSE(IsReadablePicture(bytes.left(bytes.size() / 2))) << "a copy stopped half way";
            EXPECT_EQ(ShownPictureSize(bytes), scene.size());
            EXPECT_TRUE(IsUprightScene(ShownPicture(bytes), scene.size()));
            // Decoded small to fit a box: still upright, and fitting the box the right way round.
            EXPECT_TRUE(IsUprightScene(ShownPicture(bytes, {48, 48}), {48, 24}));
        }
    }
}

TEST(Pictures, OnlyWholePicturesAreReadable)
{
    EXPECT_FALSE(IsReadablePicture(QByteArray("P1 is a plain text starting like a bitmap\r\n")));
    EXPECT_FALSE(IsReadablePicture({}));
    for (const char *format : {"bmp", "tiff"}) {
        SCOPED_TRACE(format);
        const QByteArray bytes = Encoded(Scene({96, 48}), format, 100);
        EXPECT_TRUE(IsReadablePicture(bytes));
        EXPECT_TRUE(IsUprightScene(ShownPicture(bytes), {96, 48}));
        EXPECT_FALSE(IsReadablePicture(bytes.left(bytes.size() / 2)));
    }
}

TEST(Pictures, APhonesHeicShownSmallIsDecodedFromItsStoredPreview)
{
    const QImage scene = Scene({256, 128});
    // Shown small, the preview is decoded instead of the whole picture; shown large, the picture.
    QImage inverted = Scene({64, 32});
    inverted.invertPixels();
    const QByteArray withPreview = Heic(StoredFor(scene, 6), 6, StoredFor(inverted, 6));
    const QImage small = ShownPicture(withPreview, {64, 64});
    ASSERT_EQ(small.size(), QSize(64, 32));
    EXPECT_TRUE(IsNear(small.pixelColor(16, 8), Qt::cyan));      // the red corner, inverted, upright
    EXPECT_TRUE(IsNear(small.pixelColor(48, 24), Qt::blue));     // the yellow one
    EXPECT_TRUE(IsUprightScene(ShownPicture(withPreview, {200, 200}), {200, 100}));
}

// Pictures where the program shows them: the object editor's picture box, a catalog's field image.
class PicturesInWindowsTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        photo = addField(*module, "Фото", ImageType);
        // No catalog password: saving the settings asks for nothing else.
        QStringList options = Options::InitialLines();
        options[4] = "0";
        WriteTextLines(Form6->optionsPath(), options);
        Form6->FormActivate();
    }
    // The editor of a new object with the picture `bytes` chosen through the picture dialog; the bytes
    // the box keeps to store.
    QByteArray chooseInEditor(const QByteArray &bytes, const QString &name = QStringLiteral("снимок.jpg"))
    {
        const QString path = folder->path() + "/" + name;
        WriteFile(path, bytes);
        if (!Form7->isVisible()) {
            ViewFill::Enter();
            Control<QPushButton>(Form2, "AddRecordBtn")->click();
        }
        box = qobject_cast<PictureBox *>(Form7->inputFor(0));
        EXPECT_TRUE(box);
        if (!box)
            return {};
        answerFileDialog(path);
        QTest::mouseClick(box, Qt::LeftButton);
        // Over a picture the click waits for a possible second one before asking for the file.
        auto *secondClick = box->findChild<QTimer *>();
        EXPECT_TRUE(secondClick && WaitFor([secondClick] { return !secondClick->isActive(); }));
        EXPECT_TRUE(WaitFor([this] { return !box->decoding(); }));
        return box->bytes;
    }
    // Answers the next file dialog with `path`, noting where it started and the words of its name box and kind.
    void answerFileDialog(const QString &path)
    {
        AnswerNextDialog<QFileDialog>([this, path](QFileDialog *dialog) {
            dialogStart = dialog->directory().absolutePath();
            dialogLabel = Control<QLabel>(dialog, "fileNameLabel")->text() + " "
                          + Control<QComboBox>(dialog, "fileTypeCombo")->currentText();
            ChooseFileInNextDialog(path);
        });
    }
    // Ticks or clears the shrinking in the settings window and types its numbers, as a person does.
    QStringList setShrinking(bool on, const QString &longSide = {}, const QString &quality = {})
    {
        Form6->show();
        Form6->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Form6));
        auto *tabs = Control<QTabWidget>(Form6, "PageControl");
        tabs->setCurrentWidget(Control<QWidget>(Form6, "PicturesTab"));
        auto *shrink = Control<QCheckBox>(Form6, "PictureShrinkBox");
        if (shrink->isChecked() != on)
            QTest::mouseClick(shrink, Qt::LeftButton, {}, QPoint(8, shrink->height() / 2));
        if (!longSide.isEmpty())
            Retype(Control<QLineEdit>(Form6, "PictureLongSideEdit"), longSide);
        if (!quality.isEmpty())
            Retype(Control<QLineEdit>(Form6, "PictureQualityEdit"), quality);
        return ClickAnswering(Control<QPushButton>(Form6, "Button1"));
    }
    qint64 photo = 0;
    PictureBox *box = nullptr;
    QString dialogStart, dialogLabel;
};

TEST_F(PicturesInWindowsTest, TheEditorAndACatalogShowTurnedPicturesUprightAndStoreThemAsChosen)
{
    const QImage scene = Scene({96, 48});
    const std::pair<QByteArray (*)(const QImage &, int), int> tagged[] = {
        {JpegWithOrientation, 6}, {PngWithOrientation, 7}, {WebpWithOrientation, 3}};
    for (const auto &[make, orientation] : tagged) {
        SCOPED_TRACE(orientation);
        const QByteArray bytes = make(StoredFor(scene, orientation), orientation);
        EXPECT_EQ(chooseInEditor(bytes), bytes) << "kept byte for byte";
        ASSERT_TRUE(box);
        // The box shows the picture scaled into itself, the right way round.
        const QImage shown = box->pixmap().toImage();
        const QSize fitting = scene.size().scaled(box->size(), Qt::KeepAspectRatio);
        EXPECT_TRUE(IsUprightScene(shown, fitting));

        // A catalog's field image stretches the picture over its box, upright as well.
        PictureElement element(nullptr);
        element.resize(60, 90);
        ASSERT_TRUE(element.setPictureData(bytes));
        EXPECT_TRUE(IsUprightScene(element.shownImage(), {60, 90}));
    }
    const QByteArray heic = Heic(StoredFor(scene, 8), 8);
    EXPECT_EQ(chooseInEditor(heic, "IMG_0001.HEIC"), heic);
    EXPECT_TRUE(IsUprightScene(box->pixmap().toImage(), scene.size().scaled(box->size(), Qt::KeepAspectRatio)));

    // A file cut short is refused in plain words; the picture chosen before stays.
    const QByteArray cut = JpegWithOrientation(scene, 1).chopped(200);
    MessageBoxAnswerer answer(QMessageBox::Ok);
    chooseInEditor(cut, "обрезанный.jpg");
    EXPECT_EQ(answer.texts(), QStringList{"Файл " + folder->path() + "/обрезанный.jpg не является изображением"});
    EXPECT_EQ(box->bytes, heic);
}

TEST_F(PicturesInWindowsTest, BigPicturesAreStoredShrunkAndUprightOnlyWhenTheSettingsSaySo)
{
    const QImage scene = Scene({400, 200});
    const QByteArray big = JpegWithOrientation(StoredFor(scene, 6), 6);
    const QByteArray small = JpegWithOrientation(StoredFor(Scene({96, 48}), 6), 6);
    const QByteArray png = Encoded(Scene({300, 150}), "png");
    const QByteArray heic = Heic(StoredFor(scene, 6), 6);
    EXPECT_EQ(chooseInEditor(big), big) << "originals are kept unless the settings say otherwise";

    // Numbers out of their limits are refused at their box; nothing is saved.
    EXPECT_EQ(setShrinking(true, "50"),
              QStringList{"Длинная сторона уменьшенного изображения должна быть целым числом пикселей от 100 до 30000."});
    EXPECT_EQ(Form6->focusWidget(), Control<QLineEdit>(Form6, "PictureLongSideEdit"));
    EXPECT_EQ(setShrinking(true, "200", "101"),
              QStringList{"Качество JPEG уменьшенного изображения должно быть целым числом от 1 до 100."});
    EXPECT_FALSE(Settings::PictureStoring().shrink);
    EXPECT_EQ(setShrinking(true, "200", "90"), QStringList());
    EXPECT_TRUE(ReadTextLines(Form6->optionsPath()).contains("PictureLongSide=200"));

    // A picture longer than 200 pixels is stored as a JPEG 200 pixels long, turned upright: shown the
    // same by a reader that knows no orientation tag.
    const QByteArray stored = chooseInEditor(big);
    EXPECT_NE(stored, big);
    EXPECT_TRUE(IsUprightScene(QImage::fromData(stored, "JPEG"), {200, 100}));
    EXPECT_TRUE(IsUprightScene(ShownPicture(stored), {200, 100}));
    // A transparent picture keeps its colours where it is opaque, and its clear parts become white.
    QImage clear = Scene({300, 150}).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < clear.height(); ++y)
        for (int x = 0; x < 30; ++x)
            clear.setPixelColor(x, y, Qt::transparent);
    const QImage flattened = QImage::fromData(chooseInEditor(Encoded(clear, "png"), "прозрачный.png"), "JPEG");
    EXPECT_TRUE(IsUprightScene(flattened, {200, 100}));
    EXPECT_TRUE(IsNear(flattened.pixelColor(5, 50), Qt::white));
    // Pictures within the size and phone pictures stay the user's files.
    EXPECT_EQ(chooseInEditor(small), small);
    EXPECT_EQ(chooseInEditor(heic, "IMG_0002.heic"), heic);
    EXPECT_TRUE(IsUprightScene(ShownPicture(heic), scene.size()));

    // Read back from the file after a restart of the window; turned off, originals are kept again.
    Form6->FormActivate();
    EXPECT_TRUE(Settings::PictureStoring() == (Options::PictureStoring{true, 200, 90}));
    EXPECT_EQ(setShrinking(false), QStringList());
    EXPECT_EQ(chooseInEditor(png, "рисунок.png"), png);

    // A damaged line is reported and read as the default.
    WriteTextLines(Form6->optionsPath(), Options::InitialLines() + QStringList{"PictureShrink=-1", "PictureQuality=отлично"});
    MessageBoxAnswerer answer(QMessageBox::Ok);
    Form6->FormActivate();
    EXPECT_EQ(answer.texts(), QStringList{"Файл настроек, строка 12: 'PictureQuality=отлично' не является допустимым значением"});
    EXPECT_TRUE(Settings::PictureStoring() == (Options::PictureStoring{true, 3000, 90}));
}

TEST_F(PicturesInWindowsTest, ThePictureAndFolderDialogsStartWhereAPictureWasLastTakenFrom)
{
    const QString cupboard = folder->path() + "/Шкаф 1", hall = folder->path() + "/Зал 2";
    ASSERT_TRUE(QDir().mkpath(cupboard) && QDir().mkpath(hall));
    const QByteArray png = Encoded(Scene({40, 20}), "png");
    EXPECT_EQ(chooseInEditor(png, "Шкаф 1/ваза.png"), png);
    EXPECT_EQ(chooseInEditor(png, "чаша.png"), png);
    EXPECT_EQ(dialogStart, cupboard);
    {
        MessageBoxAnswerer discard(QMessageBox::Yes);
        Control<QPushButton>(Form7, "CancelButton")->click();
    }

    // The folder import starts in the folder of the last picture, its box labelled as a folder's.
    answerFileDialog(hall);
    MessageBoxAnswerer told(QMessageBox::Ok);
    Control<QAction>(Form2, "AddFromFolderItem")->trigger();
    EXPECT_EQ(told.texts(), QStringList{"В папке " + QDir::toNativeSeparators(hall) + " нет файлов."});
    EXPECT_EQ(dialogStart, folder->path());
    EXPECT_EQ(dialogLabel, "Папка: Папки");
    // The folder chosen there is where the editor's next picture is looked for.
    chooseInEditor(png, "Зал 2/кубок.png");
    EXPECT_EQ(dialogStart, hall);
    EXPECT_TRUE(dialogLabel.startsWith("&Имя файла: Все рисунки")) << "a file's box is not a folder's: " << dialogLabel.toStdString();
}
