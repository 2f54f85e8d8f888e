#include "support/testsupport.h"

#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/schema.h"
#include "fields/fieldindexes.h"
#include "fields/fieldstore.h"
#include "objects/objectlist.h"

using namespace FieldStore;

namespace {
class FieldStoreTest : public EngineTest
{
protected:
    // A column's type as the program declared it, as the engine names the field types' columns.
    QString columnType(const QString &table, const QString &column) const
    {
        for (const QVariantList &row : boundRows(Engine::ColumnDefinitionsQuery(testEngine()), {table})) {
            if (row.at(0).toString().compare(column, Qt::CaseInsensitive) == 0)
                return Engine::ColumnType(testEngine(), Engine::DeclaredType(testEngine(), row.at(1).toString()));
        }
        return QString();
    }
    // The column type of a field type, as the engine declares it.
    QString sqlTypeOf(int type) const
    {
        return Engine::ColumnType(testEngine(), scalar(QStringLiteral("SELECT T_ENG FROM TYPES WHERE T_ID = %1").arg(type)).toString());
    }
    void addObjects(int count) const
    {
        exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                            " INSERT INTO GENER(G_ID) SELECT i FROM n").arg(count));
    }
};
}

ENGINE_TEST_SUITE(FieldStoreTest);

TEST_P(FieldStoreTest, AddingGivesEachTypeItsColumnAndAListStartsAtTheEmptyEntry)
{
    addObjects(3);
    for (int type = 0; type < FieldKinds::TypeCount(); ++type)
        AddField(*module, QStringLiteral("Поле %1").arg(type), type, false);
    for (int type = 0; type < FieldKinds::TypeCount(); ++type)
        EXPECT_EQ(columnType("GENER", QStringLiteral("G%1").arg(type + 1)), sqlTypeOf(type)) << type;
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G1 IS NULL AND G6 IS NULL AND G8 IS NULL"), 3);
    EXPECT_FALSE(tableExists("LOOKUP6"));

    EXPECT_EQ(AddField(*module, QStringLiteral("Цвет"), FieldStore::StringType, true), FieldKinds::TypeCount() + 1);
    EXPECT_EQ(columnType("GENER", "G9"), "INTEGER");
    EXPECT_EQ(rows("SELECT L9_ID, L9_DATA FROM LOOKUP9"), (QList<QVariantList>{{0, EmptyLookupText}}));
    EXPECT_EQ(columnType("LOOKUP9", "L9_DATA"), sqlTypeOf(FieldStore::StringType));
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G9 = 0"), 3);
    // The tab's list shows the list flag as the yes/no text.
    const QList<QVariantList> list = rows(FieldQuery);
    const QVariant yes = scalar(QStringLiteral("SELECT B_TEXT FROM BOOLEAN WHERE B_ID = -1"));
    ASSERT_EQ(list.size(), FieldKinds::TypeCount() + 1);
    EXPECT_EQ(list.last().mid(3, 2), (QVariantList{yes, -1}));
    EXPECT_NE(list.first().at(3), yes);
}

