#include "support/testsupport.h"

#include "app/form1.h"
#include "app/generalerror.h"
#include "app/forms.h"
#include "catalogs/catalogforms.h"
#include "catalogs/catalogstore.h"
#include "catalogs/layouttext.h"
#include "catalogs/elementwidgets.h"
#include "core/dmodule.h"
#include "fields/fieldspage.h"
#include "classifier/classifierpage.h"
#include "classifier/classstore.h"
#include "classifier/lazytree.h"
#include "fields/fieldstore.h"
#include "objects/form2.h"
#include "references/referencespage.h"
#include "objects/form7.h"
#include "objects/listfollower.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {
// Two programs on one server database: the windows of this one, and a second data module as the other.
class OtherProgramTest : public AppTest
{
protected:
    EngineKind testEngine() const override { return EngineKind::Server; }
    void SetUp() override
    {
        if (!TestServerStarted())
            GTEST_SKIP() << "no test database server started (VIRANDEL_TEST_PG_PORT unset): server case skipped";
        AppTest::SetUp();
        server = TestServer(QStringLiteral("vt_other_%1").arg(QCoreApplication::applicationPid()));
        ASSERT_TRUE(Form1->OpenServerDataBase(server, true));
    }
    void TearDown() override
    {
        if (Form2 && Form2->isVisible())
            Form2->close();
        if (Form22 && Form22->isVisible()) {
            Control<QCheckBox>(Form6, "CheckBox5")->setChecked(false);   // no exit password asked
            Form22->close();
        }
        if (DModule && DModule->engine() == EngineKind::Server)
            DModule->CloseConnection();
        AppTest::TearDown();
        if (!server.database.isEmpty())
            DropServerDatabase(server);
    }

    // An object named `name` added the way the editor adds one.
    static qint64 addNamed(TDModule &program, const QString &name)
    {
        const qint64 id = ReserveObjectId(program);
        InsertObject(program, id, {FieldInput{ReadDescriptionFields(program).first(), name, false}});
        return id;
    }

    // The view/fill window on objects named `names`, sorted by name, `row` (1-based) current.
    void openList(const QStringList &names, int row)
    {
        addField(*DModule, "Имя", StringType);
        for (const QString &name : names)
            addNamed(*DModule, name);
        Control<FieldsPage>(Form1, "FieldsPage")->reloadFieldList();
        Control<QPushButton>(Form1, "GoToDBBtn")->click();
        ASSERT_TRUE(Form2->isVisible());
        Form2->DBGridTitleClick(0);
        ASSERT_TRUE(list().setRecNo(row));
    }

    static SharedQuery &list() { return *DModule->QRGeneral; }
    static qint64 currentId() { return list().asInteger(QStringLiteral("G_ID")); }
    static int gridRows() { return AllRows(Control<QTableView>(Form2, "DBGrid")->model()); }
};
}

