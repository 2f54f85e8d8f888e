// Looking closely at a picture: the viewer's zoom, pan, pinch and Esc, and where it opens from - the
// object editor, the list's picture column and a running catalog guarded by the exit password.
#include "objects/windowsteps.h"

#include "app/pictureviewer.h"
#include "catalogs/catalogstore.h"
#include "catalogs/form22.h"
#include "catalogs/form23.h"
#include "objects/fieldeditor.h"
#include "objects/form7.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "settings/form6.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QSignalSpy>

namespace {
// Left half red, right half blue: where a point of the picture lands in the view shows how it is moved.
QByteArray HalvesPng(QSize size = {400, 200})
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            picture.setPixelColor(x, y, Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

// The colour the viewer shows at `point` of itself.
QColor ShownAt(PictureViewer &viewer, QPoint point)
{
    return viewer.grab().toImage().pixelColor(point * viewer.devicePixelRatioF());
}

// Where in the view the picture point `p` is shown.
QPointF ViewPointOf(const PictureViewer &viewer, QPointF p, QPointF viewMiddle)
{
    return viewMiddle + (p - viewer.shownCentre()) * viewer.scale();
}

void Wheel(QWidget *widget, QPoint at, int delta)
{
    QWheelEvent wheel(at, widget->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

QStringList VisibleWindows()
{
    QStringList names;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() != Qt::ToolTip)
            names << window->objectName();
    names.sort();
    return names;
}
}

TEST(PictureViewerTest, KeysWheelAndButtonsZoomFitRestoresDragAndFingersPanAndEscCloses)
{
    PictureViewer viewer(HalvesPng());
    viewer.resize(800, 600);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(WaitFor([&] { return viewer.pictureShown(); }));
    EXPECT_EQ(viewer.pictureSize(), QSize(400, 200));
    const QPushButton *buttons[] = {Control<QPushButton>(&viewer, "ZoomInBtn"), Control<QPushButton>(&viewer, "ZoomOutBtn"),
                                    Control<QPushButton>(&viewer, "FitBtn"), Control<QPushButton>(&viewer, "CloseBtn")};
    for (const QPushButton *button : buttons)
        EXPECT_GE(std::min(button->width(), button->height()), 48) << button->objectName().toStdString();
    EXPECT_EQ(buttons[2]->text(), "По размеру окна");

    // Fitted: the whole picture fills the width, its halves either side of the middle.
    const QRect buttonRow = buttons[0]->parentWidget()->geometry();
    const QPointF middle(400, buttonRow.bottom() + 1 + (600 - buttonRow.bottom() - 1) / 2.0);
    const double fit = viewer.scale();
    EXPECT_DOUBLE_EQ(fit, 2.0);
    EXPECT_EQ(ShownAt(viewer, {200, int(middle.y())}), QColor(Qt::red));
    EXPECT_EQ(ShownAt(viewer, {600, int(middle.y())}), QColor(Qt::blue));

    QTest::keyClick(&viewer, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(viewer.scale(), fit * 1.25);
    QTest::keyClick(&viewer, Qt::Key_Minus);
    QTest::keyClick(&viewer, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(viewer.scale(), fit / 1.25);
    QTest::mouseClick(const_cast<QPushButton *>(buttons[0]), Qt::LeftButton);
    QTest::mouseClick(const_cast<QPushButton *>(buttons[0]), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(viewer.scale(), fit * 1.25);

    // The wheel zooms about the pointer: the picture point under it stays put.
    const QPoint pointer(250, int(middle.y()) + 40);
    const QPointF underPointer = viewer.shownCentre() + (QPointF(pointer) - middle) / viewer.scale();
    Wheel(&viewer, pointer, 240);
    EXPECT_DOUBLE_EQ(viewer.scale(), fit * 1.25 * 1.25 * 1.25);
    const QPointF after = ViewPointOf(viewer, underPointer, middle);
    EXPECT_NEAR(after.x(), pointer.x(), 0.01);
    EXPECT_NEAR(after.y(), pointer.y(), 0.01);

    QTest::mouseClick(const_cast<QPushButton *>(buttons[2]), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(viewer.scale(), fit);
    EXPECT_EQ(viewer.shownCentre(), QPointF(200, 100));

    // Zoomed in on the middle, the red half is shown left of it; a drag to the right by 150 pixels
    // brings red under the middle.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&viewer, Qt::Key_Plus);
    const double zoomed = viewer.scale();
    EXPECT_EQ(ShownAt(viewer, middle.toPoint() + QPoint(20, 0)), QColor(Qt::blue));
    const QPoint grab = middle.toPoint();
    QTest::mousePress(&viewer, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&viewer, grab + QPoint(75, 10));
    QTest::mouseMove(&viewer, grab + QPoint(150, 20));
    QTest::mouseRelease(&viewer, Qt::LeftButton, {}, grab + QPoint(150, 20));
    EXPECT_NEAR(viewer.shownCentre().x(), 200 - 150 / zoomed, 1e-9);
    EXPECT_NEAR(viewer.shownCentre().y(), 100 - 20 / zoomed, 1e-9);
    EXPECT_EQ(ShownAt(viewer, middle.toPoint() + QPoint(20, 0)), QColor(Qt::red));
    // Dragged far beyond the picture, its right edge stops at the view's: no empty space beside it.
    QTest::mousePress(&viewer, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&viewer, grab + QPoint(-3000, 0));
    QTest::mouseRelease(&viewer, Qt::LeftButton, {}, grab + QPoint(-3000, 0));
    EXPECT_NEAR(viewer.shownCentre().x(), 400 - middle.x() / zoomed, 1e-9);
    // Zoomed out below the view's size, it comes back to the middle.
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(&viewer, Qt::Key_Minus);
    EXPECT_EQ(viewer.shownCentre(), QPointF(200, 100));

    QSignalSpy closing(&viewer, &PictureViewer::closeRequested);
    QTest::keyClick(&viewer, Qt::Key_Escape);
    EXPECT_EQ(closing.count(), 1);
}

class ViewerInWindowsTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        addField(*module, "Название", StringType);
        photo = addField(*module, "Фото", ImageType);
        closeQueries(*module);
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        ASSERT_EQ(fields.size(), 2);
        InsertObject(*module, ReserveObjectId(*module), {input(fields[0].id, "Ваза"), input(photo, picture, true)});
        // Any file dialog a click might open is counted and closed.
        fileDialogs = new QTimer;
        fileDialogs->setInterval(20);
        QObject::connect(fileDialogs, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                ++fileDialogsOpened;
                dialog->reject();
            }
        });
        fileDialogs->start();
    }
    void TearDown() override
    {
        delete fileDialogs;
        Control<QCheckBox>(Form6, "CheckBox5")->setChecked(false);
        Form23->close();
        Form22->close();
        RussianAppTest::TearDown();
    }
    // Double-clicks `target` at `at`; the viewer that opens as a modal window is looked at and closed with
    // Esc. The size of the picture it showed; invalid when none opened.
    QSize viewedByDoubleClick(QWidget *target, QPoint at)
    {
        QSize shown;
        QTimer::singleShot(0, [&] {
            if (!WaitFor([] { return QApplication::activeModalWidget()
                                     && QApplication::activeModalWidget()->objectName() == "PictureViewerDialog"; }))
                return;
            auto *viewer = Control<PictureViewer>(QApplication::activeModalWidget(), "PictureViewer");
            if (WaitFor([viewer] { return viewer->pictureShown(); }))
                shown = viewer->pictureSize();
            QTest::keyClick(viewer, Qt::Key_Escape);
        });
        // As the window system delivers it: a click, the second press as a double click, its release.
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        QTest::mouseDClick(target, Qt::LeftButton, {}, at);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at);
        // The first click of the pair asks for no file.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return shown;
    }

    qint64 photo = 0;
    const QByteArray picture = HalvesPng({300, 120});
    QTimer *fileDialogs = nullptr;
    int fileDialogsOpened = 0;
};

TEST_F(ViewerInWindowsTest, ADoubleClickOpensThePictureFromTheEditorTheListAndAGuardedCatalogInsideItsWindow)
{
    ViewFill::Enter(1);
    QTableView *grid = ViewFill::Grid();
    auto *model = qobject_cast<ObjectGridModel *>(grid->model());
    ASSERT_TRUE(model);

    // The list: a picture column opens the picture; a double click elsewhere still opens the editor.
    model->setColumns(ReadDescriptionFields(*module));
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(viewedByDoubleClick(grid->viewport(), grid->visualRect(model->index(0, 1)).center()), QSize(300, 120));
    EXPECT_FALSE(Form7->isVisible());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(model->index(0, 0)).center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(model->index(0, 0)).center());
    ASSERT_TRUE(WaitFor([] { return Form7->isVisible(); }));

