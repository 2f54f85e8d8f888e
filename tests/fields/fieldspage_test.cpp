#include "objects/windowsteps.h"

#include "app/form1.h"
#include "fields/fieldspage.h"
#include "fields/fieldstore.h"
#include "fields/form4.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

namespace {
class FieldsPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Control<FieldsPage>(Form1, "FieldsPage");
    }

    // Opens the panel for a new field and fills it as a user would; fillPanel also presses "Готово".
    void openPanel(const QString &name, int type, bool lookup)
    {
        button("AddFieldBtn")->click();
        Retype(Control<QLineEdit>(page, "Edit4"), name);
        Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(type);
        if (lookup)
            Control<QCheckBox>(page, "CheckBox3")->setChecked(true);
    }
    void fillPanel(const QString &name, int type, bool lookup)
    {
        openPanel(name, type, lookup);
        button("OKBtn")->click();
    }
    QPushButton *button(const char *name) const { return Control<QPushButton>(page, name); }
    // Whether the panel is open, the field list usable and the way into the view/fill mode open.
    QList<bool> panelState() const
    {
        return {Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page), Control<QTableView>(page, "DBGrid")->isEnabled(),
                Control<QPushButton>(Form1, "GoToDBBtn")->isEnabled()};
    }
    static void clickRow(int row, QTableView *grid = Control<QTableView>(Control<FieldsPage>(Form1, "FieldsPage"), "DBGrid"))
    {
        const QModelIndex index = grid->model()->index(row, 0);
        grid->setCurrentIndex(index);
        Q_EMIT grid->clicked(index);
    }
    static QStringList lookupTexts() { return ModelColumn(Control<QTableView>(Form4, "DBGrid")->model()); }

    FieldsPage *page = nullptr;
};
}

TEST_F(FieldsPageTest, AddingThroughThePanelWithEachRefusal)
{
    EXPECT_EQ(panelState(), (QList<bool>{false, true, true}));
    button("AddFieldBtn")->click();
    EXPECT_EQ(panelState(), (QList<bool>{true, false, false}));
    EXPECT_EQ(ClickAnswering(button("OKBtn")), QStringList{"Введите название поля!"});

    const QString fiftyOne(51, QLatin1Char('w'));
    QTest::keyClicks(Control<QLineEdit>(page, "Edit4"), fiftyOne);
    EXPECT_EQ(Control<QLineEdit>(page, "Edit4")->text(), fiftyOne.left(50));
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(FieldStore::StringType);
    EXPECT_TRUE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    Control<QCheckBox>(page, "CheckBox3")->setChecked(true);
    // A refused statement (a leftover list table) shows the engine's text and keeps the panel.
    exec("CREATE TABLE LOOKUP1(X INTEGER)");
    EXPECT_TRUE(OneMessageSaying(ClickAnswering(button("OKBtn")), {"LOOKUP1"}));
    EXPECT_EQ(panelState(), (QList<bool>{true, false, false}));
    exec("DROP TABLE LOOKUP1");
    button("OKBtn")->click();
    EXPECT_EQ(panelState(), (QList<bool>{false, true, true}));
    // The row as the list shows it: name, type and the list's yes.
    const QAbstractItemModel *fields = Control<QTableView>(page, "DBGrid")->model();
    ASSERT_EQ(fields->rowCount(), 1);
    EXPECT_EQ(ModelColumn(fields, 0) + ModelColumn(fields, 1) + ModelColumn(fields, 2),
              (QStringList{fiftyOne.left(50), scalar("SELECT T_NAME FROM TYPES WHERE T_ID = 5").toString(),
                           scalar("SELECT B_TEXT FROM BOOLEAN WHERE B_ID = -1").toString()}));
    EXPECT_TRUE(button("LookupBtn")->isEnabled());

    // The list ticked, then a type without lists chosen: the tick is dropped on "Готово".
    openPanel("Число", FieldStore::StringType, true);
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(0);
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    button("OKBtn")->click();
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox3")->isChecked());
    EXPECT_EQ(scalar("SELECT F_LOOKUP FROM FIELDS WHERE F_ID = 2").toInt(), 0);
}

