#include "support/testsupport.h"

#include "core/backgroundread.h"
#include "core/dmodule.h"
#include "objects/objectfilter.h"
#include "objects/objectlist.h"

namespace {
QList<qint64> ids(std::initializer_list<qint64> list) { return QList<qint64>(list); }

// Book 1 "Города": 10 Россия { 11 Москва (01) { 12 Центр }, 13 Казань }, 20 Франция { 21 Париж };
// book 2 "Цвета": 30 Красный, 31 Синий. Objects 1..6; object 4 has no parameters.
class ObjectFilterTest : public EngineTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (IsSkipped())
            return;
        makeBook(1, "Города", {{10, "Россия", "", 0}, {11, "Москва", "01", 10}, {12, "Центр", "", 11},
                               {13, "Казань", "", 10}, {20, "Франция", "", 0}, {21, "Париж", "", 20}});
        makeBook(2, "Цвета", {{30, "Красный", "", 0}, {31, "Синий", "", 0}});
        exec("INSERT INTO GENER(G_ID) VALUES(1), (2), (3), (4), (5), (6)");
        exec("INSERT INTO LINKS VALUES(1,1,1,12,'',0), (2,1,2,30,'',0), (3,2,1,13,'',0), (4,3,1,21,'большой',20), "
             "(5,5,1,11,'',0), (6,5,1,13,'',0), "
             "(7,6,2,12,'',0)");   // the same number in another book is not entry 12 of book 1
        list().compose();
    }
    ObjectList &list() { return ObjectList::Of(*module); }
    QString condition(qint64 book, qint64 entry) { return FilterCondition(*module, book, entry); }
    QList<qint64> passing(const QStringList &conditions) { return PassingObjects(*module, " FROM GENER", QString(), conditions); }
    // What the object list shows with the evaluated filter.
    QList<qint64> listed(const QStringList &conditions)
    {
        list().applyFilter(conditions);
        SharedQuery &q = *module->QRGeneral;
        QList<qint64> result;
        for (bool more = q.first(); more; more = q.next())
            result << q.asInteger("G_ID");
        return result;
    }
};
}

ENGINE_TEST_SUITE(ObjectFilterTest);

namespace {
struct StoppingWait : TDModule::LongWait
{
    int *asked;
    explicit StoppingWait(int *count) : asked(count) {}
    bool keepWaiting() override { return ++*asked < 3; }
};
}

// Exact results: object 4 (no parameters) and object 6 (links into book 2 only) never pass. Entries
// combine with AND, also within one book.
TEST_P(ObjectFilterTest, AnEntryMatchesItsBranchEntriesCombineWithAndAndTheEvaluationSeesTheTransaction)
{
    EXPECT_EQ(passing({condition(1, 12)}), ids({1})) << "a leaf matches exactly its own objects";
    EXPECT_EQ(passing({condition(1, 10)}), ids({1, 2, 5})) << "a top-level entry covers its branch at any depth";
    EXPECT_EQ(passing({condition(1, 20)}), ids({3})) << "a link with a value and a caption passes like any other";
    EXPECT_EQ(passing({condition(2, 31)}), ids({}));
    EXPECT_EQ(passing({condition(1, 10), condition(2, 30)}), ids({1}));
    // Object 1 (Центр only) and object 2 (Казань only) each miss one; the order does not matter.
    EXPECT_EQ(passing({condition(1, 11), condition(1, 13)}), ids({5}));
    EXPECT_EQ(passing({condition(1, 13), condition(1, 11)}), ids({5}));

    // A condition holds the branch as it stood when it was built.
    const QString moscow = condition(1, 11);
    EXPECT_EQ(passing({moscow}), ids({1, 5}));
    exec("INSERT INTO REFER1 VALUES(14,'Арбат','',11,0)");
    exec("INSERT INTO LINKS VALUES(8,4,1,14,'',0)");
    EXPECT_EQ(passing({moscow}), ids({1, 5}));
    EXPECT_EQ(passing({condition(1, 11)}), ids({1, 4, 5}));

    // Outside a transaction the evaluation runs beside the window on a connection of its own; inside one
    // it must see what the transaction wrote. A stopped or failed evaluation leaves the last passing objects.
    const QStringList russia{condition(1, 10)};
    {
        Transaction tx(*module);
        module->exec("INSERT INTO GENER(G_ID) VALUES(8)");
        module->exec("INSERT INTO LINKS VALUES(30,8,1,13,'',0)");
        EXPECT_EQ(passing(russia), ids({1, 2, 4, 5, 8}));
    }
    EXPECT_EQ(passing(russia), ids({1, 2, 4, 5})) << "the transaction was not committed";
    if (onServer())
        return;   // a server evaluates on its own side
    int asked = 0;
    module->BeginLongWait = [&asked](const QString &what) {
        EXPECT_EQ(what, "Отбор объектов...");
        return std::make_unique<StoppingWait>(&asked);
    };
    // A condition that keeps the engine busy for minutes: the read is still running when the wait says stop.
    EXPECT_THROW(passing({"L_REFER = 1 AND (WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N "
                          "WHERE I < 10000000000) SELECT COUNT(*) FROM N) > 0"}),
                 ReadStopped);
    EXPECT_EQ(asked, 3);
    module->BeginLongWait = nullptr;
    EXPECT_THROW(passing({"NO_SUCH_COLUMN = 1"}), DbError);
    EXPECT_EQ(module->QRWork->readAll("SELECT P_OBJECT FROM temp.PASSING_OBJECTS").size(), 4);
}

