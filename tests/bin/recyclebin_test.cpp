#include "support/testsupport.h"
#include "find/findtest.h"

#include "core/snapshots.h"
#include "fields/fieldstore.h"
#include "objects/objecthistory.h"
#include "objects/objectfilter.h"
#include "objects/objectlinks.h"
#include "objects/recyclebin.h"
#include "settings/form6.h"
#include "templates/templatestore.h"

namespace {
// An object database with a name, a lookup colour, a date and a picture, and a book of places.
class BinTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        name = addField(*module, "Название", StringType);
        colour = addField(*module, "Цвет", StringType, true);
        day = addField(*module, "Дата", DateType);
        photo = addField(*module, "Фото", ImageType);
        makeBook(1, "Места", {{10, "Лес", "", 0}, {11, "Сад", "", 0}, {12, "Высота", "", 0}});
    }
    qint64 add(qint64 id, const QString &title, const QString &colourText, const QByteArray &bytes = {})
    {
        InsertObject(*module, id,
                     {input(name, title), input(colour, colourText), input(day, "01.02.2023"), input(photo, bytes, !bytes.isEmpty())});
        return id;
    }
    // Every stored fact of the objects: values with lookup texts and picture digests, and links.
    QList<QList<QVariantList>> objectsAndLinks() const
    {
        return {rows(QStringLiteral("SELECT G_ID, G%1, L%2_DATA, G%3, G%4 FROM GENER, LOOKUP%2 WHERE G%2 = L%2_ID ORDER BY G_ID")
                         .arg(name).arg(colour).arg(day).arg(photo)),
                rows("SELECT L_OBJECT, L_REFER, L_CLASS, L_VALUE, L_CAPTION FROM LINKS ORDER BY L_OBJECT, L_ID")};
    }
    // The rows of the objects, their links and the bin.
    QList<int> counts() const { return rowCounts({"GENER", "LINKS", "ERASED"}); }
    qint64 name = 0, colour = 0, day = 0, photo = 0;
    const RussianLocale russian;
};
}

ENGINE_TEST_SUITE(BinTest);

TEST_P(BinTest, DeletedObjectsWaitInTheBinOutOfListSearchAndFilterAndComeBackWhole)
{
    const QByteArray red = PictureBytes(Qt::red);
    add(1, "Ёлка 'зелёная'", "зелёный", red);
    add(2, "Сосна", "зелёный");
    add(3, "Клён", "красный");
    AddObjectLink(*module, "1", 1, 10, "", 0, LinkedObject::Stored);
    AddObjectLink(*module, "1", 1, 11, "5 м", 12, LinkedObject::Stored);
    AddObjectLink(*module, "3", 1, 10, "", 0, LinkedObject::Stored);
    const QList<QList<QVariantList>> before = objectsAndLinks();

    // Two at once: one transaction, both kept, with the name and time of deletion.
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    const QList<RecycleBin::Moved> moved = RecycleBin::MoveToBin(*module, {1, 3, 99});
    ASSERT_EQ(moved.size(), 2) << "an object no longer stored is passed over";
    EXPECT_EQ(rows("SELECT G_ID FROM GENER"), (QList<QVariantList>{{2}}));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    const QList<RecycleBin::Entry> entries = RecycleBin::Entries(*module);
    ASSERT_EQ(entries.size(), 2);
    QStringList names{entries[0].name, entries[1].name};
    names.sort();
    EXPECT_EQ(names, (QStringList{"Ёлка 'зелёная'", "Клён"}));
    EXPECT_GE(entries[0].deleted, start);
    EXPECT_LE(entries[0].deleted, QDateTime::currentDateTime().addSecs(1));

    // Nothing of them in the list, the quick search or the filter by a place they were linked to.
    ObjectList &list = ObjectList::Of(*module);
    list.compose();
    list.open();
    EXPECT_EQ(ListedColumn(*module), QStringList{"2"});
    list.applySearch(list.fields(), "Ёлка");
    EXPECT_EQ(ListedColumn(*module), QStringList{});
    list.applySearch(list.fields(), "");
    list.applyFilter({FilterCondition(*module, 1, 10)});
    EXPECT_EQ(ListedColumn(*module), QStringList{});

    // Back under their numbers, with lookup texts (the entry renamed meanwhile comes back as text),
    // the picture's bytes and every link.
    exec(QStringLiteral("UPDATE LOOKUP%1 SET L%1_DATA = 'красный тёмный' WHERE L%1_DATA = 'красный'").arg(colour));
    EXPECT_TRUE(RecycleBin::RestoreMisfits(*module, {moved[0].entryId, moved[1].entryId}).isEmpty());
    const QList<RecycleBin::Restored> restored = RecycleBin::Restore(*module, {moved[0].entryId, moved[1].entryId});
    ASSERT_EQ(restored.size(), 2);
    EXPECT_FALSE(restored[0].renumbered || restored[1].renumbered);
    EXPECT_EQ(objectsAndLinks(), before);
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1 WHERE L%1_DATA = 'красный'").arg(colour)), 1);
    list.applyFilter({});
    list.applySearch(list.fields(), "ёлка");
    EXPECT_EQ(ListedColumn(*module), QStringList{"1"});
}

