#include "support/testsupport.h"

#include "classifier/classstore.h"
#include "classifier/descendants.h"
#include "classifier/treelevel.h"
#include "core/dberror.h"
#include "core/dmodule.h"

#include <QLocale>

namespace {
class ClassStoreTest : public DatabaseTest
{
protected:
    void addRow(qint64 id, const QString &name, const QString &code, qint64 link, double coeff = 0)
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES (%1, '%2', '%3', %4, %5)")
                 .arg(id)
                 .arg(name, code)
                 .arg(link)
                 .arg(coeff));
    }
    QVariantList classRow(const QString &name)
    {
        const QList<QVariantList> r =
            rows(QStringLiteral("SELECT C_ID, C_NAME, C_CODE, C_LINK, C_COEFF FROM CLASSES WHERE C_NAME = '%1'")
                     .arg(QString(name).replace("'", "''")));
        return r.isEmpty() ? QVariantList() : r.first();
    }
    QStringList names(const QVector<TreeRow> &level)
    {
        QStringList result;
        for (const TreeRow &row : level)
            result << row.name;
        return result;
    }
};

// Restores the default locale whatever a test set.
struct LocaleGuard
{
    QLocale saved;
    ~LocaleGuard() { QLocale::setDefault(saved); }
};
}

TEST_F(ClassStoreTest, LevelOrderFollowsTheSortChoiceWithoutCodesFirstByCode)
{
    addRow(1, "Бета", "2", 0);
    addRow(2, "Альфа", "3", 0);
    addRow(3, "Гамма", "", 0);
    addRow(4, "Дельта", "1", 0);
    addRow(5, "Вложенный", "0", 2);

    EXPECT_EQ(names(ReadTreeLevel(*module, TreeSource::classes(0), 0)),
              (QStringList{"Альфа", "Бета", "Гамма", "Дельта"}));
    EXPECT_EQ(names(ReadTreeLevel(*module, TreeSource::classes(1), 0)),
              (QStringList{"Гамма", "Дельта", "Бета", "Альфа"}));
    EXPECT_EQ(names(ReadTreeLevel(*module, TreeSource::classes(2), 0)),
              (QStringList{"Бета", "Альфа", "Гамма", "Дельта"}));

    const QVector<TreeRow> level = ReadTreeLevel(*module, TreeSource::classes(2), 0);
    ASSERT_EQ(level.size(), 4);
    EXPECT_FALSE(level[0].hasChildren);
    EXPECT_TRUE(level[1].hasChildren);
    EXPECT_EQ(level[1].id, 2);
    EXPECT_EQ(names(ReadTreeLevel(*module, TreeSource::classes(0), 2)), QStringList{"Вложенный"});
}

TEST_F(ClassStoreTest, TopLevelClassesGetNextIdNoLinkAndNoRatio)
{
    addRow(7, "Старый", "", 0);
    const qint64 id = AddClass(*module, "Новый", "N1", 0, 55);
    EXPECT_EQ(id, 8);
    EXPECT_EQ(classRow("Новый"), (QVariantList{8, "Новый", "N1", 0, 0.0}));
}

TEST_F(ClassStoreTest, InsertingBetweenParentAndChildRestatesTheChildRatio)
{
    const qint64 km = AddClass(*module, "Километр", "", 0, 0);
    const qint64 m = AddClass(*module, "Метр", "", km, 1000);
    const qint64 mm = AddClass(*module, "Миллиметр", "", m, 1000);
    EXPECT_EQ(classRow("Метр").at(4).toDouble(), 1000.0);

    const qint64 dm = AddClass(*module, "Дециметр", "дм", km, 10000, m);
    EXPECT_EQ(classRow("Дециметр"), (QVariantList{dm, "Дециметр", "дм", km, 10000.0}));
    EXPECT_EQ(classRow("Метр").at(3).toLongLong(), dm);
    EXPECT_DOUBLE_EQ(classRow("Метр").at(4).toDouble(), 0.1);
    // The moved child keeps its own subtree.
    EXPECT_EQ(classRow("Миллиметр").at(3).toLongLong(), m);
    EXPECT_EQ(classRow("Миллиметр").at(0).toLongLong(), mm);

    const qint64 hm = AddClass(*module, "Гектометр", "", km, 0, dm);
    EXPECT_EQ(classRow("Дециметр").at(3).toLongLong(), hm);
    EXPECT_EQ(classRow("Дециметр").at(4).toDouble(), 0.0);
}

TEST_F(ClassStoreTest, FailedInsertionLeavesNoNewClass)
{
    const qint64 a = AddClass(*module, "A", "", 0, 0);
    const qint64 b = AddClass(*module, "B", "", 0, 0);
    const qint64 child = AddClass(*module, "B1", "", b, 3);
    // B1 is not a child of A: nothing may be stored, not even the new class.
    EXPECT_THROW(AddClass(*module, "Между", "", a, 2, child), DbError);
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Между'"), 0);
    EXPECT_EQ(classRow("B1").at(3).toLongLong(), b);
    EXPECT_EQ(classRow("B1").at(4).toDouble(), 3.0);
}

