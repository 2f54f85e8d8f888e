#include "support/testsupport.h"

#include "app/forms.h"
#include "core/collation.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/objectfilter.h"
#include "objects/objectimport.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectsearch.h"
#include "objects/objectstore.h"
#include "objects/searchindex.h"
#include "core/schemanames.h"
#include "fields/fieldstore.h"

#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QLocale>
#include <QTableView>
#include <QTest>

namespace {
QList<DescriptionField> gridFields(TDModule &module)
{
    QList<DescriptionField> shown;
    for (const DescriptionField &field : ReadDescriptionFields(module))
        if (field.hasGridColumn())
            shown << field;
    return shown;
}

QStringList listedColumn(TDModule &module, const QString &column)
{
    QStringList values;
    SharedQuery &list = *module.QRGeneral;
    for (bool more = list.first(); more; more = list.next())
        values << list.asString(column);
    return values;
}

class SearchTest : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        name = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        made = addField(*module, "Дата", DateType);
        mass = addField(*module, "Масса", RealType);
        addField(*module, "Заметки", LongTextType);
        add(1, "Ёжик в тумане", "Красный", QDate(2023, 12, 25), "2.5", "скрытый текст");
        add(2, "ЕЛКА", "синий", QDate(2021, 1, 5), "1234.75", "");
        add(3, "Apple Pie", "зелёный", QDate(), "10", "");
        add(4, "ёлочка", "Синий", QDate(2023, 12, 1), "3", "");
        EnsureSearchIndex(*module);
        BuildObjectListPieces(*module);
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        DatabaseTest::TearDown();
    }
    void add(qint64 id, const QString &title, const QString &lookupText, const QDate &date, const QString &number,
             const QString &notes)
    {
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        InsertObject(*module, id,
                     {FieldInput{fields[0], title}, FieldInput{fields[1], lookupText}, FieldInput{fields[2], date},
                      FieldInput{fields[3], number}, FieldInput{fields[4], notes}});
    }
    QStringList found(const QString &text)
    {
        ApplyObjectSearch(*module, gridFields(*module), text);
        return listedColumn(*module, "G_ID");
    }
    qint64 name = 0, colour = 0, made = 0, mass = 0;
};
}

TEST_F(SearchTest, LettersMatchInAnyCaseYoAsYeAndValuesAsTheGridShowsThem)
{
    EXPECT_EQ(found("ЁЖ"), QStringList{"1"});
    EXPECT_EQ(found("ежик"), QStringList{"1"});
    EXPECT_EQ(found("ел"), (QStringList{"2", "3", "4"}));   // ЕЛКА, ёлочка, and 3 through its colour "зелёный"
    EXPECT_EQ(found("aPPLE p"), QStringList{"3"});
    EXPECT_EQ(found(""), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(found("КРАСН"), QStringList{"1"});
    EXPECT_EQ(found(".12.2023"), (QStringList{"1", "4"}));
    // The stored forms of a date and a number are not what the user sees.
    EXPECT_EQ(found("2023-12"), QStringList{});
    EXPECT_EQ(found("1234,75"), QStringList{"2"});
    // Long texts have no grid column and are not searched.
    EXPECT_EQ(found("скрытый"), QStringList{});
    // A quote or a percent sign is a plain character of the search text.
    EXPECT_EQ(found("'%"), QStringList{});

    // The engine passes at most 127 arguments to one function call: many columns take several calls.
    for (int i = 0; i < 70; ++i)
        addField(*module, QStringLiteral("Поле %1").arg(i), StringType);
    exec(QStringLiteral("UPDATE GENER SET %1 = 'иголка' WHERE G_ID = 4").arg(gridFields(*module).last().column()));
    BuildObjectListPieces(*module);
    EXPECT_EQ(found("ИГОЛК"), QStringList{"4"});
}

TEST_F(SearchTest, SearchCombinesWithTheFilterAndTheSortOrder)
{
    ASSERT_TRUE(ApplyTitleSort(*module, "Название"));
    EnsurePassingObjectsTable(*module);
    module->exec("INSERT INTO temp.PASSING_OBJECTS (P_OBJECT) VALUES (1), (2), (3)");
    FilterPart = PassingFilterPart(*module, WherePart);
    // Ёжик, ЕЛКА, then Apple Pie (through "зелёный"); ёлочка is filtered out.
    EXPECT_EQ(found("Е"), (QStringList{"1", "2", "3"}));
    ASSERT_TRUE(ApplyTitleSort(*module, "Название"));
    EXPECT_EQ(found("Е"), (QStringList{"3", "2", "1"}));
    module->exec("DELETE FROM temp.PASSING_OBJECTS");
    module->exec("INSERT INTO temp.PASSING_OBJECTS (P_OBJECT) VALUES (4)");
    EXPECT_EQ(found("ЕЛКА"), QStringList{});
    // The search stays in force when the list is opened again (after adding an object, for example).
    FilterPart.clear();
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, "G_ID"), QStringList{"2"});
}

