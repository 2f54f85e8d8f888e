#include "support/testsupport.h"

#include "app/form1.h"
#include "app/form24.h"
#include "app/forms.h"
#include "app/messages.h"
#include "app/generalerror.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "settings/form6.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {
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

TEST_F(AppTest, OpeningADatabaseShowsTheEditingMode)
{
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования");
    EXPECT_EQ(Form1->CurrentDbPath, dbPath);
    expectDatabaseState(true);
    EXPECT_EQ(Form1->TabbedNotebook->currentIndex(), 1);
}

TEST_F(AppTest, AFileThatIsNoDatabaseLeavesTheWindowWithoutOne)
{
    const QString bad = folder->path() + "/bad.mdb";
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a database, just some text that is long enough to be read");
    file.close();
    for (const QString &path : {bad, folder->path() + "/missing.mdb"}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form1->OpenDataBase(path);
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_EQ(answer.texts().first(), "Файл базы данных не найден!");
        EXPECT_EQ(Form1->windowTitle(), "Вирандел 1.0.2 final");
        EXPECT_EQ(Form1->CurrentDbPath, path) << "the failed path is kept";
        expectDatabaseState(false);
    }
    EXPECT_FALSE(QFile::exists(folder->path() + "/missing.mdb"));
    // A good file afterwards opens normally.
    Form1->OpenDataBase(dbPath);
    expectDatabaseState(true);
}

TEST_F(AppTest, OpenMenuItemOpensTheChosenFile)
{
    const QString other = folder->newDatabase("other.mdb");
    ChooseFileInNextDialog(other);
    Form1->N12->trigger();
    EXPECT_EQ(Form1->CurrentDbPath, other);
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования");
}

TEST_F(AppTest, SaveAsAppendsTheExtensionCaseSensitively)
{
    exec("INSERT INTO CLASSES VALUES(1,'Метр','',0,0)");
    ChooseFileInNextDialog(folder->path() + "/copy");
    Form1->N13->trigger();
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.mdb");
    ASSERT_TRUE(QFile::exists(folder->path() + "/copy.mdb"));
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования");

    ChooseFileInNextDialog(folder->path() + "/copy.MDB");
    Form1->N13->trigger();
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.MDB.mdb");
    EXPECT_TRUE(QFile::exists(folder->path() + "/copy.MDB.mdb"));
    // The copy carries the data.
    module->QRWork->open("SELECT * FROM CLASSES");
    EXPECT_EQ(module->QRWork->asString("C_NAME"), "Метр");
}

TEST_F(AppTest, SaveAsOverAnExistingFileLeavesItUntouchedAndOpensIt)
{
    const QString existing = folder->newDatabase("existing.mdb");
    const QByteArray before = [&] { QFile f(existing); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    exec("INSERT INTO CLASSES VALUES(1,'only in the current file','',0,0)");
    ChooseFileInNextDialog(existing);
    Form1->N13->trigger();
    EXPECT_EQ(Form1->CurrentDbPath, existing);
    module->QRWork->open("SELECT * FROM CLASSES");
    EXPECT_TRUE(module->QRWork->isEmpty());
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(AppTest, ExitAsksAndNoKeepsTheProgramRunning)
{
    Form1->show();
    MessageBoxAnswerer answer(QMessageBox::No);
    Form1->N14->trigger();
    ASSERT_EQ(answer.seen(), 1);
    EXPECT_EQ(answer.texts().first(), "Вы действительно хотите выйти из программы?");
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(AppTest, ViewFillSwitchRefusesWithoutDescriptionFields)
{
    Form1->show();
    for (QAction *item : {Form1->N21, Form1->N22}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        item->trigger();
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_EQ(answer.texts().first(), "Добавьте хотя бы одно статическое поле описания объектов!");
        EXPECT_TRUE(Form1->isVisible());
    }
}

TEST_F(AppTest, GeneralErrorDisplayShowsTheEngineTextUnderTheTitle)
{
    MessageBoxAnswerer answer(QMessageBox::Ok);
    const bool ok = Guarded([] { DModule->exec("INSERT INTO NOSUCH VALUES(1)"); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(answer.seen(), 1);
    EXPECT_EQ(answer.titles().first(), "Вирандел");
    EXPECT_TRUE(answer.texts().first().contains("NOSUCH")) << answer.texts().first().toStdString();
}

TEST_F(AppTest, MessageBoxesShowMarkupAsTyped)
{
    // Names typed by the user reach messages: "<b>Км</b>" must show its tags, not bold text.
    QList<Qt::TextFormat> formats;
    QTimer inspector;
    QObject::connect(&inspector, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            formats << box->textFormat();
            box->done(QMessageBox::No);
        }
    });
    inspector.start(10);
    ShowMessage("<b>Км</b>");
    AskYesNo("<b>Км</b>?");
    ShowGeneralError("<i>engine</i>");
    EXPECT_EQ(formats, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText, Qt::PlainText}));
}

TEST_F(AppTest, SplashFollowsItsSettingAndAClickClosesIt)
{
    Form6->CheckBox7->setChecked(true);
    Form24->FormCreate();
    Form1->FormActivate();
    EXPECT_FALSE(Form24->isVisible()) << "switched off in the settings";

    Form6->CheckBox7->setChecked(false);
    Form1->FormActivate();
    ASSERT_TRUE(Form24->isVisible());
    EXPECT_EQ(Form24->VersionLabel->text(), "Версия 1.0.2 final");
    Form24->ImageClick();
    EXPECT_TRUE(WaitFor([] { return !Form24->isVisible(); }, 1000));
    EXPECT_FALSE(Form24->Timer->isActive());
    // Once closed it never comes back.
    Form1->FormActivate();
    EXPECT_FALSE(Form24->isVisible());
    Form6->CheckBox7->setChecked(true);
}

TEST_F(AppTest, StartUpCreatesEveryWindowHiddenWithItsName)
{
    const QStringList names = {"Form1", "Form2", "Form3", "Form4", "Form5", "Form6", "Form7", "Form8",
                               "Form9", "Form10", "Form11", "Form12", "Form13", "Form14", "Form15", "Form16",
                               "Form17", "Form18", "Form19", "Form20", "Form21", "Form22", "Form23", "Form24"};
    for (const QString &name : names) {
        QWidget *found = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name)
                found = w;
        }
        ASSERT_NE(found, nullptr) << name.toStdString();
    }
    EXPECT_EQ(QApplication::applicationName(), "Вирандел");
    EXPECT_EQ(DModule->ProgramFolder, QDir::currentPath());
}

TEST_F(AppTest, SaveAsChosenInTheViewFillModeGoesOnListingTheCopy)
{
    exec("INSERT INTO FIELDS VALUES(1,'Название',5,0)");
    exec("ALTER TABLE GENER ADD G1 VARCHAR(50)");
    exec("INSERT INTO GENER VALUES(1,'первый')");
    exec("INSERT INTO GENER VALUES(2,'второй')");
    Form1->OpenDataBase(dbPath);
    Form1->show();
    Form1->GoToDBBtn->click();
    ASSERT_TRUE(Form2->isVisible());

    ChooseFileInNextDialog(folder->path() + "/copy.mdb");
    Form2->N13->trigger();
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/copy.mdb");
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_EQ(Form2->DBGrid->model()->rowCount(), 2);
    Form2->close();
}
