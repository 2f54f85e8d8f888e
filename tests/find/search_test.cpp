#include "objects/windowsteps.h"
#include "find/findtest.h"

#include "core/schemanames.h"
#include "fields/fieldstore.h"
#include "objects/objectfilter.h"
#include "objects/objectimport.h"
#include "objects/objectsearch.h"
#include "objects/searchindex.h"

#include <QDate>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

namespace {
// The objects the list shows with `text` searched in `fields`.
QStringList searched(TDModule &module, const QList<DescriptionField> &fields, const QString &text)
{
    ObjectList::Of(module).applySearch(fields, text);
    return ListedColumn(module, "G_ID");
}

// The quick search on both engines: the file's index is read by the engine's own functions, the server's
// by statements that narrow its blocks and list the objects found in a table of the connection.
class SearchTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        name = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        made = addField(*module, "Дата", DateType);
        mass = addField(*module, "Масса", RealType);
        addField(*module, "Заметки", LongTextType);
        add(1, "Ёжик в тумане", "Красный", QDate(2023, 12, 25), "2.5", "скрытый текст");
        add(2, "ЕЛКА", "синий", QDate(2021, 1, 5), "1234.75");
        add(3, "Apple Pie", "зелёный", QDate(), "10");
        add(4, "ёлочка", "Синий", QDate(2023, 12, 1), "3");
        EnsureSearchIndex(*module);
        ObjectList::Of(*module).compose();
    }
    // An object's values for the fields made above, in their order.
    QList<FieldInput> inputs(const QString &title, const QString &lookupText, const QDate &date = QDate(2020, 2, 29),
                             const QString &number = "7", const QString &notes = "")
    {
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        return {FieldInput{fields[0], title}, FieldInput{fields[1], lookupText}, FieldInput{fields[2], date},
                FieldInput{fields[3], number}, FieldInput{fields[4], notes}};
    }
    void add(qint64 id, const QString &title, const QString &lookupText, const QDate &date = QDate(), const QString &number = "1",
             const QString &notes = "")
    {
        InsertObject(*module, id, inputs(title, lookupText, date, number, notes));
    }
    QStringList found(const QString &text) { return searched(*module, GridFields(*module), text); }
    const RussianLocale russian;
    qint64 name = 0, colour = 0, made = 0, mass = 0;
};
}
ENGINE_TEST_SUITE(SearchTest);

TEST_P(SearchTest, LettersMatchInAnyCaseYoAsYeAndValuesAsTheGridShowsThemUnderTheFilterAndOrder)
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
    // A text standing twice in one object, at the start of a text and in the next object; digits are
    // never found in the objects' own numbers.
    add(5, "Тук-тук, ТУК", "Красный");
    add(6, "тук", "Красный");
    EXPECT_EQ(found("тук"), (QStringList{"5", "6"}));
    EXPECT_EQ(found("к, т"), QStringList{"5"});
    EXPECT_EQ(found("5"), (QStringList{"1", "2"}));

    // The engine passes at most 127 arguments to one function call: many columns take several calls.
    for (int i = 0; i < 70; ++i)
        addField(*module, QStringLiteral("Поле %1").arg(i), StringType);
    exec(QStringLiteral("UPDATE GENER SET %1 = 'иголка' WHERE G_ID = 4").arg(GridFields(*module).last().column()));
    ObjectList::Of(*module).compose();
    EXPECT_EQ(found("ИГОЛК"), QStringList{"4"});

    // The search combines with the filter and the sort order.
    ObjectList &list = ObjectList::Of(*module);
    makeBook(1, "Места", {{10, "Лес", "", 0}, {11, "Сад", "", 0}});
    exec("INSERT INTO LINKS VALUES (1, 1, 1, 10, '', 0), (2, 2, 1, 10, '', 0), (3, 3, 1, 10, '', 0), (4, 4, 1, 11, '', 0)");
    ASSERT_TRUE(list.sortByTitle("Название"));
    list.applyFilter({FilterCondition(*module, 1, 10)});
    // Ёжик, ЕЛКА, then Apple Pie (through "зелёный"); ёлочка is filtered out.
    EXPECT_EQ(found("Е"), (QStringList{"1", "2", "3"}));
    ASSERT_TRUE(list.sortByTitle("Название"));
    EXPECT_EQ(ListedColumn(*module, "G_ID"), (QStringList{"3", "2", "1"}));
    list.applyFilter({FilterCondition(*module, 1, 11)});
    EXPECT_EQ(found("ЕЛКА"), QStringList{});
    // The search stays in force when the filter goes and the list is opened again.
    list.applyFilter({});
    EXPECT_EQ(ListedColumn(*module, "G_ID"), QStringList{"2"});
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
    // Whether any text of the index holds a record of object `id` (blocks of 128 objects).
    bool indexHolds(qint64 id) const
    {
        const QByteArray record = '\x1F' + QByteArray::number(id % 128) + '\x1E';
        for (const QVariantList &row : rows(QStringLiteral("SELECT S_TEXT FROM %1 WHERE S_BLOCK = %2").arg(SchemaName::SearchTextTable).arg(id / 128)))
            if (row.first().toString().toUtf8().contains(record))
                return true;
        return false;
    }
};
}
ENGINE_TEST_SUITE(SearchIndexTest);

