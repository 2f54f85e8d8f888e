#include "support/testsupport.h"
#include "find/findtest.h"

#include "core/collation.h"
#include "fields/fieldstore.h"
#include "objects/searchindex.h"
#include "objects/sortkeys.h"

#include <QProcess>
#include <QRandomGenerator>

namespace {

// What the stock command-line tool of the engine prints for `sql` run on the file, errors included.
QString stockTool(const QString &path, const QString &sql)
{
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {path, sql});
    if (!tool.waitForFinished(60000))
        return QStringLiteral("(the tool did not finish)");
    return QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError()).trimmed()
           + (tool.exitCode() != 0 ? QStringLiteral(" (exit %1)").arg(tool.exitCode()) : QString());
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

class SortKeyTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        title = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        number = addField(*module, "Номер", IntegerType);
        addField(*module, "Дата", DateType);
        makeBook(1, "Регионы", {{1, "Север", "01", 0}, {2, "Юг", "02", 0}});
        const QStringList titles{"яблоко", "Ёлка", "ель", "Жук", "apple", "Арбуз"};
        const QStringList colours{"синий", "Зелёный", "белый", "синий", "Алый", "белый"};
        for (int i = 0; i < titles.size(); ++i)
            InsertValues(*module, i + 1, {titles[i], colours[i], QString::number(i), QString("0%1.02.2024").arg(i + 1)});
        SortKeys::Prepare(*module);
        EnsureSearchIndex(*module);
        ObjectList::Of(*module).compose();
    }
    QStringList sortedBy(const QString &caption, const QString &column)
    {
        EXPECT_TRUE(ObjectList::Of(*module).sortByTitle(caption));
        return ListedColumn(*module, column);
    }
    QString titles() const { return QStringLiteral("G%1").arg(title); }
    QString colours() const { return QStringLiteral("L%1_DATA").arg(colour); }
    qint64 title = 0, colour = 0, number = 0;
    const RussianLocale russian;
};

}

