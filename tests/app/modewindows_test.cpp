#include "support/testsupport.h"
#include "support/versionserver.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "catalogs/catalogforms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "templates/templateforms.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

namespace {
class ModeWindowsTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        addField(*module, "Вес", RealType);
        Form1->OpenDataBase(dbPath);
        // The test screen (800 × 600) is smaller than the windows' least sizes.
        for (QWidget *window : {static_cast<QWidget *>(Form1), static_cast<QWidget *>(Form2)}) {
            minimumSizes << window->minimumSize();
            window->setMinimumSize(300, 200);
        }
        Form1->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
    }
    void TearDown() override
    {
        Form1->setMinimumSize(minimumSizes.at(0));
        Form2->setMinimumSize(minimumSizes.at(1));
        AppTest::TearDown();
    }
    QList<QSize> minimumSizes;
};
}

TEST_F(ModeWindowsTest, EachModeOpensWhereTheUserLeftTheLastOneAndNamesTheDatabase)
{
    const QRect placed(60, 50, 600, 420);
    Form1->setGeometry(placed);

    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(Form2->geometry(), placed);
    EXPECT_FALSE(Form2->isMaximized());
    EXPECT_EQ(Form2->windowTitle(), "Вирандел: Режим просмотра / заполнения — test.mdb");

    // Maximised in the view/fill mode: the designer fills the screen and the way back keeps the state.
    Form2->showMaximized();
    ASSERT_TRUE(WaitFor([] { return Form2->isMaximized(); }));
    Control<QPushButton>(Form2, "GoToCatalogBtn")->click();
    ASSERT_TRUE(Form11->isVisible());
    EXPECT_TRUE(Form11->isMaximized());
    EXPECT_EQ(Form11->windowTitle(), "Вирандел: Режим создания каталога — test.mdb");
    Control<QAction>(Form11, "N0")->trigger();
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_TRUE(Form2->isMaximized());
    Control<QPushButton>(Form2, "BackBth")->click();
    ASSERT_TRUE(Form1->isVisible());
    EXPECT_TRUE(Form1->isMaximized());

    // Back to a window of its own size, moved elsewhere: the next mode follows, also when left by the
    // title bar's close box.
    Form1->showNormal();
    const QRect moved(120, 30, 520, 400);
    Form1->setGeometry(moved);
    Form1->N21->trigger();
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_FALSE(Form2->isMaximized());
    EXPECT_EQ(Form2->geometry(), moved);
    const QRect again(20, 40, 640, 380);
    Form2->setGeometry(again);
    Form2->close();
    ASSERT_TRUE(Form1->isVisible());
    EXPECT_EQ(Form1->geometry(), again);
    EXPECT_FALSE(Form1->isMaximized());
}

TEST_F(ModeWindowsTest, BoxesAndFileDialogsStayAboveTheWindowsKeptOnTop)
{
    Form1->N32->trigger();
    ASSERT_TRUE(Form13->isVisible());
    ASSERT_TRUE(Form13->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    Form1->activateWindow();
    ASSERT_TRUE(WaitFor([] { return QApplication::activeWindow() == Form1; }));

    bool dialogOnTop = false;
    QWidget *dialogOwner = nullptr;
    QString folderType;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !closer.isActive())
            return;
        closer.stop();
        dialogOnTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialogOwner = dialog->parentWidget();
        auto *model = dialog->findChild<QFileSystemModel *>();
        const QModelIndex folder = model->index(DModule->ProgramFolder + "/System");
        WaitFor([&] { return model->data(folder.siblingAtColumn(2)).isValid(); });
        folderType = model->data(folder.siblingAtColumn(2)).toString();
        dialog->reject();
    });
    closer.start(20);
    Form1->N12->trigger();
    EXPECT_EQ(folderType, "Папка") << "Qt's own texts are Russian too";
    // A window manager keeps the templates window above the main window's own dialogs: this one belongs
    // to no window and is kept on top itself.
    EXPECT_EQ(dialogOwner, nullptr);
    EXPECT_TRUE(dialogOnTop);

    // The general error display, and the confirmation asked for by a window that is hidden meanwhile.
    MessageBoxAnswerer answer(QMessageBox::No);
    ShowGeneralError("Ошибка");
    Form2->N14Click();
    // An answer that comes after the user turned to the window kept on top opens over that window.
    VersionServer slow("1.0.2 final\r\n", 400);
    Form1->SetUpdateServer(slow.address());
    Form1->activateWindow();
    ASSERT_TRUE(WaitFor([] { return QApplication::activeWindow() == Form1; }));
    QTimer::singleShot(100, [] { Form13->activateWindow(); });
    Form1->N52->trigger();
    // Then the same with nothing kept on top.
    Form13->close();
    ShowGeneralError("Ошибка");
    Form2->N14Click();
    EXPECT_EQ(answer.texts().at(2), "Нет доступных обновлений! Выполните эту проверку позже!");
    EXPECT_EQ(answer.owners(), QStringList({"", "", "Form13", "Form1", "Form1"}));
    EXPECT_EQ(answer.keptOnTop(), QList<bool>({true, true, true, false, false}));
}

TEST_F(AppTest, AWindowIsCentredAtItsShownSizeWithItsTitleBarOnTheScreen)
{
    QWidget window;
    const QRect area = window.screen()->availableGeometry();
    window.resize(area.width() + 200, area.height() + 100);
    CentreOnScreen(&window);
    EXPECT_EQ(window.pos(), area.topLeft());
    window.resize(200, 100);
    CentreOnScreen(&window);
    EXPECT_EQ(window.pos(), area.center() - QPoint(100, 50));

    // Brought up for the first time, a window is centred at the size its contents give it.
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("Выберите в списке каталог и нажмите кнопку действия:"));
    ShowCentred(&dialog);
    EXPECT_LE((dialog.geometry().center() - area.center()).manhattanLength(), 4) << dialog.geometry().center().x();
}
