#include "kiosk/kiosktest.h"

#include "app/form1.h"
#include "catalogs/visitorguard.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLabel>

namespace {
// Counts the menus and windows that open while it lives (the password window aside) and closes them at
// once: a context menu shown with exec() would otherwise hold the test.
class OpenedCounter
{
public:
    OpenedCounter()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->isVisible())
                m_shownBefore << window;
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                ++m_seen;
                popup->close();
            }
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window->isVisible() && !m_shownBefore.contains(window) && window != Form23
                    && window->windowType() != Qt::Popup && window->windowType() != Qt::ToolTip) {
                    ++m_seen;
                    window->close();
                }
            }
        });
        m_timer.start(5);
    }
    int seen() const { return m_seen; }

private:
    QTimer m_timer;
    QList<QWidget *> m_shownBefore;
    int m_seen = 0;
};

class VisitorGuardTest : public RunningCatalogTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Layout::Catalog layout;
        layout.memos << Layout::FieldMemo{"Название", Layout::Colors::Window, Layout::Colors::WindowText, 8, "Arial", 200, 80, 10, 60};
        layout.referenceLists << Layout::ReferenceList{Layout::Colors::Window, Layout::Colors::WindowText, 8, "Arial", 200, 80, 250, 60};
        AddNamedObjectsAndCatalogs(*module, {"Первый", "Второй", "Третий"}, {"Зал"}, layout);
        UseExitPassword(Password);
        runCatalog("Зал");
    }

    static QLineEdit *passwordBox() { return Control<QLineEdit>(Form23, "Edit1"); }
    static void leave()
    {
        if (!Form23->isVisible())
            QTest::keyClick(grid(), Qt::Key_Escape);
        ASSERT_TRUE(WaitFor([] { return Control<QPushButton>(Form23, "Button1")->isEnabled(); }, 6000));
        passwordBox()->clear();
        TypeKeys(passwordBox(), Password + "\n");
        ASSERT_FALSE(Form22->isVisible());
    }

    static inline const QString Password = QStringLiteral("Ключ-7");
};

struct Key
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

// A key pressed on the keyboard: the window gets it first and gives it to its focused widget.
void Press(QWidget *target, const Key &key)
{
    target->setFocus();
    QTest::keyClick(target->window()->windowHandle(), key.key, key.modifiers);
}
}

