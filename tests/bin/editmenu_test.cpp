#include "objects/windowsteps.h"
#include "find/findtest.h"

#include "app/form1.h"
#include "core/snapshots.h"
#include "fields/fieldstore.h"
#include "objects/form8.h"
#include "objects/objectlinks.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>

using namespace ViewFill;

namespace {
// The menu "Правка" of the view/fill window and its "Корзина" window, used with keys and clicks.
class EditMenuTest : public RussianAppTest
{
protected:
    void SetUp() override
    {
        RussianAppTest::SetUp();
        name = addField(*module, "Имя", StringType);
        number = addField(*module, "Номер", IntegerType);
        for (const auto &[id, values] : QList<std::pair<qint64, QVariantList>>{{1, {"Ольха", "3"}}, {2, {"Клён", "1"}}, {3, {"Ясень", "2"}}})
            InsertValues(*module, id, values);
        Enter(3);
    }
    static QLineEdit *searchEdit() { return Control<QLineEdit>(Form2, "SearchEdit"); }
    void selectObject(const QString &text) const
    {
        const int row = int(ColumnTexts().indexOf(text));
        ASSERT_GE(row, 0) << text.toStdString();
        ClickRow(row);
    }
    // Opens the editor on the object listed as `text` with the Enter key.
    void openEditor(const QString &text) const
    {
        selectObject(text);
        QTest::keyClick(Grid(), Qt::Key_Return);
        ASSERT_TRUE(Form7->isVisible());
    }
    void search(const QString &text) const
    {
        Retype(searchEdit(), text);
        // Applied after the pause, then the grid reads its rows.
        QTest::qWait(600);
    }
    QString stored(qint64 objectId) const { return storedValue(name, objectId).toString(); }
    // Every object as "number|name".
    QStringList storedNames() const { return FileRows(dbPath, QStringLiteral("SELECT G_ID, G%1 FROM GENER ORDER BY G_ID").arg(name)); }
    QAction *item(const char *objectName) const { return Control<QAction>(Form2, objectName); }
    qint64 name = 0, number = 0;
};
}

