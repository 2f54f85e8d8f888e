// A visitor at the catalog's touch screen: the return to the start when nobody uses it, the slideshow,
// swipes, dragging and the size of what a finger taps.
#include "kiosk/kiosktest.h"

#include "app/pictureviewer.h"
#include "catalogs/idlereset.h"
#include "catalogs/onscreenkeyboard.h"
#include "catalogs/touchnavigation.h"
#include "core/sharedquery.h"

#include <QLabel>
#include <QLayout>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolButton>

namespace {
class VisitorTest : public RunningCatalogTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        name = addField(*module, "Название", StringType);
        price = addField(*module, "Цена", IntegerType);
        makeBook(1, "Города", {{10, "Москва", "", 0}, {11, "Казань", "", 0}});
        Layout::Catalog layout;
        layout.fieldLabels << Layout::Label{"Название", Layout::Colors::WindowText, 14, "Arial", 20, 20};
        layout.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 10, "Arial", 300, 120, 20, 80};
        CatalogStore::Save(*module, "Зал", layout, {});
    }
    void TearDown() override
    {
        UseInWindowKeyboard(false);
        RunningCatalogTest::TearDown();
    }

    // `count` objects, the second and the fourth in Казань.
    void addObjects(int count)
    {
        closeQueries(*module);
        const QStringList names{"Самовар", "Прялка", "Кокошник", "Лапти", "Балалайка"};
        for (int i = 1; i <= count; ++i)
            module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(?,?,?)").arg(name).arg(price),
                         {i, names[(i - 1) % names.size()] + QStringLiteral(" %1").arg(i), 1000 - i});
        exec("INSERT INTO LINKS VALUES(1,2,1,11,'',0), (2,4,1,11,'',0)");
    }
    // Runs the catalog with the kiosk settings `idleMinutes` and `slideSeconds` and the idle clock
    // `minuteMs` and `secondMs` long.
    static void run(int idleMinutes, int slideSeconds, int minuteMs, int secondMs)
    {
        Options::Kiosk kiosk;
        kiosk.idleMinutes = idleMinutes;
        kiosk.slideSeconds = slideSeconds;
        UseKioskSettings(kiosk);
        IdleReset *idle = Form22->idleReset();
        idle->setProperty("minuteMs", minuteMs);
        idle->setProperty("secondMs", secondMs);
        runCatalog("Зал");
    }
    static QLabel *banner() { return Control<QLabel>(Form22, "CountdownBanner"); }
    static QWidget *panel() { return Control<QWidget>(Form22, "Panel"); }
    static ObjectList &list() { return ObjectList::Of(*DModule); }
    static QStringList gridNames() { return GridTexts(grid(), "Название"); }
    static int bannerSeconds()
    {
        const QRegularExpressionMatch found =
            QRegularExpression("^Каталог вернётся к началу через (\\d+) с — коснитесь экрана$").match(banner()->text());
        return found.hasMatch() ? found.captured(1).toInt() : -1;
    }

    qint64 name = 0, price = 0;
};
}