TEST_P(SearchIndexTest, TheIndexFollowsEveryChangeOfAShownText)
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
    EXPECT_FALSE(indexHolds(2));
    EXPECT_TRUE(indexHolds(3));

    // Texts of a deleted field go with it, also when a new field gets its number again.
    const qint64 note = addField(*module, "Примечание", StringType);
    module->exec(QStringLiteral("UPDATE GENER SET G%1 = 'старый текст' WHERE G_ID = 3").arg(note));
    RefreshSearchIndex(*module);
    ObjectList::Of(*module).compose();
    EXPECT_EQ(found("старый"), QStringList{"3"});
    FieldStore::DeleteField(*module, note);
    EXPECT_EQ(indexRows(QStringLiteral("S_FIELD = %1").arg(note)), 0);
    // A server never gives a field's number again; a file does.
    const qint64 again = addField(*module, "Новое поле", StringType);
    if (!onServer())
        ASSERT_EQ(again, note);
    ObjectList::Of(*module).compose();
    EXPECT_EQ(found("старый"), QStringList{});
    // A field made a lookup list: its values become entry numbers, which are no texts of the index.
    module->exec(QStringLiteral("UPDATE GENER SET G%1 = 'значение' WHERE G_ID = 3").arg(again));
    RefreshSearchIndex(*module);
    FieldStore::ChangeField(*module, again, "Новое поле", StringType, true);
    EXPECT_EQ(staleBlocks(), 0);
    EXPECT_EQ(indexRows(QStringLiteral("S_FIELD = %1").arg(again)), 0);
    FieldStore::DeleteField(*module, again);

    // Imported objects are found as soon as the import's transaction ends.
    QByteArray text = "Название;Цвет;Дата;Масса\r\n";
    for (int i = 0; i < 299; ++i)
        text += QStringLiteral("Импорт %1;Лиловый;29.02.2020;7\r\n").arg(i).toUtf8();
    text += QStringLiteral("Последний импортированный;Лиловый;29.02.2020;7\r\n").toUtf8();
    const QString csv = folder->path() + QStringLiteral("/import.csv");
    WriteFile(csv, text);
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    const CsvImportSource source{csv, CsvEncoding::Utf8, true, MatchCsvHeader(ReadCsvHead(csv).records.first().fields, fields)};
    ObjectList::Of(*module).compose();
    ASSERT_EQ(WriteImportedObjects(*module, source, fields, CheckCsvImport(source, fields), false), 300);
    EXPECT_EQ(staleBlocks(), 0);
    EXPECT_EQ(found("последний ИМПОРТ"), QStringList{"304"});   // numbered after object 4
    EXPECT_EQ(found("импорт").size(), 300);
    EXPECT_EQ(found("лилов").size(), 300);

    // A field deleted before others: their texts stay.
    FieldStore::DeleteField(*module, made);
    ObjectList::Of(*module).compose();
    EXPECT_EQ(found("7").size(), 301);   // the imported objects and object 1, by their mass
}