namespace {
class SearchIndexTest : public SearchTest
{
protected:
    // Every writer brings the index up to date in its own transaction: nothing is left for the search to
    // read from the objects themselves.
    int staleBlocks() const { return count(QLatin1String("SELECT * FROM ") + SchemaName::SearchStaleTable); }
    int indexRows(const QString &condition) const
    {
        return count(QLatin1String("SELECT * FROM ") + SchemaName::SearchTextTable + QLatin1String(" WHERE ") + condition);
    }
    QList<FieldInput> inputs(const QString &title, const QString &lookupText)
    {
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        return {FieldInput{fields[0], title}, FieldInput{fields[1], lookupText}, FieldInput{fields[2], QDate(2020, 2, 29)},
                FieldInput{fields[3], "7"}, FieldInput{fields[4], ""}};
    }
};
}

TEST_F(SearchIndexTest, TheIndexFollowsEveryChangeOfAShownText)
{
    ASSERT_GT(indexRows("1 = 1"), 0);
    EXPECT_EQ(found("ёж"), QStringList{"1"});

    UpdateObject(*module, 1, inputs("Кот в сапогах", "Красный"));
    EXPECT_EQ(staleBlocks(), 0);
    EXPECT_EQ(found("ёж"), QStringList{});
    EXPECT_EQ(found("сапог"), QStringList{"1"});
    EXPECT_EQ(found("29.02.2020"), QStringList{"1"});

    // A renamed entry shows its new text on every object that holds it.
    const qint64 red = module->QRWork->readAll(QStringLiteral("SELECT L%1_ID FROM LOOKUP%1 WHERE L%1_DATA = 'Красный'").arg(colour)).first().first().toLongLong();
    FieldStore::RenameLookupEntry(*module, colour, red, "Бордовый");
    EXPECT_EQ(found("красн"), QStringList{});
    EXPECT_EQ(found("БОРДО"), QStringList{"1"});

    DeleteObject(*module, 2);
    EXPECT_EQ(staleBlocks(), 0);
    EXPECT_EQ(found("ел"), (QStringList{"3", "4"}));
    EXPECT_EQ(indexRows(QStringLiteral("instr(S_TEXT, char(31) || '2' || char(30)) > 0")), 0);

    // Texts of a deleted field go with it, also when a new field gets its number again.
    const qint64 note = addField(*module, "Примечание", StringType);
    module->exec(QStringLiteral("UPDATE GENER SET G%1 = 'старый текст' WHERE G_ID = 3").arg(note));
    RefreshSearchIndex(*module);
    BuildObjectListPieces(*module);
    EXPECT_EQ(found("старый"), QStringList{"3"});
    FieldStore::DeleteField(*module, note);
    EXPECT_EQ(indexRows(QStringLiteral("S_FIELD = %1").arg(note)), 0);
    ASSERT_EQ(addField(*module, "Новое поле", StringType), note);
    BuildObjectListPieces(*module);
    EXPECT_EQ(found("старый"), QStringList{});
    // A field made a lookup list: its values become entry numbers, which are no texts of the index.
    FieldStore::ChangeField(*module, note, "Новое поле", StringType, true);
    EXPECT_EQ(staleBlocks(), 0);
    FieldStore::DeleteField(*module, note);

    // Imported objects are found as soon as the import's transaction ends.
    ImportPlan plan;
    for (int i = 0; i < 300; ++i) {
        plan.rows << inputs(QStringLiteral("Импорт %1").arg(i), "Лиловый");
        plan.lines << i + 2;
        plan.rowFails << false;
    }
    plan.rows[299][0].value = QStringLiteral("Последний импортированный");
    BuildObjectListPieces(*module);
    ASSERT_EQ(WriteImportedObjects(*module, plan, false), 300);
    EXPECT_EQ(staleBlocks(), 0);
    EXPECT_EQ(found("последний ИМПОРТ"), QStringList{"304"});   // numbered after object 4
    EXPECT_EQ(found("импорт").size(), 300);
    EXPECT_EQ(found("лилов").size(), 300);

    // A field deleted before others: their texts stay.
    FieldStore::DeleteField(*module, made);
    BuildObjectListPieces(*module);
    EXPECT_EQ(found("7").size(), 301);   // the imported objects and object 1, by their mass
}