TEST_F(VisitorTest, NobodyTouchingCountsDownAnInputCancelsAndAtZeroSearchFilterAndOrderGoAndTheFirstObjectShows)
{
    addObjects(5);
    run(1, 0, 2000, 80);   // the countdown begins 1,2 s after the last input and lasts 0,8 s
    // A visitor searches, filters, sorts and moves on.
    TypeKeys(searchBox(), "а");
    ASSERT_TRUE(WaitFor([] { return list().searched(); }));
    auto *tree = Control<QTreeWidget>(Form22, "ClassesView");
    QTreeWidgetItem *kazan = tree->findItems("Казань", Qt::MatchExactly).value(0);
    ASSERT_NE(kazan, nullptr);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(kazan).center());
    QTest::mouseClick(Control<QPushButton>(Form22, "AddFilter"), Qt::LeftButton);
    ASSERT_TRUE(list().filtered());
    QHeaderView *titles = grid()->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(GridColumn(grid(), "Цена")) + 5, titles->height() / 2));
    ASSERT_TRUE(list().titleOrder().has_value());
    EXPECT_EQ(gridNames(), (QStringList{"Лапти 4", "Прялка 2"}));
    QTest::keyClick(grid(), Qt::Key_Down);
    ASSERT_EQ(ViewFill::CurrentObject(), 2);

    // Nobody touches: the countdown shows inside the window, large, and counts.
    ASSERT_TRUE(WaitFor([] { return banner()->isVisible(); }));
    EXPECT_EQ(banner()->window(), Form22) << "inside the catalog's window";
    EXPECT_GE(banner()->font().pixelSize(), Form22->height() / 16);
    const int shown = bannerSeconds();
    EXPECT_GE(shown, 1);
    EXPECT_LE(shown, IdleReset::CountdownSeconds);
    ASSERT_TRUE(WaitFor([shown] { return bannerSeconds() >= 1 && bannerSeconds() < shown; }));

    // A finger on the screen cancels it: the visitor's search, filter and object stay.
    Tap(panel(), QPoint(40, 40));
    EXPECT_FALSE(banner()->isVisible());
    QTest::qWait(900);
    EXPECT_EQ(searchBox()->text(), "а");
    EXPECT_TRUE(list().filtered());
    EXPECT_EQ(ViewFill::CurrentObject(), 2);

    // Left alone to the end, with a picture and the password window a visitor opened: they go when the countdown begins,
    // and the start comes back as it was, from one opening of the list.
    UseExitPassword("Ключ");
    ShowPictureOver(PictureBytes(Qt::red), Form22);
    Form22->close();
    ASSERT_TRUE(WaitFor([] { return Form23->isVisible(); }));
    ASSERT_TRUE(WaitFor([] { return banner()->isVisible(); }));
    EXPECT_FALSE(Form23->isVisible());
    EXPECT_TRUE(WaitFor([] { return Form22->findChild<PictureViewer *>() == nullptr; }));
    int openings = 0;
    QObject watcher;
    QObject::connect(&list(), &ObjectList::reopened, &watcher, [&openings] { openings += DModule->QRGeneral->isOpen(); });
    ASSERT_TRUE(WaitFor([] { return !list().searched(); }, 3000));
    EXPECT_EQ(openings, 1);
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_EQ(searchBox()->text(), "");
    // The clear button of an empty box fades out.
    for (QToolButton *clear : searchBox()->findChildren<QToolButton *>())
        EXPECT_TRUE(WaitFor([clear] { return !clear->isVisibleTo(Form22); }, 1000));
    EXPECT_EQ(Control<QListWidget>(Form22, "ListBox")->count(), 0);
    EXPECT_FALSE(list().filtered());
    EXPECT_FALSE(list().titleOrder().has_value());
    EXPECT_FALSE(titles->isSortIndicatorShown());
    EXPECT_EQ(gridNames(), (QStringList{"Самовар 1", "Прялка 2", "Кокошник 3", "Лапти 4", "Балалайка 5"}));
    EXPECT_EQ(ViewFill::CurrentObject(), 1);
    EXPECT_EQ(grid()->currentIndex().row(), 0);
    EXPECT_EQ(Form22->Labels.at(0)->text(), "Самовар 1");
    EXPECT_TRUE(grid()->hasFocus());
}