TEST_F(FieldsPageTest, EditingAndDeletingWorkOnTheChosenRowAndCancelOrNoChangesNothing)
{
    fillPanel("Вес", 1, false);
    fillPanel("Марка", FieldStore::StringType, true);
    fillPanel("Фото", 7, false);
    ASSERT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 3);

    clickRow(1);
    EXPECT_TRUE(button("LookupBtn")->isEnabled());
    button("EditFieldBtn")->click();
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_EQ((QVariantList{Control<QLineEdit>(page, "Edit4")->text(), Control<QComboBox>(page, "ComboBox1")->currentIndex(),
                            Control<QCheckBox>(page, "CheckBox3")->isChecked()}),
              (QVariantList{"Марка", FieldStore::StringType, true}));
    EXPECT_FALSE(button("LookupBtn")->isEnabled());
    Retype(Control<QLineEdit>(page, "Edit4"), "Изменено");
    button("CancelBtn")->click();
    EXPECT_EQ(scalar("SELECT F_NAME FROM FIELDS WHERE F_ID = 2").toString(), "Марка");
    EXPECT_TRUE(button("LookupBtn")->isEnabled());

    clickRow(2);
    EXPECT_FALSE(button("LookupBtn")->isEnabled());
    button("EditFieldBtn")->click();
    EXPECT_EQ(Control<QComboBox>(page, "ComboBox1")->currentIndex(), 7);
    // The commit changes the edited field, and the list stays on it.
    Retype(Control<QLineEdit>(page, "Edit4"), "Снимок");
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(6);
    button("OKBtn")->click();
    EXPECT_EQ(scalar("SELECT F_NAME || '/' || F_TYPE FROM FIELDS WHERE F_ID = 3").toString(), "Снимок/6");
    EXPECT_EQ(page->selectedField().id, 3);
    EXPECT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 3);

    // Deleting asks first; down to no field at all, after which editing, deleting and the list window do nothing.
    clickRow(0);
    EXPECT_EQ(ClickAnswering(button("DeleteFieldBtn"), QMessageBox::No),
              QStringList{"Внимание! Данные из этого поля будут потеряны!\n\rВы действительно хотите удалить это поле?"});
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 3);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    for (int left = 3; left > 0; --left) {
        clickRow(0);
        button("DeleteFieldBtn")->click();
    }
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 0);
    button("EditFieldBtn")->click();
    button("DeleteFieldBtn")->click();
    button("LookupBtn")->setEnabled(true);
    button("LookupBtn")->click();
    QTest::qWait(50);
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page) || Form4->isVisible());
}

TEST_F(FieldsPageTest, ANewTypeThatLosesValuesIsAskedForAndNoChangesNothing)
{
    fillPanel("Вес", int(FieldKind::Real), false);
    exec("INSERT INTO GENER(G_ID, G1) VALUES (1, 12.5), (2, 3), (3, NULL)");
    clickRow(0);
    button("EditFieldBtn")->click();
    Control<QComboBox>(page, "ComboBox1")->setFocus();
    QTest::keyClick(Control<QComboBox>(page, "ComboBox1"), Qt::Key_Up);
    ASSERT_EQ(Control<QComboBox>(page, "ComboBox1")->currentIndex(), int(FieldKind::Integer));
    const QString question = "Значения этого поля, которые нельзя преобразовать в новый тип данных, будут потеряны. "
                             "Таких значений: 1.\n\rИзменить тип данных поля?";
    EXPECT_EQ(ClickAnswering(button("OKBtn"), QMessageBox::No), QStringList{question});
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Real));
    EXPECT_EQ(rows("SELECT G1 FROM GENER WHERE G1 IS NOT NULL ORDER BY G_ID"), (QList<QVariantList>{{12.5}, {3.0}}));

    EXPECT_EQ(ClickAnswering(button("OKBtn"), QMessageBox::Yes), QStringList{question});
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    // What each value becomes is the field store's (FieldStoreTest.ANewTypeKeepsEveryValueThatConvertsExactlyAndCountsTheRest).
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Integer));
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G1 IS NOT NULL"), 1);

    // Back to reals nothing is lost, and nothing is asked.
    button("EditFieldBtn")->click();
    Control<QComboBox>(page, "ComboBox1")->setFocus();
    QTest::keyClick(Control<QComboBox>(page, "ComboBox1"), Qt::Key_Down);
    EXPECT_TRUE(ClickAnswering(button("OKBtn")).isEmpty());
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Real));
}

