#include "objects/windowsteps.h"

#include "objects/form8.h"
#include "objects/paramspanel.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QLineEdit>

// The parameter half of the object editor on a real database, with the program's Form8.
class ParamsPanelTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Control<QCheckBox>(Form6, "CheckBox2")->setChecked(true);   // links only to entries without children
        makeBook(2, "Города", {{10, "Россия", "", 0}, {11, "Москва", "01", 10}, {12, "Центр", "", 11}, {13, "Казань", "", 10}});
        makeBook(1, "Цвета", {{30, "Красный", "", 0}});
        panel = new ParamsPanel;
        panel->show();
    }
    void TearDown() override
    {
        Form8->hide();
        delete panel;
        Control<QCheckBox>(Form6, "CheckBox2")->setChecked(true);
        AppTest::TearDown();
    }
    static QTreeWidgetItem *item(ParamsPanel *in, const QStringList &path) { return TreeItem(Control<QTreeWidget>(in, "ClassesView"), path); }
    QStringList listed() const { return ItemTexts(Control<QListWidget>(panel, "ParamsList")); }
    // Selects the entry and presses "Добавить выделенный параметр".
    void startAdding(const QStringList &path)
    {
        QTreeWidgetItem *entry = item(panel, path);
        ASSERT_NE(entry, nullptr) << path.join('/').toStdString();
        Control<QTreeWidget>(panel, "ClassesView")->setCurrentItem(entry);
        Control<QPushButton>(panel, "AddParam")->click();
    }

    ParamsPanel *panel = nullptr;
};

TEST_F(ParamsPanelTest, FillListsTheBooksAndTheObjectsParametersAndDeletingRemovesTheSelectedOne)
{
    exec("INSERT INTO LINKS VALUES(1,5,2,12,'3',11), (2,5,2,12,'b',0), (3,5,2,12,'c',0), (4,6,2,13,'',0)");
    panel->fill("5");
    EXPECT_EQ(ItemTexts(Control<QComboBox>(panel, "ComboBox")), (QStringList{"Города", "Цвета"}));
    EXPECT_EQ(panel->ReferId, "2");
    EXPECT_EQ(Control<QTreeWidget>(panel, "ClassesView")->topLevelItemCount(), 1);
    EXPECT_TRUE(Control<QPushButton>(panel, "AddParam")->isEnabled() && Control<QPushButton>(panel, "DeleteParam")->isEnabled());
    EXPECT_EQ(listed(), (QStringList{"Москва: Центр = 3", "Города: Центр = b", "Города: Центр = c"}));

    QTreeWidgetItem *moscow = item(panel, {"Россия", "Москва (01)"});
    ASSERT_NE(moscow, nullptr);
    Control<QTreeWidget>(panel, "ClassesView")->setCurrentItem(moscow);
    Control<QListWidget>(panel, "ParamsList")->setCurrentItem(nullptr);
    Control<QPushButton>(panel, "DeleteParam")->click();   // nothing selected
    Control<QListWidget>(panel, "ParamsList")->setCurrentRow(1);
    Control<QPushButton>(panel, "DeleteParam")->click();
    EXPECT_EQ(listed(), (QStringList{"Москва: Центр = 3", "Города: Центр = c"}));
    for (int left = 2; left > 0; --left) {
        Control<QListWidget>(panel, "ParamsList")->setCurrentRow(0);
        Control<QPushButton>(panel, "DeleteParam")->click();
    }
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), QList<QVariantList>{{4}}) << "another object's link stays";
    EXPECT_EQ(Control<QTreeWidget>(panel, "ClassesView")->currentItem(), moscow);
    EXPECT_TRUE(moscow->parent()->isExpanded());

    Control<QComboBox>(panel, "ComboBox")->setCurrentIndex(1);
    panel->ComboBoxChange();
    EXPECT_EQ(panel->ReferId, "1");
    ASSERT_EQ(Control<QTreeWidget>(panel, "ClassesView")->topLevelItemCount(), 1);
    EXPECT_EQ(Control<QTreeWidget>(panel, "ClassesView")->topLevelItem(0)->text(0), "Красный");
    exec("DELETE FROM REFERS");
    panel->fill("5");
    EXPECT_EQ(Control<QComboBox>(panel, "ComboBox")->count() + Control<QTreeWidget>(panel, "ClassesView")->topLevelItemCount(), 0);
    EXPECT_FALSE(Control<QPushButton>(panel, "AddParam")->isEnabled() || Control<QPushButton>(panel, "DeleteParam")->isEnabled());
}

