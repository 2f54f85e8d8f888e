// Pictures on screen without waiting for them: decoded beside the interface thread, never the picture of
// an object no longer shown; the viewer's zoom as a percentage; the picture column of a wide list kept in view.
#include "objects/windowsteps.h"

#include "app/pictureviewer.h"
#include "catalogs/catalogstore.h"
#include "catalogs/elementwidgets.h"
#include "catalogs/form22.h"
#include "fields/picturefiles.h"
#include "objects/fieldeditor.h"
#include "objects/objectgridmodel.h"
#include "objects/objectstore.h"
#include "settings/form6.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QTableView>

namespace {
QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray Plain(QColor colour, QSize size, const char *format = "JPG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return Encoded(image, format);
}

// A picture that takes long to decode: a PNG is read whole whatever size it is shown at, and noise keeps
// it from compressing to nothing.
QByteArray SlowPicture(QColor colour)
{
    QImage image(5000, 4000, QImage::Format_RGB32);
    image.fill(colour);
    QRandomGenerator noise(7);
    for (int y = 0; y < image.height(); y += 2) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] ^= noise.generate() & 0x070707u;
    }
    return Encoded(image, "PNG");
}

bool Near(QColor seen, QColor expected)
{
    return qAbs(seen.red() - expected.red()) < 24 && qAbs(seen.green() - expected.green()) < 24
           && qAbs(seen.blue() - expected.blue()) < 24;
}

QColor MiddleOf(const QImage &image)
{
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

// How long the slow picture takes to decode here: waiting that long again after the right picture is shown
// gives an overtaken decode every chance to show up.
int DecodeMs(const QByteArray &bytes)
{
    QElapsedTimer timer;
    timer.start();
    ShownPicture(bytes, {200, 200});
    return int(timer.elapsed());
}
}

class ShownPicturesTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        name = addField(*module, "Название", StringType);
        photo = addField(*module, "Фото", ImageType);
        closeQueries(*module);
    }
    void TearDown() override
    {
        Form22->close();
        Form2->showNormal();
        RussianAppTest::TearDown();
    }
    void addObject(const QString &title, const QByteArray &picture)
    {
        InsertObject(*module, ReserveObjectId(*module), {input(name, title), input(photo, picture, true)});
    }
    qint64 name = 0, photo = 0;
};

