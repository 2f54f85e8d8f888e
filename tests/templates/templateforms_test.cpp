#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "app/recentdatabases.h"
#include "app/serverdialog.h"
#include "app/startpage.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "objects/filterpanel.h"
#include "objects/form2.h"
#include "settings/form6.h"
#include "templates/templateforms.h"
#include "templates/templatestore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>

using namespace TemplateStore;

// The template windows on a program folder of the test's own.
class TemplateWindowsTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        sharedFolder = DModule->ProgramFolder;
        DModule->ProgramFolder = folder->path();
    }
    void TearDown() override
    {
        if (DModule->engine() == EngineKind::Server)
            DModule->CloseConnection();
        for (const ServerConnection &made : madeHere)
            DropServerDatabase(made);
        DModule->ProgramFolder = sharedFolder;
        AppTest::TearDown();
    }
    // A template holding one class named after it.
    void makeTemplates(const QStringList &names) const
    {
        for (const QString &name : names)
            FileRows(folder->newDatabase("Samples/" + name + ".mdb"), QStringLiteral("INSERT INTO CLASSES VALUES(1,'%1','',0,0)").arg(name));
        WriteNames(folder->path(), names);
    }
    QString openClass() const
    {
        DModule->QRWork->open("SELECT C_NAME FROM CLASSES");
        return DModule->QRWork->isEmpty() ? QString() : DModule->QRWork->asString("C_NAME");
    }
    QString sharedFolder;
    QList<ServerConnection> madeHere;
};

TEST_F(TemplateWindowsTest, NewDatabaseIsEmptyOrACopyOfTheChosenTemplate)
{
    // Without templates only an empty database can be made.
    Form1->N11->trigger();
    ASSERT_TRUE(Form9->isVisible());
    Control<QRadioButton>(Form9, "RadioButton2")->click();
    EXPECT_TRUE(Control<QRadioButton>(Form9, "RadioButton1")->isChecked());
    EXPECT_FALSE(Control<QListWidget>(Form9, "ListBox")->isEnabled());

    makeTemplates({"Первый", "Второй"});
    Form1->N11->trigger();
    EXPECT_EQ(ListTexts(Control<QListWidget>(Form9, "ListBox")), (QStringList{"Первый", "Второй"}));
    EXPECT_EQ(Control<QListWidget>(Form9, "ListBox")->currentRow(), 0);
    EXPECT_FALSE(Control<QListWidget>(Form9, "ListBox")->isEnabled());

    QStringList filters;
    ChooseFileInNextDialog(folder->path() + "/base", &filters);
    Control<QPushButton>(Form9, "Button1")->click();
    EXPECT_EQ(filters, QStringList{"База данных Вирандел (*.mdb)"});
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/base.mdb");
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования — base.mdb");
    EXPECT_EQ(openClass(), "");
    EXPECT_FALSE(Form9->isVisible());

    // A template file that is no database is refused before any file is chosen or replaced.
    const QString base = folder->path() + "/base.mdb";
    const QByteArray made = FileBytes(base);
    WriteFile(TemplatePath(folder->path(), "Первый"), "Это не база данных");
    Form1->N11->trigger();
    Control<QRadioButton>(Form9, "RadioButton2")->click();
    ASSERT_TRUE(Control<QListWidget>(Form9, "ListBox")->isEnabled());
    Control<QListWidget>(Form9, "ListBox")->setCurrentRow(0);
    // The next file dialog is answered with the file just made; the refusal must come before it opens.
    filters.clear();
    ChooseFileInNextDialog(base, &filters);
    const QStringList refused = ClickAnswering(Control<QPushButton>(Form9, "Button1"), QMessageBox::Yes);
    EXPECT_TRUE(filters.isEmpty()) << "a file was asked for";
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("нельзя создать базу данных")) << refused[0].toStdString();
    EXPECT_EQ(FileBytes(base), made);

    // From the second template, over the file just made: only when the user agrees to replace it.
    Control<QListWidget>(Form9, "ListBox")->setCurrentRow(1);
    const QString question = "Файл " + base + " уже существует. Заменить его новой базой данных?\n\r"
                             "Прежнее содержимое файла будет потеряно.";
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form9, "Button1"), QMessageBox::No), QStringList{question});
    EXPECT_EQ(FileBytes(base), made);
    EXPECT_TRUE(Form9->isVisible());
    ChooseFileInNextDialog(base);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form9, "Button1"), QMessageBox::Yes), QStringList{question});
    EXPECT_EQ(Form1->CurrentDbPath, base);
    EXPECT_EQ(openClass(), "Второй");
}