TEST_F(ParamsPanelTest, CaptionItemsAreTheBookAndTheAncestorsAndTheLeafOnlySettingIsFollowed)
{
    panel->fill("5");
    Control<QTreeWidget>(panel, "ClassesView")->setCurrentItem(nullptr);
    Control<QPushButton>(panel, "AddParam")->click();
    EXPECT_FALSE(Form8->isVisible()) << "nothing selected";
    // Only entries without children can be linked: "Россия" still unread (its placeholder counts), "Москва" read with real ones.
    for (const QStringList &parent : {QStringList{"Россия"}, QStringList{"Россия", "Москва (01)"}}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        startAdding(parent);
        EXPECT_EQ(answer.texts(), QStringList{"Ссылки возможны только на младшие подклассы!"});
        EXPECT_FALSE(Form8->isVisible());
    }
    startAdding({"Россия", "Москва (01)", "Центр"});
    ASSERT_TRUE(Form8->isVisible());
    EXPECT_EQ(ItemTexts(Control<QComboBox>(Form8, "ComboBox")), (QStringList{"Города", "Москва (01)", "Россия"}));
    EXPECT_EQ(Control<QComboBox>(Form8, "ComboBox")->currentIndex(), 0);
    TypeKeys(Control<QLineEdit>(Form8, "Edit1"), "x");
    Control<QPushButton>(Form8, "Button2")->click();
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0) << "cancelled";

    startAdding({"Россия", "Москва (01)", "Центр"});
    EXPECT_TRUE(Control<QLineEdit>(Form8, "Edit1")->text().isEmpty()) << "the value of the last addition is gone";
    Control<QComboBox>(Form8, "ComboBox")->setCurrentIndex(1);   // the parent captions the parameter
    Control<QPushButton>(Form8, "Button1")->click();
    EXPECT_EQ(rows("SELECT * FROM LINKS"), (QList<QVariantList>{{1, 5, 2, 12, "", 11}}));
    EXPECT_EQ(listed(), QStringList{"Москва: Центр"}) << "an empty value shows no \" = \"";

    startAdding({"Россия", "Москва (01)", "Центр"});
    Control<QComboBox>(Form8, "ComboBox")->setCurrentIndex(2);
    TypeKeys(Control<QLineEdit>(Form8, "Edit1"), "д'Артаньян %1");
    // The user wanders off in the tree while the value dialog is open: the link is the entry chosen before.
    Control<QTreeWidget>(panel, "ClassesView")->setCurrentItem(item(panel, {"Россия", "Казань"}));
    Control<QPushButton>(Form8, "Button1")->click();
    EXPECT_EQ(listed(), (QStringList{"Москва: Центр", "Россия: Центр = д'Артаньян %1"}));

    // With the setting off a parent entry is linked too, captioned by the book.
    Control<QCheckBox>(Form6, "CheckBox2")->setChecked(false);
    startAdding({"Россия"});
    ASSERT_TRUE(Form8->isVisible());
    EXPECT_EQ(ItemTexts(Control<QComboBox>(Form8, "ComboBox")), QStringList{"Города"});
    Control<QPushButton>(Form8, "Button1")->click();
    EXPECT_EQ(listed().last(), "Города: Россия");
}

// Through the object editor: closing it closes the value window, and the parameters of an addition
// that was abandoned are gone at the next addition.
TEST_F(ParamsPanelTest, AnAbandonedAdditionsLinksAreRemovedWhenTheEditorOpensForAddingAgain)
{
    addField(*module, "Название", IntegerType);
    exec("INSERT INTO GENER VALUES(1, 10)");
    exec("INSERT INTO LINKS VALUES(1,1,2,13,'',0)");   // the existing object's own parameter
    Form7->EditMode = false;
    Form7->GenForm();
    Form7->show();
    ASSERT_EQ(Form7->ObjectId, "2");
    ParamsPanel *editorPanel = Control<ParamsPanel>(Form7, "GroupBox2");
    QTreeWidgetItem *kazan = item(editorPanel, {"Россия", "Казань"});
    ASSERT_NE(kazan, nullptr);
    Control<QTreeWidget>(editorPanel, "ClassesView")->setCurrentItem(kazan);
    Form7->AddParamClick();
    ASSERT_TRUE(Form8->isVisible());
    Control<QPushButton>(Form8, "Button1")->click();
    EXPECT_EQ(Control<QListWidget>(editorPanel, "ParamsList")->count(), 1);
    Form7->AddParamClick();
    ASSERT_TRUE(Form8->isVisible());
    Form7->CancelBtnClick();
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2"), 1) << "cancelling leaves the links written so far";

    Form7->EditMode = false;
    Form7->GenForm();
    EXPECT_EQ(Form7->ObjectId, "2");
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2"), 0);
    EXPECT_EQ(Control<QListWidget>(editorPanel, "ParamsList")->count(), 0);
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 1"), 1);
    Form7->CancelBtnClick();
}

TEST_F(ParamsPanelTest, AStoredObjectThatAnotherProgramDeletedGetsNoParameterAndTheUserIsTold)
{
    exec("INSERT INTO GENER (G_ID) VALUES (5)");
    panel->fill("5", LinkedObject::Stored);
    DeleteObject(*otherProgram(), 5);
    startAdding({"Россия", "Казань"});
    TypeKeys(Control<QLineEdit>(Form8, "Edit1"), "второй");
    EXPECT_TRUE(OneMessageSaying(ClickAnswering(Control<QPushButton>(Form8, "Button1")),
                                 {"удалён другим пользователем", "Параметр не добавлен"}));
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    EXPECT_TRUE(listed().isEmpty());
}
