#include "support/testsupport.h"

#include "catalogs/catalogstore.h"
#include "classifier/classstore.h"
#include "core/databasecopy.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "core/schemanames.h"
#include "objects/objectlinks.h"
#include "objects/objectlist.h"
#include "objects/searchindex.h"
#include "references/referencestore.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTime>
#include <QUuid>

namespace {

// The open database is copied into a new one of the other engine: a file is uploaded to the server,
// a server database is saved as a file.
class DatabaseCopyTest : public EngineTest
{
protected:
    void SetUp() override
    {
        if (!TestServerStarted())
            GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): copies need a server";
        EngineTest::SetUp();
        target = TestServer(QStringLiteral("vt_copy_") + QUuid::createUuid().toString(QUuid::Id128).left(20));
        targetPath = folder->path() + QStringLiteral("/copy.mdb");
    }
    void TearDown() override
    {
        copy.reset();
        EngineTest::TearDown();
        if (!onServer() && !target.database.isEmpty())
            DropServerDatabase(target);
    }

    bool copyOut(const DatabaseCopy::Progress &progress = {})
    {
        return onServer() ? DatabaseCopy::ToFile(*module, targetPath, progress)
                          : DatabaseCopy::ToServer(*module, target, progress);
    }
    TDModule &openCopy()
    {
        copy = std::make_unique<TDModule>();
        if (onServer())
            copy->OpenConnection(targetPath);
        else
            copy->OpenServerConnection(target);
        return *copy;
    }

    // A database as a museum fills it: a classifier with its book, every kind of field, objects with
    // gaps in their numbers, empty values and a picture, and links to the book.
    void fill()
    {
        const qint64 minerals = AddClass(*module, "Минералы", "M", 0, 0);
        quartz = AddClass(*module, "Кварц", "Q-1", minerals, 2.5);
        AddClass(*module, "Слюда", "", minerals, 0);
        bookId = ReferenceStore::GenerateBook(*module, {minerals, "Минералы"});
        const int types[] = {IntegerType, RealType, TimeType, DateType, BooleanType, StringType, LongTextType, ImageType};
        const char *names[] = {"Номер", "Масса", "Время", "Найден", "Цел", "Название", "Описание", "Фото"};
        for (int i = 0; i < 8; ++i)
            addField(*module, names[i], types[i]);
        const qint64 kind = addField(*module, "Вид", StringType, true);
        addLookupEntry(*module, kind, "друза");
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        for (int i = 0; i < 256; ++i)
            picture.append(char(i));
        const QList<QVariantList> objects{
            {"42", "3.14159", QTime(13, 45, 10), QDate(2020, 5, 17), true, "ёлка", "строка 1\nстрока 2", picture, "друза"},
            {"-7", "0", QTime(), QDate(), false, "Еж", "", QByteArray(), EmptyLookupText},
            {"0", "-2.5", QTime(0, 0, 1), QDate(1999, 1, 2), false, "x", "одна", QByteArray(), "друза"}};
        for (const QVariantList &values : objects) {
            QList<FieldInput> inputs;
            for (int i = 0; i < fields.size(); ++i)
                inputs << FieldInput{fields[i], values[i], fields[i].kind() == FieldKind::Image && !values[i].toByteArray().isEmpty()};
            const qint64 id = ReserveObjectId(*module);
            InsertObject(*module, id, inputs);
            objectIds << id;
        }
        DeleteObject(*module, objectIds.takeAt(1));
        AddObjectLink(*module, QString::number(objectIds.first()), bookId, quartz, "12 шт.", 0);
    }

    // The indexes a copy carries over: a file's sort keys are its own, made afresh when a copy opens.
    static QSet<QString> indexNames(TDModule &db)
    {
        QSet<QString> names;
        const QString keyTables = SchemaName::ObjectKeysTable + '|' + SchemaName::EntryKeysTable + '|' + SchemaName::StaleKeysTable;
        for (const QVariantList &row : db.QRWork->readAll(Engine::IndexNamesQuery(db.engine()))) {
            const QString name = row.first().toString().toUpper();
            if (QRegularExpression("^(" + keyTables + ")").match(name).hasMatch())
                continue;
            if (!name.endsWith("_PKEY") && !name.startsWith("SQLITE_AUTOINDEX"))
                names << name;
        }
        return names;
    }