TEST_F(TemplateWindowsTest, SaveAsTemplateReportsAndReturnsToTheUserDatabase)
{
    addField(*module, "Имя", StringType);
    exec("INSERT INTO GENER VALUES(1,'первый')");
    Form1->OpenDataBase(dbPath);
    Control<QCheckBox>(Form6, "CheckBox3")->setChecked(true);
    Control<QCheckBox>(Form6, "CheckBox4")->setChecked(true);

    // A refused name keeps the window open; the second attempt under a saved name is refused as well. Each
    // opening starts with an empty name.
    for (const auto &[name, message] : {std::pair{"", "Введите имя шаблона!"}, std::pair{"Мой шаблон", "Шаблон успешно сохранен!"},
                                        std::pair{"Мой шаблон", "Шаблон с таким именем уже существует!"}}) {
        Form1->N31->trigger();
        TypeKeys(Control<QLineEdit>(Form10, "Edit1"), name);
        EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form10, "Button1")), QStringList{message});
        EXPECT_EQ(Form10->isVisible(), QString(message) != "Шаблон успешно сохранен!") << message;
    }
    EXPECT_EQ(Control<QLineEdit>(Form10, "Edit1")->maxLength(), 50);
    EXPECT_EQ(Form1->CurrentDbPath, dbPath);
    EXPECT_EQ(Form1->windowTitle(), "Вирандел: Режим редактирования — test.mdb");
    EXPECT_EQ(FileRows(TemplatePath(folder->path(), "Мой шаблон"), "SELECT COUNT(*) FROM GENER"), QStringList{"0"});

    // Catalogs never go into a template: the success message names those left out, which stay in the database.
    exec("INSERT INTO KATALOGS VALUES (1, 'Залы', '', '')");
    exec("INSERT INTO KATALOGS VALUES (2, 'Витрина \"Минералы\"', '', '')");
    Form1->N31->trigger();
    TypeKeys(Control<QLineEdit>(Form10, "Edit1"), "С каталогами");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form10, "Button1")),
              QStringList{"Шаблон успешно сохранен!\n\rКаталоги в шаблоне не сохраняются. Не вошли в шаблон каталоги (2): "
                          "«Витрина \"Минералы\"», «Залы».\n\rВ вашей базе данных они остались без изменений."});
    EXPECT_EQ(count("SELECT * FROM KATALOGS"), 2);
}