TEST_F(VisitorGuardTest, ClosingKeysAskForThePasswordOtherOpeningKeysAndOtherWindowsShortcutsDoNothingBrowsingKeysWork)
{
    // A shortcut of a hidden window of the program meant to work everywhere, and the catalog's own.
    QAction elsewhere(Form1);
    elsewhere.setShortcutContext(Qt::ApplicationShortcut);
    elsewhere.setShortcuts({QKeySequence(Qt::Key_F9), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y)});
    Form1->addAction(&elsewhere);
    int elsewhereRan = 0;
    QObject::connect(&elsewhere, &QAction::triggered, [&] { ++elsewhereRan; });
    int saveRan = 0;
    QObject::connect(Control<QAction>(Form22, "SaveScreenItem"), &QAction::triggered, [&] { ++saveRan; });
    QLineEdit *search = searchBox();

    const QList<Key> closing{{Qt::Key_Escape}, {Qt::Key_F4, Qt::AltModifier}, {Qt::Key_W, Qt::ControlModifier},
                             {Qt::Key_Q, Qt::ControlModifier}, {Qt::Key_F4, Qt::ControlModifier}};
    const QList<Key> opening{{Qt::Key_S, Qt::ControlModifier}, {Qt::Key_O, Qt::ControlModifier}, {Qt::Key_P, Qt::ControlModifier},
                             {Qt::Key_N, Qt::ControlModifier}, {Qt::Key_F1}, {Qt::Key_F11}, {Qt::Key_Space, Qt::AltModifier},
                             {Qt::Key_Tab, Qt::AltModifier}, {Qt::Key_Super_L}, {Qt::Key_Menu}, {Qt::Key_E, Qt::MetaModifier},
                             {Qt::Key_Right, Qt::ControlModifier | Qt::AltModifier}, {Qt::Key_F9},
                             {Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier}};
    auto opened = std::make_unique<OpenedCounter>();
    for (QWidget *target : {static_cast<QWidget *>(grid()), static_cast<QWidget *>(search)}) {
        for (const Key &key : closing) {
            Press(target, key);
            ASSERT_EQ(ShownWindows(), (QStringList{"Form22", "Form23"})) << target->objectName().toStdString() << " key " << key.key;
            // In the password window the same keys close nothing but Esc, its own "Отмена".
            Press(passwordBox(), key);
            EXPECT_EQ(Form23->isVisible(), key.key != Qt::Key_Escape || key.modifiers != Qt::NoModifier) << key.key;
            if (Form23->isVisible())
                QTest::keyClick(passwordBox(), Qt::Key_Escape);
            ASSERT_TRUE(WaitFor([] { return !Form23->isVisible(); }));
        }
        for (const Key &key : opening) {
            Press(target, key);
            QTest::qWait(10);
            EXPECT_EQ(ShownWindows(), QStringList{"Form22"}) << key.key;
        }
    }
    EXPECT_EQ(opened->seen(), 0);
    EXPECT_EQ(saveRan, 0);
    EXPECT_EQ(elsewhereRan, 0) << "a shortcut of another window of the program";

    // Browsing and typing go on as before.
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(Form22->Labels.at(0)->text(), "Второй");
    TypeKeys(search, "Тре");
    QTest::keyClick(search, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(search, Qt::Key_Delete);
    EXPECT_EQ(search->text(), "ре");

    // Left with the password, the program's keys are its own again.
    opened.reset();
    leave();
    ShowCentred(Form1);
    ASSERT_TRUE(WaitFor([] { return Form1->isActiveWindow(); }));
    QTest::keyClick(Form1, Qt::Key_F9);
    EXPECT_EQ(elsewhereRan, 1);
}

TEST_F(VisitorGuardTest, NoContextMenuOpensOnAnyWidgetOfTheCatalogOrThePasswordWindowByClickKeyOrLongPress)
{
    auto opened = std::make_unique<OpenedCounter>();
    const auto askEveryWidget = [](QWidget *window) {
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets << window;
        int asked = 0;
        for (QWidget *widget : std::as_const(widgets)) {
            if (!widget->isVisible())
                continue;
            const QPoint at(widget->width() / 2, widget->height() / 2);
            for (const auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard, QContextMenuEvent::Other}) {
                QContextMenuEvent event(reason, at, widget->mapToGlobal(at));
                QApplication::sendEvent(widget, &event);
                ++asked;
            }
        }
        return asked;
    };
    EXPECT_GT(askEveryWidget(Form22), 30) << "the grid, its header and scroll bars, the search box, the tree, the lists, the panel";
    QTest::keyClick(grid(), Qt::Key_Escape);
    ASSERT_TRUE(Form23->isVisible());
    askEveryWidget(Form23);
    EXPECT_EQ(opened->seen(), 0);
    QTest::keyClick(passwordBox(), Qt::Key_Escape);

    // A finger held on the grid and on the search box.
    for (QWidget *target : {static_cast<QWidget *>(grid()->viewport()), static_cast<QWidget *>(searchBox())}) {
        const QPoint at = target->mapTo(Form22, QPoint(target->width() / 2, 8));
        Drag(Form22, at, at, 0, 1500);
        QTest::qWait(50);
    }
    EXPECT_EQ(opened->seen(), 0);
    EXPECT_EQ(ShownWindows(), QStringList{"Form22"});

    // With the password off, the operator's menu of the panel opens again.
    opened.reset();
    leave();
    UseExitPassword({});
    runCatalog("Зал");
    QWidget *panel = Control<QFrame>(Form22, "Panel");
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), panel->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(panel, &event);
    EXPECT_TRUE(WaitFor([] { return Control<QMenu>(Form22, "PanelMenu")->isVisible(); }));
    Control<QMenu>(Form22, "PanelMenu")->close();
}

