#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "templates/templatestore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace TemplateStore;

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void copyWritable(const QString &source, const QString &target)
{
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(source, target));
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

// The rows of `sql` in the file at `path`, each as text joined by '|', through a connection of its own.
QStringList rowsIn(const QString &path, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(sql, db);
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values << q.value(i).toString();
            rows << values.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return rows;
}

int countIn(const QString &path, const QString &table)
{
    return rowsIn(path, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).value(0, QStringLiteral("-1")).toInt();
}

// Every table with every row, as text: two files with equal dumps hold the same data.
QStringList dump(const QString &path)
{
    QStringList lines = rowsIn(path, QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name"));
    for (const QString &table : rowsIn(path, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")))
        for (const QString &row : rowsIn(path, QStringLiteral("SELECT * FROM \"%1\"").arg(table)))
            lines << table + QLatin1String(": ") + row;
    return lines;
}
}

TEST(TemplateFiles, NewDatabaseNamesAndReplacingOnlyByACompleteCopy)
{
    EXPECT_EQ(NewDatabaseFileName("/d/base.MDB"), "/d/base.MDB.mdb");
    EXPECT_EQ(NewDatabaseFileName("/d/a.mdb"), "/d/a.mdb");
    EXPECT_EQ(NewDatabaseFileName("a"), "a.mdb");

    TempProgramFolder folder;
    const QString empty = EmptyDatabasePath(folder.path());
    const QString target = folder.path() + "/target.mdb";
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's old file");
    old.close();
    EXPECT_THROW(CreateDatabase(folder.path() + "/Samples/Missing.mdb", target), DbError);
    EXPECT_EQ(bytesOf(target), "the user's old file") << "a missing source never costs the existing target";
    CreateDatabase(empty, target);
    EXPECT_EQ(bytesOf(target), bytesOf(empty));

    EXPECT_TRUE(ReadNames(folder.path() + "/nowhere").isEmpty()) << "a missing list is an empty list";
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
        copyWritable(QStringLiteral(SAMPLE_DB_PATH), dbPath);
        module->OpenConnection(dbPath);
        exec("INSERT INTO KATALOGS VALUES(1,'Витрина','/somewhere/Витрина','')");
    }
    bool openInModule(const QString &path)
    {
        try {
            module->OpenConnection(path);
            return true;
        } catch (const DbError &) {
            return false;
        }
    }
    void save(const QString &name, StripChoice choice)
    {
        SaveTemplate(*module, programFolder, name, dbPath, choice, [this](const QString &path) { return openInModule(path); });
    }
    void makeTemplate(const QString &name) const
    {
        copyWritable(EmptyDatabasePath(programFolder), TemplatePath(programFolder, name));
    }
    QString programFolder;
};

TEST_F(TemplateStoreTest, SavingStripsTheCopyByTheSettingsAndLeavesTheUserDatabaseAsItWas)
{
    const QStringList before = dump(dbPath);
    const int classes = countIn(dbPath, "CLASSES"), links = countIn(dbPath, "LINKS");
    ASSERT_GT(countIn(dbPath, "GENER"), 0);
    ASSERT_EQ(countIn(dbPath, "REFERS"), 2);

    save("Только структура", {true, true});
    const QString bare = TemplatePath(programFolder, "Только структура");
    EXPECT_EQ(countIn(bare, "CLASSES"), classes);
    EXPECT_EQ(countIn(bare, "FIELDS"), 10);
    EXPECT_EQ(countIn(bare, "LOOKUP2"), countIn(dbPath, "LOOKUP2"));
    for (const char *table : {"GENER", "LINKS", "REFERS", "KATALOGS"})
        EXPECT_EQ(countIn(bare, table), 0) << table;
    EXPECT_EQ(countIn(bare, "REFER1"), -1) << "the book tables are dropped";
    EXPECT_LT(QFile(bare).size(), QFile(dbPath).size() / 2) << "the pictures do not stay in the file";

    save("С объектами", {false, false});
    const QString full = TemplatePath(programFolder, "С объектами");
    EXPECT_EQ(countIn(full, "GENER"), countIn(dbPath, "GENER"));
    EXPECT_EQ(countIn(full, "LINKS"), links);
    EXPECT_EQ(countIn(full, "REFER1"), countIn(dbPath, "REFER1"));
    EXPECT_EQ(countIn(full, "KATALOGS"), 0) << "a template never holds catalogs";

    EXPECT_EQ(ReadNames(programFolder), (QStringList{"Только структура", "С объектами"}));
    EXPECT_EQ(module->database().databaseName(), dbPath) << "the user's database is open again";
    EXPECT_EQ(dump(dbPath), before);
}

TEST_F(TemplateStoreTest, NamesThatWouldLoseOrHideAFileAreRefusedBeforeAnythingIsCopied)
{
    WriteNames(programFolder, {"Склад"});
    makeTemplate("Склад");
    makeTemplate("Чужой");   // a file in Samples that the list does not name
    const QByteArray foreign = bytesOf(TemplatePath(programFolder, "Чужой"));
    const QStringList names = ReadNames(programFolder);

    EXPECT_EQ(SaveProblem(programFolder, names, "склад"), "") << "names differ by letter case";
    for (const QString name : {"a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", ".", ".."})
        EXPECT_TRUE(SaveProblem(programFolder, names, name).contains("не может")) << name.toStdString();
    EXPECT_FALSE(SaveProblem(programFolder, names, QString(51, 'x')).isEmpty());
    EXPECT_FALSE(SaveProblem(programFolder, names, "Empty").isEmpty()) << "the empty database is no template";

    EXPECT_FALSE(SaveProblem(programFolder, names, "Чужой").isEmpty());
    EXPECT_THROW(save("Чужой", {true, true}), DbError);
    EXPECT_EQ(bytesOf(TemplatePath(programFolder, "Чужой")), foreign) << "an existing file is never stripped";
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_EQ(module->database().databaseName(), dbPath);
}

TEST_F(TemplateStoreTest, AFailedStepRemovesTheCopyAndTheNameIsNotListed)
{
    // Deleting the books is refused in the middle of the stripping.
    exec("INSERT INTO REFERS VALUES(9,'Без таблицы',1)");
    exec("CREATE TRIGGER KEEP_BOOKS BEFORE DELETE ON REFERS BEGIN SELECT RAISE(ABORT, 'refused'); END");
    try {
        save("Сломанный", {false, true});
        ADD_FAILURE() << "the stripping should have failed";
    } catch (const DbError &error) {
        EXPECT_TRUE(error.message().startsWith("Шаблон не сохранен")) << error.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Сломанный")));
    EXPECT_TRUE(ReadNames(programFolder).isEmpty());
    EXPECT_EQ(module->database().databaseName(), dbPath);
    exec("DROP TRIGGER KEEP_BOOKS");
    exec("DELETE FROM REFERS WHERE R_ID = 9");

    // The user's database cannot be opened again: the finished template is undone as well.
    int openings = 0;
    EXPECT_THROW(SaveTemplate(*module, programFolder, "Без возврата", dbPath, {true, true},
                              [&](const QString &path) { return ++openings == 1 && openInModule(path); }),
                 DbError);
    EXPECT_EQ(openings, 2);
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Без возврата")));
    EXPECT_TRUE(ReadNames(programFolder).isEmpty());
    EXPECT_FALSE(module->connected()) << "the template copy is not left open";
}

TEST_F(TemplateStoreTest, RenamingKeepsThePlaceAndNeverLosesAFile)
{
    WriteNames(programFolder, {"Первый", "Второй", "Третий"});
    for (const QString name : {"Первый", "Второй", "Третий", "Занято"})
        makeTemplate(name);
    RenameTemplate(programFolder, "Второй", "Средний");
    EXPECT_EQ(ReadNames(programFolder), (QStringList{"Первый", "Средний", "Третий"}));
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Средний")));
    EXPECT_FALSE(QFile::exists(TemplatePath(programFolder, "Второй")));

    const QStringList names = ReadNames(programFolder);
    EXPECT_EQ(RenameProblem(programFolder, names, "Первый", "Первый"), "Шаблон с таким именем уже существует!");
    EXPECT_EQ(RenameProblem(programFolder, names, "Первый", "Третий"), "Шаблон с таким именем уже существует!");
    EXPECT_THROW(RenameTemplate(programFolder, "Первый", "Занято"), DbError);
    QFile::remove(TemplatePath(programFolder, "Третий"));
    EXPECT_THROW(RenameTemplate(programFolder, "Третий", "Новый"), DbError);
    EXPECT_EQ(ReadNames(programFolder), names);
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Первый")));
    EXPECT_TRUE(QFile::exists(TemplatePath(programFolder, "Занято")));
}

TEST_F(TemplateStoreTest, DeletingRemovesTheLineAndTheFileNoOtherLineNames)
{
    WriteNames(programFolder, {"Дубль", "Один", "Дубль", "../Снаружи"});
    for (const QString name : {"Дубль", "Один"})
        makeTemplate(name);
    copyWritable(EmptyDatabasePath(programFolder), programFolder + "/Снаружи.mdb");

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