TEST_F(TemplateWindowsTest, TemplatesWindowRenamesInPlaceDeletesAndMakesDatabases)
{
    // Without templates there is nothing to act on.
    Form1->N32->trigger();
    ASSERT_TRUE(Form13->isVisible());
    for (QPushButton *button : {Control<QPushButton>(Form13, "OpenSampleBtn"), Control<QPushButton>(Form13, "DeleteSampleBtn"), Control<QPushButton>(Form13, "ChangeSampleBtn")})
        EXPECT_FALSE(button->isEnabled());
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Form13->DeleteSampleBtnClick();
        Form13->ChangeSampleBtnClick();
        EXPECT_EQ(answer.seen(), 0) << "nothing selected, nothing done";
        EXPECT_FALSE(Form14->isVisible());
    }

    makeTemplates({"Первый", "Второй", "Третий"});
    Form1->N32->trigger();
    Control<QListWidget>(Form13, "ListBox")->setCurrentRow(1);
    Control<QPushButton>(Form13, "ChangeSampleBtn")->click();
    ASSERT_TRUE(Form14->isVisible());
    EXPECT_EQ(Control<QLineEdit>(Form14, "Edit1")->text(), "Второй");
    Control<QLineEdit>(Form14, "Edit1")->clear();
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form14, "Button1")), QStringList{"Введите новое имя шаблона!"});
    Control<QLineEdit>(Form14, "Edit1")->setText("Средний");
    Control<QPushButton>(Form14, "Button1")->click();
    EXPECT_FALSE(Form14->isVisible());
    EXPECT_EQ(ListTexts(Control<QListWidget>(Form13, "ListBox")), (QStringList{"Первый", "Средний", "Третий"}));
    EXPECT_EQ(Control<QListWidget>(Form13, "ListBox")->currentRow(), 1);

    Control<QListWidget>(Form13, "ListBox")->setCurrentRow(0);
    for (const int button : {int(QMessageBox::No), int(QMessageBox::Yes)})
        EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form13, "DeleteSampleBtn"), button), QStringList{"Вы действительно хотите удалить этот шаблон?"});
    EXPECT_EQ(ListTexts(Control<QListWidget>(Form13, "ListBox")), (QStringList{"Средний", "Третий"}));

    // The renamed template's file went along with its name.
    EXPECT_FALSE(QFile::exists(TemplatePath(folder->path(), "Второй")));
    Control<QListWidget>(Form13, "ListBox")->setCurrentRow(0);
    ChooseFileInNextDialog(folder->path() + "/из шаблона");
    Control<QPushButton>(Form13, "OpenSampleBtn")->click();
    EXPECT_EQ(Form1->CurrentDbPath, folder->path() + "/из шаблона.mdb");
    EXPECT_EQ(openClass(), "Второй");
    EXPECT_FALSE(Form13->isVisible());
}

TEST_F(TemplateWindowsTest, StartPageOffersTheWaysInTheServerAmongThemAndTheLastFiveDatabases)
{
    EXPECT_FALSE(Control<StartPage>(Form1, "StartPage")->isVisibleTo(Form1));
    // The settings named after the ten lines share the file with the list and outlive its growing.
    const QString optionsFile = folder->path() + "/System/Options.txt";
    WriteTextLines(optionsFile, ReadTextLines(optionsFile).mid(0, 10) << "RecycleBinDays=7");
    QStringList opened;
    for (int i = 1; i <= 6; ++i) {
        opened.prepend(folder->newDatabase(QStringLiteral("db%1.mdb").arg(i)));
        Form1->OpenDataBase(opened.first());
    }
    Form1->OpenDataBase(TemplatePath(folder->path(), "Empty"));   // a Samples file is not remembered
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form1->OpenDataBase(folder->path() + "/missing.mdb");
    }
    ASSERT_TRUE(Control<StartPage>(Form1, "StartPage")->isVisibleTo(Form1));
    Control<QCommandLinkButton>(Control<StartPage>(Form1, "StartPage"), "ConnectServerBtn")->click();
    EXPECT_TRUE(Control<TServerDialog>(Form1, "ServerDialog")->isVisible()) << "the connect window is offered too";
    Control<TServerDialog>(Form1, "ServerDialog")->reject();
    EXPECT_EQ(RecentDatabases::Read(folder->path()), opened.mid(0, 5));
    EXPECT_EQ(ReadTextLines(optionsFile).mid(0, 10), Options::InitialLines());
    EXPECT_EQ(Options::ParseKeeping(ReadTextLines(optionsFile)).values.recycleBinDays, 7);

    const auto recentButtons = [] {
        QList<QCommandLinkButton *> found;
        for (QCommandLinkButton *button : Control<StartPage>(Form1, "StartPage")->findChildren<QCommandLinkButton *>()) {
            if (button->text().startsWith("db") && !button->isHidden())
                found << button;
        }
        return found;
    };
    QList<QCommandLinkButton *> recent = recentButtons();
    ASSERT_EQ(recent.size(), 5);
    EXPECT_EQ(recent.first()->text(), "db6.mdb");
    QFile::remove(opened.first());
    EXPECT_EQ(ClickAnswering(recent.first()), QStringList{"Файл базы данных не найден!"}) << "gone since it was listed";
    recent = recentButtons();
    ASSERT_EQ(recent.size(), 4) << "the lost file is no longer offered";
    recent.last()->click();
    EXPECT_EQ(Form1->CurrentDbPath, opened.at(4));
    EXPECT_FALSE(Control<StartPage>(Form1, "StartPage")->isVisibleTo(Form1));

    // "Открыть пример": a new database from the ready template, in a file the user confirms.
    QFile::copy(QStringLiteral(SAMPLE_DB_PATH), TemplatePath(folder->path(), ExampleName));
    WriteNames(folder->path(), {ExampleName});
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form1->OpenDataBase(folder->path() + "/missing.mdb");
    }
    const QString example = folder->path() + "/Мой пример.mdb";
    ChooseFileInNextDialog(example);
    Control<QCommandLinkButton>(Control<StartPage>(Form1, "StartPage"), "OpenExampleBtn")->click();
    EXPECT_EQ(Form1->CurrentDbPath, example);

    // The example lists all its objects, and a filter by a top-level entry of the book of goods groups
    // leaves the objects linked to any entry below it.
    Form1->show();
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    const int objects = FileRows(example, "SELECT COUNT(*) FROM GENER").value(0).toInt();
    EXPECT_GE(objects, 20);
    QAbstractItemModel *grid = Control<QTableView>(Form2, "DBGrid")->model();
    EXPECT_EQ(AllRows(grid), objects);
    const int electronics = FileRows(example,
        "WITH RECURSIVE below(id) AS (SELECT R1_ID FROM REFER1 WHERE R1_NAME = 'Электроника' "
        "UNION SELECT R1_ID FROM REFER1, below WHERE R1_LINK = below.id) "
        "SELECT COUNT(DISTINCT L_OBJECT) FROM LINKS WHERE L_REFER = 1 AND L_CLASS IN (SELECT id FROM below)").value(0).toInt();
    ASSERT_GT(electronics, 0);
    ASSERT_LT(electronics, objects);
    FilterPanel *filter = Control<FilterPanel>(Form2, "GroupBox");
    Control<QComboBox>(filter, "ComboBox")->setCurrentIndex(Control<QComboBox>(filter, "ComboBox")->findText("Группы товаров"));
    filter->ComboBoxChange();
    const auto found = Control<QTreeWidget>(filter, "ClassesView")->findItems("Электроника", Qt::MatchStartsWith);
    ASSERT_EQ(found.size(), 1);
    Control<QTreeWidget>(filter, "ClassesView")->setCurrentItem(found.first());
    Control<QPushButton>(filter, "AddFilter")->click();
    EXPECT_EQ(AllRows(grid), electronics);
    Form2->close();
}