TEST_P(FieldStoreTest, RenamingKeepsTheColumnWhileANewTypeOrListFlagRebuildsIt)
{
    // Types 0 and 1 share their column type: a change between them still rebuilds the column.
    exec(QStringLiteral("UPDATE TYPES SET T_ENG = '%1' WHERE T_ID = 1").arg(sqlTypeOf(0)));
    addObjects(2);
    AddField(*module, QStringLiteral("Длина"), 0, false);
    AddField(*module, QStringLiteral("Вид"), FieldStore::StringType, true);
    AddLookupEntry(*module, 2, QStringLiteral("круглый"));
    exec("UPDATE GENER SET G1 = 7, G2 = 1");
    const QStringList columnsBefore = columnsOf("GENER");
    ChangeField(*module, 1, QStringLiteral("Длина'м"), 0, false);
    ChangeField(*module, 2, QStringLiteral("Вид'"), FieldStore::StringType, true);
    EXPECT_EQ(columnsOf("GENER"), columnsBefore);
    EXPECT_EQ(rows("SELECT G1, G2 FROM GENER ORDER BY G_ID"), (QList<QVariantList>{{7, 1}, {7, 1}}));
    EXPECT_EQ(count("SELECT * FROM LOOKUP2"), 2);
    EXPECT_EQ(rows("SELECT F_NAME FROM FIELDS ORDER BY F_ID"), (QList<QVariantList>{{"Длина'м"}, {"Вид'"}}));

    EXPECT_EQ(ChangeField(*module, 1, QStringLiteral("Длина'м"), 1, false), 0);
    EXPECT_EQ(rows("SELECT G1 FROM GENER ORDER BY G_ID"), (QList<QVariantList>{{7.0}, {7.0}}));
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), 1);

    ChangeField(*module, 2, QStringLiteral("Вид'"), FieldStore::StringType, false);   // the list off
    EXPECT_FALSE(tableExists("LOOKUP2"));
    EXPECT_EQ(columnType("GENER", "G2"), sqlTypeOf(FieldStore::StringType));
    EXPECT_EQ(rows("SELECT G2 FROM GENER ORDER BY G_ID"), (QList<QVariantList>{{"круглый"}, {"круглый"}}));
    exec("UPDATE GENER SET G2 = NULL WHERE G_ID = 1");
    ChangeField(*module, 2, QStringLiteral("Вид'"), FieldStore::StringType, true);   // and on again
    EXPECT_EQ(columnType("GENER", "G2"), "INTEGER");
    EXPECT_EQ(rows("SELECT L2_ID, L2_DATA FROM LOOKUP2 ORDER BY L2_ID"), (QList<QVariantList>{{0, EmptyLookupText}, {1, "круглый"}}));
    EXPECT_EQ(rows("SELECT G2 FROM GENER ORDER BY G_ID"), (QList<QVariantList>{{0}, {1}}));
    EXPECT_EQ(scalar("SELECT F_LOOKUP FROM FIELDS WHERE F_ID = 2").toInt(), -1);

    // A list field turned into a number loses its list, whatever the tick says, and a text that is no number.
    EXPECT_EQ(ChangeField(*module, 2, QStringLiteral("Вид'"), 0, true), 1);
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G2 IS NULL"), 2);
    EXPECT_EQ(scalar("SELECT F_LOOKUP FROM FIELDS WHERE F_ID = 2").toInt(), 0);
    EXPECT_FALSE(tableExists("LOOKUP2"));
    EXPECT_EQ(columnType("GENER", "G2"), sqlTypeOf(0));
}

