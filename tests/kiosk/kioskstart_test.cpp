#include "kiosk/kiosktest.h"

#include "app/catalogstart.h"
#include "app/form1.h"
#include "app/recentdatabases.h"
#include "settings/settingswindow.h"

#include <QDateTime>
#include <QDirIterator>
#include <QLabel>
#include <QTabWidget>

// Texts in failure messages as a person reads them.
static void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {
const QString Password = QStringLiteral("Тайна");

// Every file under `folder` with its size and time of change: what a run that only reads must leave as it was.
QStringList FolderState(const QString &folder)
{
    QStringList state;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    state.sort();
    return state;
}

QMessageBox *KioskNotice()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("KioskNotice") && window->isVisible())
            return qobject_cast<QMessageBox *>(window);
    }
    return nullptr;
}

// Takes the notice away for good, as the end of the program would.
void DropKioskNotice()
{
    if (QMessageBox *notice = KioskNotice()) {
        notice->disconnect();
        notice->hide();
        delete notice;
    }
}

QStringList VisibleWindows()
{
    QStringList names;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            names << window->objectName();
    }
    names.sort();
    return names;
}

class KioskStartTest : public RunningCatalogTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        AddNamedObjectsAndCatalogs(*module, {"Янтарь", "Агат", "Малахит"}, {"Витрина", "Зал 2"});
        module->CloseConnection();
        setPassword(Password);
    }
    void TearDown() override
    {
        DropKioskNotice();
        QApplication::setQuitOnLastWindowClosed(true);
        RunningCatalogTest::TearDown();
    }
    static void setPassword(const QString &password)
    {
        QStringList lines = ReadTextLines(OptionsPath());
        lines[4] = password.isEmpty() ? "0" : "-1";
        lines[5] = password;
        WriteTextLines(OptionsPath(), lines);
        Form6->FormActivate();
    }
    static void useStartCatalog(const QString &file, bool passwordStopsSession = false)
    {
        Options::Kiosk kiosk;
        kiosk.startCatalog = true;
        kiosk.startCatalogFile = file;
        kiosk.startCatalogName = "Витрина";
        kiosk.passwordStopsSession = passwordStopsSession;
        UseKioskSettings(kiosk);
    }
    static void start(const QStringList &arguments) { ShowFirstWindow(QStringList{"virandel"} + arguments); }
    // What an ordinary start with `arguments` that cannot run the catalog tells: the designer comes up
    // with no database open.
    static QStringList toldAtStart(const QStringList &arguments)
    {
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        start(arguments);
        EXPECT_TRUE(Form1->isVisible());
        EXPECT_FALSE(Form22->isVisible());
        EXPECT_FALSE(DModule->connected());
        Form1->hide();
        return answerer.texts();
    }
    // The notice a kiosk run with `arguments` that cannot run the catalog shows: nothing else ever shows, no
    // button to press that would do nothing, Esc does not take it away, no database is open.
    static QString kioskNotice(const QStringList &arguments)
    {
        start(arguments);
        QMessageBox *notice = KioskNotice();
        if (!notice)
            return "no notice";
        EXPECT_TRUE(notice->buttons().isEmpty());
        QTest::keyClick(notice, Qt::Key_Escape);
        EXPECT_EQ(VisibleWindows(), QStringList{"KioskNotice"});
        EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
        EXPECT_FALSE(DModule->connected());
        const QString text = notice->text();
        DropKioskNotice();
        return text;
    }
    // Closes the running catalog as a visitor would and types `password` into the window that asks for it.
    static void leaveWith(const QString &password)
    {
        if (!Form23->isVisible())
            Form22->close();
        ASSERT_TRUE(Form23->isVisible());
        Control<QLineEdit>(Form23, "Edit1")->clear();
        TypeKeys(Control<QLineEdit>(Form23, "Edit1"), password + "\n");
    }
    static QString shownName() { return Form22->Labels.isEmpty() ? QString() : Form22->Labels.first()->text(); }
    static int listedObjects() { return AllRows(grid()->model()); }
};
}

