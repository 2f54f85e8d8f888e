#include "support/testsupport.h"
#include "snapshots/snapshotcontents.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "templates/templatestore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QThread>
#include <QUuid>

using namespace TemplateStore;

namespace {
// What a template saved by `choice` from a database holding `contents` holds: never catalogs nor their
// pictures; without objects no objects or links; without books no book tables, rows of REFERS or links.
QMap<QString, QStringList> Stripped(QMap<QString, QStringList> contents, StripChoice choice)
{
    contents["KATALOGS"].clear();
    contents.remove(SchemaName::CatalogPicturesTable);
    if (choice.objects)
        contents["GENER"].clear();
    if (choice.objects || choice.books)
        contents["LINKS"].clear();
    if (choice.books) {
        contents["REFERS"].clear();
        contents.removeIf([](QMap<QString, QStringList>::iterator table) { return table.key().startsWith("REFER") && table.key() != "REFERS"; });
    }
    return contents;
}
}

TEST(TemplateFiles, ANewDatabaseIsACheckedCopyNeverLandsInSamplesAndTheEmptyDatabaseIsNoTemplate)
{
    EXPECT_EQ(NewDatabaseFileName("/d/base.MDB"), "/d/base.MDB.mdb");
    EXPECT_EQ(NewDatabaseFileName("/d/a.mdb"), "/d/a.mdb");

    TempProgramFolder folder;
    const QString empty = EmptyDatabasePath(folder.path());
    const QString target = folder.path() + "/target.mdb";
    WriteFile(target, "the user's old file");

    // Files a template list may name that are no database of the program.
    const QString sources = folder.path() + "/sources/";
    QDir().mkpath(sources);
    WriteFile(sources + "text.mdb", "Это не база данных\r\n");
    WriteFile(sources + "zero.mdb", "");
    const QByteArray sample = FileBytes(QStringLiteral(SAMPLE_DB_PATH));
    WriteFile(sources + "truncated.mdb", sample.left(sample.size() / 2));
    FileRows(sources + "foreign.mdb", "CREATE TABLE CLIENTS(NAME TEXT)");
    ASSERT_TRUE(QFile::link("/etc/passwd", sources + "link.mdb"));
    for (const QString name : {"missing", "text", "zero", "truncated", "foreign", "link"}) {
        EXPECT_THROW(CreateDatabase(folder.path(), sources + name + ".mdb", target), DbError) << name.toStdString();
        EXPECT_EQ(FileBytes(target), "the user's old file") << name.toStdString() << ": the existing file stays";
    }
    const QString foreign = FailureOf([&] { CheckSource(sources + "foreign.mdb"); });
    EXPECT_TRUE(foreign.startsWith("Из файла ")) << foreign.toStdString();

    // The empty database and the templates are never replaced by a new database.
    const QByteArray emptyBytes = FileBytes(empty);
    EXPECT_FALSE(TargetProblem(folder.path(), empty).isEmpty());
    EXPECT_FALSE(TargetProblem(folder.path(), folder.path() + "/Samples/../Samples/Новая.mdb").isEmpty());
    EXPECT_THROW(CreateDatabase(folder.path(), QStringLiteral(SAMPLE_DB_PATH), empty), DbError);
    EXPECT_EQ(FileBytes(empty), emptyBytes);

    EXPECT_EQ(TargetProblem(folder.path(), target), "");
    CreateDatabase(folder.path(), empty, target);
    EXPECT_EQ(FileBytes(target), emptyBytes);

    EXPECT_TRUE(ReadNames(folder.path() + "/nowhere").isEmpty()) << "a missing list is an empty list";

    // The empty database is never a template, whatever the list says.
    const QString p = folder.path();
    // Where letter case counts "EMPTY.mdb" is another file; where it does not, it is the empty database.
    folder.newDatabase("Samples/EMPTY.mdb");
    folder.newDatabase("Samples/Склад.mdb");
    WriteNames(p, {"Empty", "Склад", "EMPTY"});
    const QStringList names = ReadNames(p);

    EXPECT_THROW(RenameTemplate(p, "Empty", "Пустой"), DbError);
    EXPECT_FALSE(RenameProblem(p, names, "EMPTY", "Пустой").isEmpty());
    EXPECT_FALSE(QFile::exists(TemplatePath(p, "Пустой")));
    EXPECT_THROW(TemplateSource(p, "Empty"), DbError);
    for (const QString name : {"Empty", "empty", "eMpTy"}) {
        EXPECT_FALSE(SaveProblem(p, {}, name).isEmpty()) << name.toStdString();
        EXPECT_FALSE(RenameProblem(p, names, "Склад", name).isEmpty()) << name.toStdString();
    }

    DeleteTemplate(p, "Empty");
    DeleteTemplate(p, "EMPTY");
    EXPECT_EQ(ReadNames(p), QStringList{"Склад"}) << "the lines go";
    EXPECT_EQ(FileBytes(empty), emptyBytes) << "the empty database stays";
    EXPECT_TRUE(QFile::exists(TemplatePath(p, "EMPTY")));
}