TEST_P(BinTest, AnObjectWhoseFieldOrBookWentMeanwhileTellsWhatIsLeftOutAndTakesANewNumberWhenItsOwnIsTaken)
{
    add(1, "Ель", "синий");
    add(2, "Пихта", "синий");
    AddObjectLink(*module, "2", 1, 11, "", 0, LinkedObject::Stored);
    const qint64 entry = RecycleBin::MoveToBin(*module, {2}).value(0).entryId;
    closeQueries(*module);
    FieldStore::DeleteField(*module, day);
    exec("DELETE FROM REFER1 WHERE R1_ID = 11");
    // A new object takes the deleted one's number.
    InsertObject(*module, 2, {input(name, "Кедр"), input(colour, "синий")});

    EXPECT_TRUE(OneMessageSaying(RecycleBin::RestoreMisfits(*module, {entry}),
                                 {"«Пихта»", "поле «Дата» удалено (значение: 01.02.2023)", "Места: Сад"}));

    const QList<RecycleBin::Restored> restored = RecycleBin::Restore(*module, {entry});
    ASSERT_EQ(restored.size(), 1);
    EXPECT_EQ(std::pair(restored[0].renumbered, restored[0].objectId), std::pair(true, qint64(3)));
    EXPECT_EQ(rows(QStringLiteral("SELECT G_ID, G%1 FROM GENER ORDER BY G_ID").arg(name)),
              (QList<QVariantList>{{1, "Ель"}, {2, "Кедр"}, {3, "Пихта"}}));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
}

TEST_P(BinTest, ThePurgeRemovesOnlyWhatWasDeletedBeforeThePeriodAndEmptyingRemovesAll)
{
    for (qint64 id = 1; id <= 3; ++id)
        add(id, QStringLiteral("Объект %1").arg(id), "белый");
    RecycleBin::MoveToBin(*module, {1, 2, 3});
    const QDateTime now = QDateTime::currentDateTime();
    exec("UPDATE ERASED SET E_WHEN = '" + now.addDays(-31).toString("yyyy-MM-dd HH:mm:ss") + "' WHERE E_OBJECT = 1");
    exec("UPDATE ERASED SET E_WHEN = '" + now.addDays(-29).toString("yyyy-MM-dd HH:mm:ss") + "' WHERE E_OBJECT = 2");
    EXPECT_EQ(RecycleBin::Purge(*module, 30, [] { return false; }, now), 0) << "a refused snapshot stops the purge";
    EXPECT_EQ(RecycleBin::Purge(*module, 30, {}, now), 1);
    EXPECT_EQ(rows("SELECT E_OBJECT FROM ERASED ORDER BY E_OBJECT"), (QList<QVariantList>{{2}, {3}}));
    EXPECT_EQ(RecycleBin::Purge(*module, 30, {}, now), 0);
    EXPECT_EQ(RecycleBin::Purge(*module, 28, {}, now), 1);
    EXPECT_EQ(RecycleBin::Empty(*module, {}), 1);
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
}

