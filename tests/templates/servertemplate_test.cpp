#include "support/testsupport.h"

#include "catalogs/catalogstore.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "templates/templatestore.h"

#include <QDir>
#include <QFile>
#include <QUuid>

using namespace TemplateStore;

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
    {
        TDModule full;
        full.OpenConnection(TemplatePath(folder.path(), "С объектами"));
        QMap<QString, QStringList> expected = held;
        expected["KATALOGS"].clear();   // a template never holds catalogs, nor their pictures
        expected.remove(SchemaName::CatalogPicturesTable);
        EXPECT_EQ(TableContents(full), expected);

        TDModule bare;
        bare.OpenConnection(TemplatePath(folder.path(), "Структура"));
        expected.removeIf([](QMap<QString, QStringList>::iterator table) { return table.key().startsWith("REFER") && table.key() != "REFERS"; });
        for (const char *table : {"GENER", "LINKS", "REFERS"})
            expected[table].clear();
        EXPECT_EQ(TableContents(bare), expected);
    }
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