// The user's database is a copy of the ready example, with a catalog added.
class TemplateStoreTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        programFolder = folder->path();
        module->CloseConnection();
        module->OpenConnection(folder->newDatabase("test.mdb", QStringLiteral(SAMPLE_DB_PATH)));
        exec("INSERT INTO KATALOGS VALUES(1,'Витрина','/somewhere/Витрина','')");
    }
    bool openInModule(const QString &path)
    {
        return FailureOf([&] { module->OpenConnection(path); }).isEmpty();
    }
    void save(const QString &name, StripChoice choice)
    {
        SaveTemplate(*module, programFolder, name, dbPath, choice, [this](const QString &path) { return openInModule(path); });
    }
    void makeTemplate(const QString &name) const { folder->newDatabase("Samples/" + name + ".mdb"); }
    QString programFolder;
};

TEST_F(TemplateStoreTest, SavingStripsTheCopyByTheSettingsAndLeavesTheUserDatabaseAsItWas)
{
    const QMap<QString, QStringList> before = TableContents(*module);
    ASSERT_FALSE(before.value("GENER").isEmpty());
    ASSERT_EQ(before.value("REFERS").size(), 2);
    for (const auto &[name, choice] : {std::pair{"Только структура", StripChoice{true, true}}, std::pair{"С объектами", StripChoice{false, false}}}) {
        save(name, choice);
        EXPECT_EQ(ContentsOf(TemplatePath(programFolder, name)), Stripped(before, choice)) << name;
    }
    EXPECT_LT(QFile(TemplatePath(programFolder, "Только структура")).size(), QFile(dbPath).size() / 2) << "the pictures do not stay in the file";
    EXPECT_EQ(ReadNames(programFolder), (QStringList{"Только структура", "С объектами"}));
    EXPECT_EQ(module->database().databaseName(), dbPath) << "the user's database is open again";
    EXPECT_EQ(TableContents(*module), before);
}

TEST_F(TemplateStoreTest, NamesThatWouldLoseOrHideAFileAreRefusedAndAFailedStepLeavesNoCopyNorName)
{
    WriteNames(programFolder, {"Склад"});
    makeTemplate("Склад");
    makeTemplate("Чужой");   // a file in Samples that the list does not name
    const QByteArray foreign = FileBytes(TemplatePath(programFolder, "Чужой"));
    const QStringList names = ReadNames(programFolder);

    EXPECT_EQ(SaveProblem(programFolder, names, "склад"), "") << "names differ by letter case";
    for (const QString name : {"a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", ".", ".."})
        EXPECT_TRUE(SaveProblem(programFolder, names, name).contains("не может")) << name.toStdString();
    EXPECT_FALSE(SaveProblem(programFolder, names, QString(51, 'x')).isEmpty());

    EXPECT_FALSE(SaveProblem(programFolder, names, "Чужой").isEmpty());
    EXPECT_THROW(save("Чужой", {true, true}), DbError);
    EXPECT_EQ(FileBytes(TemplatePath(programFolder, "Чужой")), foreign) << "an existing file is never stripped";
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_EQ(module->database().databaseName(), dbPath);

    // A failed step removes the copy and the name is not listed. Here deleting the books is refused in
    // the middle of the stripping.
    exec("INSERT INTO REFERS VALUES(9,'Без таблицы',1)");
    refuse("DELETE", "REFERS");
    const QString failure = FailureOf([&] { save("Сломанный", {false, true}); });
    EXPECT_TRUE(failure.startsWith("Шаблон не сохранен")) << failure.toStdString();
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Сломанный")));
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_EQ(module->database().databaseName(), dbPath);
    allowAgain("REFERS");
    exec("DELETE FROM REFERS WHERE R_ID = 9");

    // The user's database cannot be opened again: the finished template is undone as well.
    int openings = 0;
    EXPECT_THROW(SaveTemplate(*module, programFolder, "Без возврата", dbPath, {true, true},
                              [&](const QString &path) { return ++openings == 1 && openInModule(path); }),
                 DbError);
    EXPECT_EQ(openings, 2);
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Без возврата")));
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_FALSE(module->connected()) << "the template copy is not left open";
}