TEST_F(SearchIndexTest, AListOpenedAgainShowsWhatWasAddedSinceTheTextWasTyped)
{
    // Found on few objects, the condition lists them; opened again, the list must not keep the old ones.
    EXPECT_EQ(found("ёлоч"), QStringList{"4"});
    add(5, "Ёлочная игрушка", "Белый", QDate(), "1", "");
    UpdateObject(*module, 4, inputs("Сосна", "Синий"));
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, "G_ID"), QStringList{"5"});
    // The same for a lookup text: nothing showed it when typed.
    EXPECT_EQ(found("фиолет"), QStringList{});
    add(6, "Слива", "Фиолетовый", QDate(), "1", "");
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, "G_ID"), QStringList{"6"});
    // Found on many, the other form: the same objects.
    ApplyObjectSearch(*module, gridFields(*module), "е");
    const QStringList viaMany = listedColumn(*module, "G_ID");
    const SearchCondition few = ObjectSearchCondition(gridFields(*module), "е", SearchReach::Few);
    SearchPart = few.sql;
    SearchValues = few.values;
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, "G_ID"), viaMany);
    EXPECT_EQ(viaMany, (QStringList{"1", "2", "3", "5", "6"}));   // Сосна, Синий: no "е"
}

TEST_F(SearchIndexTest, ChangesByAnotherProgramAreFoundAndTheIndexCatchesUpOnOpening)
{
    // Another program writing the file (an earlier build of this one) knows nothing of the index; the
    // file's triggers mark what it changed, and the search reads that from the objects.
    exec(QStringLiteral("UPDATE GENER SET G%1 = 'Чужая правка' WHERE G_ID = 3").arg(name));
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (9, 'Чужой объект', 0)").arg(QString::number(name), QString::number(colour)));
    // Numbers no object of this program gets, as a file written by hand may hold them.
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (-5, 'Чужой минус', 0), (900000000000, 'Чужой дальний', 0)")
             .arg(QString::number(name), QString::number(colour)));
    EXPECT_EQ(found("чуж"), (QStringList{"-5", "3", "9", "900000000000"}));
    EXPECT_EQ(found("чужой д"), QStringList{"900000000000"});
    EXPECT_EQ(found("apple"), QStringList{});
    EXPECT_GT(staleBlocks(), 0);

    module->OpenConnection(dbPath);
    EnsureSearchIndex(*module);
    EXPECT_EQ(staleBlocks(), 0);
    BuildObjectListPieces(*module);
    EXPECT_EQ(found("ЧУЖ"), (QStringList{"-5", "3", "9", "900000000000"}));

    // Dates are indexed as the locale writes them: opened under another locale, the index is made anew.
    EXPECT_EQ(found("25.12.2023"), QStringList{"1"});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EnsureSearchIndex(*module);
    const QString shown = QLocale().toString(QDate(2023, 12, 25), QLocale::ShortFormat);
    ASSERT_NE(shown, "25.12.2023");
    EXPECT_EQ(found(shown), QStringList{"1"});
    EXPECT_EQ(found("25.12.2023"), QStringList{});
}