TEST_F(TemplateWindowsTest, ATemplateBecomesANewServerDatabaseWhichIsSavedAsATemplateInTurn)
{
    if (!TestServerStarted())
        GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
    makeTemplates({"Первый", "Второй"});
    Form1->N11->trigger();
    Control<QRadioButton>(Form9, "RadioButton2")->click();
    Control<QListWidget>(Form9, "ListBox")->setCurrentRow(1);
    Control<QPushButton>(Form9, "ServerBtn")->click();
    TServerDialog *dialog = Control<TServerDialog>(Form9, "ServerDialog");
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(Control<QPushButton>(dialog, "ConnectBtn")->text(), "Создать");
    madeHere << TestServer(QStringLiteral("vt_fromtpl_%1").arg(QCoreApplication::applicationPid()));
    dialog->ShowConnection(madeHere.first());
    Control<QLineEdit>(dialog, "PasswordEdit")->setText(madeHere.first().password);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(dialog, "ConnectBtn")), QStringList{});
    EXPECT_FALSE(Form9->isVisible());
    ASSERT_EQ(DModule->engine(), EngineKind::Server);
    EXPECT_EQ(openClass(), "Второй");

    // Saving a template keeps the program in the server database.
    Form1->N31->trigger();
    Control<QLineEdit>(Form10, "Edit1")->setText("С сервера");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form10, "Button1")), QStringList{"Шаблон успешно сохранен!"});
    EXPECT_EQ(openClass(), "Второй");
    EXPECT_EQ(FileRows(TemplatePath(folder->path(), "С сервера"), "SELECT C_NAME FROM CLASSES"), QStringList{"Второй"});
}