// Keys compare byte by byte as the collation compares the texts: Ё beside Е, case, digits, Latin after
// Cyrillic, prefixes, empty texts, characters beyond the basic plane and broken bytes.
TEST(RussianSortKey, KeysCompareAsTheCollationOnTrickyAndRandomTexts)
{
    QList<QByteArray> texts;
    for (const char *text : {"", " ", "е", "ё", "Е", "Ё", "ель", "ёлка", "Ёлка", "ЕЛКА", "елка", "еж", "ёж", "Ёж", "1", "10", "2",
                             "2 кота", "a", "A", "Zebra", "zebra", "я", "Я", "abc", "абв", "аб", "аб ", " аб", "a1", "а1", "Ω", "ω",
                             "日本", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x81x", "e\xCC\x81", "\xFF", "\xC3", "Straße", "STRASSE", "ä", "Ä",
                             "-45", "Ё-мобиль", "Е-мобиль", "ёё", "её", "ее", "ЁЕ",
                             "K", "k", "\xE2\x84\xAA", "\xE2\x84\xAAа", "Kа", "i", "I", "\xC4\xB0", "\xC4\xB0x", "ѐ", "Ѐ", "є", "Є",
                             "\xD2\x90", "ґ", "\xC3\xA9", "é", "e\xCC\x81", "\x80", "a\xC3", "\t", "\x01"})
        texts << QByteArray(text);
    // Random texts over a small alphabet, so that long common beginnings and near twins are frequent.
    const QStringList alphabet{"е", "ё", "Е", "Ё", "а", "А", "a", "A", "1", "9", " ", "-", "ж", "z", "K", "k", "\u212A", "\u0130", "i"};
    QRandomGenerator random(2024);
    for (int i = 0; i < 400; ++i) {
        QString text;
        for (int n = random.bounded(6); n > 0; --n)
            text += alphabet.at(random.bounded(alphabet.size()));
        texts << text.toUtf8();
    }
    int checked = 0;
    for (const QByteArray &a : texts) {
        const QByteArray keyA = RussianSortKey(a.constData(), int(a.size()));
        for (const QByteArray &b : texts) {
            const QByteArray keyB = RussianSortKey(b.constData(), int(b.size()));
            const int byKeys = sign(std::memcmp(keyA.constData(), keyB.constData(), size_t(qMin(keyA.size(), keyB.size())))
                                        ? std::memcmp(keyA.constData(), keyB.constData(), size_t(qMin(keyA.size(), keyB.size())))
                                        : int(keyA.size() > keyB.size()) - int(keyA.size() < keyB.size()));
            const int byCollation = sign(CompareRussian(a.constData(), int(a.size()), b.constData(), int(b.size())));
            ASSERT_EQ(byKeys, byCollation) << a.toStdString() << " / " << b.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 200000);
}

// The stock tool checks, vacuums and dumps a file the program made, and what it writes (objects and
// lookup entries, added and changed) is listed in Russian order and found by the quick search.
TEST_F(SortKeyTest, TheStockToolChecksAndWritesTheFileAndTheProgramSortsAndFindsWhatItWrote)
{
    closeQueries(*module);
    EXPECT_EQ(stockTool(dbPath, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(SortKeys::NeedingTheProgram(*module), QStringList());
    // Written by hand as any program may: an object, a changed text, a new and a renamed entry.
    EXPECT_EQ(stockTool(dbPath, QStringLiteral("INSERT INTO LOOKUP%1 VALUES (100, 'аквамарин'); "
                                               "UPDATE LOOKUP%1 SET L%1_DATA = 'Ярко-белый' WHERE L%1_DATA = 'белый'; "
                                               "INSERT INTO GENER (G_ID, G%2, G%1) VALUES (7, 'ёжик', 100); "
                                               "UPDATE GENER SET G%2 = 'Бобр' WHERE G_ID = 1;")
                                    .arg(colour)
                                    .arg(title)),
              "");
    EXPECT_EQ(sortedBy("Название", titles()), (QStringList{"Арбуз", "Бобр", "ёжик", "Ёлка", "ель", "Жук", "apple"}));
    EXPECT_EQ(sortedBy("Название", titles()), (QStringList{"apple", "Жук", "ель", "Ёлка", "ёжик", "Бобр", "Арбуз"}));
    EXPECT_EQ(sortedBy("Цвет", colours()), (QStringList{"аквамарин", "Алый", "Зелёный", "синий", "синий", "Ярко-белый", "Ярко-белый"}));
    // The keys the program made for the tool's rows are those of their texts.
    EXPECT_EQ(scalar(QStringLiteral("SELECT hex(O_G%1) FROM OBJECT_KEYS WHERE O_ID = 7").arg(title)).toString().toLatin1(),
              RussianSortKey(QStringLiteral("ёжик")).toHex().toUpper());
    EXPECT_EQ(count("SELECT * FROM STALE_KEYS"), 0);
    ObjectList::Of(*module).applySearch(ReadDescriptionFields(*module), "ЕЖИК");
    EXPECT_EQ(ListedColumn(*module, "G_ID"), QStringList{"7"});

    closeQueries(*module);
    EXPECT_EQ(stockTool(dbPath, "VACUUM; PRAGMA integrity_check;"), "ok");
    // The dump reads back into a file the tool checks as well.
    const QString dump = stockTool(dbPath, ".dump");
    ASSERT_TRUE(dump.contains("CREATE TABLE GENER")) << dump.left(300).toStdString();
    const QString copy = folder->path() + "/copy.mdb";
    WriteFile(folder->path() + "/dump.sql", dump.toUtf8());
    EXPECT_EQ(stockTool(copy, ".read " + folder->path() + "/dump.sql"), "");
    EXPECT_EQ(stockTool(copy, "PRAGMA integrity_check; SELECT COUNT(*) FROM GENER;"), "ok\n7");
}

// A file of an earlier version, with its texts indexed in the program's collation, is converted on
// opening and passes the stock tool's check; keys of another version of the order are made anew.
TEST_F(SortKeyTest, AnEarlierFileIsConvertedAndKeysOfAnotherOrderAreMadeAnew)
{
    closeQueries(*module);
    for (const char *drop : {"DROP TABLE OBJECT_KEYS", "DROP TABLE ENTRY_KEYS", "DROP TABLE STALE_KEYS", "DROP TABLE KEYS_INFO"})
        exec(drop);
    exec(QStringLiteral("DROP INDEX GENER_G%1").arg(title));
    exec(QStringLiteral("CREATE INDEX GENER_G%1 ON GENER(G%1 COLLATE RUSSIAN)").arg(title));
    exec(QStringLiteral("DROP INDEX LOOKUP%1_DATA").arg(colour));
    exec(QStringLiteral("CREATE INDEX LOOKUP%1_DATA ON LOOKUP%1(L%1_DATA COLLATE RUSSIAN)").arg(colour));
    EXPECT_TRUE(stockTool(dbPath, "PRAGMA integrity_check").contains("no such collation sequence: RUSSIAN"));
    EXPECT_EQ(SortKeys::NeedingTheProgram(*module).size(), 2);
    EXPECT_FALSE(SortKeys::Ready(*module));
    // Unkeyed, the list still sorts in Russian order, by the collation.
    EXPECT_EQ(sortedBy("Название", titles()), (QStringList{"Арбуз", "Ёлка", "ель", "Жук", "яблоко", "apple"}));

    module->OpenConnection(dbPath);
    closeQueries(*module);
    EXPECT_EQ(stockTool(dbPath, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'GENER_G%1'").arg(title)).toString(),
              QStringLiteral("CREATE INDEX GENER_G%1 ON GENER(G%1)").arg(title));
    ASSERT_TRUE(SortKeys::Ready(*module));
    ObjectList::Of(*module).compose();
    EXPECT_EQ(sortedBy("Цвет", colours()), (QStringList{"Алый", "белый", "белый", "Зелёный", "синий", "синий"}));
    EXPECT_EQ(sortedBy("Название", titles()), (QStringList{"Арбуз", "Ёлка", "ель", "Жук", "яблоко", "apple"}));
    QStringList plan;
    for (const QVariantList &row : rows("EXPLAIN QUERY PLAN " + ObjectList::Of(*module).statement()))
        plan << row.last().toString();
    EXPECT_FALSE(plan.join(";").contains("TEMP B-TREE")) << plan.join(";").toStdString();

    // Keys written under another version of the order, some of them wrong now: all made anew.
    closeQueries(*module);
    exec("UPDATE KEYS_INFO SET V_VALUE = '0'");
    exec(QStringLiteral("UPDATE OBJECT_KEYS SET O_G%1 = X'01'").arg(title));
    EXPECT_FALSE(SortKeys::Ready(*module));
    SortKeys::Prepare(*module, [](qint64, qint64) {});
    EXPECT_EQ(scalar("SELECT V_VALUE FROM KEYS_INFO").toInt(), RussianOrderVersion);
    EXPECT_EQ(scalar(QStringLiteral("SELECT hex(O_G%1) FROM OBJECT_KEYS WHERE O_ID = 2").arg(title)).toString().toLatin1(),
              RussianSortKey(QStringLiteral("Ёлка")).toHex().toUpper());
}

// Fields added, changed and deleted keep one key column per string field, and the file stays one the
// stock tool can write: a field's column is dropped although triggers watch GENER.
TEST_F(SortKeyTest, KeyColumnsFollowTheStringFields)
{
    const qint64 note = addField(*module, "Примечание", StringType);
    EXPECT_TRUE(columnsOf("OBJECT_KEYS").contains(SortKeys::KeyColumn(note)));
    // After a new lookup list and a rebuilt column no object is left marked, and the numbers turned
    // into texts have the keys of those texts.
    addField(*module, "Вид", StringType, true);
    changeFieldType(*module, number, StringType);
    EXPECT_EQ(count("SELECT * FROM STALE_KEYS"), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT hex(O_G%1) FROM OBJECT_KEYS WHERE O_ID = 6").arg(number)).toString().toLatin1(),
              RussianSortKey(QStringLiteral("5")).toHex().toUpper());
    changeFieldType(*module, title, IntegerType);
    EXPECT_FALSE(columnsOf("OBJECT_KEYS").contains(SortKeys::KeyColumn(title)));
    FieldStore::DeleteField(*module, note);
    EXPECT_EQ(columnsOf("OBJECT_KEYS"), (QStringList{"O_ID", SortKeys::KeyColumn(number)}));
    closeQueries(*module);
    EXPECT_EQ(stockTool(dbPath, QStringLiteral("DROP INDEX GENER_G%1; ALTER TABLE GENER DROP COLUMN G%1; PRAGMA integrity_check;").arg(title)), "ok");
}