// A rename in place is TemplateWindowsTest.TemplatesWindowRenamesInPlaceDeletesAndMakesDatabases.
TEST_F(TemplateStoreTest, RenamingOrDeletingNeverLosesAFileAndDeletingGoesByTheLines)
{
    const QStringList names{"Первый", "Второй", "Третий"};
    WriteNames(programFolder, names);
    for (const QString name : {"Первый", "Второй", "Третий", "Занято"})
        makeTemplate(name);
    EXPECT_EQ(RenameProblem(programFolder, names, "Первый", "Первый"), "Шаблон с таким именем уже существует!");
    EXPECT_EQ(RenameProblem(programFolder, names, "Первый", "Третий"), "Шаблон с таким именем уже существует!");
    EXPECT_THROW(RenameTemplate(programFolder, "Первый", "Занято"), DbError);
    QFile::remove(TemplatePath(programFolder, "Третий"));
    EXPECT_THROW(RenameTemplate(programFolder, "Третий", "Новый"), DbError);
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Первый")));
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Занято")));

    // Deleting removes the line, and the file when no other line names it.
    WriteNames(programFolder, {"Дубль", "Один", "Дубль", "../Снаружи"});
    for (const QString name : {"Дубль", "Один"})
        makeTemplate(name);
    folder->newDatabase("Снаружи.mdb");

    DeleteTemplate(programFolder, "Один");
    EXPECT_EQ(ReadNames(programFolder), (QStringList{"Дубль", "Дубль", "../Снаружи"}));
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Один")));
    DeleteTemplate(programFolder, "Дубль");
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Дубль"))) << "the other line still names the file";
    DeleteTemplate(programFolder, "Дубль");
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Дубль")));
    DeleteTemplate(programFolder, "../Снаружи");
    EXPECT_TRUE(ReadNames(programFolder).isEmpty());
    EXPECT_TRUE(QFile::exists(programFolder + "/Снаружи.mdb")) << "no file outside Samples is deleted";
}

namespace {
const char *const ChildFolder = "VIRANDEL_TEMPLATE_CHILD_FOLDER";
const char *const ChildDatabase = "VIRANDEL_TEMPLATE_CHILD_DB";
const char *const ChildLock = "VIRANDEL_TEMPLATE_CHILD_LOCK";

// The files of the Samples folder that are neither the empty database nor a listed template.
QStringList strays(const QString &programFolder)
{
    const QStringList names = ReadNames(programFolder);
    QStringList found;
    for (const QString &file : QDir(programFolder + "/Samples").entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (file != "Empty.mdb" && !(file.endsWith(".mdb") && names.contains(file.chopped(4))))
            found << file;
    }
    return found;
}
}

// Run by the next test in a process of its own, which it kills: saves one template after another.
TEST(TemplateSaveChild, SavesTemplatesOneAfterAnother)
{
    if (qEnvironmentVariableIsEmpty(ChildFolder))
        GTEST_SKIP() << "started only by AKilledSaveLeavesNothingButListedStrippedTemplates";
    const QString folder = qEnvironmentVariable(ChildFolder), database = qEnvironmentVariable(ChildDatabase);
    TDModule db;
    db.OpenConnection(database);
    const auto open = [&](const QString &path) { return FailureOf([&] { db.OpenConnection(path); }).isEmpty(); };
    TellParentWorking();
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Шаблон %1").arg(n);
        if (SaveProblem(folder, ReadNames(folder), name).isEmpty())
            SaveTemplate(db, folder, name, database, {true, true}, open);
    }
}