TEST_F(EditMenuTest, TheMenuHoldsUndoRedoAndTheBinWithTheirKeysAndUndoFollowsWhatWasDone)
{
    auto *menu = Control<QMenu>(Form2, "EditMenu");
    EXPECT_EQ(Form2->menuBar()->actions().indexOf(menu->menuAction()), 1) << "right after «Файл»";
    EXPECT_EQ((QStringList{menu->title(), item("UndoItem")->text(), item("RedoItem")->text(), item("RecycleBinItem")->text(),
                           item("UndoItem")->shortcut().toString(), item("RedoItem")->shortcut().toString()}),
              (QStringList{"Правка", "Отменить", "Повторить", "Корзина…", "Ctrl+Z", "Ctrl+Shift+Z"}));
    EXPECT_FALSE(item("UndoItem")->isEnabled() || item("RedoItem")->isEnabled());
    EXPECT_FALSE(item("HistoryItem")->isVisible()) << "a file keeps no versions of its objects";

    // Added through the editor with the list sorted by name: undo takes it away, redo shows it in its place.
    ClickTitle(0);
    EXPECT_EQ(ColumnTexts(), (QStringList{"Клён", "Ольха", "Ясень"}));
    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    TypeKeys(Form7->inputFor(0), "Бук");
    QTest::keyClicks(Form7->inputFor(1), "7");
    EXPECT_EQ(Store(), QStringList());
    BackFromEditor();
    EXPECT_EQ(CurrentObject(), 4);
    EXPECT_TRUE(item("UndoItem")->isEnabled());
    EXPECT_EQ(item("UndoItem")->statusTip(), "Отменить: добавление объекта «Бук»");

    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G_ID = 4"), 0);
    EXPECT_EQ(ColumnTexts(), (QStringList{"Клён", "Ольха", "Ясень"}));
    EXPECT_TRUE(item("RedoItem")->isEnabled());
    EXPECT_EQ(PressUndo(true), QStringList());
    EXPECT_EQ(stored(4), "Бук");
    EXPECT_EQ(ColumnTexts(), (QStringList{"Бук", "Клён", "Ольха", "Ясень"}));
    EXPECT_EQ(CurrentObject(), 4);
    EXPECT_EQ(Grid()->currentIndex().row(), 0);

    // Deleted and brought back in the middle of the list: it alone is chosen, so a next Delete takes only it.
    selectObject("Клён");
    EXPECT_EQ(PressDelete(QMessageBox::Yes).size(), 1);
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(stored(CurrentObject()), "Клён");
    EXPECT_EQ(Grid()->selectionModel()->selectedRows(), QModelIndexList{Grid()->model()->index(1, 0)});

    // Changed through the editor, then searched: undo brings the old name back and keeps the search.
    openEditor("Ясень");
    Retype(Form7->inputFor(0), "Ясень 'высокий'");
    EXPECT_EQ(Store(), QStringList());
    BackFromEditor();
    EXPECT_EQ(stored(3), "Ясень 'высокий'");
    search("ясень");
    ASSERT_EQ(ColumnTexts(), QStringList{"Ясень 'высокий'"});
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(stored(3), "Ясень");
    EXPECT_EQ(searchEdit()->text(), "ясень");
    EXPECT_EQ(ColumnTexts(), QStringList{"Ясень"});
    EXPECT_EQ(CurrentObject(), 3);

    // Deleted while searched, then searched for something else: undo brings it back and says that the
    // search hides it, rather than changing the search behind the user's back.
    EXPECT_EQ(PressDelete(QMessageBox::Yes).size(), 1);
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G_ID = 3"), 0);
    search("клён");
    ASSERT_EQ(ColumnTexts(), QStringList{"Клён"});
    EXPECT_TRUE(OneMessageSaying(PressUndo(), {"скрывает фильтр или поиск"}));
    EXPECT_EQ(stored(3), "Ясень");
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
    EXPECT_EQ(searchEdit()->text(), "клён");
    EXPECT_EQ(ColumnTexts(), QStringList{"Клён"});
}

TEST_F(EditMenuTest, AnUndoTheDesignNoLongerFitsSaysSoAndAnotherProgramsChangeIsNotOverwritten)
{
    selectObject("Клён");
    PressDelete(QMessageBox::Yes);
    ASSERT_EQ(count("SELECT * FROM GENER WHERE G_ID = 2"), 0);
    // Another program gave the deleted object's number to an object of its own: the deleted one comes
    // back under a new number.
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (2, 'Чужой', 5)").arg(name).arg(number));
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(storedNames(), (QStringList{"1|Ольха", "2|Чужой", "3|Ясень", "4|Клён"}));
    EXPECT_EQ(CurrentObject(), 4);

    // Another program changes the object: redoing the deletion is refused and changes nothing.
    exec(QStringLiteral("UPDATE GENER SET G%1 = 'Клён чужой' WHERE G_ID = 4").arg(name));
    EXPECT_TRUE(OneMessageSaying(PressUndo(true), {"изменён после этого действия"}));
    EXPECT_EQ(stored(4), "Клён чужой");
    EXPECT_TRUE(item("RedoItem")->isEnabled());

    // The design changes under the history: the step is dropped with the history, in words.
    exec(QStringLiteral("UPDATE GENER SET G%1 = 'Клён' WHERE G_ID = 4").arg(name));
    closeQueries(*module);
    FieldStore::DeleteField(*module, number);
    Form2->LoadGeneral();
    EXPECT_TRUE(OneMessageSaying(PressUndo(true), {"поле «Номер» удалено", "история действий очищена"}));
    EXPECT_EQ(stored(4), "Клён");
    EXPECT_FALSE(item("UndoItem")->isEnabled() || item("RedoItem")->isEnabled());
}

