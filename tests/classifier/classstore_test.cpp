#include "support/testsupport.h"

#include "classifier/classstore.h"
#include "classifier/descendants.h"
#include "classifier/treelevel.h"
#include "core/dberror.h"
#include "core/dmodule.h"

#include <QLocale>

namespace {
class ClassStoreTest : public EngineTest
{
protected:
    void addRow(qint64 id, const QString &name, const QString &code, qint64 link)
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES (%1, '%2', '%3', %4, 0)").arg(id).arg(name, code).arg(link));
    }
    QVariantList classRow(const QString &name)
    {
        const QList<QVariantList> r = rows(QStringLiteral("SELECT C_ID, C_NAME, C_CODE, C_LINK, C_COEFF FROM CLASSES "
                                                          "WHERE C_NAME = '%1'").arg(QString(name).replace("'", "''")));
        return r.isEmpty() ? QVariantList() : r.first();
    }
    QStringList names(int sortChoice, qint64 parent = 0)
    {
        QStringList result;
        for (const TreeRow &row : ReadTreeLevel(*module, TreeSource::classes(sortChoice), parent))
            result << row.name;
        return result;
    }
};
}

ENGINE_TEST_SUITE(ClassStoreTest);

TEST_P(ClassStoreTest, LevelOrderFollowsTheSortChoiceAndInsertingBetweenParentAndChildRestatesTheChildRatio)
{
    addRow(1, "Бета", "2", 0);
    addRow(2, "Альфа", "3", 0);
    addRow(3, "Гамма", "", 0);
    addRow(4, "Дельта", "1", 0);
    addRow(5, "Вложенный", "0", 2);

    EXPECT_EQ(names(0), (QStringList{"Альфа", "Бета", "Гамма", "Дельта"}));
    EXPECT_EQ(names(1), (QStringList{"Гамма", "Дельта", "Бета", "Альфа"}));
    EXPECT_EQ(names(2), (QStringList{"Бета", "Альфа", "Гамма", "Дельта"}));
    EXPECT_EQ(names(0, 2), QStringList{"Вложенный"});

    // Inserting between a parent and its child restates the child's ratio.
    addRow(7, "Старый", "", 0);
    const qint64 km = AddClass(*module, "Километр", "", 0, 55);   // top level: no ratio, next id
    EXPECT_EQ(classRow("Километр"), (QVariantList{8, "Километр", "", 0, 0.0}));
    const qint64 m = AddClass(*module, "Метр", "", km, 1000);
    const qint64 mm = AddClass(*module, "Миллиметр", "", m, 1000);

    const qint64 dm = AddClass(*module, "Дециметр", "дм", km, 10000, m);
    EXPECT_EQ(classRow("Дециметр"), (QVariantList{dm, "Дециметр", "дм", km, 10000.0}));
    EXPECT_EQ(classRow("Метр").at(3).toLongLong(), dm);
    EXPECT_DOUBLE_EQ(classRow("Метр").at(4).toDouble(), 0.1);
    EXPECT_EQ(RatioDescription(*module, m), QString("1 Дециметр = 0") + QLocale().decimalPoint() + "1 Метр");
    EXPECT_EQ(classRow("Миллиметр"), (QVariantList{mm, "Миллиметр", "", m, 1000.0}));   // its subtree moves along

    const qint64 hm = AddClass(*module, "Гектометр", "", km, 0, dm);
    EXPECT_EQ(classRow("Дециметр").at(3).toLongLong(), hm);
    EXPECT_EQ(classRow("Дециметр").at(4).toDouble(), 0.0);
    EXPECT_TRUE(RatioDescription(*module, dm).isEmpty());

    // A failed insertion (the named class is not a child of the parent) stores nothing at all.
    EXPECT_THROW(AddClass(*module, "Между", "", hm, 2, mm), DbError);
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Между'"), 0);
    EXPECT_EQ(classRow("Миллиметр"), (QVariantList{mm, "Миллиметр", "", m, 1000.0}));
}

