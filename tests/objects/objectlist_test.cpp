#include "support/testsupport.h"

#include "core/dmodule.h"
#include "core/schema.h"
#include "objects/objectlist.h"

TEST(ObjectListPieces, LookupFieldsJoinTheirListsInFieldOrder)
{
    const DescriptionField number{3, "Масса", "Целое", false}, photo{4, "Фото", "Изображение", false};
    const DescriptionField colour{5, "Цвет", "Строка (50 символов)", true}, land{6, "Страна", "Строка (50 символов)", true};
    OrderPart = FilterPart = " junk";
    BuildObjectListPieces(QList<DescriptionField>{number, photo});
    EXPECT_EQ(SelectPart + FromPart, "SELECT G_ID, G3 FROM GENER") << "pictures are read one object at a time";
    EXPECT_TRUE(WherePart.isEmpty() && FilterPart.isEmpty() && OrderPart.isEmpty());

    BuildObjectListPieces(QList<DescriptionField>{colour, land});
    EXPECT_EQ(SelectPart + FromPart + WherePart,
              "SELECT G_ID, L5_DATA, L6_DATA FROM GENER, LOOKUP5, LOOKUP6 WHERE(G5=L5_ID) AND (G6=L6_ID)");

    BuildObjectListPieces(QList<DescriptionField>{colour, number, land});
    EXPECT_EQ(SelectPart + FromPart + WherePart,
              "SELECT G_ID, L5_DATA, G3, L6_DATA FROM GENER, LOOKUP5, LOOKUP6 WHERE(G5=L5_ID) AND (G6=L6_ID)");
}

using ObjectListTest = DatabaseTest;

TEST_F(ObjectListTest, AnObjectWhoseLookupValueNamesNoEntryIsNotListed)
{
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 red = addLookupEntry(*module, colour, "красный");
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1) VALUES(1, %2), (2, 0), (3, 99)").arg(colour).arg(red));
    BuildObjectListPieces(*module);
    OpenObjectList(*module);
    SharedQuery &list = *module->QRGeneral;
    QStringList listed;
    for (bool more = list.first(); more; more = list.next())
        listed << list.asString("G_ID") + ':' + list.asString(QStringLiteral("L%1_DATA").arg(colour));
    EXPECT_EQ(listed, (QStringList{"1:красный", "2:" + EmptyLookupText}));
}

TEST_F(ObjectListTest, AnyNumberOfLookupFieldsIsListedWithTheirTexts)
{
    // The engine joins at most 64 tables; 70 lookup-backed fields must still list and sort.
    QList<qint64> fields;
    for (int i = 0; i < 70; ++i) {
        fields << addField(*module, QStringLiteral("Поле %1").arg(i), StringType, true);
        addLookupEntry(*module, fields.last(), QStringLiteral("текст %1").arg(i));
    }
    QStringList columns{"G_ID"}, values{"1"};
    for (const qint64 field : fields) {
        columns << QStringLiteral("G%1").arg(field);
        values << "1";
    }
    exec("INSERT INTO GENER (" + columns.join(',') + ") VALUES (" + values.join(',') + "), (2" + QString(",0").repeated(70) + ")");
    BuildObjectListPieces(*module);
    EXPECT_LE(FromPart.count(','), 63);
    ASSERT_TRUE(ApplyTitleSort(*module, "Поле 69"));
    ASSERT_TRUE(ApplyTitleSort(*module, "Поле 69"));   // descending: "текст 69" before the empty entry
    OpenObjectList(*module);
    SharedQuery &list = *module->QRGeneral;
    ASSERT_TRUE(list.first());
    EXPECT_EQ(list.asInteger("G_ID"), 1);
    EXPECT_EQ(list.asString(QStringLiteral("L%1_DATA").arg(fields.first())), "текст 0");
    EXPECT_EQ(list.asString(QStringLiteral("L%1_DATA").arg(fields.last())), "текст 69");
    ASSERT_TRUE(list.next());
    EXPECT_EQ(list.asString(QStringLiteral("L%1_DATA").arg(fields.last())), EmptyLookupText);
}

// With the lookup column indexed the engine may prefer to walk a small lookup list first; the unsorted
// list still comes in the order of addition, and a sort lists equal values in that order too, so the
// object found after an addition is the one the grid shows at that row.
TEST_F(ObjectListTest, TheUnsortedListKeepsTheOrderOfAdditionAndLocatesObjectsInIt)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    addLookupEntry(*module, colour, "синий");
    addLookupEntry(*module, colour, "красный");
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 2000) "
                        "INSERT INTO GENER (G_ID, G%1, G%2) SELECT I, I % 7, 2 - I % 2 FROM N").arg(number).arg(colour));
    exec("ANALYZE");
    module->OpenConnection(dbPath);
    BuildObjectListPieces(*module);
    OpenObjectList(*module);
    SharedQuery &list = *module->QRGeneral;
    QList<qint64> ids;
    for (bool more = list.first(); more; more = list.next())
        ids << list.asInteger("G_ID");
    ASSERT_EQ(ids.size(), 2000);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(FindObjectRow(list, 2000), 2000);

    for (const char *caption : {"Цвет", "Номер"}) {
        ASSERT_TRUE(ApplyTitleSort(*module, caption));
        OpenObjectList(*module);
        // Objects 1, 2 and 3 differ in both columns; object 1 + 14 equals object 1 in both.
        const int first = FindObjectRow(list, 1), twin = FindObjectRow(list, 15);
        EXPECT_LT(first, twin) << caption;
        list.setRecNo(twin);
        EXPECT_EQ(list.asInteger("G_ID"), 15) << caption;
    }
}