TEST_F(EditMenuTest, TheBinListsDeletedObjectsRestoresTheChosenAndIsEmptiedOnlyWhenConfirmed)
{
    makeBook(1, "Места", {{10, "Лес", "", 0}});
    AddObjectLink(*module, "1", 1, 10, "", 0, LinkedObject::Stored);
    selectObject("Ольха");
    PressDelete(QMessageBox::Yes);
    selectObject("Ясень");
    PressDelete(QMessageBox::Yes);
    const QDateTime deleted = QDateTime::currentDateTime();
    item("RecycleBinItem")->trigger();
    auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->objectName(), "RecycleBinWindow");
    EXPECT_EQ(window->windowTitle(), "Корзина");
    auto *list = Control<QTableWidget>(window, "BinList");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ((QStringList{list->item(0, 0)->text(), list->item(1, 0)->text()}), (QStringList{"Ясень", "Ольха"})) << "the last deleted first";
    EXPECT_TRUE(list->item(0, 1)->text().startsWith(deleted.toString("dd.MM.yyyy"))) << list->item(0, 1)->text().toStdString();

    // Emptying asks first; "Нет" keeps everything.
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(window, "EmptyBinBtn"), QMessageBox::No),
              QStringList{"Удалить все объекты из корзины навсегда? Восстановить их будет нельзя."});
    EXPECT_EQ(list->rowCount(), 2);

    // Both chosen with the keyboard and restored at once: back in the list, the first one current.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(window, "RestoreBtn")), QStringList());
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(storedNames(), (QStringList{"1|Ольха", "2|Клён", "3|Ясень"}));
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 1"), 1);
    EXPECT_EQ(ColumnTexts().size(), 3);
    EXPECT_EQ(CurrentObject(), 1);
    window->close();

    // The restore is an action like others: undone, both go back into the bin.
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(count("SELECT * FROM ERASED"), 2);
    EXPECT_EQ(ColumnTexts(), QStringList{"Клён"});

    // One deleted after its field went: restoring says what is left out and asks.
    closeQueries(*module);
    FieldStore::DeleteField(*module, number);
    Form2->LoadGeneral();
    item("RecycleBinItem")->trigger();
    window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(window);
    list = Control<QTableWidget>(window, "BinList");
    list->selectRow(1);
    EXPECT_TRUE(OneMessageSaying(ClickAnswering(Control<QPushButton>(window, "RestoreBtn"), QMessageBox::No),
                                 {"поле «Номер» удалено (значение: 3)"}));
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);
    EXPECT_EQ(list->rowCount(), 2);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(window, "EmptyBinBtn"), QMessageBox::Yes).size(), 1);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
    // What was emptied is kept in the snapshot made just before.
    const QList<Snapshots::Snapshot> snapshots = Snapshots::List(DModule->database().databaseName());
    ASSERT_FALSE(snapshots.isEmpty());
    EXPECT_EQ(snapshots.first().cause, SnapshotCause::BinEmptied());
    EXPECT_EQ(FileRows(snapshots.first().path, "SELECT COUNT(*) FROM ERASED"), QStringList{"2"});
    window->close();
}

TEST_F(EditMenuTest, AParameterAddedInTheEditorIsAChangeToUndoEvenWhenTheEditorIsCancelled)
{
    makeBook(1, "Места", {{10, "Лес", "", 0}});
    openEditor("Клён");
    auto *params = Control<QWidget>(Form7, "GroupBox2");
    auto *tree = Control<QTreeWidget>(params, "ClassesView");
    tree->setCurrentItem(TreeItem(tree, {"Лес"}));
    Control<QPushButton>(params, "AddParam")->click();
    ASSERT_TRUE(Form8->isVisible());
    TypeKeys(Control<QLineEdit>(Form8, "Edit1"), "3 га");
    Control<QPushButton>(Form8, "Button1")->click();
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2 AND L_VALUE = '3 га'"), 1);
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        Control<QPushButton>(Form7, "CancelButton")->click();
        EXPECT_EQ(none.seen(), 0) << "no value was typed";
    }
    ASSERT_TRUE(WaitFor([] { return Form2->isEnabled(); }));
    EXPECT_EQ(item("UndoItem")->statusTip(), "Отменить: изменение объекта «Клён»");
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    EXPECT_EQ(stored(2), "Клён");
    EXPECT_EQ(CurrentObject(), 2);
    EXPECT_EQ(PressUndo(true), QStringList());
    EXPECT_EQ(rows("SELECT L_OBJECT, L_REFER, L_CLASS, L_VALUE FROM LINKS"), (QList<QVariantList>{{2, 1, 10, "3 га"}}));
}

