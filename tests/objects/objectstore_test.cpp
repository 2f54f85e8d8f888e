#include "support/testsupport.h"

#include "core/dberror.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objecttestdb.h"

#include <QBuffer>
#include <QImage>

namespace {
class ObjectStoreTest : public DatabaseTest
{
protected:
    DescriptionField field(qint64 id)
    {
        for (const DescriptionField &f : ReadDescriptionFields(*module)) {
            if (f.id == id)
                return f;
        }
        ADD_FAILURE() << "no field " << id;
        return {};
    }
    FieldInput input(qint64 id, const QVariant &value)
    {
        FieldInput in;
        in.field = field(id);
        in.value = value;
        return in;
    }
    QVariant stored(qint64 objectId, qint64 fieldId)
    {
        return scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = %2").arg(fieldId).arg(objectId));
    }
    static QByteArray pngBytes()
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
};
}

TEST_F(ObjectStoreTest, EveryKindIsWrittenAndReadBackInItsStoredForm)
{
    const qint64 count = addField(*module, "Количество", IntegerType);
    const qint64 weight = addField(*module, "Вес", RealType);
    const qint64 time = addField(*module, "Время", TimeType);
    const qint64 day = addField(*module, "Дата", DateType);
    const qint64 yes = addField(*module, "Есть", BooleanType);
    const qint64 name = addField(*module, "Имя", StringType);
    const qint64 note = addField(*module, "Описание", LongTextType);
    const qint64 photo = addField(*module, "Фото", ImageType);

    FieldInput picture = input(photo, pngBytes());
    picture.pictureChosen = true;
    InsertObject(*module, 1, {input(count, "-1000000000"), input(weight, "2.5"), input(time, QTime(7, 5, 9)),
                              input(day, QDate(2024, 3, 1)), input(yes, true), input(name, "O'Brien"),
                              input(note, "a\nb"), picture});
    EXPECT_EQ(stored(1, count).toLongLong(), -1000000000);
    EXPECT_DOUBLE_EQ(stored(1, weight).toDouble(), 2.5);
    EXPECT_EQ(stored(1, time).toString(), "07:05:09");
    EXPECT_EQ(stored(1, day).toString(), "2024-03-01");
    EXPECT_EQ(stored(1, yes).toInt(), -1);
    EXPECT_EQ(stored(1, name).toString(), "O'Brien");
    EXPECT_EQ(stored(1, note).toString(), "a\rb\r");
    EXPECT_EQ(stored(1, photo).toByteArray(), pngBytes());

    // Changing: no picture chosen keeps the stored one; "no" is 0; an empty long text is empty.
    UpdateObject(*module, 1, {input(count, "7"), input(weight, "-0.125"), input(time, QTime(23, 59, 0)),
                              input(day, QDate(1999, 12, 31)), input(yes, false), input(name, "x''y"),
                              input(note, ""), input(photo, QByteArray())});
    EXPECT_EQ(stored(1, count).toLongLong(), 7);
    EXPECT_DOUBLE_EQ(stored(1, weight).toDouble(), -0.125);
    EXPECT_EQ(stored(1, time).toString(), "23:59:00");
    EXPECT_EQ(stored(1, day).toString(), "1999-12-31");
    EXPECT_EQ(stored(1, yes).toInt(), 0);
    EXPECT_EQ(stored(1, name).toString(), "x''y");
    EXPECT_EQ(stored(1, note).toString(), "");
    EXPECT_EQ(stored(1, photo).toByteArray(), pngBytes());
}

TEST_F(ObjectStoreTest, LongTextLinesEndInCarriageReturnsAndComeBackAsLines)
{
    EXPECT_EQ(LongTextForStorage("a\nb"), "a\rb\r");
    EXPECT_EQ(LongTextForStorage("a\n"), "a\r");
    EXPECT_EQ(LongTextForStorage("a\n\nb"), "a\r\rb\r");
    EXPECT_EQ(LongTextForStorage(""), "");
    for (const QString &text : {QString("a\nb"), QString("one"), QString("a\n\nb")})
        EXPECT_EQ(LongTextForEditor(LongTextForStorage(text)), text);
    EXPECT_EQ(LongTextForEditor("x\r\ny\r\n"), "x\ny");
}