TEST_F(TemplateStoreTest, AKilledSaveLeavesNothingButListedStrippedTemplates)
{
    ASSERT_FALSE(ContentsOf(dbPath).value("GENER").isEmpty());
    QElapsedTimer timer;
    timer.start();
    save("Проба", {true, true});
    const int saveMs = int(timer.elapsed()) + 2;
    DeleteTemplate(programFolder, "Проба");
    module->CloseConnection();

    QRandomGenerator random(24);
    int interrupted = 0;
    for (int kill = 0; kill < 12; ++kill) {
        QByteArray said;
        ASSERT_TRUE(RunChildAndKill("TemplateSaveChild.SavesTemplatesOneAfterAnother",
                                    {{ChildFolder, programFolder}, {ChildDatabase, dbPath}},
                                    int(random.bounded(saveMs * 3)), &said))
            << said.toStdString();
        if (!strays(programFolder).isEmpty())
            ++interrupted;
        // What the next start of the program does.
        FinishInterruptedSaves(programFolder);
        EXPECT_EQ(strays(programFolder).join(", ").toStdString(), "") << "kill " << kill << ": nothing unlisted refuses a name";
        for (const QString &name : ReadNames(programFolder)) {
            EXPECT_NO_THROW(CheckSource(TemplatePath(programFolder, name))) << name.toStdString();
            EXPECT_TRUE(ContentsOf(TemplatePath(programFolder, name)).value("GENER").isEmpty()) << name.toStdString() << ": stripped";
        }
    }
    EXPECT_GT(interrupted, 0) << "no kill fell inside a save";
    EXPECT_GT(ReadNames(programFolder).size(), 0) << "no save was ever finished";
    module->OpenConnection(dbPath);
}

// Run by the next test in a process of its own, which it kills: holds a save's lock as a saving program does.
TEST(TemplateSaveChild, HoldsTheLockOfASave)
{
    if (qEnvironmentVariableIsEmpty(ChildLock))
        GTEST_SKIP() << "started only by ASaveUnderWayIsLeftAloneAndOneCutShortAfterNamingIsListed";
    QLockFile lock(qEnvironmentVariable(ChildLock));
    lock.setStaleLockTime(0);
    ASSERT_TRUE(lock.tryLock(0));
    TellParentWorking();
    for (;;)
        QThread::sleep(1);
}

TEST_F(TemplateStoreTest, ASaveUnderWayIsLeftAloneAndOneCutShortAfterNamingIsListed)
{
    const QString copy = folder->newDatabase("Samples/Идет.mdb.unfinished");
    {
        // Another program running is saving "Идет".
        QLockFile other(copy + ".lock");
        ASSERT_TRUE(other.tryLock(0));
        FinishInterruptedSaves(programFolder);
        EXPECT_TRUE(QFile::exists(copy));
        const QString failure = FailureOf([&] { save("Идет", {true, true}); });
        EXPECT_TRUE(failure.contains("другая программа")) << failure.toStdString();
        EXPECT_TRUE(QFile::exists(copy));
    }
    // That program ended: its copy is removed at the next start.
    WriteFile(copy + "-journal", "hot");
    FinishInterruptedSaves(programFolder);
    EXPECT_EQ(strays(programFolder), QStringList());

    // Killed after the complete copy took its name but before the name was listed.
    WriteNames(programFolder, {"Первый"});
    makeTemplate("Первый");
    makeTemplate("Готов");
    QByteArray said;
    ASSERT_TRUE(RunChildAndKill("TemplateSaveChild.HoldsTheLockOfASave",
                                {{ChildLock, TemplatePath(programFolder, "Готов") + ".unfinished.lock"}}, 0, &said))
        << said.toStdString();
    FinishInterruptedSaves(programFolder);
    EXPECT_EQ(ReadNames(programFolder), (QStringList{"Первый", "Готов"}));
    EXPECT_EQ(strays(programFolder), QStringList());
}