// The filter keeps the list's order, and the list holds the objects that passed when the filter was
// evaluated: one added later with a matching link is not listed (nor one whose link is removed later
// dropped) until the filter is evaluated again. An object that passes but cannot be listed is left out.
TEST_P(ObjectFilterTest, TheFilteredListKeepsTheOrderAndIsASnapshotUntilTheFilterChanges)
{
    ListOrder byNumberDown = ListOrder::unsorted();
    byNumberDown.descending = true;
    list().sortBy(byNumberDown);
    EXPECT_EQ(listed({condition(1, 11)}), ids({5, 1})) << "the order still applies after the filter";
    const QStringList russia{condition(1, 10)};
    EXPECT_EQ(listed(russia), ids({5, 2, 1}));
    exec("INSERT INTO GENER(G_ID) VALUES(7)");
    exec("INSERT INTO LINKS VALUES(20,7,1,12,'',0)");
    exec("DELETE FROM LINKS WHERE L_OBJECT = 2");
    SharedQuery &q = *module->QRGeneral;
    list().open();
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_EQ(listed(russia), ids({7, 5, 1}));

    const qint64 kind = addField(*module, "Название", StringType, true);
    exec(QStringLiteral("UPDATE GENER SET G%1 = 99 WHERE G_ID = 5").arg(kind));   // names no entry: not listable
    list().compose();
    EXPECT_EQ(listed(russia), ids({1, 7}));
    EXPECT_TRUE(list().applyFilter({condition(1, 11), condition(1, 13)}).nothingPassed)
        << "object 5 passes the links but is not in the list";
    EXPECT_EQ(listed({condition(1, 11), condition(1, 13)}), ids({})) << "nothing passing lists nothing";

    // Another connection (another database opened and this one again) starts with no passing objects
    // rather than a statement naming a missing table.
    if (onServer())
        module->OpenServerConnection(server);
    else
        module->OpenConnection(dbPath);
    list().open();
    EXPECT_TRUE(q.isEmpty());
}

// Sizes past the engine's limits: a branch of more than 1000 entries, more than 1000 passing objects,
// and more filter entries than one compound statement may hold.
TEST_P(ObjectFilterTest, LargeBranchesManyPassingObjectsAndManyEntriesWork)
{
    // Book 3: top entry 1000, 40 children, each with 30 grandchildren: 1240 entries below the top.
    makeBook(3, "Товары", {{1000, "Все", "", 0}, {5000, "Прочее", "", 0}});
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1240) "
         "INSERT INTO REFER3 SELECT 1000 + I, 'e' || I, '', CASE WHEN I <= 40 THEN 1000 ELSE 1000 + (I % 40) + 1 END, 0 FROM N");
    // 1500 objects 101..1600, each linked to one grandchild; objects with even ids also to entry 5000.
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 1500) INSERT INTO GENER(G_ID) SELECT 100 + I FROM N");
    exec("INSERT INTO LINKS SELECT 1000 + G_ID, G_ID, 3, 1041 + (G_ID % 1200), '', 0 FROM GENER WHERE G_ID > 100");
    exec("INSERT INTO LINKS SELECT 5000 + G_ID, G_ID, 3, 5000, '', 0 FROM GENER WHERE G_ID > 100 AND G_ID % 2 = 0");
    const QString all = condition(3, 1000);
    const QList<qint64> everyone = passing({all});
    ASSERT_EQ(everyone.size(), 1500);
    EXPECT_EQ(everyone.first(), 101);
    EXPECT_EQ(everyone.last(), 1600);
    EXPECT_EQ(listed({all}), everyone);
    const QList<qint64> even = passing({all, condition(3, 5000)});
    ASSERT_EQ(even.size(), 750);
    EXPECT_TRUE(std::all_of(even.begin(), even.end(), [](qint64 id) { return id % 2 == 0; }));

    // Book 4 with 520 leaves; object 1900 links to all, object 1901 to all but the last.
    makeBook(4, "Признаки");
    exec("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 520) "
         "INSERT INTO REFER4 SELECT 2000 + I, 'p' || I, '', 0, 0 FROM N");
    exec("INSERT INTO GENER(G_ID) VALUES(1900), (1901)");
    exec("INSERT INTO LINKS SELECT 10000 + R4_ID, 1900, 4, R4_ID, '', 0 FROM REFER4");
    exec("INSERT INTO LINKS SELECT 20000 + R4_ID, 1901, 4, R4_ID, '', 0 FROM REFER4 WHERE R4_ID < 2520");
    QStringList conditions;
    for (int i = 1; i <= 520; ++i)
        conditions << condition(4, 2000 + i);
    EXPECT_EQ(passing(conditions), ids({1900}));
    conditions.removeLast();
    EXPECT_EQ(passing(conditions), ids({1900, 1901}));
}