TEST(RussianCollation, CaseBlindYoBesideYeDigitsFirstCyrillicBeforeLatin)
{
    QStringList words{"яблоко", "Ёж", "ель", "Жук", "2 кота", "apple", "Банан", "Ель", "ёж", "Zebra", "10 слонов", "еж"};
    std::sort(words.begin(), words.end(), [](const QString &a, const QString &b) { return CompareRussian(a, b) < 0; });
    EXPECT_EQ(words, (QStringList{"10 слонов", "2 кота", "Банан", "еж", "ёж", "Ёж", "ель", "Ель", "Жук", "яблоко",
                                  "apple", "Zebra"}));
    EXPECT_EQ(CompareRussian(QString("абв"), QString("абв")), 0);
    EXPECT_LT(CompareRussian(QString("аб"), QString("абв")), 0);
}

using CollationSortTest = DatabaseTest;

TEST_F(CollationSortTest, TextColumnsAndLookupTextsSortInRussianOrder)
{
    const qint64 title = addField(*module, "Название", StringType);
    const qint64 kind = addField(*module, "Вид", StringType, true);
    addField(*module, "Номер", IntegerType);
    const QStringList titles{"яблоко", "Ёлка", "ель", "Жук", "apple", "Арбуз"};
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    for (int i = 0; i < titles.size(); ++i)
        InsertObject(*module, i + 1,
                     {FieldInput{fields[0], titles[i]}, FieldInput{fields[1], titles[titles.size() - 1 - i]},
                      FieldInput{fields[2], QString::number(10 - i)}});
    BuildObjectListPieces(*module);
    const QStringList expected{"Арбуз", "Ёлка", "ель", "Жук", "яблоко", "apple"};
    ASSERT_TRUE(ApplyTitleSort(*module, "Название"));
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, QStringLiteral("G%1").arg(title)), expected);
    ASSERT_TRUE(ApplyTitleSort(*module, "Вид"));
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, QStringLiteral("L%1_DATA").arg(kind)), expected);
    ASSERT_TRUE(ApplyTitleSort(*module, "Вид"));
    OpenObjectList(*module);
    QStringList descending = expected;
    std::reverse(descending.begin(), descending.end());
    EXPECT_EQ(listedColumn(*module, QStringLiteral("L%1_DATA").arg(kind)), descending);
    // Numbers still sort as numbers.
    ASSERT_TRUE(ApplyTitleSort(*module, "Номер"));
    OpenObjectList(*module);
    EXPECT_EQ(listedColumn(*module, "G_ID"), (QStringList{"6", "5", "4", "3", "2", "1"}));
}

namespace {
class SearchBoxTest : public AppTest
{
protected:
    // Typed key by key, as a user types (QTest::keyClicks knows ASCII only).
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar ch : text) {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
};
}

TEST_F(SearchBoxTest, TypingNarrowsTheGridEscapeClearsItAndCtrlFFocusesTheBox)
{
    // Opened in the main window, a file without the search index (as every earlier one) got it.
    EXPECT_TRUE(tableExists(SchemaName::SearchTextTable));
    addField(*module, "Название", StringType);
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    InsertObject(*module, 1, {FieldInput{fields[0], "Ёжик"}});
    InsertObject(*module, 2, {FieldInput{fields[0], "Кот"}});
    InsertObject(*module, 3, {FieldInput{fields[0], "ЕЖЕВИКА"}});
    Form2->LoadGeneral();
    Form2->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form2));
    ObjectGridModel *grid = Form2->gridModel;
    ASSERT_TRUE(WaitFor([&] { return grid->rowCount() == 3; }));

    Form2->DBGrid->setFocus();
    QTest::keyClick(Form2, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([] { return Form2->SearchEdit->hasFocus(); }));
    type(Form2->SearchEdit, "еж");
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 2; }));
    EXPECT_EQ(grid->data(grid->index(0, 0)).toString(), "Ёжик");
    type(Form2->SearchEdit, "ик");
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 1; }));
    type(Form2->SearchEdit, "и");
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 0; }));
    EXPECT_FALSE(Form2->EditRecordBtn->isEnabled());

    QTest::keyClick(Form2->SearchEdit, Qt::Key_Escape);
    EXPECT_TRUE(Form2->SearchEdit->text().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 3; }));
    EXPECT_TRUE(Form2->EditRecordBtn->isEnabled());

    // Every entry into the mode starts without a search.
    type(Form2->SearchEdit, "кот");
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 1; }));
    Form2->LoadGeneral();
    EXPECT_TRUE(Form2->SearchEdit->text().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return grid->rowCount() == 3; }));
}