    // The editor's picture box: a double click looks, a single click still asks for a file.
    auto *box = qobject_cast<PictureBox *>(Form7->inputFor(1));
    ASSERT_TRUE(box);
    EXPECT_EQ(viewedByDoubleClick(box, box->rect().center()), QSize(300, 120));
    EXPECT_EQ(fileDialogsOpened, 0);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([this] { return fileDialogsOpened == 1; }));
    EXPECT_EQ(box->bytes, picture);
    Form7->close();

    // A running catalog guarded by the exit password: the viewer is a part of the catalog window.
    Layout::Catalog layout;
    layout.fieldImages << Layout::FieldImage{"Фото", 300, 200, 10, 10};
    CatalogStore::Save(*module, "Зал", layout, {});
    Control<QCheckBox>(Form6, "CheckBox5")->setChecked(true);
    Control<QLineEdit>(Form6, "Edit1")->setText("Ключ-7");
    ASSERT_TRUE(Form22->RunCatalog("Зал"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form22));
    ASSERT_EQ(Form22->Images.size(), 1);
    ASSERT_TRUE(WaitFor([] { return Form22->Images[0]->hasPicture(); }));
    const QStringList windows = VisibleWindows();
    QTest::mouseClick(Form22->Images[0], Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseDClick(Form22->Images[0], Qt::LeftButton, {}, QPoint(50, 50));
    auto *viewer = Form22->findChild<PictureViewer *>();
    ASSERT_TRUE(viewer);
    ASSERT_TRUE(WaitFor([viewer] { return viewer->pictureShown(); }));
    EXPECT_EQ(viewer->window(), Form22);
    EXPECT_EQ(viewer->geometry(), Form22->rect());
    EXPECT_EQ(VisibleWindows(), windows);

    // Keys pressed on the keyboard reach the catalog's window first: + zooms, Esc closes the viewer and
    // does not ask for the password.
    const double fit = viewer->scale();
    QTest::keyClick(Form22->windowHandle(), Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(viewer->scale(), fit * 1.25);
    // The zoom is told inside the catalog's window too.
    auto *zoom = Control<QLabel>(viewer, "ZoomLabel");
    EXPECT_TRUE(zoom->isVisible());
    EXPECT_EQ(zoom->window(), Form22);
    EXPECT_EQ(zoom->text(), QString::number(qRound(fit * 125)) + " %");

    // Two fingers moving apart to twice their distance zoom twice as large; one finger moves the picture.
    const QPoint middle = viewer->rect().center();
    QPointingDevice *touchScreen = QTest::createTouchDevice();
    QTest::touchEvent(viewer, touchScreen).press(0, middle - QPoint(40, 0)).press(1, middle + QPoint(40, 0));
    QTest::touchEvent(viewer, touchScreen).move(0, middle - QPoint(60, 0)).move(1, middle + QPoint(60, 0));
    QTest::touchEvent(viewer, touchScreen).move(0, middle - QPoint(80, 0)).move(1, middle + QPoint(80, 0));
    QTest::touchEvent(viewer, touchScreen).release(0, middle - QPoint(80, 0)).release(1, middle + QPoint(80, 0));
    EXPECT_NEAR(viewer->scale(), fit * 1.25 * 2, 1e-9);
    const QPointF centre = viewer->shownCentre();
    QTest::touchEvent(viewer, touchScreen).press(0, middle);
    QTest::touchEvent(viewer, touchScreen).move(0, middle + QPoint(30, 0));
    QTest::touchEvent(viewer, touchScreen).release(0, middle + QPoint(30, 0));
    EXPECT_NEAR(viewer->shownCentre().x(), centre.x() - 30 / viewer->scale(), 1e-9);

    QPointer<PictureViewer> open = viewer;
    QTest::keyClick(Form22->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !open; }));
    EXPECT_TRUE(Form22->isVisible());
    EXPECT_FALSE(Form23->isVisible());
    // With the viewer gone, Esc is the catalog's again: the password is asked for.
    QTest::keyClick(Form22->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([] { return Form23->isVisible(); }));
}