TEST_F(ShownPicturesTest, APictureOvertakenWhileDecodingIsNeverShownInTheEditorOrTheRunningCatalog)
{
    const QByteArray slow = SlowPicture(Qt::red), quick = Plain(Qt::blue, {64, 48});
    const int slowMs = DecodeMs(slow);

    // The editor's box: the slow picture given first, the quick one next; only the quick one shows.
    PictureBox box;
    box.resize(300, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QSignalSpy shown(&box, &PictureBox::pictureShown);
    box.setPicture(slow);
    EXPECT_TRUE(box.decoding()) << "the slow picture is decoded beside, the box returns at once";
    box.setPicture(quick);
    ASSERT_TRUE(WaitFor([&] { return !box.decoding(); }, 10000 + 2 * slowMs));
    QTest::qWait(slowMs + 200);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(Near(MiddleOf(box.pixmap().toImage()), Qt::blue));
    EXPECT_EQ(box.bytes, quick);

    // A running catalog, the Down key pressed from the slow object to the quick one while the first
    // decodes: the catalog ends on the quick object's picture, and shows nothing of the other meanwhile.
    addObject("Первый", slow);
    addObject("Второй", quick);
    Layout::Catalog layout;
    layout.fieldImages << Layout::FieldImage{"Фото", 160, 120, 10, 10};
    CatalogStore::Save(*module, "Зал", layout, {});
    ASSERT_TRUE(Form22->RunCatalog("Зал"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form22));
    ASSERT_EQ(Form22->Images.size(), 1);
    PictureElement *image = Form22->Images[0];
    EXPECT_TRUE(image->decoding());
    QTest::keyClick(Control<QTableView>(Form22, "DBGrid"), Qt::Key_Down);
    EXPECT_EQ(module->QRGeneral->asInteger("G_ID"), 2);
    EXPECT_TRUE(image->shownImage().isNull()) << "nothing of the object left is shown while the next one decodes";
    ASSERT_TRUE(WaitFor([&] { return !image->decoding(); }, 10000 + 2 * slowMs));
    QTest::qWait(slowMs + 200);
    EXPECT_TRUE(Near(MiddleOf(image->shownImage()), Qt::blue));
    EXPECT_EQ(image->pictureData(), quick);

    // Up again: the slow picture is shown in the end, decoded at the box's size.
    QTest::keyClick(Control<QTableView>(Form22, "DBGrid"), Qt::Key_Up);
    ASSERT_TRUE(WaitFor([&] { return !image->decoding(); }, 10000 + 2 * slowMs));
    EXPECT_TRUE(Near(MiddleOf(image->shownImage()), Qt::red));
    EXPECT_EQ(image->shownImage().size(), QSize(160, 120));
}

TEST_F(ShownPicturesTest, APictureShownDoesNotGrowTheEditorsPage)
{
    QWidget page;
    auto *box = new PictureBox(&page);
    box->setMinimumSize(140, 100);
    (new QVBoxLayout(&page))->addWidget(box);
    page.resize(300, 200);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const QSize asked = page.sizeHint();
    QSignalSpy shown(box, &PictureBox::pictureShown);
    box->setPicture(Plain(Qt::red, {400, 1200}));
    ASSERT_TRUE(shown.wait(10000));
    EXPECT_EQ(page.sizeHint(), asked) << "a tall picture would push the fields below it out of sight";
}

TEST_F(ShownPicturesTest, TheViewerTellsItsZoomInACornerAfterTheWheelKeysButtonsAndFit)
{
    PictureViewer viewer(Plain(Qt::darkGreen, {400, 200}, "PNG"));
    viewer.resize(800, 600);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(WaitFor([&] { return viewer.pictureShown(); }));
    auto *zoom = Control<QLabel>(&viewer, "ZoomLabel");
    auto *fit = Control<QPushButton>(&viewer, "FitBtn");
    auto *actual = Control<QPushButton>(&viewer, "ActualSizeBtn");
    EXPECT_EQ(actual->text(), "1:1");
    EXPECT_EQ(actual->parentWidget(), fit->parentWidget()) << "beside the fitting button";

    // Fitted into the view the picture is twice its size.
    EXPECT_EQ(zoom->text(), "200 %");
    EXPECT_TRUE(zoom->isVisible());
    // In the lower right corner of the picture's view, clear of its middle.
    const QRect view(0, fit->parentWidget()->height(), viewer.width(), viewer.height() - fit->parentWidget()->height());
    EXPECT_TRUE(view.contains(zoom->geometry()));
    EXPECT_FALSE(zoom->geometry().contains(view.center()));
    EXPECT_GT(zoom->geometry().left(), view.center().x());
    EXPECT_GT(zoom->geometry().top(), view.center().y());

    QTest::keyClick(&viewer, Qt::Key_Plus);
    EXPECT_EQ(zoom->text(), "250 %");
    QWheelEvent wheel(QPointF(300, 300), viewer.mapToGlobal(QPointF(300, 300)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&viewer, &wheel);
    EXPECT_EQ(zoom->text(), "200 %");
    QTest::keyClick(&viewer, Qt::Key_Minus);
    EXPECT_EQ(zoom->text(), "160 %");
    QTest::keyClick(&viewer, Qt::Key_0);
    EXPECT_EQ(zoom->text(), "100 %");
    EXPECT_DOUBLE_EQ(viewer.scale(), 1.0);
    QTest::mouseClick(fit, Qt::LeftButton);
    EXPECT_EQ(zoom->text(), "200 %");
    QTest::mouseClick(actual, Qt::LeftButton);
    EXPECT_EQ(zoom->text(), "100 %");
    QTest::keyClick(&viewer, Qt::Key_Asterisk);
    EXPECT_EQ(zoom->text(), "200 %");
    // Zoomed far out, the percentage keeps a decimal, written with a comma.
    for (int i = 0; i < 14; ++i)
        QTest::keyClick(&viewer, Qt::Key_Minus);
    EXPECT_EQ(zoom->text(), "25 %") << "no smaller than a quarter of the actual size";
    EXPECT_EQ(PictureViewer::ZoomText(0.055), "5,5 %");
    // A larger window keeps the label in its corner.
    viewer.resize(1000, 700);
    EXPECT_EQ(zoom->geometry().right(), 1000 - 1 - 8);
}

TEST_F(ShownPicturesTest, ThePictureColumnKeepsItsWidthAndStaysInViewAfterSortingAndSearching)
{
    // Short names come first; sorted, the long ones fill the screen and widen their column.
    const qint64 place = addField(*module, "Место", StringType);
    closeQueries(*module);
    const QByteArray picture = Plain(Qt::darkYellow, {400, 300});
    const auto add = [&](const QString &title, const QString &where) {
        InsertObject(*module, ReserveObjectId(*module), {input(name, title), input(place, where), input(photo, picture, true)});
    };
    for (int i = 0; i < 12; ++i)
        add(QStringLiteral("Ящик %1").arg(i), QStringLiteral("Зал %1").arg(i));
    for (int i = 0; i < 12; ++i)
        add(QStringLiteral("Амфора чернолаковая, роспись на тулове %1").arg(i),
            QStringLiteral("Хранилище древностей, шкаф у северной стены %1").arg(i));
    ViewFill::Enter();
    Form2->showMaximized();
    QTableView *grid = ViewFill::Grid();
    ASSERT_TRUE(WaitFor([&] { return grid->model()->rowCount() == 24 && grid->columnWidth(2) > 64; }));
    QTest::qWait(50);
    const int pictureWidth = grid->columnWidth(2);
    const auto pictureInView = [&] {
        const int right = grid->columnViewportPosition(2) + grid->columnWidth(2);
        return grid->columnViewportPosition(2) >= 0 && right <= grid->viewport()->width();
    };
    EXPECT_TRUE(pictureInView()) << grid->columnWidth(0) << " + " << grid->columnWidth(1) << " in " << grid->viewport()->width()
                                 << ", rows " << grid->rowHeight(0) << " high";
    QFont titleFont = grid->horizontalHeader()->font();
    titleFont.setBold(true);
    const int nameTitle = QFontMetrics(titleFont).horizontalAdvance("Название");

    ViewFill::ClickTitle(0);
    ASSERT_TRUE(WaitFor([] { return ViewFill::ColumnTexts(0).value(0).startsWith("Амфора"); }));
    QTest::qWait(50);
    EXPECT_EQ(grid->columnWidth(2), pictureWidth);
    EXPECT_TRUE(pictureInView()) << grid->columnWidth(0) << " + " << grid->columnWidth(1) << " + " << grid->columnWidth(2) << " at "
                                 << grid->columnViewportPosition(2) << " in " << grid->viewport()->width();
    EXPECT_GE(grid->columnWidth(0), nameTitle);
    EXPECT_GE(grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2), grid->viewport()->width() - 2)
        << "the text columns take all the room left";

    // The quick search, typed: only long names, the picture column as before.
    auto *search = Control<QLineEdit>(Form2, "SearchEdit");
    search->setFocus();
    TypeKeys(search, "тулове");
    ASSERT_TRUE(WaitFor([&] { return grid->model()->rowCount() == 12; }));
    QTest::qWait(50);
    EXPECT_EQ(grid->columnWidth(2), pictureWidth);
    EXPECT_TRUE(pictureInView());

    // A width the user gives the names is kept, even when the pictures then need scrolling to.
    grid->horizontalHeader()->resizeSection(0, grid->viewport()->width() + 100);
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(search, Qt::Key_Backspace);
    ASSERT_TRUE(WaitFor([&] { return grid->model()->rowCount() == 24; }));
    QTest::qWait(50);
    EXPECT_EQ(grid->columnWidth(0), grid->viewport()->width() + 100);
    EXPECT_EQ(grid->columnWidth(2), pictureWidth);
}
