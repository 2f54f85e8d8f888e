#include "support/testsupport.h"

#include "core/dmodule.h"
#include "objects/objectfilter.h"
#include "objects/objectlist.h"

#include <QSet>

namespace {
struct Entry
{
    qint64 id;
    QString name;
    QString code;
    qint64 link;
};

QList<qint64> ids(std::initializer_list<qint64> list) { return QList<qint64>(list); }
}

// Two reference books and a handful of objects linked into them.
//   book 1 "Города": 10 Россия { 11 Москва (01) { 12 Центр }, 13 Казань }, 20 Франция { 21 Париж }
//   book 2 "Цвета": 30 Красный, 31 Синий
class ObjectFilterTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        makeBook(1, "Города", {{10, "Россия", "", 0}, {11, "Москва", "01", 10}, {12, "Центр", "", 11},
                               {13, "Казань", "", 10}, {20, "Франция", "", 0}, {21, "Париж", "", 20}});
        makeBook(2, "Цвета", {{30, "Красный", "", 0}, {31, "Синий", "", 0}});
        for (int object = 1; object <= 6; ++object)
            addObject(object);
        link(1, 1, 12);
        link(1, 2, 30);
        link(2, 1, 13);
        link(3, 1, 21, "большой", 20);   // value and caption play no part
        // object 4 has no parameters
        link(5, 1, 11);
        link(5, 1, 13);
        link(6, 2, 12);   // the same number in another book is not entry 12 of book 1
        BuildObjectListPieces(*module);
    }

    void makeBook(int n, const QString &name, const QList<Entry> &entries)
    {
        exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                            "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(n));
        exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(n));
        exec(QStringLiteral("INSERT INTO REFERS VALUES(%1,'%2',%3)").arg(n).arg(name).arg(100 + n));
        for (const Entry &e : entries)
            addEntry(n, e);
    }
    void addEntry(int n, const Entry &e)
    {
        exec(QStringLiteral("INSERT INTO REFER%1 VALUES(%2,'%3','%4',%5,0)").arg(n).arg(e.id).arg(e.name, e.code).arg(e.link));
    }
    void addObject(qint64 id) { exec(QStringLiteral("INSERT INTO GENER(G_ID) VALUES(%1)").arg(id)); }
    void link(qint64 object, qint64 book, qint64 entry, const QString &value = QString(), qint64 caption = 0)
    {
        exec(QStringLiteral("INSERT INTO LINKS VALUES(%1,%2,%3,%4,'%5',%6)")
                 .arg(++m_lastLink).arg(object).arg(book).arg(entry).arg(value).arg(caption));
    }
    QString condition(qint64 book, qint64 entry) { return FilterCondition(*module, book, entry); }
    QList<qint64> passing(const QStringList &conditions)
    {
        return PassingObjects(*module, FromPart, WherePart, conditions);
    }
    // What the object list shows after the filter: the G_IDs of the whole statement.
    QList<qint64> listed()
    {
        SharedQuery &q = *module->QRGeneral;
        q.open(ObjectListStatement());
        QList<qint64> result;
        for (bool more = q.first(); more; more = q.next())
            result << q.asInteger("G_ID");
        std::sort(result.begin(), result.end());
        return result;
    }

    qint64 m_lastLink = 0;
};

TEST_F(ObjectFilterTest, AnEntryMatchesItselfAndEverythingBelowIt)
{
    EXPECT_EQ(passing({condition(1, 12)}), ids({1})) << "a leaf matches exactly its own objects";
    EXPECT_EQ(passing({condition(1, 11)}), ids({1, 5})) << "one level down";
    EXPECT_EQ(passing({condition(1, 10)}), ids({1, 2, 5})) << "a top-level entry covers its branch at any depth";
    EXPECT_EQ(passing({condition(1, 20)}), ids({3})) << "a link with a value and a caption passes like any other";
    EXPECT_EQ(passing({condition(2, 31)}), ids({})) << "an entry nobody links to";
    EXPECT_TRUE(passing({}).isEmpty());
}

TEST_F(ObjectFilterTest, EntriesCombineWithAndAlsoWithinOneBook)
{
    EXPECT_EQ(passing({condition(1, 10), condition(2, 30)}), ids({1}));
    // Moscow's branch and Kazan: object 1 (Центр only) and object 2 (Казань only) each miss one.
    EXPECT_EQ(passing({condition(1, 11), condition(1, 13)}), ids({5}));
    // Order of the entries does not matter.
    EXPECT_EQ(passing({condition(1, 13), condition(1, 11)}), ids({5}));
    // Object 4 without parameters fails every non-empty filter, object 6 only links into book 2.
    for (const qint64 entry : {10, 11, 12, 13, 20, 21}) {
        const QList<qint64> result = passing({condition(1, entry)});
        EXPECT_FALSE(result.contains(4)) << entry;
        EXPECT_FALSE(result.contains(6)) << entry;
    }
}

TEST_F(ObjectFilterTest, ConditionIsASnapshotOfTheBranchWhenTheEntryWasAdded)
{
    const QString moscow = condition(1, 11);
    addEntry(1, {14, "Арбат", "", 11});
    addObject(7);
    link(7, 1, 14);
    EXPECT_EQ(passing({moscow}), ids({1, 5})) << "an entry added later is not in a condition built earlier";
    EXPECT_EQ(passing({condition(1, 11)}), ids({1, 5, 7})) << "a condition built now includes it";
}