// Found on few objects, the condition lists them; opened again (after a change of this program, or the
// notice of another's), the list must not keep the old ones.
TEST_P(SearchIndexTest, AListOpenedAgainShowsWhatWasChangedSinceTheTextWasTyped)
{
    EXPECT_EQ(found("ёлоч"), QStringList{"4"});
    add(5, "Ёлочная игрушка", "Белый");
    UpdateObject(*module, 4, inputs("Сосна", "Синий"));
    ObjectList::Of(*module).open();
    EXPECT_EQ(ListedColumn(*module, "G_ID"), QStringList{"5"});
    {
        auto other = otherProgram();
        InsertObject(*other, 7, inputs("Ёлочный шар", "Белый"));
        UpdateObject(*other, 5, inputs("Сосна", "Синий"));
        other->CloseConnection();
    }
    ObjectList::Of(*module).open();
    EXPECT_EQ(ListedColumn(*module, "G_ID"), QStringList{"7"});
    EXPECT_EQ(staleBlocks(), 0);
    // The same for a lookup text: nothing showed it when typed.
    EXPECT_EQ(found("фиолет"), QStringList{});
    add(6, "Слива", "Фиолетовый");
    ObjectList::Of(*module).open();
    EXPECT_EQ(ListedColumn(*module, "G_ID"), QStringList{"6"});
    if (onServer())
        return;
    // Both forms of the condition find the same objects.
    for (const SearchReach reach : {SearchReach::Many, SearchReach::Few}) {
        const SearchCondition condition = ObjectSearchCondition(GridFields(*module), "е", reach);
        QStringList ids;
        for (const QVariantList &row : module->QRWork->readAll("SELECT G_ID FROM GENER WHERE " + condition.sql + " ORDER BY G_ID", condition.values))
            ids << row.first().toString();
        EXPECT_EQ(ids, (QStringList{"1", "2", "3", "6", "7"})) << "Сосна, Синий: no \"е\"";
    }
}

TEST_P(SearchIndexTest, ChangesByAnotherProgramAreFoundAndTheIndexCatchesUpOnOpening)
{
    // Another program writing the file (an earlier build of this one) knows nothing of the index; the
    // file's triggers mark what it changed, and the search reads that from the objects.
    exec(QStringLiteral("UPDATE GENER SET G%1 = 'Чужая правка' WHERE G_ID = 3").arg(name));
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (9, 'Чужой объект', 0)").arg(QString::number(name), QString::number(colour)));
    // Numbers no object of this program gets, as a file written by hand may hold them.
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (-5, 'Чужой минус', 0), (2000000000, 'Чужой дальний', 0)")
             .arg(QString::number(name), QString::number(colour)));
    EXPECT_EQ(found("чуж"), (QStringList{"-5", "3", "9", "2000000000"}));
    EXPECT_EQ(found("чужой д"), QStringList{"2000000000"});
    EXPECT_EQ(found("apple"), QStringList{});
    EXPECT_GT(staleBlocks(), 0);

    // The database opened again, as a program starting on it.
    if (onServer())
        module->OpenServerConnection(server);
    else
        module->OpenConnection(dbPath);
    EnsureSearchIndex(*module);
    EXPECT_EQ(staleBlocks(), 0);
    ObjectList::Of(*module).compose();
    EXPECT_EQ(found("ЧУЖ"), (QStringList{"-5", "3", "9", "2000000000"}));

    // Dates are indexed as the locale writes them: opened under another locale, the index is made anew.
    EXPECT_EQ(found("25.12.2023"), QStringList{"1"});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EnsureSearchIndex(*module);
    const QString shown = QLocale().toString(QDate(2023, 12, 25), QLocale::ShortFormat);
    ASSERT_NE(shown, "25.12.2023");
    EXPECT_EQ(found(shown), QStringList{"1"});
    EXPECT_EQ(found("25.12.2023"), QStringList{});
}