TEST_F(OtherProgramTest, ChangesElsewhereReachTheOpenListInPlaceNeverUnderAnOpenEditorAndAFieldOrALostConnectionIsToldPlainly)
{
    openList({"б", "г", "е", "ж", "и"}, 3);
    const qint64 current = currentId();
    const QString order = ObjectList::Of(*DModule).statement();
    ASSERT_TRUE(ObjectList::Of(*DModule).titleOrder());

    const std::unique_ptr<TDModule> other = otherProgram();
    QSignalSpy changed(DModule, &TDModule::ObjectsChanged);
    addNamed(*other, "а");
    ASSERT_TRUE(WaitFor([&] { return changed.size() == 1; }));
    EXPECT_EQ(ObjectList::Of(*DModule).statement(), order);
    EXPECT_EQ(gridRows(), 6);
    EXPECT_EQ(list().valueAt(0, list().columnIndex("G1")).toString(), "а");
    EXPECT_EQ(currentId(), current);
    EXPECT_EQ(list().recNo(), 4);
    EXPECT_EQ(Control<QTableView>(Form2, "DBGrid")->currentIndex().row(), 3);

    // The editor open: the list stays as it is until the editor closes, then is read once.
    Control<QPushButton>(Form2, "EditRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    addNamed(*other, "в");
    ASSERT_TRUE(WaitFor([&] { return changed.size() == 2; }));
    EXPECT_TRUE(Form2->listFollower->waiting());
    EXPECT_EQ(list().recNo(), 4);
    Control<QPushButton>(Form7, "CancelButton")->click();
    ASSERT_TRUE(WaitFor([&] { return !Form2->listFollower->waiting(); }));
    EXPECT_EQ(gridRows(), 7);
    EXPECT_EQ(currentId(), current);
    EXPECT_EQ(list().recNo(), 5);

    // The current object deleted elsewhere: the row that took its place is current.
    const qint64 next = list().valueAt(5, list().columnIndex("G_ID")).toLongLong();
    DeleteObject(*other, current);
    ASSERT_TRUE(WaitFor([&] { return changed.size() == 3; }));
    EXPECT_EQ(gridRows(), 6);
    EXPECT_EQ(currentId(), next);

    // A field added elsewhere: told plainly, the list read again with it, the current object kept.
    const qint64 shown = currentId();
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        addField(*other, "Цвет", StringType);
        ASSERT_TRUE(WaitFor([&] { return answer.seen() > 0; }));
        ASSERT_EQ(answer.seen(), 1) << answer.texts().join(" / ").toStdString();
        const QString text = answer.texts().first();
        EXPECT_TRUE(text.startsWith("Другой пользователь изменил структуру базы данных")) << text.toStdString();
        EXPECT_TRUE(text.contains("загружен заново")) << text.toStdString();
    }
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_TRUE(Form2->isEnabled());
    QStringList captions;
    for (int i = 0; i < Form2->gridColumns().count(); ++i)
        captions << Form2->gridColumns().caption(i);
    EXPECT_EQ(captions, (QStringList{"Имя", "Цвет"}));
    EXPECT_EQ(currentId(), shown);

    // The connection lost: refused, the list stays as it is; asked again, "Да" connects anew and the list
    // is read again in its order, on the object the user was on.
    const QString reordered = ObjectList::Of(*DModule).statement();
    const qint64 backend = DModule->QRWork->readAll("SELECT pg_backend_pid()").value(0).value(0).toLongLong();
    exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend));
    for (const int answer : {int(QMessageBox::No), int(QMessageBox::Yes)}) {
        MessageBoxAnswerer box(answer);
        EXPECT_FALSE(Guarded([] { DModule->QRWork->readAll("SELECT COUNT(*) FROM GENER"); }));
        ASSERT_EQ(box.seen(), 1);
        EXPECT_TRUE(box.texts().first().startsWith("Соединение с сервером баз данных потеряно")) << box.texts().first().toStdString();
        EXPECT_TRUE(box.texts().first().contains("Подключиться к серверу снова?"));
    }
    EXPECT_EQ(DModule->QRWork->readAll("SELECT COUNT(*) FROM GENER").value(0).value(0).toInt(), 6);
    ASSERT_TRUE(WaitFor([&] { return list().isOpen() && gridRows() == 6; }));
    EXPECT_EQ(ObjectList::Of(*DModule).statement(), reordered);
    EXPECT_EQ(currentId(), shown);
}