TEST_F(VisitorTest, AfterTheReturnTheSlideshowTurnsEveryObjectWrapsAroundAndStopsAtATouch)
{
    addObjects(3);
    run(1, 2, 1200, 60);   // the return 1,2 s after the last input, then a move every 0,12 s
    // The objects the panel showed, one after another.
    QList<qint64> seen;
    QStringList labels;
    QObject watcher;
    const auto follow = [&] {
        if (!DModule->QRGeneral->isOpen() || (!seen.isEmpty() && seen.last() == ViewFill::CurrentObject()))
            return;
        seen << ViewFill::CurrentObject();
        QTimer::singleShot(0, &watcher, [&] { labels << Form22->Labels.at(0)->text(); });
    };
    QObject::connect(&list(), &ObjectList::currentChanged, &watcher, follow);
    QObject::connect(&list(), &ObjectList::reopened, &watcher, follow);
    QTest::keyClick(grid(), Qt::Key_Down);
    ASSERT_TRUE(WaitFor([&] { return seen.size() >= 6; }, 5000));
    // Down to 2, the return to 1, then 2, 3 and round to 1.
    EXPECT_EQ(seen.mid(0, 6), (QList<qint64>{2, 1, 2, 3, 1, 2}));
    EXPECT_TRUE(labels.contains("Кокошник 3"));
    EXPECT_TRUE(Form22->idleReset()->sliding());

    Tap(panel(), QPoint(40, 40));
    EXPECT_FALSE(Form22->idleReset()->sliding());
    const qint64 stayed = ViewFill::CurrentObject();
    const int moves = int(seen.size());
    QTest::qWait(400);   // longer than three slides, shorter than the next return
    EXPECT_EQ(ViewFill::CurrentObject(), stayed);
    EXPECT_EQ(seen.size(), moves);
}

TEST_F(VisitorTest, SwipesTurnBothWaysDragsScrollTheGridAndEveryTargetIsAFingerWide)
{
    addObjects(60);
    run(0, 3, 50, 5);   // no return to the start, whatever the clock
    const int w = panel()->width(), h = panel()->height();
    const QPoint left(w / 4, h / 2), right(w * 3 / 4, h / 2), sideways(w / 3, 0);
    // Starting on an element of the panel counts as well, a scrolling box included; a short or a slanted
    // move is no swipe; there is nothing before the first object.
    const QPoint onLabel = Form22->Labels.at(0)->geometry().center(), onList = Form22->GroupBoxes.at(0)->geometry().center();
    const QPoint centre(w / 2, h / 2), shortMove(TapSizePixels(panel()), 0);
    const QList<std::tuple<QPoint, QPoint, qint64>> swipes{
        {right, left, 2}, {onLabel, onLabel - sideways, 3}, {onList, onList - sideways, 4}, {onList, onList + sideways, 3},
        {left, right, 2}, {centre, centre - shortMove, 2}, {QPoint(w / 2, h / 4), QPoint(w / 4, h * 3 / 4), 2},
        {left, right, 1}, {left, right, 1}};
    ASSERT_EQ(ViewFill::CurrentObject(), 1);
    for (const auto &[from, to, after] : swipes) {
        Drag(panel(), from, to);
        EXPECT_EQ(ViewFill::CurrentObject(), after)
            << "swipe from " << from.x() << "," << from.y() << " to " << to.x() << "," << to.y();
        EXPECT_EQ(grid()->currentIndex().row() + 1, ViewFill::CurrentObject());
        EXPECT_EQ(Form22->Labels.at(0)->text(), gridNames().value(ViewFill::CurrentObject() - 1));
    }

    // A finger dragged up the grid scrolls it.
    QScrollBar *rows = grid()->verticalScrollBar();
    ASSERT_GT(rows->maximum(), 0);
    const QPoint middle = grid()->viewport()->rect().center();
    Drag(grid()->viewport(), middle + QPoint(0, grid()->viewport()->height() / 3), middle - QPoint(0, grid()->viewport()->height() / 3));
    EXPECT_TRUE(WaitFor([rows] { return rows->value() > 0; }));
    // A tap on a row still chooses it.
    QTest::qWait(500);
    const QModelIndex tapped = grid()->model()->index(grid()->rowAt(grid()->viewport()->height() / 2), 1);
    ASSERT_TRUE(tapped.isValid());
    Tap(grid()->viewport(), grid()->visualRect(tapped).center());
    EXPECT_TRUE(WaitFor([tapped] { return DModule->QRGeneral->recNo() == tapped.row() + 1; }));
    const qint64 chosen = ViewFill::CurrentObject();

    // Nine millimetres at least: buttons, the search box, the rows of the grid, the tree and the lists, the
    // password window's buttons.
    const int tap = TapSizePixels(Form22);
    EXPECT_GE(tap, 30);
    Form23->layout()->activate();
    for (QWidget *target : {Control<QWidget>(Form22, "AddFilter"), Control<QWidget>(Form22, "DeleteFilter"),
                            Control<QWidget>(Form22, "SearchEdit"), Control<QWidget>(Form22, "ComboBox"),
                            Control<QWidget>(Form23, "Button1"), Control<QWidget>(Form23, "Button2")})
        EXPECT_GE(target->height(), tap) << target->objectName().toStdString();
    EXPECT_GE(grid()->rowHeight(0), tap);
    auto *tree = Control<QTreeWidget>(Form22, "ClassesView");
    EXPECT_GE(tree->visualItemRect(tree->topLevelItem(0)).height(), tap);

    EXPECT_FALSE(Form22->idleReset()->countingDown());
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_EQ(ViewFill::CurrentObject(), chosen) << "no slideshow without the return";

    // Where the system's on-screen keyboard cannot come, the catalog's own types into the search box.
    UseInWindowKeyboard(true);
    QLineEdit *search = searchBox();
    auto *keyboard = Control<QWidget>(Form22, "SearchKeyboard");
    const auto key = [keyboard](const QString &text) {
        auto *found = keyboard->findChild<QPushButton *>("Key " + text);
        EXPECT_NE(found, nullptr) << text.toStdString();
        return found;
    };
    QTest::mouseClick(search, Qt::LeftButton);
    ASSERT_TRUE(keyboard->isVisible());
    for (const QString text : {"л", "к", "к", "⌫", "а"})
        QTest::mouseClick(key(text), Qt::LeftButton);
    EXPECT_EQ(search->text(), "лка");
    EXPECT_TRUE(search->hasFocus());
    ASSERT_TRUE(WaitFor([] { return list().searched(); }));
    EXPECT_EQ(gridNames().value(0), "Прялка 2");
    EXPECT_GE(key("й")->height(), tap);
    QTest::mouseClick(key("Скрыть"), Qt::LeftButton);
    EXPECT_FALSE(keyboard->isVisible());
    UseInWindowKeyboard(false);
}