// Two programs changing objects of one block at the same time. On a server the one that writes second
// waits for the first to finish and makes the block from both changes; a file is written by one program
// at a time, so the second is refused. No change is lost either way and the index stays whole.
TEST_P(SearchIndexTest, TwoProgramsChangingOneBlockAtOnceLoseNoText)
{
    QString otherFailure;
    const QList<FieldInput> secondChange = inputs("Вторая правка", "синий");
    {
        Transaction first(*module);
        UpdateObject(*module, 1, inputs("Первая правка", "Красный"));
        std::unique_ptr<QThread> second(QThread::create([&] {
            otherFailure = FailureOf([&] { UpdateObject(*otherProgram(), 2, secondChange); });
        }));
        second->start();
        if (onServer()) {
            // The second program is inside its action, waiting for this one's.
            EXPECT_FALSE(second->wait(500));
            first.commit();
            EXPECT_TRUE(second->wait(10000));
        } else {
            EXPECT_TRUE(second->wait(10000));
            first.commit();
        }
    }
    EXPECT_EQ(otherFailure.isEmpty(), onServer()) << otherFailure.toStdString();
    EXPECT_EQ(staleBlocks(), 0);
    const QStringList changed = onServer() ? QStringList{"1", "2"} : QStringList{"1"};
    EXPECT_EQ(found("правка"), changed);
    EXPECT_EQ(found("ёжик"), QStringList{});
}

// Found on more objects than are listed one by one, the search tests each object the list reads: the
// same objects, in the list's order, through every page.
TEST_P(SearchIndexTest, ATextFoundOnVeryManyObjectsListsThemAllInTheListsOrder)
{
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    const qint64 blue = scalar(QStringLiteral("SELECT L%1_ID FROM LOOKUP%1 WHERE L%1_DATA = 'синий'").arg(colour)).toLongLong();
    {
        Transaction tx(*module);
        // Object n is named "Шар n" and is blue, 25 000 of them from number 101 on.
        module->exec(QStringLiteral("WITH RECURSIVE N(n) AS (SELECT 101 UNION ALL SELECT n + 1 FROM N WHERE n < 25100) "
                                    "INSERT INTO GENER (G_ID, G%1, G%2) SELECT n, 'Шар ' || n, %3 FROM N")
                         .arg(name).arg(colour).arg(blue));
        RefreshSearchIndex(*module);
        tx.commit();
    }
    ObjectList::Of(*module).compose(fields);
    ASSERT_TRUE(ObjectList::Of(*module).sortByTitle("Название"));
    ObjectList::Of(*module).applySearch(GridFields(*module), "шар 2");
    // Шар 200..299, 2000..2999, 20000..25100 in Russian (character) order.
    ASSERT_EQ(module->QRGeneral->recordCount(), 100 + 1000 + 5101);
    const auto idAt = [&](int row) { return module->QRGeneral->valueAt(row, 0).toLongLong(); };
    EXPECT_EQ((QList<qint64>{idAt(0), idAt(1), idAt(2), idAt(6200)}), (QList<qint64>{200, 2000, 20000, 2999}));
    ObjectList::Of(*module).applySearch(GridFields(*module), "ШАР");
    EXPECT_EQ(module->QRGeneral->recordCount(), 25000);
    // The lookup text: the blue objects (2 and 4 among the first, then every ball), and a page read far
    // down the list through the order's keys holds the ones reading from the top holds.
    ObjectList::Of(*module).applySearch(GridFields(*module), "СИН");
    ASSERT_EQ(module->QRGeneral->recordCount(), 25002);
    const QVariant far = module->QRGeneral->valueAt(20000, 0);
    EXPECT_EQ(ObjectList::Of(*module).locate(far.toLongLong()), 20001);
    ObjectList::Of(*module).applySearch(GridFields(*module), "шар 2510");
    EXPECT_EQ(ListedColumn(*module, "G_ID"), (QStringList{"2510", "25100"}));
}

using CollationSortTest = DatabaseTest;