TEST_F(ObjectFilterTest, FilterPartTakesTheWhereFormWithoutLookupFields)
{
    ASSERT_TRUE(WherePart.isEmpty());
    const FilterEvaluation evaluation = EvaluateObjectFilter(*module, {condition(1, 11)});
    EXPECT_FALSE(evaluation.nothingPassed);
    EXPECT_EQ(evaluation.filterPart, " WHERE G_ID IN (1,5)");
    FilterPart = evaluation.filterPart;
    EXPECT_EQ(listed(), ids({1, 5}));

    OrderPart = " ORDER BY G_ID DESC";
    SharedQuery &q = *module->QRGeneral;
    q.open(ObjectListStatement());
    EXPECT_EQ(q.asInteger("G_ID"), 5) << "the order piece still applies after the filter";
}

TEST_F(ObjectFilterTest, FilterPartTakesTheAndFormWithLookupFieldsAndKeepsTheJoin)
{
    exec("INSERT INTO FIELDS VALUES(3, 'Название', 5, -1)");
    exec("ALTER TABLE GENER ADD G3 INTEGER");
    exec("CREATE TABLE LOOKUP3(L3_ID INTEGER NOT NULL PRIMARY KEY, L3_DATA VARCHAR(50))");
    exec("INSERT INTO LOOKUP3 VALUES(0,'< пустое значение >')");
    exec("UPDATE GENER SET G3 = 0");
    exec("UPDATE GENER SET G3 = 99 WHERE G_ID = 5");   // no such lookup entry: object 5 is not listable
    BuildObjectListPieces(*module);
    ASSERT_FALSE(WherePart.isEmpty());

    const FilterEvaluation evaluation = EvaluateObjectFilter(*module, {condition(1, 10)});
    EXPECT_EQ(evaluation.filterPart, " AND (G_ID IN (1,2))");
    FilterPart = evaluation.filterPart;
    EXPECT_EQ(listed(), ids({1, 2}));

    const FilterEvaluation onlyUnlisted = EvaluateObjectFilter(*module, {condition(1, 11), condition(1, 13)});
    EXPECT_TRUE(onlyUnlisted.nothingPassed) << "object 5 passes the links but is not in the list";
    EXPECT_TRUE(onlyUnlisted.filterPart.isEmpty());
}

// Sizes past the engine's limits: a branch of more than 1000 entries, more than 1000 passing objects,
// and more filter entries than one compound statement may hold.
class LargeFilterTest : public ObjectFilterTest
{
};

TEST_F(LargeFilterTest, LargeBranchesAndManyPassingObjectsWork)
{
    // Book 3: top entry 1000, 40 children, each with 30 grandchildren: 1240 entries below the top.
    exec("CREATE TABLE REFER3(R3_ID INTEGER NOT NULL PRIMARY KEY, R3_NAME VARCHAR(100), R3_CODE VARCHAR(30), "
         "R3_LINK INTEGER, R3_COEFF FLOAT)");
    exec("CREATE INDEX REFER3_LINK ON REFER3(R3_LINK)");
    exec("INSERT INTO REFERS VALUES(3,'Товары',103)");
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1240) "
         "INSERT INTO REFER3 SELECT 1000 + I, 'e' || I, '', CASE WHEN I <= 40 THEN 1000 ELSE 1000 + (I % 40) + 1 END, 0 FROM N");
    exec("INSERT INTO REFER3 VALUES(1000,'Все','',0,0)");
    exec("INSERT INTO REFER3 VALUES(5000,'Прочее','',0,0)");
    // 1500 objects 101..1600, each linked to one grandchild; objects with even ids also to entry 5000.
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1500) "
         "INSERT INTO GENER(G_ID) SELECT 100 + I FROM N");
    exec("INSERT INTO LINKS SELECT 1000 + G_ID, G_ID, 3, 1041 + (G_ID % 1200), '', 0 FROM GENER WHERE G_ID > 100");
    exec("INSERT INTO LINKS SELECT 5000 + G_ID, G_ID, 3, 5000, '', 0 FROM GENER WHERE G_ID > 100 AND G_ID % 2 = 0");

    const QString all = condition(3, 1000);
    const QList<qint64> everyone = passing({all});
    ASSERT_EQ(everyone.size(), 1500);
    EXPECT_EQ(everyone.first(), 101);
    EXPECT_EQ(everyone.last(), 1600);

    const FilterEvaluation evaluation = EvaluateObjectFilter(*module, {all});
    FilterPart = evaluation.filterPart;
    EXPECT_EQ(listed(), everyone);

    const QList<qint64> even = passing({all, condition(3, 5000)});
    ASSERT_EQ(even.size(), 750);
    EXPECT_TRUE(std::all_of(even.begin(), even.end(), [](qint64 id) { return id % 2 == 0; }));
}

TEST_F(LargeFilterTest, MoreEntriesThanOneStatementHoldsAreAllApplied)
{
    // Book 4 with 520 leaves; object 900 links to all, object 901 to all but the last.
    exec("CREATE TABLE REFER4(R4_ID INTEGER NOT NULL PRIMARY KEY, R4_NAME VARCHAR(100), R4_CODE VARCHAR(30), "
         "R4_LINK INTEGER, R4_COEFF FLOAT)");
    exec("INSERT INTO REFERS VALUES(4,'Признаки',104)");
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 520) "
         "INSERT INTO REFER4 SELECT 2000 + I, 'p' || I, '', 0, 0 FROM N");
    addObject(900);
    addObject(901);
    exec("INSERT INTO LINKS SELECT 10000 + R4_ID, 900, 4, R4_ID, '', 0 FROM REFER4");
    exec("INSERT INTO LINKS SELECT 20000 + R4_ID, 901, 4, R4_ID, '', 0 FROM REFER4 WHERE R4_ID < 2520");
    QStringList conditions;
    for (int i = 1; i <= 520; ++i)
        conditions << condition(4, 2000 + i);
    EXPECT_EQ(passing(conditions), ids({900}));
    conditions.removeLast();
    EXPECT_EQ(passing(conditions), ids({900, 901}));
}
