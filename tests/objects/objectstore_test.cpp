#include "support/testsupport.h"
#include "find/findtest.h"

#include "core/dberror.h"

#include <atomic>
#include <thread>

using ObjectStoreTest = EngineTest;

ENGINE_TEST_SUITE(ObjectStoreTest);

// The limits themselves are stored (ObjectStoreTest.AdditionAndDeletionAreAllOrNothing), the fields are
// named in the editor's refusals (EditorTest.NumbersDatesAndTimesAreStoredAsTyped...).
TEST(TypedValues, NumbersDatesAndTextsAreStoredAsTypedOrRefused)
{
    const RussianLocale russian;
    const DescriptionField weight{1, "Вес", "Вещественное число"}, day{3, "Дата", "Дата"}, time{4, "Время", "Время"};
    const auto refusal = [](const DescriptionField &field, const QVariant &value) {
        return FailureOf([&] { StoredValue(field, value, false); });
    };
    EXPECT_TRUE(refusal(weight, "1000000000,5").contains("вне допустимых пределов"));

    const int year = QDate::currentDate().year();
    const struct { const char *typed; QVariant stored; } dates[] = {
        {"15.03.2019", "2019-03-15"}, {"5.3.2019", "2019-03-05"}, {"15/03/2019", "2019-03-15"}, {"15-03-19", "2019-03-15"},
        {"2019-03-15", "2019-03-15"}, {"01.01.45", "1945-01-01"}, {"", QVariant(QMetaType::fromType<QString>())}};
    for (const auto &d : dates)
        EXPECT_EQ(StoredValue(day, QString::fromUtf8(d.typed), false), d.stored) << d.typed;
    EXPECT_EQ(StoredValue(day, QStringLiteral("01.01.%1").arg(year % 100, 2, 10, QLatin1Char('0')), false),
              QStringLiteral("%1-01-01").arg(year));
    for (const char *bad : {"31.02.2019", "15.03-2019", "15.03.219", "15 марта", "15.03"})
        EXPECT_TRUE(refusal(day, QString::fromUtf8(bad)).contains("не является датой")) << bad;
    EXPECT_EQ(StoredValue(time, "23:59:59", false), "23:59:59");
    EXPECT_TRUE(refusal(time, "24:00").contains("не является временем"));

    // Characters, not UTF-16 units, are counted (the limit itself: EditorTest.AStoredValueNobodyTouchedIsKept...).
    const QString faces = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(50);
    EXPECT_EQ(TextLength(faces), 50);
    EXPECT_EQ(ShortenedText(faces + "ab"), faces);

    // A long text's lines end in carriage returns and come back as lines.
    EXPECT_EQ(LongTextForStorage("a\n\nb\n"), "a\r\rb\r");
    EXPECT_EQ(LongTextForStorage(""), "");
    EXPECT_EQ(LongTextForEditor("x\r\ny\r\n"), "x\ny");
}

TEST_P(ObjectStoreTest, AnObjectWithImageFieldsOnlyRunsNoUpdateUnlessAPictureIsChosen)
{
    const qint64 photo = addField(*module, "Фото", ImageType);
    const qint64 plan = addField(*module, "План", ImageType);
    InsertObject(*module, 1, {input(photo, QByteArray()), input(plan, QByteArray())});
    recordUpdates("GENER", QStringLiteral("G%1").arg(plan));
    UpdateObject(*module, 1, {input(photo, QByteArray()), input(plan, QByteArray())});
    EXPECT_EQ(count("SELECT * FROM UPDATES"), 0);

    const QByteArray png = PictureBytes(Qt::red);
    UpdateObject(*module, 1, {input(photo, QByteArray()), input(plan, png, true)});
    EXPECT_EQ(rows("SELECT U_COLUMNS FROM UPDATES"), (QList<QVariantList>{{QStringLiteral("G%1").arg(plan)}}));
    EXPECT_EQ(storedValue(plan).toByteArray(), png);
    EXPECT_TRUE(storedValue(photo).isNull());
}