TEST_F(KioskStartTest, TheSettingsCatalogRunsOverAnOlderFileWithoutChangingAByteAndThePasswordOpensItForWorkInTheDesigner)
{
    // A file of an earlier version: none of the tables and triggers later versions add on opening.
    module->OpenReadOnly(dbPath);
    const QList<QVariantList> added = module->QRWork->readAll(
        "SELECT type, name FROM sqlite_master WHERE type IN ('table', 'trigger') AND name NOT IN "
        "('CLASSES', 'FIELDS', 'TYPES', 'BOOLEAN', 'GENER', 'REFERS', 'LINKS', 'KATALOGS') ORDER BY type DESC");
    closeQueries(*module);
    module->CloseConnection();
    ASSERT_FALSE(added.isEmpty());
    for (const QVariantList &object : added)
        FileRows(dbPath, QStringLiteral("DROP %1 %2").arg(object[0].toString(), object[1].toString()));
    ASSERT_TRUE(FileRows(dbPath, "SELECT name FROM sqlite_master WHERE name = 'OBJECT_KEYS'").isEmpty());

    useStartCatalog(dbPath);
    const QStringList before = FolderState(folder->path());
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        start({});
        EXPECT_EQ(none.texts(), QStringList());
    }
    ASSERT_TRUE(Form22->isVisible());
    EXPECT_TRUE(Form22->isFullScreen());
    EXPECT_EQ(Form22->windowTitle(), "Электронный каталог \"Витрина\"");
    EXPECT_EQ(VisibleWindows(), QStringList{"Form22"});
    EXPECT_EQ(listedObjects(), 3);
    EXPECT_EQ(shownName(), "Янтарь");
    // Sorting, searching and filtering all work on what the file holds.
    Form22->DBGridTitleClick(GridColumn(grid(), "Название"));
    EXPECT_EQ(shownName(), "Агат");
    searchBox()->setFocus();
    TypeKeys(searchBox(), "мала");
    EXPECT_TRUE(WaitFor([] { return listedObjects() == 1; }));
    EXPECT_EQ(shownName(), "Малахит");
    EXPECT_FALSE(FailureOf([] { DModule->exec("DELETE FROM GENER"); }).isEmpty()) << "the file is open only to read";
    EXPECT_EQ(FolderState(folder->path()), before) << "nothing written into the file or beside it";

    // A wrong password keeps the catalog; the right one shows the designer with the catalog, the file now
    // opened for work (brought up to date as every opening for work does).
    leaveWith("тайна");
    EXPECT_TRUE(Form22->isVisible());
    EXPECT_EQ(Control<QLabel>(Form23, "WrongLabel")->text(), "Вы ввели неверный пароль!");
    EXPECT_EQ(FolderState(folder->path()), before);
    leaveWith(Password);
    EXPECT_TRUE(WaitFor([] { return !Form22->isVisible(); }));
    EXPECT_TRUE(Form11->isVisible());
    EXPECT_EQ(Form11->CatalogName, "Витрина");
    EXPECT_FALSE(Form11->Labels.isEmpty());
    EXPECT_TRUE(FailureOf([] { DModule->exec("UPDATE GENER SET G_ID = G_ID"); }).isEmpty());
    EXPECT_EQ(FileRows(dbPath, "SELECT name FROM sqlite_master WHERE name = 'OBJECT_KEYS'"), QStringList{"OBJECT_KEYS"});
    // The opening remembered the file among the recent databases, keeping the kiosk lines as they were.
    EXPECT_EQ(RecentDatabases::Read(DModule->ProgramFolder), QStringList{dbPath});
    Form6->FormActivate();
    EXPECT_EQ(Settings::StartCatalogName(), "Витрина");
}

TEST_F(KioskStartTest, AKioskRunOfTheCommandLineCatalogEndsTheProgramWithTheStopCodeWhenTheSettingSaysSo)
{
    useStartCatalog(dbPath, true);
    const QStringList before = FolderState(folder->path());
    start({"--kiosk", "--catalog", "Зал 2", dbPath});
    ASSERT_TRUE(Form22->isVisible());
    EXPECT_EQ(Form22->windowTitle(), "Электронный каталог \"Зал 2\"") << "the command line wins over the settings";

    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    giveUp.start(10000);
    QTimer::singleShot(0, [] { leaveWith(Password); });
    const int exitCode = QApplication::exec();
    giveUp.stop();
    EXPECT_EQ(exitCode, 75);
    EXPECT_EQ(VisibleWindows(), QStringList());
    EXPECT_EQ(FolderState(folder->path()), before);
}

TEST_F(KioskStartTest, WhatKeepsACatalogFromRunningIsToldAndTheDesignerStartsButAKioskRunKeepsOnlyItsNotice)
{
    const QString missing = folder->path() + "/Нет.mdb";
    const QList<std::pair<QStringList, QString>> refused = {
        {{"--catalog", "Витрина", missing}, "Каталог не запущен: файл базы данных «" + missing + "» не найден."},
        {{"--catalog", "Фойе", dbPath}, "Каталог не запущен: в базе данных «" + dbPath + "» нет каталога «Фойе»."},
    };
    for (const auto &[arguments, text] : refused)
        EXPECT_EQ(toldAtStart(arguments), QStringList{text + "\nПрограмма запущена в обычном режиме."});
    EXPECT_EQ(toldAtStart({"--catalog", "Витрина"}), QStringList{"Неверная командная строка: не указан файл базы данных.\n"
                                                                 "Запуск каталога: virandel --catalog НАЗВАНИЕ ФАЙЛ.mdb [--kiosk]"});
    // A kiosk run asked for without a catalog, on the command line or in the settings, shows only why.
    EXPECT_EQ(kioskNotice({"--kiosk"}), "Каталог не запущен: в настройках программы не выбран каталог для запуска.\n"
                                        "Обратитесь к администратору выставки.");

    const QStringList before = FolderState(folder->path());
    // A kiosk anyone could leave does not start; an ordinary run says who can leave it, and runs.
    setPassword(QString());
    EXPECT_EQ(kioskNotice({"--kiosk", "--catalog", "Витрина", dbPath}),
              "Каталог не запущен: для сеанса киоска нужен пароль на выход из каталога. Задайте его в окне "
              "«Настройки программы» на вкладке «Электронный каталог».\nОбратитесь к администратору выставки.");
    setPassword(Password);
    EXPECT_EQ(kioskNotice({"--kiosk", "--catalog", "Фойе", dbPath}),
              "Каталог не запущен: в базе данных «" + dbPath + "» нет каталога «Фойе».\nОбратитесь к администратору выставки.");
    EXPECT_EQ(FolderState(folder->path()), before);

    setPassword(QString());
    {
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        start({"--catalog", "Витрина", dbPath});
        EXPECT_EQ(answerer.texts(), QStringList{"Пароль на выход из каталога не задан: любой посетитель сможет закрыть каталог. "
                                                "Задать пароль можно в окне «Настройки программы» на вкладке «Электронный каталог»."});
        EXPECT_TRUE(Form22->isVisible());
        Form22->close();
        EXPECT_TRUE(Form11->isVisible()) << "left at once to the designer";
        for (QWidget *window : QApplication::topLevelWidgets())
            window->hide();
    }
}