    ServerConnection target;
    QString targetPath;
    std::unique_ptr<TDModule> copy;
    qint64 quartz = 0;
    qint64 bookId = 0;
    QList<qint64> objectIds;
    QByteArray picture;
};
}

TEST_P(DatabaseCopyTest, EveryTableArrivesRowByRowWithItsIndexesAndTheProgramReadsTheSame)
{
    fill();
    EnsureSearchIndex(*module);
    // A table another part of the program keeps, with an index of its own, goes along unnamed.
    module->exec("CREATE TABLE NOTES(N_ID INTEGER NOT NULL PRIMARY KEY, N_OBJECT INTEGER, N_TEXT VARCHAR(200))");
    module->exec("CREATE INDEX NOTES_OBJECT ON NOTES(N_OBJECT)");
    module->exec("INSERT INTO NOTES VALUES(?, ?, ?)", {1, objectIds.first(), "с нулём\tи табуляцией"});
    const QMap<QString, QStringList> before = TableContents(*module);

    QList<std::pair<qint64, qint64>> told;
    ASSERT_TRUE(copyOut([&](qint64 copied, qint64 total) {
        told.append({copied, total});
        return true;
    }));
    qint64 rows = 0;
    for (const QStringList &table : before)
        rows += table.size();
    ASSERT_FALSE(told.isEmpty());
    EXPECT_EQ(told.last(), std::make_pair(rows, rows));
    for (int i = 1; i < told.size(); ++i)
        EXPECT_LE(told[i - 1].first, told[i].first);

    TDModule &copied = openCopy();
    EXPECT_EQ(TableContents(copied), before);
    EXPECT_TRUE(before.contains(SchemaName::BookTable(bookId)));
    EXPECT_EQ(QStringList(before.value("BOOLEAN")), (QStringList{"-1 | Да", "0 | Нет"}));
    const QSet<QString> indexesAfter = indexNames(copied);
    EXPECT_EQ(indexNames(*module) - indexesAfter, QSet<QString>{}) << "no index of the original is missing";
    EXPECT_TRUE(indexesAfter.contains("NOTES_OBJECT"));
    EXPECT_TRUE(indexesAfter.contains(SchemaName::BookTable(bookId) + "_LINK"));
    // A text field's index on a server keeps the server's Russian order; a file's is plain, for any tool
    // to keep (the file sorts by keys).
    const QString textIndex = SchemaName::FieldIndex(ReadDescriptionFields(copied).at(5).id);
    const QString definition =
        copied.QRWork
            ->readAll(onServer() ? "SELECT sql FROM sqlite_master WHERE name = ?" : "SELECT indexdef FROM pg_indexes WHERE indexname = lower(?)",
                      {textIndex})
            .value(0).value(0).toString();
    EXPECT_EQ(definition.contains(onServer() ? "COLLATE" : "ru-x-icu"), !onServer()) << definition.toStdString();

    // Pictures, lookup texts and links are rows like any other (bytes compared as bytes): each engine's own
    // reading of them is its stores' to test.
    if (onServer()) {
        // A file made from the server declares the fields' columns as a new file would, dates and yes/no included.
        QStringList declared;
        for (const QVariantList &row : copied.QRWork->readAll("SELECT type FROM pragma_table_info('GENER') ORDER BY cid"))
            declared << row.first().toString();
        EXPECT_EQ(declared, (QStringList{"INTEGER", "INTEGER", "FLOAT", "TIME", "DATE", "BOOLEAN", "VARCHAR(50)", "TEXT",
                                         "BLOB", "INTEGER"}));
    }

    // The quick search's index follows the objects of its own database: never copied, the copy makes its
    // own and finds what the original holds.
    QStringList tables;
    for (const QVariantList &row : copied.QRWork->readAll(Engine::TableNamesQuery(copied.engine())))
        tables << row.first().toString().toUpper();
    EXPECT_FALSE(tables.contains(SchemaName::SearchTextTable));
    EnsureSearchIndex(copied);
    ObjectList::Of(copied).compose();
    ObjectList::Of(copied).applySearch(ReadDescriptionFields(copied), "ЁЛКА");
    EXPECT_EQ(copied.QRGeneral->recordCount(), 1);

    // Rows added to the copy get numbers above the copied ones.
    EXPECT_GT(ReserveObjectId(copied), objectIds.last());
    const qint64 maxClass = copied.QRWork->readAll("SELECT MAX(C_ID) FROM CLASSES").first().first().toLongLong();
    EXPECT_GT(AddClass(copied, "Полевой шпат", "F", 0, 0), maxClass);
    const qint64 firstLink = ReadObjectLinks(copied, QString::number(objectIds.first())).first().id;
    EXPECT_GT(AddObjectLink(copied, QString::number(objectIds.last()), bookId, quartz, "", 0), firstLink);
}