TEST_P(FieldStoreTest, ANewTypeKeepsEveryValueThatConvertsExactlyAndCountsTheRest)
{
    addObjects(5);
    const qint64 weight = AddField(*module, QStringLiteral("Вес"), int(FieldKind::Real), false);
    const qint64 note = AddField(*module, QStringLiteral("Заметка"), FieldStore::StringType, false);
    const qint64 found = AddField(*module, QStringLiteral("Найден"), int(FieldKind::Date), false);
    const qint64 text = AddField(*module, QStringLiteral("Описание"), int(FieldKind::LongText), false);
    exec("UPDATE GENER SET G1 = 12.5, G2 = '12,5', G3 = '2019-03-15', G4 = 'одна строка\r' WHERE G_ID = 1");
    exec("UPDATE GENER SET G1 = 3, G2 = '1 234,5', G3 = '2020-01-02', G4 = 'две\rстроки\r' WHERE G_ID = 2");
    exec("UPDATE GENER SET G1 = -7, G2 = '12,5,3' WHERE G_ID = 3");
    exec("UPDATE GENER SET G2 = '7.25' WHERE G_ID = 4");
    const auto column = [&](qint64 field) {
        QVariantList values;
        for (const QVariantList &row : rows(QStringLiteral("SELECT G%1 FROM GENER ORDER BY G_ID").arg(field)))
            values << (row.first().isNull() ? QVariant() : row.first());
        return values;
    };
    const QVariant none;
    // The list's texts are the Russian interface's: a decimal comma, dd.MM.yyyy.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const std::shared_ptr<void> restore(nullptr, [&](void *) { QLocale::setDefault(saved); });

    // 12.5 is no integer: counted, not rounded; the count changes nothing.
    EXPECT_EQ(ValuesLostByChange(*module, weight, int(FieldKind::Integer), false), 1);
    EXPECT_EQ(column(weight), (QVariantList{12.5, 3.0, -7.0, none, none}));
    EXPECT_EQ(ValuesLostByChange(*module, weight, FieldStore::StringType, false), 0);
    EXPECT_EQ(ValuesLostByChange(*module, weight, FieldStore::StringType, true), 0);
    EXPECT_EQ(ChangeField(*module, weight, QStringLiteral("Вес"), int(FieldKind::Integer), false), 1);
    EXPECT_EQ(column(weight), (QVariantList{none, 3, -7, none, none}));
    EXPECT_EQ(ChangeField(*module, weight, QStringLiteral("Вес"), int(FieldKind::Real), false), 0);
    EXPECT_EQ(column(weight), (QVariantList{none, 3.0, -7.0, none, none}));

    // Texts become numbers only when the whole text is one number, with either decimal sign.
    EXPECT_EQ(ChangeField(*module, note, QStringLiteral("Заметка"), int(FieldKind::Real), false), 2);
    EXPECT_EQ(column(note), (QVariantList{12.5, none, none, 7.25, none}));
    // and back to the text the list shows, with the decimal comma.
    EXPECT_EQ(ChangeField(*module, note, QStringLiteral("Заметка"), FieldStore::StringType, false), 0);
    EXPECT_EQ(column(note), (QVariantList{"12,5", none, none, "7,25", none}));

    // Dates to the list's text and back; a text that is no date is counted.
    EXPECT_EQ(ChangeField(*module, found, QStringLiteral("Найден"), FieldStore::StringType, true), 0);
    EXPECT_EQ(rows("SELECT L3_DATA FROM GENER JOIN LOOKUP3 ON G3 = L3_ID ORDER BY G_ID"),
              (QList<QVariantList>{{"15.03.2019"}, {"02.01.2020"}, {EmptyLookupText}, {EmptyLookupText}, {EmptyLookupText}}));
    exec("UPDATE LOOKUP3 SET L3_DATA = 'вчера' WHERE L3_DATA = '02.01.2020'");
    EXPECT_EQ(ChangeField(*module, found, QStringLiteral("Найден"), int(FieldKind::Date), false), 1);
    EXPECT_EQ(column(found), (QVariantList{"2019-03-15", none, none, none, none}));

    // A string field holds one line of at most 50 characters: longer texts are counted, never cut.
    exec(QStringLiteral("UPDATE GENER SET G4 = '%1' WHERE G_ID = 3").arg(QStringLiteral("я").repeated(51)));
    EXPECT_EQ(ChangeField(*module, text, QStringLiteral("Описание"), FieldStore::StringType, false), 2);
    EXPECT_EQ(column(text), (QVariantList{"одна строка", none, none, none, none}));
}

TEST_P(FieldStoreTest, DeletingKeepsTheOtherFieldsValuesFreesTheHighestNumberAndTheLastTakesTheObjects)
{
    addObjects(2);
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, 'x', 0)");
    for (const char *name : {"Один", "Два", "Три"})
        AddField(*module, QString::fromUtf8(name), 0, false);
    AddField(*module, QStringLiteral("Список"), FieldStore::StringType, true);
    ChangeField(*module, 1, QStringLiteral("Один"), FieldStore::StringType, false);   // G1 now stands last
    exec("UPDATE GENER SET G1 = 'один', G2 = 2, G3 = 3");
    EXPECT_FALSE(DeleteField(*module, 2));
    EXPECT_EQ(columnsOf("GENER"), (QStringList{"G_ID", "G3", "G4", "G1"}));
    EXPECT_EQ(rows("SELECT G1, G3 FROM GENER ORDER BY G_ID"), (QList<QVariantList>{{"один", 3}, {"один", 3}}));

    EXPECT_FALSE(DeleteField(*module, 4));
    EXPECT_FALSE(tableExists("LOOKUP4"));
    // A file hands the freed highest number out again; a server never hands a number out twice.
    const qint64 added = AddField(*module, QStringLiteral("Новое"), 6, false);
    EXPECT_EQ(added, onServer() ? 5 : 4);
    EXPECT_EQ(columnType("GENER", QStringLiteral("G%1").arg(added)), sqlTypeOf(6));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM GENER WHERE G%1 IS NULL AND G3 = 3").arg(added)), 2);

    // With the last field go the objects and their links.
    EXPECT_FALSE(DeleteField(*module, 1));
    EXPECT_FALSE(DeleteField(*module, 3));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 1);
    EXPECT_TRUE(DeleteField(*module, added));
    EXPECT_EQ(rowCounts({"GENER", "LINKS", "FIELDS"}), (QList<int>{0, 0, 0}));
    EXPECT_EQ(columnsOf("GENER"), (QStringList{"G_ID"}));
}