TEST_P(ObjectStoreTest, ValuesReachTheirOwnColumnsAfterAFieldsTypeChanged)
{
    const qint64 first = addField(*module, "Первое", StringType);
    const qint64 second = addField(*module, "Второе", IntegerType);
    const qint64 third = addField(*module, "Третье", StringType);
    changeFieldType(*module, first, RealType);
    ASSERT_EQ(columnsOf("GENER").last(), QStringLiteral("G%1").arg(first));
    ASSERT_EQ(ReadDescriptionFields(*module).first().id, first);   // the field keeps its place in the field query

    InsertObject(*module, 1, {input(first, "1.5"), input(second, "42"), input(third, "текст")});
    EXPECT_EQ(rows(QStringLiteral("SELECT G%1, G%2, G%3 FROM GENER").arg(first).arg(second).arg(third)),
              (QList<QVariantList>{{1.5, 42, "текст"}}));
}

TEST_P(ObjectStoreTest, AdditionAndDeletionAreAllOrNothing)
{
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 mass = addField(*module, "Масса", RealType);
    // Pasted texts pass the key filters: no number, no finite number or one past the limit is refused,
    // and the new lookup entry may not stay either.
    const QList<std::pair<QString, QString>> refused = {{"1-2", "1"}, {"1", "inf"}, {"1", "nan"}, {"1", "-Inf"},
                                                        {"1", "99999999999"}, {"1", "1e10"}, {"1000000001", "1"}};
    for (const auto &[numberText, massText] : refused) {
        EXPECT_THROW(InsertObject(*module, 1, {input(colour, "новый"), input(number, numberText), input(mass, massText)}),
                     DbError)
            << numberText.toStdString() << " " << massText.toStdString();
    }
    EXPECT_EQ(rowCounts({"GENER", QStringLiteral("LOOKUP%1").arg(colour)}), (QList<int>{0, 1}));
    // A text holding NUL characters and placeholders becomes an entry as typed; the server keeps no NUL
    // character, so there the object is refused in words and nothing is written.
    const QString odd = QStringLiteral("%1 ") + QChar(0) + QStringLiteral(" %2");
    if (onServer()) {
        const QString failure = FailureOf([&] { InsertObject(*module, 9, {input(colour, odd), input(number, "-1000000000"), input(mass, "1000000000")}); });
        EXPECT_TRUE(failure.contains("нулевой знак")) << failure.toStdString();
        EXPECT_EQ(rowCounts({"GENER", QStringLiteral("LOOKUP%1").arg(colour)}), (QList<int>{0, 1}));
    } else {
        InsertObject(*module, 9, {input(colour, odd), input(number, "-1000000000"), input(mass, "1000000000")});
        EXPECT_EQ(scalar(QStringLiteral("SELECT L%1_DATA FROM GENER, LOOKUP%1 WHERE G%1 = L%1_ID").arg(colour)).toString(), odd);
        DeleteObject(*module, 9);
    }

    InsertObject(*module, 1, {input(colour, "новый"), input(number, "1"), input(mass, "0.5")});
    InsertObject(*module, 2, {input(colour, "новый"), input(number, "2"), input(mass, "0.5")});
    module->exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0), (2, 1, 1, 6, 'x', 0), (3, 2, 1, 5, '', 0)");
    refuse("DELETE", "GENER");
    EXPECT_THROW(DeleteObject(*module, 1), DbError);
    EXPECT_EQ(count("SELECT * FROM LINKS"), 3) << "the links go only with their object";
    allowAgain("GENER");
    DeleteObject(*module, 1);
    EXPECT_EQ(rows("SELECT G_ID FROM GENER"), (QList<QVariantList>{{2}}));
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{3}}));
}

// Numbers are required: only fields added after the object leave it without them, and an empty number
// shows nothing where a zero shows zero. A new object never takes over the links of an abandoned addition.
TEST_P(ObjectStoreTest, AnEmptyNumberShowsNothingAndANewObjectTakesOverNoLinks)
{
    InsertObject(*module, 1, {});
    const qint64 whole = addField(*module, "Целое", IntegerType);
    const qint64 real = addField(*module, "Дробное", RealType);
    InsertObject(*module, 2, {input(whole, "0"), input(real, "0")});
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    ObjectList::Of(*module).compose(fields);
    ObjectList::Of(*module).open();
    QStringList shown;
    for (int row = 0; row < 2; ++row) {
        for (const DescriptionField &field : fields)
            shown << DisplayText(field, module->QRGeneral->valueAt(row, module->QRGeneral->columnIndex(field.listColumn())));
    }
    EXPECT_EQ(shown, (QStringList{"", "", "0", "0"}));

    // Links written under the next number by an addition that was never saved, as a copied file may bring them.
    exec("INSERT INTO LINKS (L_ID, L_OBJECT, L_REFER, L_CLASS, L_VALUE, L_CAPTION) VALUES (1, 3, 1, 1, '1', 0)");
    const qint64 id = ReserveObjectId(*module);
    EXPECT_GT(id, 2);
    EXPECT_EQ(count(QStringLiteral("SELECT L_ID FROM LINKS WHERE L_OBJECT = %1").arg(id)), 0);
}