TEST_F(KioskStartTest, TheKioskTabKeepsWhatIsTypedRefusesWhatCannotBeKeptAndLeavesTheTenLinesAlone)
{
    const QStringList asRead = ReadTextLines(OptionsPath());
    Form6->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form6));
    Form6->FormActivate();
    Control<QTabWidget>(Form6, "PageControl")->setCurrentWidget(Control<QWidget>(Form6, "KioskTab"));
    QComboBox *catalogs = Control<QComboBox>(Form6, "StartCatalogNameBox");
    EXPECT_FALSE(catalogs->isEnabled()) << "off by default";
    QTest::mouseClick(Control<QCheckBox>(Form6, "StartCatalogBox"), Qt::LeftButton, {}, QPoint(5, 5));
    // Coming back from the file dialog makes the window active again: what was ticked must stay.
    Form6->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form6));
    ChooseFileInNextDialog(dbPath);
    Control<QPushButton>(Form6, "StartCatalogFileBtn")->click();
    Form6->activateWindow();   // as the window manager does when the dialog closes
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form6));
    EXPECT_TRUE(Control<QCheckBox>(Form6, "StartCatalogBox")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(Form6, "StartCatalogFileEdit")->text(), dbPath);
    EXPECT_EQ(ItemTexts(catalogs), (QStringList{"Витрина", "Зал 2"}));
    EXPECT_EQ(catalogs->currentText(), "Витрина");
    const auto retype = [catalogs](const char *name, const QString &text) {
        Retype(name ? Control<QLineEdit>(Form6, name) : catalogs->lineEdit(), text);
    };
    retype(nullptr, "Фойе");
    retype("KioskIdleMinutesEdit", "2,5");
    retype("KioskSlideSecondsEdit", "3601");
    EXPECT_EQ(ClickDone(), QStringList{"Каталог не сможет запускаться при старте программы: в базе данных «" + dbPath
                                                + "» нет каталога «Фойе»."});
    retype(nullptr, "Зал 2");
    EXPECT_EQ(ClickDone(), QStringList{"Время бездействия, после которого каталог возвращается к началу, должно быть "
                                                "целым числом минут от 0 до 1440."});
    retype("KioskIdleMinutesEdit", "0");
    EXPECT_EQ(ClickDone(), QStringList{"Время показа одного объекта должно быть целым числом секунд от 0 до 3600."});
    EXPECT_EQ(ReadTextLines(OptionsPath()), asRead) << "nothing written while a value is refused";
    retype("KioskSlideSecondsEdit", "15");
    QTest::mouseClick(Control<QCheckBox>(Form6, "KioskPasswordStopsSessionBox"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(ClickDone(), QStringList());
    EXPECT_FALSE(Form6->isVisible());

    const QStringList lines = ReadTextLines(OptionsPath());
    EXPECT_EQ(lines.mid(0, 10), asRead.mid(0, 10));
    for (const QString &line : QStringList{"StartCatalog=-1", "StartCatalogFile=" + dbPath, "StartCatalogName=Зал 2"})
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();
    EXPECT_EQ(Settings::StartCatalogFile(), dbPath);
    EXPECT_TRUE(Form6->kiosk() == (Options::Kiosk{true, dbPath, "Зал 2", 0, 15, true}));

    // Turned off, the choice is kept for later but starts nothing.
    Form6->show();
    Form6->FormActivate();
    EXPECT_EQ(catalogs->currentText(), "Зал 2");
    QTest::mouseClick(Control<QCheckBox>(Form6, "StartCatalogBox"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(ClickDone(), QStringList());
    EXPECT_EQ(Settings::StartCatalogFile(), "");
    EXPECT_TRUE(ReadTextLines(OptionsPath()).contains("StartCatalogName=Зал 2"));
}