TEST_P(FieldStoreTest, ARefusedStatementOrOneFieldTooManyLeavesTheDatabaseAsItWas)
{
    addObjects(1);
    AddField(*module, QStringLiteral("Первое"), 0, false);
    // A leftover list table under the next number makes the list creation fail half-way.
    exec("CREATE TABLE LOOKUP2(X INTEGER)");
    EXPECT_THROW(AddField(*module, QStringLiteral("Второе"), FieldStore::StringType, true), DbError);
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 1);
    EXPECT_EQ(columnsOf("GENER"), (QStringList{"G_ID", "G1"}));
    EXPECT_EQ(columnsOf("LOOKUP2"), (QStringList{"X"}));

    // The same for a change: the rename done before the failure is undone too.
    const qint64 text = AddField(*module, QStringLiteral("Строка"), FieldStore::StringType, false);
    // A file hands number 2 out again; a server does not, so its leftover table stands under the new number.
    if (!tableExists(QStringLiteral("LOOKUP%1").arg(text)))
        exec(QStringLiteral("CREATE TABLE LOOKUP%1(X INTEGER)").arg(text));
    EXPECT_THROW(ChangeField(*module, text, QStringLiteral("Новое"), FieldStore::StringType, true), DbError);
    EXPECT_EQ(scalar(QStringLiteral("SELECT F_NAME FROM FIELDS WHERE F_ID = %1").arg(text)).toString(), "Строка");
    EXPECT_EQ(columnType("GENER", QStringLiteral("G%1").arg(text)), sqlTypeOf(FieldStore::StringType));

    EXPECT_THROW(DeleteField(*module, 9), DbError);
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);

    // A database holding the most fields refuses another in Russian. The file engine's limit is 2000
    // columns, the server's 1600; an object table one short of it stands in for a database full of fields.
    const int limit = onServer() ? 1600 : 2000;
    QStringList columns{"G_ID INTEGER NOT NULL PRIMARY KEY"};
    for (int i = 1; i < limit; ++i)
        columns << QStringLiteral("X%1 INTEGER").arg(i);
    closeQueries(*module);
    exec("DROP TABLE GENER");
    exec("CREATE TABLE GENER(" + columns.join(',') + ")");
    const QString failure = FailureOf([&] { AddField(*module, QStringLiteral("Лишнее"), 0, false); });
    EXPECT_TRUE(failure.startsWith("В базе данных уже столько полей описания")) << failure.toStdString();
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 2);
}

TEST_P(FieldStoreTest, SchemaChangesSucceedWhileSharedQueriesHoldRows)
{
    addObjects(600);
    exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600)"
         " INSERT INTO CLASSES SELECT i, 'к' || i, '', 0, 0 FROM n");
    AddField(*module, QStringLiteral("Первое"), 0, false);
    AddField(*module, QStringLiteral("Список"), FieldStore::StringType, true);
    module->QRGeneral->open(QStringLiteral("SELECT * FROM GENER"));
    module->QRClasses->open(QStringLiteral("SELECT * FROM CLASSES"));
    module->QRFields->open(FieldQuery);
    module->QRWork->open(QStringLiteral("SELECT * FROM GENER"));

    EXPECT_NO_THROW(ChangeField(*module, 2, QStringLiteral("Список"), FieldStore::StringType, false));
    module->QRGeneral->open(QStringLiteral("SELECT * FROM GENER"));
    EXPECT_NO_THROW(ChangeField(*module, 2, QStringLiteral("Список"), FieldStore::StringType, true));
    EXPECT_NO_THROW(DeleteField(*module, 2));
    EXPECT_FALSE(tableExists("LOOKUP2"));
    // The classifier's rows are still there to be read.
    EXPECT_EQ(module->QRClasses->recordCount(), 600);
}