TEST_F(ClassStoreTest, NamesWithQuotesAreStoredFoundAndRenamed)
{
    const qint64 id = AddClass(*module, "Д'Артаньян", "'1'", 0, 0);
    EXPECT_EQ(classRow("Д'Артаньян").at(2).toString(), "'1'");
    EXPECT_EQ(FindClassByName(*module, "Д'Артаньян"), id);
    EXPECT_EQ(FindClassByName(*module, "Д"), 0);
    RenameClass(*module, id, "O'Neil", "x'");
    EXPECT_EQ(classRow("O'Neil").at(0).toLongLong(), id);
    ChangeClass(*module, id, "It's", "", 2.5);
    EXPECT_EQ(classRow("It's"), (QVariantList{id, "It's", "", 0, 2.5}));
}

TEST_F(ClassStoreTest, RatioUnderCommaLocaleIsParsedAndStoredWithAPoint)
{
    LocaleGuard guard;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const qint64 top = AddClass(*module, "Литр", "", 0, 0);
    const qint64 half = AddClass(*module, "Пол-литра", "", top, ParseRatio("0.5"));
    EXPECT_EQ(classRow("Пол-литра").at(4).toDouble(), 0.5);
    EXPECT_EQ(scalar("SELECT CAST(C_COEFF AS TEXT) FROM CLASSES WHERE C_NAME = 'Пол-литра'").toString(), "0.5");
    // The message may use the user's separator.
    EXPECT_EQ(RatioDescription(*module, half), "1 Литр = 0,5 Пол-литра");

    EXPECT_THROW(ParseRatio("1.2.3"), DbError);
    EXPECT_THROW(ParseRatio("-"), DbError);
    EXPECT_THROW(ParseRatio("0,5"), DbError);
    EXPECT_EQ(ParseRatio("-12.25"), -12.25);
}

TEST_F(ClassStoreTest, RatioDescriptionOnlyForChildrenWithARatio)
{
    const qint64 km = AddClass(*module, "Километр", "км", 0, 0);
    const qint64 m = AddClass(*module, "Метр", "м", km, 1000);
    const qint64 free = AddClass(*module, "Шаг", "", km, 0);
    const qint64 tenth = AddClass(*module, "Гектокилометр", "", km, 0.1);
    EXPECT_EQ(RatioDescription(*module, m), "1 Километр = 1000 Метр");
    EXPECT_EQ(RatioDescription(*module, tenth), QString("1 Километр = 0") + QLocale().decimalPoint() + "1 Гектокилометр");
    EXPECT_TRUE(RatioDescription(*module, free).isEmpty());
    EXPECT_TRUE(RatioDescription(*module, km).isEmpty());
}

TEST_F(ClassStoreTest, DeletingRemovesTheWholeSubtreeOnly)
{
    // 1 ─ 2 ─ 4 ─ 6, 1 ─ 3, and 1500 children under 3 (more than one OR-chain could hold); 5 is elsewhere.
    addRow(1, "root", "", 0);
    addRow(2, "a", "", 1);
    addRow(3, "b", "", 1);
    addRow(4, "c", "", 2);
    addRow(5, "other", "", 0);
    addRow(6, "d", "", 4);
    exec("WITH RECURSIVE N(I) AS (SELECT 100 UNION ALL SELECT I + 1 FROM N WHERE I < 1599) "
         "INSERT INTO CLASSES SELECT I, 'w' || I, '', 3, 0 FROM N");
    addRow(2000, "under other", "", 5);

    DeleteClassWithSubtree(*module, 1);
    EXPECT_EQ(rows("SELECT C_ID FROM CLASSES ORDER BY C_ID"), (QList<QVariantList>{{5}, {2000}}));

    DeleteClassWithSubtree(*module, 2000);
    EXPECT_EQ(rows("SELECT C_ID FROM CLASSES"), (QList<QVariantList>{{5}}));
}

TEST_F(ClassStoreTest, DescendantSearchGoesLevelByLevelAndSurvivesACycle)
{
    addRow(1, "root", "", 0);
    addRow(9, "a", "", 1);
    addRow(3, "b", "", 1);
    addRow(2, "a1", "", 9);
    addRow(8, "b1", "", 3);
    addRow(4, "a11", "", 2);
    const QList<qint64> found = FindLowClasses(*module, "CLASSES", "", 1);
    ASSERT_EQ(found.size(), 5);
    EXPECT_EQ(QSet<qint64>(found.begin(), found.begin() + 2), (QSet<qint64>{9, 3}));
    EXPECT_EQ(QSet<qint64>(found.begin() + 2, found.begin() + 4), (QSet<qint64>{2, 8}));
    EXPECT_EQ(found.last(), 4);

    // A damaged file where a class hangs below its own descendant must not loop forever.
    exec("UPDATE CLASSES SET C_LINK = 4 WHERE C_ID = 1");
    EXPECT_EQ(FindLowClasses(*module, "CLASSES", "", 1).size(), 6);
}