// A stopped copy leaves no target. Catalogs keep their pictures in a folder beside a file and in the database
// on a server: a finished copy into the other engine takes them along, byte for byte, and a file made from a
// server holds no picture table. A target that exists already is never written into.
TEST_P(DatabaseCopyTest, AStoppedCopyLeavesNoTargetAFinishedOneTakesTheCatalogPicturesAndAnExistingTargetIsRefused)
{
    fill();
    Layout::Catalog layout;
    layout.textImages = {{10, 10, 0, 0}};
    const QByteArray background("\xFF\xD8 фон \x00", 10);
    CatalogStore::Save(*module, "Витрина", layout, {background, {"первая"}});
    const QMap<QString, QStringList> before = TableContents(*module);
    int calls = 0;
    EXPECT_FALSE(copyOut([&](qint64 copied, qint64) { return ++calls < 3 || copied == 0; }));
    EXPECT_GE(calls, 3);
    EXPECT_FALSE(onServer() ? QFile::exists(targetPath) : ServerTableCount(target) >= 0);
    EXPECT_EQ(TableContents(*module), before);

    ASSERT_TRUE(copyOut());
    TDModule &copied = openCopy();
    CatalogStore::CarryPictures(*module, copied);
    const std::optional<CatalogStore::Stored> stored = CatalogStore::Open(copied, "Витрина");
    ASSERT_TRUE(stored.has_value());
    const CatalogStore::Pictures pictures =
        CatalogStore::LoadPictures(copied, "Витрина", *stored, Layout::Read(stored->layoutText).catalog);
    EXPECT_EQ(pictures.background, background);
    EXPECT_EQ(pictures.textImages, QList<QByteArray>{"первая"});
    if (onServer()) {
        EXPECT_TRUE(QFileInfo(stored->folder).isDir()) << "the file's catalog folder beside it";
        EXPECT_TRUE(copied.QRWork->readAll("SELECT 1 FROM sqlite_master WHERE name = 'KATALOG_FILES'").isEmpty());
    }

    const QMap<QString, QStringList> made = TableContents(copied);
    const QString failure = FailureOf([&] { copyOut(); });
    EXPECT_TRUE(failure.contains("уже существует")) << failure.toStdString();
    EXPECT_EQ(TableContents(copied), made);
    EXPECT_EQ(TableContents(*module), before);
}

// A file holds whatever the server holds: the failures of values are the upload's alone.
class UploadTest : public DatabaseCopyTest
{
};

TEST_P(UploadTest, AValueTheServerCannotHoldFailsTheUploadAndRemovesWhatWasMade)
{
    fill();
    // The server keeps no NUL character in a text; the file may hold one.
    exec("UPDATE CLASSES SET C_NAME = 'a' || char(0) || 'b' WHERE C_NAME = 'Слюда'");
    const QMap<QString, QStringList> before = TableContents(*module);
    const auto failureOf = [&] { return FailureOf([&] { copyOut(); }); };
    QString failure = failureOf();
    EXPECT_TRUE(failure.contains("нулевой знак")) << failure.toStdString();
    EXPECT_TRUE(failure.contains("CLASSES")) << failure.toStdString();
    EXPECT_EQ(ServerTableCount(target), -1);

    // An empty database the administrator made for the upload stays, empty again.
    {
        QSqlDatabase db = Engine::AddServerConnection("copy_test_admin", TestServer());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec("CREATE DATABASE " + target.database));
        db.close();
    }
    QSqlDatabase::removeDatabase("copy_test_admin");
    failure = failureOf();
    EXPECT_TRUE(failure.contains("нулевой знак")) << failure.toStdString();
    EXPECT_EQ(ServerTableCount(target), 0);
    EXPECT_EQ(TableContents(*module), before);
}

ENGINE_TEST_SUITE(DatabaseCopyTest);
INSTANTIATE_TEST_SUITE_P(Engines, UploadTest, ::testing::Values(EngineKind::File), EngineName);