TEST_P(FieldStoreTest, LookupListEntries)
{
    addObjects(3);
    AddField(*module, QStringLiteral("Список"), FieldStore::StringType, true);
    EXPECT_TRUE(ReadLookupList(*module, 1).isEmpty());   // the empty entry is never listed
    EXPECT_EQ(AddLookupEntry(*module, 1, QStringLiteral("Б")), 1);
    EXPECT_EQ(AddLookupEntry(*module, 1, QStringLiteral("А")), 2);
    EXPECT_EQ(AddLookupEntry(*module, 1, QString()), 3);
    EXPECT_EQ(AddLookupEntry(*module, 1, QStringLiteral("д'Артаньян")), 4);
    const QString withNul = QStringLiteral("50%3 ") + QChar(0) + QStringLiteral(" %1");
    if (onServer()) {
        // The server keeps no NUL character: the entry is refused in words.
        EXPECT_THROW(AddLookupEntry(*module, 1, withNul), DbError);
    } else {
        const qint64 nul = AddLookupEntry(*module, 1, withNul);
        const auto textOf = [&](qint64 id) {
            for (const LookupEntry &entry : ReadLookupList(*module, 1)) {
                if (entry.id == id)
                    return entry.text;
            }
            return QStringLiteral("missing");
        };
        EXPECT_EQ(textOf(nul), withNul);
        RenameLookupEntry(*module, 1, nul, withNul + "%2");
        EXPECT_EQ(textOf(nul), withNul + "%2");
        EXPECT_TRUE(DeleteLookupEntry(*module, 1, nul));
    }
    QList<std::pair<qint64, QString>> listed;
    for (const LookupEntry &entry : ReadLookupList(*module, 1))
        listed.append({entry.id, entry.text});
    EXPECT_EQ(listed, (QList<std::pair<qint64, QString>>{{3, ""}, {2, "А"}, {1, "Б"}, {4, "д'Артаньян"}}));

    exec("UPDATE GENER SET G1 = 1 WHERE G_ID = 2");
    RenameLookupEntry(*module, 1, 1, QStringLiteral("нов'ое"));
    EXPECT_EQ(scalar("SELECT L1_DATA FROM GENER, LOOKUP1 WHERE G1 = L1_ID AND G_ID = 2").toString(), "нов'ое");
    RenameLookupEntry(*module, 1, 0, QStringLiteral("не трогать"));
    EXPECT_EQ(scalar("SELECT L1_DATA FROM LOOKUP1 WHERE L1_ID = 0").toString(), EmptyLookupText);

    EXPECT_FALSE(DeleteLookupEntry(*module, 1, 1));   // in use
    EXPECT_FALSE(DeleteLookupEntry(*module, 1, 0));
    EXPECT_EQ(count("SELECT * FROM LOOKUP1"), 5);
    EXPECT_TRUE(DeleteLookupEntry(*module, 1, 4));
    // A file hands the freed highest number out again; a server never hands a number out twice.
    const qint64 added = AddLookupEntry(*module, 1, QStringLiteral("В"));
    if (onServer())
        EXPECT_GT(added, 4);
    else
        EXPECT_EQ(added, 4);
    exec("UPDATE GENER SET G1 = 0");
    EXPECT_TRUE(DeleteLookupEntry(*module, 1, 1));
    EXPECT_EQ(rows("SELECT L1_ID FROM LOOKUP1 ORDER BY L1_ID"), (QList<QVariantList>{{0}, {2}, {3}, {added}}));
}

namespace {
class FieldIndexTest : public DatabaseTest
{
protected:
    // The indexed columns of a table, one "INDEX:COLUMN,COLUMN" per index, as the engine reports them.
    QStringList indexesOf(const QString &table) const
    {
        QStringList result;
        for (const QVariantList &index : rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = '%1' "
                                                             "AND sql IS NOT NULL ORDER BY name").arg(table))) {
            QStringList columns;
            for (const QVariantList &column : rows(QStringLiteral("PRAGMA index_info(%1)").arg(index.first().toString())))
                columns << column.at(2).toString();
            result << index.first().toString() + QLatin1Char(':') + columns.join(QLatin1Char(','));
        }
        return result;
    }
    QString plan(const QString &sql) const
    {
        QStringList details;
        for (const QVariantList &row : rows(QLatin1String("EXPLAIN QUERY PLAN ") + sql))
            details << row.last().toString();
        return details.join(QLatin1String("; "));
    }
};
}