TEST_F(FieldsPageTest, LookupWindowMaintainsTheListAndFollowsItsField)
{
    fillPanel("Стра'на", FieldStore::StringType, true);
    exec("INSERT INTO GENER(G_ID, G1) VALUES(1, 0)");
    button("LookupBtn")->click();
    ASSERT_TRUE(Form4->isVisible());
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Стра'на\"");
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        Retype(Control<QLineEdit>(Form4, "Edit2"), "ничего");   // nothing chosen on an empty list
        Control<QPushButton>(Form4, "Button2")->click();
        Control<QPushButton>(Form4, "DeleteBtn")->click();
        QTest::qWait(50);
        EXPECT_EQ(none.seen(), 0);
        EXPECT_EQ(count("SELECT * FROM LOOKUP1"), 1);
    }

    Retype(Control<QLineEdit>(Form4, "Edit1"), "Б");
    Control<QPushButton>(Form4, "AddBtn")->click();
    Retype(Control<QLineEdit>(Form4, "Edit1"), "А");
    Control<QPushButton>(Form4, "AddBtn")->click();
    EXPECT_EQ(lookupTexts(), (QStringList{"А", "Б"}));
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit1")->text(), "");
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit2")->text(), "А");
    EXPECT_EQ(Form4->selectedEntryId(), 2);
    // The change box follows the keys as it follows clicks.
    Control<QTableView>(Form4, "DBGrid")->setFocus();
    QTest::keyClick(Control<QTableView>(Form4, "DBGrid"), Qt::Key_Down);
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit2")->text(), "Б");
    QTest::keyClick(Control<QTableView>(Form4, "DBGrid"), Qt::Key_Up);
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit2")->text(), "А");
    // Other work on the shared queries leaves the window's rows alone.
    DModule->QRWork->open(QStringLiteral("SELECT * FROM TYPES"));
    EXPECT_EQ(lookupTexts(), (QStringList{"А", "Б"}));

    exec("UPDATE GENER SET G1 = 2");
    Retype(Control<QLineEdit>(Form4, "Edit2"), "Я'");
    Control<QPushButton>(Form4, "Button2")->click();
    EXPECT_EQ(lookupTexts(), (QStringList{"Б", "Я'"}));
    EXPECT_EQ(Form4->selectedEntryId(), 2);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form4, "DeleteBtn")), QStringList{"Данная запись используется в главной таблице!"});
    EXPECT_EQ(lookupTexts(), (QStringList{"Б", "Я'"}));
    exec("UPDATE GENER SET G1 = 1");
    clickRow(1, Control<QTableView>(Form4, "DBGrid"));
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit2")->text(), "Я'");
    Control<QPushButton>(Form4, "DeleteBtn")->click();
    EXPECT_EQ(lookupTexts(), QStringList{"Б"});
    // After a deletion the box shows the entry now selected: "Изменить" does not empty it.
    EXPECT_EQ(Control<QLineEdit>(Form4, "Edit2")->text(), "Б");
    Control<QPushButton>(Form4, "Button2")->click();
    EXPECT_EQ(lookupTexts(), QStringList{"Б"});

    // Renaming the field follows into the window's caption; losing the list closes it.
    button("EditFieldBtn")->click();
    Retype(Control<QLineEdit>(page, "Edit4"), "Перечень");
    button("OKBtn")->click();
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Перечень\"");
    button("EditFieldBtn")->click();
    Control<QCheckBox>(page, "CheckBox3")->setChecked(false);
    button("OKBtn")->click();
    EXPECT_FALSE(Form4->isVisible());
    EXPECT_FALSE(button("LookupBtn")->isEnabled());
}
