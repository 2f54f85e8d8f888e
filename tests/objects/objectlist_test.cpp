#include "support/testsupport.h"

#include "core/schema.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objecttestdb.h"

namespace {
class ObjectListTest : public DatabaseTest
{
protected:
    QList<qint64> listedIds()
    {
        QList<qint64> ids;
        SharedQuery &list = *module->QRGeneral;
        for (bool more = list.first(); more; more = list.next())
            ids << list.asInteger("G_ID");
        return ids;
    }
    QStringList listedTexts(const QString &column)
    {
        QStringList texts;
        SharedQuery &list = *module->QRGeneral;
        for (bool more = list.first(); more; more = list.next())
            texts << list.asString(column);
        return texts;
    }
};
}

TEST_F(ObjectListTest, PiecesWithoutLookupFieldsSelectFromGenerAlone)
{
    const qint64 a = addField(*module, "Масса", IntegerType);
    const qint64 b = addField(*module, "Фото", ImageType);
    BuildObjectListPieces(*module);
    EXPECT_EQ(SelectPart, QStringLiteral("SELECT G_ID, G%1, G%2").arg(a).arg(b));
    EXPECT_EQ(FromPart, " FROM GENER");
    EXPECT_TRUE(WherePart.isEmpty());
    EXPECT_TRUE(FilterPart.isEmpty());
    EXPECT_TRUE(OrderPart.isEmpty());
}

TEST_F(ObjectListTest, PiecesWithOnlyLookupFieldsJoinEveryList)
{
    const qint64 a = addField(*module, "Цвет", StringType, true);
    const qint64 b = addField(*module, "Страна", StringType, true);
    BuildObjectListPieces(*module);
    EXPECT_EQ(SelectPart, QStringLiteral("SELECT G_ID, L%1_DATA, L%2_DATA").arg(a).arg(b));
    EXPECT_EQ(FromPart, QStringLiteral(" FROM GENER, LOOKUP%1, LOOKUP%2").arg(a).arg(b));
    EXPECT_EQ(WherePart, QStringLiteral(" WHERE(G%1=L%1_ID) AND (G%2=L%2_ID)").arg(a).arg(b));
}

TEST_F(ObjectListTest, MixedPiecesFollowTheFieldOrderAndListOnlyObjectsWithExistingEntries)
{
    const qint64 plain = addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 land = addField(*module, "Страна", StringType, true);
    BuildObjectListPieces(*module);
    EXPECT_EQ(SelectPart + FromPart + WherePart,
              QStringLiteral("SELECT G_ID, G%1, L%2_DATA, L%3_DATA FROM GENER, LOOKUP%2, LOOKUP%3 WHERE(G%2=L%2_ID) AND (G%3=L%3_ID)")
                  .arg(plain).arg(colour).arg(land));

    const qint64 red = addLookupEntry(*module, colour, "красный");
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3) VALUES(1, 'a', %4, 0)").arg(plain).arg(colour).arg(land).arg(red));
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3) VALUES(2, 'b', 0, 0)").arg(plain).arg(colour).arg(land));
    // An identifier that names no entry of the list.
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3) VALUES(3, 'c', 99, 0)").arg(plain).arg(colour).arg(land));
    BuildObjectListPieces(*module);
    OpenObjectList(*module);
    EXPECT_EQ(listedIds(), (QList<qint64>{1, 2}));
    module->QRGeneral->setRecNo(2);
    EXPECT_EQ(module->QRGeneral->asString(QStringLiteral("L%1_DATA").arg(colour)), EmptyLookupText);
}

TEST_F(ObjectListTest, TitleClicksAlternateForOneColumnAndStartAscendingForAnother)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    // Entry identifiers in the reverse of their text order: sorting by the text must differ from the id.
    const qint64 white = addLookupEntry(*module, colour, "яблочный");
    const qint64 black = addLookupEntry(*module, colour, "абрикосовый");
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(1, 20, %3)").arg(number).arg(colour).arg(black));
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(2, 3, %3)").arg(number).arg(colour).arg(white));
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(3, 100, %3)").arg(number).arg(colour).arg(white));
    BuildObjectListPieces(*module);

    ASSERT_TRUE(ApplyTitleSort(*module, "Номер"));
    OpenObjectList(*module);
    EXPECT_EQ(listedIds(), (QList<qint64>{2, 1, 3}));
    ASSERT_TRUE(ApplyTitleSort(*module, "Номер"));
    EXPECT_EQ(OrderPart, QStringLiteral(" ORDER BY G%1 DESC").arg(number));
    OpenObjectList(*module);
    EXPECT_EQ(listedIds(), (QList<qint64>{3, 1, 2}));
    ASSERT_TRUE(ApplyTitleSort(*module, "Номер"));
    OpenObjectList(*module);
    EXPECT_EQ(listedIds(), (QList<qint64>{2, 1, 3}));

    ASSERT_TRUE(ApplyTitleSort(*module, "Цвет"));
    EXPECT_EQ(OrderPart, QStringLiteral(" ORDER BY L%1_DATA").arg(colour));
    OpenObjectList(*module);
    EXPECT_EQ(listedIds().first(), 1);

    // A caption that names no field changes nothing, also one with a quote.
    EXPECT_FALSE(ApplyTitleSort(*module, "Чей-то 'размер'"));
    EXPECT_EQ(OrderPart, QStringLiteral(" ORDER BY L%1_DATA").arg(colour));
}

TEST_F(ObjectListTest, DatesSortByDateWhateverTheLocaleShows)
{
    const qint64 day = addField(*module, "День", DateType);
    const qint64 name = addField(*module, "Имя", StringType);
    const QList<FieldInput> base{{DescriptionField{day, "День", "Дата", false}, QVariant()},
                                 {DescriptionField{name, "Имя", "Строка (50 символов)", false}, QVariant()}};
    const QList<QDate> dates{QDate(2021, 12, 1), QDate(2020, 2, 29), QDate(2021, 1, 15)};
    for (int i = 0; i < dates.size(); ++i) {
        QList<FieldInput> inputs = base;
        inputs[0].value = dates[i];
        inputs[1].value = QString::number(i);
        InsertObject(*module, i + 1, inputs);
    }
    BuildObjectListPieces(*module);
    ASSERT_TRUE(ApplyTitleSort(*module, "День"));
    OpenObjectList(*module);
    EXPECT_EQ(listedIds(), (QList<qint64>{2, 3, 1}));
    EXPECT_EQ(listedTexts(QStringLiteral("G%1").arg(day)), (QStringList{"2020-02-29", "2021-01-15", "2021-12-01"}));
}

TEST_F(ObjectListTest, FindObjectRowLocatesAnObjectFarDownTheList)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    module->exec("BEGIN");
    for (int i = 1; i <= 3000; ++i)
        module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1) VALUES(%2, %3)").arg(number).arg(i).arg(3001 - i));
    module->exec("COMMIT");
    BuildObjectListPieces(*module);
    ASSERT_TRUE(ApplyTitleSort(*module, "Номер"));
    OpenObjectList(*module);
    EXPECT_EQ(FindObjectRow(*module->QRGeneral, 1), 3000);
    EXPECT_EQ(FindObjectRow(*module->QRGeneral, 2999), 2);
    EXPECT_EQ(FindObjectRow(*module->QRGeneral, 4000), 0);
}