TEST_F(VisitorGuardTest, ThePasswordIsNeverShownOrCopiedAndRefusalsWaitWhetherGivenByEnterOrByTheButton)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText("прежнее");
    if (clipboard->supportsSelection())
        clipboard->setText("прежнее", QClipboard::Selection);
    QTest::keyClick(grid(), Qt::Key_Escape);
    ASSERT_TRUE(Form23->isVisible());
    TypeKeys(passwordBox(), Password);
    EXPECT_EQ(passwordBox()->text(), Password);
    EXPECT_FALSE(passwordBox()->displayText().contains(QStringLiteral("Ключ")));
    EXPECT_FALSE(passwordBox()->displayText().contains(QLatin1Char('7')));
    const Qt::InputMethodHints hints = passwordBox()->inputMethodHints();
    EXPECT_TRUE(hints.testFlags(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText))
        << "an on-screen keyboard neither shows nor learns it";
    if (QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(passwordBox()))
        EXPECT_FALSE(reader->text(QAccessible::Value).contains(QStringLiteral("Ключ"))) << "a screen reader does not read it out";
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_C, Qt::Key_Insert, Qt::Key_X})
        QTest::keyClick(passwordBox(), key, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "прежнее");
    if (clipboard->supportsSelection())
        EXPECT_EQ(clipboard->text(QClipboard::Selection), "прежнее");
    for (QWidget *window : {static_cast<QWidget *>(Form22), static_cast<QWidget *>(Form23)})
        EXPECT_FALSE(window->windowTitle().contains(QStringLiteral("Ключ")));

    // An input method composing a word shows nothing of it in clear either.
    passwordBox()->clear();
    const auto composed = [](const QString &word) {
        QInputMethodEvent composing(word, {});
        QApplication::sendEvent(passwordBox(), &composing);
        return passwordBox()->grab().toImage();
    };
    EXPECT_EQ(composed(QStringLiteral("WMWM")), composed(QStringLiteral("il.i")));
    QInputMethodEvent committed(QString(), {});
    committed.setCommitString(QStringLiteral("Ключ"));
    QApplication::sendEvent(passwordBox(), &committed);
    EXPECT_EQ(passwordBox()->text(), "Ключ") << "the word itself is typed";

    // Three wrong ones by the button, the fourth by Enter: then neither Enter nor the button counts while
    // the wait lasts, and the right one by the button leaves.
    QPushButton *ready = Control<QPushButton>(Form23, "Button1");
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(ready, Qt::LeftButton);
        EXPECT_TRUE(ready->isEnabled());
    }
    QTest::keyClick(passwordBox(), Qt::Key_Return);
    EXPECT_EQ(Form23->wrongInARow(), 4);
    ASSERT_FALSE(ready->isEnabled());
    QTest::mouseClick(ready, Qt::LeftButton);
    QTest::keyClick(passwordBox(), Qt::Key_Return);
    QTest::keyClick(passwordBox(), Qt::Key_Enter);
    EXPECT_EQ(Form23->wrongInARow(), 4);
    ASSERT_TRUE(WaitFor([ready] { return ready->isEnabled(); }, 3000));
    QTest::mouseClick(ready, Qt::LeftButton);
    EXPECT_EQ(Form23->wrongInARow(), 5);
    EXPECT_FALSE(ready->isEnabled());
    ASSERT_TRUE(WaitFor([ready] { return ready->isEnabled(); }, 4000));
    TypeKeys(passwordBox(), Password);
    QTest::mouseClick(ready, Qt::LeftButton);
    EXPECT_FALSE(Form22->isVisible());
    EXPECT_EQ(clipboard->text(), "прежнее");
}