TEST_P(ClassStoreTest, QuotesPercentSignsNulsAndACommaLocaleAreStoredAsTyped)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const qint64 id = AddClass(*module, "Д'Артаньян", "'1'", 0, 0);
    EXPECT_EQ(classRow("Д'Артаньян").at(2).toString(), "'1'");
    EXPECT_TRUE(ClassNameTaken(*module, "Д'Артаньян"));
    EXPECT_FALSE(ClassNameTaken(*module, "Д"));
    // Texts that look like placeholders stay as typed (a second substitution once made "50%3" "501").
    for (const QString name : {"50%3", "x%1y", "a%0", "%1%2"}) {
        RenameClass(*module, id, name, "%1");
        EXPECT_EQ(classRow(name), (QVariantList{id, name, "%1", 0, 0.0})) << name.toStdString();
    }
    EXPECT_FALSE(ClassNameTaken(*module, "501"));
    const QString withNul = QStringLiteral("до") + QChar(0) + QStringLiteral("после");
    if (onServer()) {
        // The server keeps no NUL character: the rename is refused in words and the class keeps its name.
        const QString refused = FailureOf([&] { RenameClass(*module, id, withNul, withNul); });
        EXPECT_TRUE(refused.contains("нулевой знак")) << refused.toStdString();
        EXPECT_EQ(scalar(QStringLiteral("SELECT C_NAME FROM CLASSES WHERE C_ID = %1").arg(id)).toString(), "%1%2");
    } else {
        RenameClass(*module, id, withNul, withNul);
        EXPECT_EQ(scalar(QStringLiteral("SELECT C_NAME FROM CLASSES WHERE C_ID = %1").arg(id)).toString(), withNul);
        EXPECT_TRUE(ClassNameTaken(*module, withNul));
    }
    RenameClass(*module, id, "O'Neil", "x'");
    EXPECT_EQ(classRow("O'Neil"), (QVariantList{id, "O'Neil", "x'", 0, 0.0}));
    const qint64 half = AddClass(*module, "Пол-литра", "", id, ParseRatio("0.5"));
    ChangeClass(*module, half, "It's", "", ParseRatio("0.5"));
    const QString stored = scalar("SELECT CAST(C_COEFF AS TEXT) FROM CLASSES WHERE C_NAME = 'It''s'").toString();
    const QString description = RatioDescription(*module, half);
    // A sign and a decimal point are read; group separators, a second sign and too much refused in words.
    EXPECT_EQ(ParseRatio("-12.25"), -12.25);
    for (const QString refused : {"1.2.3", "-", "12,5,3", "1 234,5", "1.234,5", "1000000001"})
        EXPECT_TRUE(FailureOf([&] { ParseRatio(refused); }).contains("Количественное соотношение")) << refused.toStdString();
    QLocale::setDefault(saved);
    EXPECT_EQ(stored, "0.5");
    EXPECT_EQ(description, "1 O'Neil = 0,5 It's");   // the message uses the user's separator
}

TEST_P(ClassStoreTest, DescendantsAreFoundLevelByLevelAndDeletedWithTheirClass)
{
    // 1 ─ 2 ─ 4 ─ 6, 1 ─ 3 with 1500 children (more than one OR-chain could hold); 5 ─ 2000 elsewhere.
    addRow(1, "root", "", 0);
    addRow(2, "a", "", 1);
    addRow(3, "b", "", 1);
    addRow(4, "c", "", 2);
    addRow(5, "other", "", 0);
    addRow(6, "d", "", 4);
    exec("WITH RECURSIVE N(I) AS (SELECT 100 UNION ALL SELECT I + 1 FROM N WHERE I < 1599) "
         "INSERT INTO CLASSES SELECT I, 'w' || I, '', 3, 0 FROM N");
    addRow(2000, "under other", "", 5);
    const QList<qint64> found = FindLowClasses(*module, "CLASSES", "", 1);
    ASSERT_EQ(found.size(), 1504);
    EXPECT_EQ(QSet<qint64>(found.begin(), found.begin() + 2), (QSet<qint64>{2, 3}));
    EXPECT_EQ(found.last(), 6);

    DeleteClassWithSubtree(*module, 1);
    EXPECT_EQ(rows("SELECT C_ID FROM CLASSES ORDER BY C_ID"), (QList<QVariantList>{{5}, {2000}}));
    // A damaged file where a class hangs below its own descendant must not loop forever.
    exec("UPDATE CLASSES SET C_LINK = 2000 WHERE C_ID = 5");
    EXPECT_EQ(FindLowClasses(*module, "CLASSES", "", 5).size(), 2);
}