// Templates stay files: a new server database is made from one, and one is saved from a server database.
class ServerTemplateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!TestServerStarted())
            GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
        target = TestServer(QStringLiteral("vt_tpl_") + QUuid::createUuid().toString(QUuid::Id128).left(20));
        // The ready example as a template of an earlier version, without an index the program now makes.
        made.OpenConnection(folder.newDatabase("Samples/" + ExampleName + ".mdb", QStringLiteral(SAMPLE_DB_PATH)));
        made.exec("DROP INDEX " + LinksFilterIndex);
        made.CloseConnection();
    }
    void TearDown() override
    {
        made.CloseConnection();
        if (!target.database.isEmpty())
            DropServerDatabase(target);
    }

    TempProgramFolder folder;
    const QString source = TemplatePath(folder.path(), ExampleName);
    ServerConnection target;
    TDModule made;
};

TEST_F(ServerTemplateTest, ATemplateBecomesAServerDatabaseWhoseTemplatesAreStrippedFilesAndItStaysOpenAsItWas)
{
    const QByteArray before = FileBytes(source);
    ASSERT_TRUE(CreateServerDatabaseFrom(source, target));
    EXPECT_EQ(FileBytes(source), before) << "the template is only read";
    made.OpenServerConnection(target);
    {
        TDModule file;
        file.OpenReadOnly(source);
        EXPECT_EQ(TableContents(made), TableContents(file));
    }

    // A catalog whose pictures the server keeps.
    Layout::Catalog layout;
    layout.textImages = {{10, 10, 0, 0}};
    CatalogStore::Save(made, "Витрина", layout, {QByteArray("фон"), {"первая"}});
    const QMap<QString, QStringList> held = TableContents(made);
    ASSERT_EQ(held.value(SchemaName::CatalogPicturesTable).size(), 2);
    ASSERT_FALSE(held.value("REFERS").isEmpty());

    ASSERT_TRUE(SaveServerTemplate(made, folder.path(), "Структура", {true, true}));
    ASSERT_TRUE(SaveServerTemplate(made, folder.path(), "С объектами", {false, false}));
    EXPECT_EQ(ReadNames(folder.path()), (QStringList{"Структура", "С объектами"}));
    EXPECT_EQ(ContentsOf(TemplatePath(folder.path(), "С объектами")), Stripped(held, {false, false}));
    EXPECT_EQ(ContentsOf(TemplatePath(folder.path(), "Структура")), Stripped(held, {true, true}));
    EXPECT_TRUE(QDir(folder.path() + "/Samples").entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
        << "no catalog folder beside the templates";

    // The program never left the server database, which was only read.
    ASSERT_TRUE(made.connected());
    EXPECT_FALSE(made.InTransaction());
    EXPECT_EQ(TableContents(made), held);
}

TEST_F(ServerTemplateTest, AStoppedOrFailedCopyLeavesNothingBehindAndSaysWhyInRussian)
{
    const QString missing = FailureOf([&] { CreateServerDatabaseFrom(TemplatePath(folder.path(), "Нет"), target); });
    EXPECT_TRUE(missing.contains("не найден")) << missing.toStdString();
    EXPECT_EQ(ServerTableCount(target), -1);
    // A stopped copy or one into a database that exists is the database copy's own case
    // (DatabaseCopyTest.AStoppedOrRefusedCopyLeavesNoTargetAndTheSourceAsItWas).

    ASSERT_TRUE(CreateServerDatabaseFrom(source, target));
    made.OpenServerConnection(target);
    const QMap<QString, QStringList> held = TableContents(made);

    EXPECT_FALSE(SaveServerTemplate(made, folder.path(), "Прерванный", {}, [](qint64 copied, qint64) { return copied == 0; }));
    EXPECT_FALSE(QFile::exists(TemplatePath(folder.path(), "Прерванный")));
    EXPECT_TRUE(ReadNames(folder.path()).isEmpty());
    WriteNames(folder.path(), {"Склад"});
    EXPECT_EQ(FailureOf([&] { SaveServerTemplate(made, folder.path(), "Склад", {}); }), "Шаблон с таким именем уже существует!");
    EXPECT_FALSE(QFile::exists(TemplatePath(folder.path(), "Склад")));
    EXPECT_EQ(TableContents(made), held);
}