TEST_F(OtherProgramTest, TheRunningCatalogShowsTheCurrentObjectAsChangedElsewhereAndOpensAgainAfterADesignChange)
{
    openList({"а", "б", "в"}, 1);
    Form2->close();
    Layout::Catalog layout;
    layout.fieldLabels << Layout::Label{"Имя", Layout::Colors::WindowText, 10, "Arial", 10, 10};
    CatalogStore::Save(*DModule, "Витрина", layout, {});
    ASSERT_TRUE(Form22->RunCatalog("Витрина"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form22));
    QTest::keyClick(Control<QTableView>(Form22, "DBGrid"), Qt::Key_Down);
    const qint64 current = currentId();
    ASSERT_EQ(Form22->Labels.at(0)->text(), "б");

    const std::unique_ptr<TDModule> other = otherProgram();
    QSignalSpy changed(DModule, &TDModule::ObjectsChanged);
    UpdateObject(*other, current, {FieldInput{ReadDescriptionFields(*other).first(), "бб", false}});
    ASSERT_TRUE(WaitFor([&] { return changed.size() == 1; }));
    EXPECT_EQ(currentId(), current);
    EXPECT_EQ(Form22->Labels.at(0)->text(), "бб");

    MessageBoxAnswerer answer(QMessageBox::Ok);
    addField(*other, "Цвет", StringType);
    ASSERT_TRUE(WaitFor([&] { return answer.seen() > 0; }));
    ASSERT_EQ(answer.seen(), 1) << answer.texts().join(" / ").toStdString();
    EXPECT_TRUE(answer.texts().first().contains("Каталог открыт заново")) << answer.texts().first().toStdString();
    EXPECT_TRUE(Form22->isVisible());
    EXPECT_EQ(Form22->catalogName(), "Витрина");
    ASSERT_EQ(Form22->Labels.size(), 1);
    EXPECT_EQ(currentId(), current);
    EXPECT_EQ(Form22->Labels.at(0)->text(), "бб");

    // The catalog deleted elsewhere: told so; the exit password (on by default) still guards the way out,
    // so the window stays with the list.
    other->exec("DELETE FROM KATALOGS");
    ASSERT_TRUE(WaitFor([&] { return answer.texts().join(" ").contains("не удалось открыть заново"); }))
        << answer.texts().join(" / ").toStdString();
    EXPECT_TRUE(Form22->isVisible());
    EXPECT_FALSE(Form11->isVisible());
    EXPECT_EQ(Control<QTableView>(Form22, "DBGrid")->model()->rowCount(), 3);
}

TEST_F(OtherProgramTest, TheEditingWindowShowsDesignChangesElsewhereKeepingWhatIsOpenChosenAndTyped)
{
    const qint64 top = AddClass(*DModule, "Мебель", "", 0, 0);
    const qint64 chairs = AddClass(*DModule, "Стулья", "", top, 1);
    const qint64 colour = addField(*DModule, "Цвет", StringType);
    addField(*DModule, "Вес", StringType);
    Form1->OpenServerDataBase(server);
    Form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
    LazyTree &tree = *Control<ClassifierPage>(Form1, "ClassifierPage")->classTree();
    tree.findItem(top)->setExpanded(true);
    tree.tree()->setCurrentItem(tree.findItem(chairs));
    Control<QLineEdit>(Control<ClassifierPage>(Form1, "ClassifierPage"), "AddClassEdit")->setText("Табуреты");
    ASSERT_TRUE(Control<FieldsPage>(Form1, "FieldsPage")->selectField(colour));

    const std::unique_ptr<TDModule> other = otherProgram();
    QSignalSpy changed(DModule, &TDModule::DesignChanged);
    const qint64 tables = AddClass(*other, "Столы", "", top, 1);
    addField(*other, "Автор", StringType);
    ASSERT_TRUE(WaitFor([&] { return tree.findItem(tables) != nullptr; }));
    EXPECT_TRUE(tree.findItem(top)->isExpanded());
    EXPECT_EQ(LazyTree::itemId(tree.tree()->currentItem()), chairs);
    EXPECT_EQ(Control<QLineEdit>(Control<ClassifierPage>(Form1, "ClassifierPage"), "AddClassEdit")->text(), "Табуреты");
    EXPECT_EQ(Control<FieldsPage>(Form1, "FieldsPage")->fieldCount(), 3);
    EXPECT_EQ(Control<FieldsPage>(Form1, "FieldsPage")->selectedField().id, colour);
    EXPECT_EQ(Control<QListWidget>(Control<ReferencesPage>(Form1, "ReferencesPage"), "ComponentsList1")->count(), 1);

    // A field being added in the panel: the lists wait until it closes.
    Form1->AddFieldBtnClick();
    const int before = changed.size();
    FieldStore::DeleteField(*other, colour);
    ASSERT_TRUE(WaitFor([&] { return changed.size() > before; }));
    QTest::qWait(400);
    EXPECT_EQ(Control<FieldsPage>(Form1, "FieldsPage")->fieldCount(), 3);
    Form1->CancelBtnClick();
    ASSERT_TRUE(WaitFor([&] { return Control<FieldsPage>(Form1, "FieldsPage")->fieldCount() == 2; }));

    // Hidden behind the view/fill window: caught up when shown again.
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    ASSERT_FALSE(Form1->isVisible());
    const int hiddenBefore = changed.size();
    MessageBoxAnswerer answer(QMessageBox::Ok);   // the view/fill window tells of it
    DeleteClassWithSubtree(*other, tables);
    ASSERT_TRUE(WaitFor([&] { return changed.size() > hiddenBefore && answer.seen() > 0; }));
    ASSERT_TRUE(tree.findItem(tables) != nullptr);
    Control<QPushButton>(Form2, "BackBth")->click();
    ASSERT_TRUE(WaitFor([&] { return tree.findItem(tables) == nullptr; }));
    EXPECT_EQ(LazyTree::itemId(tree.tree()->currentItem()), chairs);
}