TEST_F(FieldIndexTest, ShownColumnsAndLookupTextsAreIndexedButPicturesAndLongTextsAreNotAndAnEarlierVersionGetsThem)
{
    addField(*module, QStringLiteral("Номер"), IntegerType);
    addField(*module, QStringLiteral("Дата"), DateType);
    addField(*module, QStringLiteral("Описание"), LongTextType);
    addField(*module, QStringLiteral("Фото"), ImageType);
    const qint64 colour = addField(*module, QStringLiteral("Цвет"), FieldStore::StringType, true);
    // The indexes of the objects, the lookup list and the links.
    const auto indexes = [&] { return QList<QStringList>{indexesOf("GENER"), indexesOf("LOOKUP5"), indexesOf("LINKS")}; };
    const QList<QStringList> expected{{"GENER_G1:G1", "GENER_G2:G2", "GENER_G5:G5"}, {"LOOKUP5_DATA:L5_DATA"},
                                      {"LINKS_FILTER:L_REFER,L_CLASS,L_OBJECT", "LINKS_OBJECT:L_OBJECT"}};
    EXPECT_EQ(indexes(), expected);
    // A sort by either kind of column reads the index in order instead of sorting every row.
    EXPECT_FALSE(plan("SELECT G_ID, G2 FROM GENER ORDER BY G2").contains("TEMP B-TREE")) << plan("SELECT G2 FROM GENER ORDER BY G2").toStdString();
    // Texts sort in Russian order, which their indexes follow.
    ObjectList &list = ObjectList::Of(*module);
    list.compose();
    ASSERT_TRUE(list.sortByTitle("Цвет"));
    EXPECT_FALSE(plan(list.statement()).contains("TEMP B-TREE")) << plan(list.statement()).toStdString();

    // As an earlier version left the file: no field indexes, the old two-column entry index on LINKS.
    // Opening it makes the missing indexes once.
    addLookupEntry(*module, colour, QStringLiteral("красный"));
    exec("INSERT INTO GENER (G_ID, G1, G5) VALUES(1, 7, 1)");
    module->CloseConnection();
    for (const char *index : {"GENER_G1", "GENER_G2", "GENER_G5", "LOOKUP5_DATA", "LINKS_FILTER"})
        exec(QStringLiteral("DROP INDEX %1").arg(index));
    exec("CREATE INDEX LINKS_ENTRY ON LINKS(L_REFER, L_CLASS)");
    module->OpenConnection(dbPath);
    EXPECT_EQ(indexes(), expected);
    EXPECT_EQ(rows("SELECT G_ID, G1, L5_DATA FROM GENER, LOOKUP5 WHERE G5 = L5_ID"), (QList<QVariantList>{{1, 7, "красный"}}));
    EXPECT_EQ(FieldIndexes::EnsureFieldIndexes(*module), 0);
}

TEST_F(FieldIndexTest, RebuildingOrDeletingAColumnKeepsExactlyTheIndexesOfTheFieldsLeft)
{
    const qint64 number = addField(*module, QStringLiteral("Номер"), IntegerType);
    const qint64 kind = addField(*module, QStringLiteral("Вид"), FieldStore::StringType);
    exec("INSERT INTO GENER VALUES(1, 5, 'a')");

    // The engine refuses to drop an indexed column: the change must drop the index first and make it again.
    ChangeField(*module, kind, QStringLiteral("Вид"), FieldStore::StringType, true);
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    EXPECT_EQ(indexesOf("LOOKUP2"), QStringList{"LOOKUP2_DATA:L2_DATA"});
    ChangeField(*module, kind, QStringLiteral("Вид"), IntegerType, false);
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    ChangeField(*module, kind, QStringLiteral("Вид"), LongTextType, false);
    EXPECT_EQ(indexesOf("GENER"), QStringList{"GENER_G1:G1"});
    ChangeField(*module, kind, QStringLiteral("Вид"), FieldStore::StringType, false);
    ChangeField(*module, number, QStringLiteral("Число"), IntegerType, false);   // a rename keeps the column
    EXPECT_EQ(indexesOf("GENER"), (QStringList{"GENER_G1:G1", "GENER_G2:G2"}));
    EXPECT_EQ(scalar("SELECT G1 FROM GENER").toInt(), 5);

    DeleteField(*module, number);
    EXPECT_EQ(indexesOf("GENER"), QStringList{"GENER_G2:G2"});
    EXPECT_EQ(scalar("PRAGMA integrity_check").toString(), "ok");
}