// Texts and lookup texts sort in Russian order (digits first, case-blind with lower case first on a tie, Ё
// beside Е, Cyrillic before Latin), numbers as numbers; numbers and yes/no are searched only for the texts
// they show.
TEST_F(CollationSortTest, TextsSortInRussianOrderAndNumbersAndYesNoAreSearchedAsShown)
{
    const qint64 title = addField(*module, "Название", StringType);
    addField(*module, "Вид", StringType, true);
    addField(*module, "Номер", IntegerType);
    addField(*module, "Есть", BooleanType);
    const QStringList titles{"яблоко", "Ёж", "ель", "2 кота", "apple", "10 слонов", "Ель", "еж"};
    const QStringList numbers{"123", "9", "8", "7", "6", "-45", "5", "4"};
    for (int i = 0; i < titles.size(); ++i)
        InsertValues(*module, i + 1, {titles[i], titles[titles.size() - 1 - i], numbers[i], i % 2 == 0});
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    ObjectList::Of(*module).compose();
    const QStringList expected{"10 слонов", "2 кота", "еж", "Ёж", "ель", "Ель", "яблоко", "apple"};
    ASSERT_TRUE(ObjectList::Of(*module).sortByTitle("Название"));
    EXPECT_EQ(ListedColumn(*module, QStringLiteral("G%1").arg(title)), expected);
    // Lookup texts sort by the same keys: SortKeyTest sorts a lookup column, RussianSortKey compares the keys of these ties.
    ASSERT_TRUE(ObjectList::Of(*module).sortByTitle("Номер"));
    EXPECT_EQ(ListedColumn(*module, "G_ID"), (QStringList{"6", "8", "7", "5", "4", "3", "2", "1"}));

    ObjectList::Of(*module).compose();
    const auto found = [&](const QString &text) { return searched(*module, fields, text); };
    EXPECT_EQ(found("ДА"), (QStringList{"1", "3", "5", "7"}));
    EXPECT_EQ(found("нет"), (QStringList{"2", "4", "6", "8"}));
    EXPECT_EQ(found("23"), QStringList{"1"});
    EXPECT_EQ(found("-4"), QStringList{"6"});
    EXPECT_EQ(found("яблоко 1"), QStringList{});
}

using SearchBoxTest = AppTest;

TEST_F(SearchBoxTest, TypingNarrowsTheGridEscapeClearsItAndCtrlFFocusesTheBox)
{
    // Opened in the main window, a file without the search index (as every earlier one) got it.
    EXPECT_TRUE(tableExists(SchemaName::SearchTextTable));
    addField(*module, "Название", StringType);
    InsertValues(*module, 1, {"Ёжик"});
    InsertValues(*module, 2, {"Кот"});
    InsertValues(*module, 3, {"ЕЖЕВИКА"});
    ViewFill::Enter(3);
    auto *box = Control<QLineEdit>(Form2, "SearchEdit");
    const auto shown = [](int rows) { return WaitFor([rows] { return ViewFill::Grid()->model()->rowCount() == rows; }); };

    ViewFill::Grid()->setFocus();
    QTest::keyClick(Form2, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([box] { return box->hasFocus(); }));
    TypeKeys(box, "еж");
    EXPECT_TRUE(shown(2));
    EXPECT_EQ(ViewFill::ColumnTexts().value(0), "Ёжик");
    TypeKeys(box, "ик");
    EXPECT_TRUE(shown(1));
    TypeKeys(box, "и");
    EXPECT_TRUE(shown(0));
    EXPECT_FALSE(Control<QPushButton>(Form2, "EditRecordBtn")->isEnabled());

    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(shown(3));
    EXPECT_TRUE(Control<QPushButton>(Form2, "EditRecordBtn")->isEnabled());

    // Every entry into the mode starts without a search.
    TypeKeys(box, "кот");
    EXPECT_TRUE(shown(1));
    Form2->LoadGeneral();
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(shown(3));
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
    ObjectList::Of(*module).compose(fields);
    const auto found = [&](const QString &text) { return searched(*module, fields, text); };
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
        ObjectList::Of(*module).compose(fields);
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
    ObjectList::Of(*module).compose(fields);
    EXPECT_EQ(found("елк"), QStringList{"301"});
    EXPECT_EQ(found("предмет 30"), (QStringList{"30", "300"}));
    EXPECT_EQ(found("предмет 299").size(), 1);

    // The file keeps opening, and a field is still deleted with the index's triggers on its table.
    module->OpenConnection(dbPath);
    EXPECT_NO_THROW(FieldStore::DeleteField(*module, fields[1].id));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM GENER")), 301);
}