TEST_F(OtherProgramTest, TheDesignerKeepsTheUnsavedLayoutAndNamesFieldsItShowsThatAreGone)
{
    openList({"а", "б"}, 1);
    Control<QPushButton>(Form2, "BackBth")->click();
    const qint64 weight = addField(*DModule, "Вес", StringType);
    Layout::Catalog layout;
    layout.fieldLabels << Layout::Label{"Вес", Layout::Colors::WindowText, 10, "Arial", 10, 10};
    layout.textLabels << Layout::Label{"Заголовок", Layout::Colors::WindowText, 10, "Arial", 10, 40};
    CatalogStore::Save(*DModule, "Витрина", layout, {});
    Control<FieldsPage>(Form1, "FieldsPage")->reloadFieldList();
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    Control<QPushButton>(Form2, "GoToCatalogBtn")->click();
    ASSERT_TRUE(Form11->isVisible());
    ASSERT_TRUE(Form11->OpenCatalog("Витрина"));
    ASSERT_EQ(Form11->gridColumns().count(), 2);
    Form11->gridColumns().setVisible(0, false);

    const std::unique_ptr<TDModule> other = otherProgram();
    MessageBoxAnswerer answer(QMessageBox::Ok);
    addField(*other, "Автор", StringType);   // ahead of nothing: shifts no column
    FieldStore::DeleteField(*other, weight);
    ASSERT_TRUE(WaitFor([&] { return answer.seen() > 0; }));
    const QString text = answer.texts().join(" / ");
    EXPECT_TRUE(text.contains("макет каталога остался как был")) << text.toStdString();
    EXPECT_TRUE(text.contains("больше нет: Вес.")) << text.toStdString();
    EXPECT_EQ(Form11->currentLayout().textLabels.size(), 1);
    EXPECT_EQ(Form11->currentLayout().fieldLabels.size(), 1);
    QStringList shown;
    for (int column = 0; column < Form11->gridColumns().count(); ++column)
        shown << Form11->gridColumns().caption(column) + (Form11->gridColumns().isVisible(column) ? "" : " (скрыт)");
    EXPECT_EQ(shown, (QStringList{"Имя (скрыт)", "Автор"}));
    EXPECT_EQ(Control<QTableView>(Form11, "DBGrid")->model()->rowCount(), 2);
}