TEST_P(ObjectStoreTest, ASaveOverAnotherProgramsChangeOrDeletionStoresNothingAndSaysSo)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 photo = addField(*module, "Фото", ImageType);
    InsertObject(*module, 1, {input(name, "старое"), input(colour, "алый"), input(photo, PictureBytes(Qt::red), true)});
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    const std::unique_ptr<TDModule> other = otherProgram();

    // Each kind of change elsewhere is found: a text, a lookup entry, a picture alone.
    const QList<FieldInput> changes[] = {{input(name, "чужое")}, {input(colour, "синий")}, {input(photo, PictureBytes(Qt::blue), true)}};
    for (const QList<FieldInput> &change : changes) {
        const std::optional<ObjectState> asRead = ReadObjectState(*module, 1, fields);
        ASSERT_TRUE(asRead);
        UpdateObject(*other, 1, change);
        const QString message = FailureOf([&] { UpdateObject(*module, 1, {input(name, "моё")}, asRead); });
        EXPECT_TRUE(message.contains("изменён другим пользователем")) << message.toStdString();
        EXPECT_NE(storedValue(name).toString(), "моё");
    }
    // Read again, the object saves; a picture the user chose is a change of this save, not of another's.
    UpdateObject(*module, 1, {input(name, "моё"), input(photo, PictureBytes(Qt::green), true)}, ReadObjectState(*module, 1, fields));
    EXPECT_EQ(storedValue(name).toString(), "моё");
    EXPECT_EQ(storedValue(photo).toByteArray(), PictureBytes(Qt::green));

    // Deleted elsewhere: nothing is stored, with or without the state read, and no row comes back.
    const std::optional<ObjectState> asRead = ReadObjectState(*module, 1, fields);
    DeleteObject(*other, 1);
    EXPECT_FALSE(ReadObjectState(*module, 1, fields));
    for (const std::optional<ObjectState> &state : {asRead, std::optional<ObjectState>()}) {
        const QString message = FailureOf([&] { UpdateObject(*module, 1, {input(name, "моё")}, state); });
        EXPECT_TRUE(message.contains("удалён другим пользователем")) << message.toStdString();
    }
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
}

TEST_P(ObjectStoreTest, ASaveMadeWhileAnotherProgramChangesTheObjectNeverOverwritesThatChange)
{
    const qint64 name = addField(*module, "Название", StringType);
    InsertObject(*module, 1, {input(name, "старое")});
    const FieldInput mine = input(name, "моё"), theirs = input(name, "чужое");
    const std::unique_ptr<TDModule> other = otherProgram();

    // This program read the object; the other one's save is under way when this one saves.
    std::atomic<int> stage = 0;
    QString failure;
    std::thread saver([&] {
        const std::unique_ptr<TDModule> own = otherProgram();
        const std::optional<ObjectState> asRead = ReadObjectState(*own, 1, ReadDescriptionFields(*own));
        stage = 1;
        while (stage != 2)
            std::this_thread::yield();
        failure = FailureOf([&] { UpdateObject(*own, 1, {mine}, asRead); });
        stage = 3;
    });
    while (stage != 1)
        std::this_thread::yield();
    {
        Transaction tx(*other);
        UpdateObject(*other, 1, {theirs});
        stage = 2;
        // Long enough for the save to read the row and try to write it.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        tx.commit();
    }
    saver.join();
    EXPECT_EQ(storedValue(name).toString(), "чужое");
    // The server holds the save until the other commits and then finds the change; a file refuses a
    // write over what another program holds.
    EXPECT_TRUE(failure.contains("изменён другим пользователем") || failure.contains("занята другой программой"))
        << failure.toStdString();
}