TEST_F(ObjectStoreTest, ATextNotInTheLookupListBecomesANewEntryAndIsStoredByNumber)
{
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 red = addLookupEntry(*module, colour, "красный");
    InsertObject(*module, 1, {input(colour, "красный")});
    EXPECT_EQ(stored(1, colour).toLongLong(), red);

    InsertObject(*module, 2, {input(colour, "д'Артаньяновый")});
    const qint64 added = scalar(QStringLiteral("SELECT L%1_ID FROM LOOKUP%1 WHERE L%1_DATA = 'д''Артаньяновый'").arg(colour)).toLongLong();
    EXPECT_EQ(added, red + 1);
    EXPECT_EQ(stored(2, colour).toLongLong(), added);
    // Listed in text order, the empty entry left out.
    addLookupEntry(*module, colour, "белый");
    EXPECT_EQ(LookupTexts(*module, colour), (QStringList{"белый", "д'Артаньяновый", "красный"}));
    // The same text again reuses the entry.
    UpdateObject(*module, 1, {input(colour, "д'Артаньяновый")});
    EXPECT_EQ(stored(1, colour).toLongLong(), added);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 4);
}

TEST_F(ObjectStoreTest, RequiredFieldsAreTheTypedOnes)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 note = addField(*module, "Описание", LongTextType);
    const qint64 photo = addField(*module, "Фото", ImageType);
    const qint64 name = addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    QList<FieldInput> inputs{input(number, "1"), input(note, ""), input(photo, QByteArray()), input(name, "x"), input(colour, "")};
    EXPECT_EQ(FirstMissingField(inputs), 4);
    inputs[4].value = "z";
    EXPECT_EQ(FirstMissingField(inputs), -1);
    inputs[0].value = "";
    inputs[3].value = "";
    EXPECT_EQ(FirstMissingField(inputs), 0);
}

TEST_F(ObjectStoreTest, AFailedAdditionLeavesNeitherObjectNorNewLookupEntry)
{
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 number = addField(*module, "Номер", IntegerType);
    // "1-2" passes the key filter; it is no number, so nothing of the action may stay.
    EXPECT_THROW(InsertObject(*module, 1, {input(colour, "новый"), input(number, "1-2")}), DbError);
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 1);
    EXPECT_THROW(InsertObject(*module, 1, {input(colour, "новый"), input(number, "-")}), DbError);
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
}

TEST_F(ObjectStoreTest, AnObjectWithImageFieldsOnlyRunsNoUpdateUnlessAPictureIsChosen)
{
    const qint64 photo = addField(*module, "Фото", ImageType);
    const qint64 plan = addField(*module, "План", ImageType);
    InsertObject(*module, 1, {input(photo, QByteArray()), input(plan, QByteArray())});
    EXPECT_TRUE(stored(1, photo).isNull());
    module->exec("CREATE TABLE UPDATES(U_COLUMNS TEXT)");
    module->exec(QStringLiteral("CREATE TRIGGER COUNT_UPDATES AFTER UPDATE ON GENER BEGIN "
                                "INSERT INTO UPDATES VALUES(CASE WHEN OLD.G%1 IS NEW.G%1 THEN '' ELSE 'G%1' END); END")
                     .arg(plan));

    UpdateObject(*module, 1, {input(photo, QByteArray()), input(plan, QByteArray())});
    EXPECT_EQ(count("SELECT * FROM UPDATES"), 0);

    FieldInput chosen = input(plan, pngBytes());
    chosen.pictureChosen = true;
    UpdateObject(*module, 1, {input(photo, QByteArray()), chosen});
    EXPECT_EQ(rows("SELECT U_COLUMNS FROM UPDATES"), (QList<QVariantList>{{QStringLiteral("G%1").arg(plan)}}));
    EXPECT_EQ(stored(1, plan).toByteArray(), pngBytes());
    EXPECT_TRUE(stored(1, photo).isNull());
}

