#include "objects/windowsteps.h"
#include "support/versionserver.h"

#include "app/form1.h"
#include "app/form24.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "catalogs/catalogforms.h"
#include "settings/form6.h"
#include "templates/templateforms.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// Triggers the menu item `item` and chooses `path` in the file dialog it opens.
void ChooseThrough(QAction *item, const QString &path)
{
    ChooseFileInNextDialog(path);
    item->trigger();
}

void expectDatabaseState(bool open)
{
    for (const char *name : {"N13", "N21", "N22", "N31"})
        EXPECT_EQ(Form1->findChild<QAction *>(name)->isEnabled(), open) << name;
    for (const char *name : {"N11", "N12", "N14", "N32", "N4", "N51", "N52", "N53"})
        EXPECT_TRUE(Form1->findChild<QAction *>(name)->isEnabled()) << name;
    EXPECT_EQ(Form1->findChild<QTabWidget *>("TabbedNotebook")->isVisibleTo(Form1), open);
    EXPECT_EQ(Form1->findChild<QPushButton *>("GoToDBBtn")->isVisibleTo(Form1), open);
}
}

TEST_F(AppTest, ADatabaseOpensInTheEditingModeAFileThatIsNoneLeavesTheWindowWithoutAndExitAsksFirst)
{
    EXPECT_EQ(DModule->ProgramFolder, QDir::currentPath());
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования — test.mdb");
    EXPECT_EQ(Form1->CurrentDbPath, dbPath);
    expectDatabaseState(true);
    EXPECT_EQ(Control<QTabWidget>(Form1, "TabbedNotebook")->currentIndex(), 1);

    const QString bad = folder->path() + "/bad.mdb";
    WriteFile(bad, "this is not a database, just some text that is long enough to be read");
    for (const QString &path : {bad, folder->path() + "/missing.mdb"}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form1->OpenDataBase(path);
        EXPECT_EQ(answer.texts(), QStringList{"Файл базы данных не найден!"});
        EXPECT_EQ(Form1->windowTitle(), "Вирандел 1.0.2 final");
        EXPECT_EQ(Form1->CurrentDbPath, path) << "the failed path is kept";
        expectDatabaseState(false);
    }
    EXPECT_FALSE(QFile::exists(folder->path() + "/missing.mdb"));

    // The open menu item afterwards opens the chosen file normally.
    const QString other = folder->newDatabase("other.mdb");
    ChooseThrough(Form1->N12, other);
    EXPECT_EQ(Form1->CurrentDbPath, other);
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования — other.mdb");
    expectDatabaseState(true);

    // Exit asks first; the view/fill mode is refused while the database has no description field.
    Form1->show();
    {
        MessageBoxAnswerer answer(QMessageBox::No);
        Form1->N14->trigger();
        EXPECT_EQ(answer.texts(), QStringList{"Вы действительно хотите выйти из программы?"});
        EXPECT_TRUE(Form1->isVisible());
    }
    for (QAction *item : {Form1->N21, Form1->N22}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        item->trigger();
        EXPECT_EQ(answer.texts(), QStringList{"Добавьте хотя бы одно статическое поле описания объектов!"});
        EXPECT_TRUE(Form1->isVisible());
    }
}

TEST_F(AppTest, SaveAsAppendsTheExtensionCaseSensitivelyNeverOverwritesAFileAndKeepsTheViewFillList)
{
    exec("INSERT INTO CLASSES VALUES(1,'Метр','',0,0)");
    ChooseThrough(Form1->N13, folder->path() + "/copy");
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.mdb");
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования — copy.mdb");
    module->QRWork->open("SELECT * FROM CLASSES");
    EXPECT_EQ(module->QRWork->asString("C_NAME"), "Метр") << "the copy carries the data";

    ChooseThrough(Form1->N13, folder->path() + "/copy.MDB");
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.MDB.mdb");

    // Over an existing file: the file stays as it was, the user is told, and the work goes on in the
    // database that was open.
    const QString existing = folder->newDatabase("existing.mdb");
    const QByteArray before = FileBytes(existing);
    MessageBoxAnswerer answer(QMessageBox::Ok);
    ChooseThrough(Form1->N13, existing);
    ASSERT_EQ(answer.seen(), 1);
    EXPECT_TRUE(answer.texts().first().contains("уже существует")) << answer.texts().first().toStdString();
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.MDB.mdb");
    EXPECT_EQ(FileBytes(existing), before);

    // Chosen in the view/fill mode, the copy goes on being listed there.
    addField(*module, "Название", StringType);
    module->exec("INSERT INTO GENER VALUES(1,'первый'), (2,'второй')");
    Form1->OpenDataBase(Form1->CurrentDbPath);
    Form1->show();
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    ChooseThrough(Form2->N13, folder->path() + "/listed.mdb");
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/listed.mdb");
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_EQ(ViewFill::Grid()->model()->rowCount(), 2);
    EXPECT_EQ(answer.seen(), 1);
    Form2->close();
}

TEST_F(AppTest, MessageBoxesShowMarkupAsTypedAndAnEngineErrorUnderTheTitle)
{
    // Names typed by the user reach messages: "<b>Км</b>" must show its tags, not bold text.
    QList<Qt::TextFormat> formats;
    MessageBoxAnswerer answer([&](const QString &) {
        formats << qobject_cast<QMessageBox *>(QApplication::activeModalWidget())->textFormat();
        return QMessageBox::No;
    });
    ShowMessage("<b>Км</b>");
    AskYesNo("<b>Км</b>?");
    ShowGeneralError("<i>engine</i>");
    EXPECT_EQ(formats, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText, Qt::PlainText}));

    EXPECT_FALSE(Guarded([] { DModule->exec("INSER INTO CLASSES VALUES(1)"); }));
    ASSERT_EQ(answer.seen(), 4);
    EXPECT_EQ(answer.titles().last(), "Вирандел");
    EXPECT_TRUE(answer.texts().last().contains("INSER")) << answer.texts().last().toStdString();
}

TEST_F(AppTest, SplashFollowsItsSettingAndAClickClosesIt)
{
    Control<QCheckBox>(Form6, "CheckBox7")->setChecked(true);
    Form24->FormCreate();
    Form1->FormActivate();
    EXPECT_FALSE(Form24->isVisible()) << "switched off in the settings";

    Control<QCheckBox>(Form6, "CheckBox7")->setChecked(false);
    Form1->FormActivate();
    ASSERT_TRUE(Form24->isVisible());
    EXPECT_EQ(Control<QLabel>(Form24, "Label2")->text(), "Версия 1.0.2 final");
    Form24->ImageClick();
    EXPECT_TRUE(WaitFor([] { return !Form24->isVisible(); }, 1000));
    EXPECT_FALSE(Control<QTimer>(Form24, "Timer")->isActive());
    // Once closed it never comes back.
    Form1->FormActivate();
    EXPECT_FALSE(Form24->isVisible());
    Control<QCheckBox>(Form6, "CheckBox7")->setChecked(true);
}

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
    AnswerNextDialog<QFileDialog>([&](QFileDialog *dialog) {
        dialogOnTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialogOwner = dialog->parentWidget();
        auto *model = dialog->findChild<QFileSystemModel *>();
        const QModelIndex folder = model->index(DModule->ProgramFolder + "/System");
        WaitFor([&] { return model->data(folder.siblingAtColumn(2)).isValid(); });
        folderType = model->data(folder.siblingAtColumn(2)).toString();
        dialog->reject();
    });
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