TEST(OnScreenKeyboard, IsAskedForOnlyWhenTheDeviceListNamesDevicesButNoKeyboard)
{
    // As the kernel lists them: a power button, a touch screen, a keyboard (64-bit words).
    const QByteArray power = "I: Bus=0019 Vendor=0000 Product=0001 Version=0000\n"
                             "N: Name=\"Power Button\"\nH: Handlers=kbd event0\nB: EV=3\nB: KEY=10000000000000 0\n\n";
    const QByteArray touch = "I: Bus=0003 Vendor=222a Product=0001 Version=0110\n"
                             "N: Name=\"ILITEK Multi-Touch\"\nH: Handlers=mouse0 event5\nB: EV=1b\nB: KEY=400 0 0 0 0 0\n"
                             "B: ABS=2608000 3\n\n";
    const QByteArray keyboard = "I: Bus=0003 Vendor=046d Product=c31c Version=0110\n"
                                "N: Name=\"Logitech USB Keyboard\"\nH: Handlers=sysrq kbd leds event2\nB: EV=120013\n"
                                "B: KEY=1000000000007 ff9f207ac14057ff febeffdfffefffff fffffffffffffffe\n\n";
    EXPECT_EQ(KeyboardNeedOf(power + touch), KeyboardNeed::OnScreen);
    EXPECT_EQ(KeyboardNeedOf(power + touch + keyboard), KeyboardNeed::Physical);
    EXPECT_EQ(KeyboardNeedOf(QByteArray()), KeyboardNeed::Unknown) << "a virtual display lists nothing";
}