TEST_F(ObjectStoreTest, ValuesReachTheirOwnColumnsAfterAFieldsTypeChanged)
{
    const qint64 first = addField(*module, "Первое", StringType);
    const qint64 second = addField(*module, "Второе", IntegerType);
    const qint64 third = addField(*module, "Третье", StringType);
    changeFieldType(*module, first, RealType);
    ASSERT_EQ(columnsOf("GENER").last(), QStringLiteral("G%1").arg(first));

    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    ASSERT_EQ(fields.first().id, first);   // the field keeps its place in the field query
    InsertObject(*module, 1, {input(first, "1.5"), input(second, "42"), input(third, "текст")});
    EXPECT_DOUBLE_EQ(stored(1, first).toDouble(), 1.5);
    EXPECT_EQ(stored(1, second).toLongLong(), 42);
    EXPECT_EQ(stored(1, third).toString(), "текст");
}

TEST_F(ObjectStoreTest, DeletingAnObjectTakesItsLinksAndNothingElse)
{
    const qint64 name = addField(*module, "Имя", StringType);
    InsertObject(*module, 1, {input(name, "a")});
    InsertObject(*module, 2, {input(name, "b")});
    module->exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    module->exec("INSERT INTO LINKS VALUES(2, 1, 1, 6, 'x', 0)");
    module->exec("INSERT INTO LINKS VALUES(3, 2, 1, 5, '', 0)");
    DeleteObject(*module, 1);
    EXPECT_EQ(rows("SELECT G_ID FROM GENER"), (QList<QVariantList>{{2}}));
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{3}}));
}

TEST_F(ObjectStoreTest, ReservingAnIdentifierRemovesLinksLeftUnderIt)
{
    const qint64 name = addField(*module, "Имя", StringType);
    InsertObject(*module, 1, {input(name, "a")});
    module->exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    module->exec("INSERT INTO LINKS VALUES(2, 2, 1, 5, '', 0)");   // left by an abandoned addition
    EXPECT_EQ(ReserveObjectId(*module), 2);
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{1}}));
}

TEST(NumberKeyFilters, KeepDigitsSignsAndValuesUpToOneThousandMillion)
{
    EXPECT_TRUE(IntegerKeyAccepted("100000000", '0'));   // exactly 1 000 000 000
    EXPECT_FALSE(IntegerKeyAccepted("200000000", '0'));  // 2 000 000 000
    EXPECT_FALSE(IntegerKeyAccepted("1000000000", '0')); // past any 32-bit value as well
    EXPECT_TRUE(IntegerKeyAccepted("-100000000", '0'));
    EXPECT_FALSE(IntegerKeyAccepted("-100000000", '1'));
    EXPECT_TRUE(IntegerKeyAccepted("", '-'));
    EXPECT_TRUE(IntegerKeyAccepted("12", QChar(8)));
    EXPECT_FALSE(IntegerKeyAccepted("12", 'a'));
    EXPECT_FALSE(IntegerKeyAccepted("12", '.'));
    EXPECT_FALSE(IntegerKeyAccepted("12", ','));

    EXPECT_TRUE(RealKeyAccepted("2", '.'));
    EXPECT_TRUE(RealKeyAccepted("2.", '5'));
    EXPECT_FALSE(RealKeyAccepted("2", ','));
    EXPECT_FALSE(RealKeyAccepted("2", 'e'));
    EXPECT_TRUE(RealKeyAccepted("999999999.9", '9'));
    EXPECT_FALSE(RealKeyAccepted("1000000000.", '5'));
}