TEST_P(BinTest, UndoAndRedoOfAddingChangingAndDeletingBringBackValuesLinksAndPictures)
{
    ObjectHistory history(*module);
    const QByteArray red = PictureBytes(Qt::red), blue = PictureBytes(Qt::blue);
    add(1, "Дуб", "бурый", red);
    AddObjectLink(*module, "1", 1, 10, "", 0, LinkedObject::Stored);
    history.recordAdded(*ReadObjectImage(*module, 1));
    const QList<QList<QVariantList>> added = objectsAndLinks();

    const ObjectImage beforeChange = *ReadObjectImage(*module, 1);
    UpdateObject(*module, 1, {input(name, "Дуб старый"), input(colour, "серый"), input(photo, blue, true)});
    AddObjectLink(*module, "1", 1, 11, "2 шт.", 0, LinkedObject::Stored);
    history.recordChanged(beforeChange, *ReadObjectImage(*module, 1));
    const QList<QList<QVariantList>> changed = objectsAndLinks();

    const QList<RecycleBin::Moved> moved = RecycleBin::MoveToBin(*module, {1});
    history.recordDeleted({ObjectHistory::Change{moved[0].image, std::nullopt, moved[0].entryId, true}});
    ASSERT_EQ(history.count(), 3);

    // Undo of the deletion: back from the bin, and out of it.
    EXPECT_EQ(history.undo(), 1);
    EXPECT_EQ(objectsAndLinks(), changed);
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
    // Undo of the change: the values, the picture and the links as before. A field added since does not
    // stand in the way and keeps its value.
    closeQueries(*module);
    const qint64 height = addField(*module, "Высота", IntegerType);
    exec(QStringLiteral("UPDATE GENER SET G%1 = 7").arg(height));
    EXPECT_EQ(history.undo(), 1);
    EXPECT_EQ(objectsAndLinks(), added);
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER").arg(height)).toInt(), 7);
    // Undo of the addition: gone, and not into the bin.
    EXPECT_EQ(history.undo(), 0);
    EXPECT_EQ(counts(), (QList<int>{0, 0, 0}));
    EXPECT_FALSE(history.canUndo());

    EXPECT_EQ(history.redo(), 1);
    EXPECT_EQ(objectsAndLinks(), added);
    EXPECT_EQ(history.redo(), 1);
    EXPECT_EQ(objectsAndLinks(), changed);
    exec(QStringLiteral("UPDATE GENER SET G%1 = 7").arg(height));
    EXPECT_EQ(history.redo(), 0);
    EXPECT_EQ(counts(), (QList<int>{0, 0, 1})) << "a deletion redone goes into the bin again";
    EXPECT_FALSE(history.canRedo());
    // Undone once more, it comes back as it went into the bin, with the value given after the deletion was recorded.
    EXPECT_EQ(history.undo(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER").arg(height)).toInt(), 7);
    EXPECT_EQ(history.redo(), 0);

    // Emptied out of the bin, the object is gone for good: undo does not bring it back, not even when the
    // bin's row number went to another program's deletion, whose object stays in the bin.
    RecycleBin::Empty(*module, {});
    add(2, "Тополь", "белый");
    RecycleBin::MoveToBin(*module, {2});
    const QString dropped = FailureOf([&] { history.undo(); });
    EXPECT_TRUE(dropped.contains("удалён из корзины навсегда")) << dropped.toStdString();
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(rows("SELECT E_OBJECT FROM ERASED"), QList<QVariantList>{{2}});
    EXPECT_FALSE(history.canUndo());
}

TEST_P(BinTest, TheBinOfADatabaseIsNeverPartOfATemplate)
{
    if (onServer())
        GTEST_SKIP() << "templates are files";
    add(1, "Берёза", "белый");
    RecycleBin::MoveToBin(*module, {1});
    TemplateStore::StripTemplateCopy(*module, TemplateStore::StripChoice{});
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
}

using BinTable = DatabaseTest;

TEST_F(BinTable, AFileOfAnEarlierVersionGetsTheBinOnOpeningAndOpeningPurgesWhatIsOlderThanThePeriod)
{
    exec("DROP TABLE ERASED");
    ASSERT_FALSE(tableExists("ERASED"));
    module->OpenConnection(dbPath);
    EXPECT_TRUE(tableExists("ERASED"));
    const QDateTime now = QDateTime::currentDateTime();
    module->exec("INSERT INTO ERASED VALUES (1, 7, 'давний', ?, NULL), (2, 8, 'недавний', ?, NULL)",
                 {now.addDays(-Settings::RecycleBinDays() - 1).toString("yyyy-MM-dd HH:mm:ss"),
                  now.addDays(-Settings::RecycleBinDays() + 1).toString("yyyy-MM-dd HH:mm:ss")});
    module->OpenConnection(dbPath);
    const QList<RecycleBin::Entry> entries = RecycleBin::Entries(*module);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().name, "недавний");
    // What the purge removed is kept in a snapshot made before it.
    const QList<Snapshots::Snapshot> snapshots = Snapshots::List(dbPath);
    ASSERT_EQ(snapshots.size(), 1);
    EXPECT_EQ(snapshots.first().cause, SnapshotCause::BinPurged());
    EXPECT_EQ(FileRows(snapshots.first().path, "SELECT E_NAME FROM ERASED ORDER BY E_NAME"), (QStringList{"давний", "недавний"}));
}