TEST_F(EditMenuTest, ObjectsChosenTogetherAreDeletedIntoTheBinTogetherAndComeBackWithOneUndo)
{
    selectObject("Ольха");
    ClickRow(2, Qt::ControlModifier);
    ASSERT_EQ(Grid()->selectionModel()->selectedRows().size(), 2);
    EXPECT_EQ(PressDelete(QMessageBox::Yes), QStringList{"Вы действительно хотите удалить выделенные объекты (2)?"});
    EXPECT_EQ(rows("SELECT G_ID FROM GENER"), (QList<QVariantList>{{2}}));
    EXPECT_EQ(rows("SELECT E_OBJECT FROM ERASED ORDER BY E_OBJECT"), (QList<QVariantList>{{1}, {3}}));
    EXPECT_EQ(ColumnTexts(), QStringList{"Клён"});
    EXPECT_EQ(item("UndoItem")->statusTip(), "Отменить: удаление объектов (2)");

    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(ColumnTexts(), (QStringList{"Ольха", "Клён", "Ясень"}));
    EXPECT_EQ(count("SELECT * FROM ERASED"), 0);
    EXPECT_EQ(CurrentObject(), 1);
}

namespace {
// The view/fill window on a database of the test server.
class ServerEditMenuTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        if (!TestServerStarted())
            GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
        serverDb = NewServerDatabase();
        ASSERT_TRUE(Form1->OpenServerDataBase(serverDb, false));
    }
    void TearDown() override
    {
        AppTest::TearDown();
        if (!serverDb.database.isEmpty()) {
            DModule->CloseConnection();
            DropServerDatabase(serverDb);
        }
    }
    QString storedName() const
    {
        return DModule->QRWork->readAll(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(name)).value(0).value(0).toString();
    }
    ServerConnection serverDb;
    qint64 name = 0;
};
}

TEST_F(ServerEditMenuTest, TheHistoryListsTheObjectsVersionsWithTheUserAndPutsAChosenOneBackAsAChangeToUndo)
{
    name = addField(*module, "Имя", StringType);
    InsertValues(*module, 1, {"Липа"});
    Enter(1);
    QTest::keyClick(Grid(), Qt::Key_Return);
    ASSERT_TRUE(Form7->isVisible());
    Retype(Form7->inputFor(0), "Липа мелколистная");
    EXPECT_EQ(Store(), QStringList());
    BackFromEditor();
    ASSERT_EQ(storedName(), "Липа мелколистная");

    auto *historyItem = Control<QAction>(Form2, "HistoryItem");
    EXPECT_EQ(historyItem->text(), "История изменений…");
    EXPECT_TRUE(historyItem->isVisible() && historyItem->isEnabled());
    historyItem->trigger();
    auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->objectName(), "ChangeHistoryWindow");
    auto *versions = Control<QTableWidget>(window, "VersionList");
    ASSERT_EQ(versions->rowCount(), 1);
    EXPECT_EQ((QStringList{versions->item(0, 1)->text(), versions->item(0, 2)->text()}), (QStringList{serverDb.user, "Липа"}));
    auto *values = Control<QTableWidget>(window, "VersionValues");
    ASSERT_EQ(values->rowCount(), 1);
    EXPECT_EQ(values->item(0, 0)->text() + "=" + values->item(0, 1)->text(), "Имя=Липа");

    EXPECT_EQ(ClickAnswering(Control<QPushButton>(window, "RestoreVersionBtn")), QStringList());
    EXPECT_EQ(storedName(), "Липа");
    ASSERT_EQ(versions->rowCount(), 2) << "the state replaced is kept in turn";
    EXPECT_EQ(versions->item(0, 2)->text(), "Липа мелколистная");
    window->close();

    // Putting a version back is an action like others.
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(storedName(), "Липа мелколистная");
}