TEST_F(CollationSortTest, NumbersAndYesNoAreSearchedOnlyForTextTheyCanShow)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Есть", BooleanType);
    addField(*module, "Имя", StringType);
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    InsertObject(*module, 1, {FieldInput{fields[0], "123"}, FieldInput{fields[1], true}, FieldInput{fields[2], "кот"}});
    InsertObject(*module, 2, {FieldInput{fields[0], "-45"}, FieldInput{fields[1], false}, FieldInput{fields[2], "Данила"}});
    BuildObjectListPieces(*module);
    const auto found = [&](const QString &text) {
        ApplyObjectSearch(*module, fields, text);
        return listedColumn(*module, "G_ID");
    };
    EXPECT_EQ(found("ДА"), (QStringList{"1", "2"}));   // yes, and Данила
    EXPECT_EQ(found("нет"), QStringList{"2"});
    EXPECT_EQ(found("23"), QStringList{"1"});
    EXPECT_EQ(found("-4"), QStringList{"2"});
    EXPECT_EQ(found("кот 1"), QStringList{});
}

TEST_F(CollationSortTest, AFileWithoutTheIndexGetsItOnOpeningAndStaysReadable)
{
    addField(*module, "Название", StringType);
    addField(*module, "Дата", DateType);
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    {
        Transaction tx(*module);
        for (int i = 1; i <= 300; ++i)
            InsertObject(*module, i, {FieldInput{fields[0], QStringLiteral("Предмет %1").arg(i)}, FieldInput{fields[1], QDate(2001, 1, 1).addDays(i)}});
        InsertObject(*module, 301, {FieldInput{fields[0], "ЁЛКА"}, FieldInput{fields[1], QDate()}});
        tx.commit();
    }
    ASSERT_FALSE(tableExists(SchemaName::SearchTextTable));
    BuildObjectListPieces(fields);
    const auto found = [&](const QString &text) {
        ApplyObjectSearch(*module, fields, text);
        QStringList ids;
        for (bool more = module->QRGeneral->first(); more; more = module->QRGeneral->next())
            ids << module->QRGeneral->asString("G_ID");
        return ids;
    };
    // Without the index the objects themselves are read.
    EXPECT_EQ(found("елк"), QStringList{"301"});

    // A file that cannot be written now (another program is writing it) gets the index for this opening
    // only, beside the file.
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(dbPath);
        ASSERT_TRUE(locker.open());
        ASSERT_TRUE(QSqlQuery(locker).exec("BEGIN IMMEDIATE"));
        module->OpenConnection(dbPath);
        EnsureSearchIndex(*module);
        EXPECT_FALSE(tableExists(SchemaName::SearchTextTable));
        EXPECT_EQ(module->QRWork->readAll("SELECT COUNT(*) FROM temp." + SchemaName::SearchTextTable).first().first().toInt(), 6);
        BuildObjectListPieces(fields);
        EXPECT_EQ(found("предмет 30"), (QStringList{"30", "300"}));
        QSqlQuery(locker).exec("ROLLBACK");
        locker.close();
    }
    QSqlDatabase::removeDatabase("locker");

    module->OpenConnection(dbPath);
    EnsureSearchIndex(*module);
    EXPECT_TRUE(tableExists(SchemaName::SearchTextTable));
    EXPECT_EQ(count(QLatin1String("SELECT * FROM ") + SchemaName::SearchStaleTable), 0);
    // 301 objects in three blocks, two fields each.
    EXPECT_EQ(count(QLatin1String("SELECT * FROM ") + SchemaName::SearchTextTable), 6);
    BuildObjectListPieces(fields);
    EXPECT_EQ(found("елк"), QStringList{"301"});
    EXPECT_EQ(found("предмет 30"), (QStringList{"30", "300"}));
    EXPECT_EQ(found("предмет 299").size(), 1);

    // The file keeps opening, and a field is still deleted with the index's triggers on its table.
    module->OpenConnection(dbPath);
    EXPECT_NO_THROW(FieldStore::DeleteField(*module, fields[1].id));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM GENER")), 301);
}
