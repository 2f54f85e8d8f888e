#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "fields/fieldspage.h"
#include "fields/fieldstore.h"
#include "fields/form4.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
class FieldsPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Control<FieldsPage>(Form1, "FieldsPage");
    }

    // Fills the panel as a user would and presses "Готово".
    void fillPanel(const QString &name, int type, bool lookup)
    {
        Control<QPushButton>(page, "AddFieldBtn")->click();
        Control<QLineEdit>(page, "Edit4")->setText(name);
        Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(type);
        if (lookup)
            Control<QCheckBox>(page, "CheckBox3")->setChecked(true);
        Control<QPushButton>(page, "OKBtn")->click();
    }

    QString cell(int row, int column) const
    {
        return Control<QTableView>(page, "DBGrid")->model()->index(row, column).data().toString();
    }

    static void clickRow(int row, QTableView *grid = Control<QTableView>(Control<FieldsPage>(Form1, "FieldsPage"), "DBGrid"))
    {
        const QModelIndex index = grid->model()->index(row, 0);
        grid->setCurrentIndex(index);
        Q_EMIT grid->clicked(index);
    }
    QStringList lookupTexts() const
    {
        QStringList texts;
        for (int row = 0; row < Control<QTableView>(Form4, "DBGrid")->model()->rowCount(); ++row)
            texts << Control<QTableView>(Form4, "DBGrid")->model()->index(row, 0).data().toString();
        return texts;
    }

    FieldsPage *page = nullptr;
};
}

TEST_F(FieldsPageTest, AddingThroughThePanelWithEachRefusal)
{
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    Control<QPushButton>(page, "AddFieldBtn")->click();
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_FALSE(Control<QTableView>(page, "DBGrid")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(Form1, "GoToDBBtn")->isEnabled());
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "OKBtn")), QStringList{"Введите название поля!"});

    const QString fiftyOne(51, QLatin1Char('w'));
    QTest::keyClicks(Control<QLineEdit>(page, "Edit4"), fiftyOne);
    EXPECT_EQ(Control<QLineEdit>(page, "Edit4")->text(), fiftyOne.left(50));
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(FieldStore::StringType);
    EXPECT_TRUE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    Control<QCheckBox>(page, "CheckBox3")->setChecked(true);
    // A refused statement (a leftover list table) shows the engine's text and keeps the panel.
    exec("CREATE TABLE LOOKUP1(X INTEGER)");
    const QStringList refused = ClickAnswering(Control<QPushButton>(page, "OKBtn"));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains("LOOKUP1")) << refused.first().toStdString();
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    exec("DROP TABLE LOOKUP1");
    Control<QPushButton>(page, "OKBtn")->click();
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_TRUE(Control<QTableView>(page, "DBGrid")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(Form1, "GoToDBBtn")->isEnabled());
    ASSERT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), fiftyOne.left(50));
    EXPECT_EQ(cell(0, 1), scalar("SELECT T_NAME FROM TYPES WHERE T_ID = 5").toString());
    EXPECT_EQ(cell(0, 2), scalar("SELECT B_TEXT FROM BOOLEAN WHERE B_ID = -1").toString());
    EXPECT_TRUE(Control<QPushButton>(page, "LookupBtn")->isEnabled());

    // The list ticked, then a type without lists chosen: the tick is dropped on "Готово".
    Control<QPushButton>(page, "AddFieldBtn")->click();
    Control<QLineEdit>(page, "Edit4")->setText("Число");
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(FieldStore::StringType);
    Control<QCheckBox>(page, "CheckBox3")->setChecked(true);
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(0);
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox3")->isEnabled());
    Control<QPushButton>(page, "OKBtn")->click();
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
    EXPECT_TRUE(Control<QPushButton>(page, "LookupBtn")->isEnabled());
    Control<QPushButton>(page, "EditFieldBtn")->click();
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_EQ(Control<QLineEdit>(page, "Edit4")->text(), "Марка");
    EXPECT_EQ(Control<QComboBox>(page, "ComboBox1")->currentIndex(), FieldStore::StringType);
    EXPECT_TRUE(Control<QCheckBox>(page, "CheckBox3")->isChecked());
    EXPECT_FALSE(Control<QPushButton>(page, "LookupBtn")->isEnabled());
    Control<QLineEdit>(page, "Edit4")->setText("Изменено");
    Control<QPushButton>(page, "CancelBtn")->click();
    EXPECT_EQ(scalar("SELECT F_NAME FROM FIELDS WHERE F_ID = 2").toString(), "Марка");
    EXPECT_TRUE(Control<QPushButton>(page, "LookupBtn")->isEnabled());

    clickRow(2);
    EXPECT_FALSE(Control<QPushButton>(page, "LookupBtn")->isEnabled());
    Control<QPushButton>(page, "EditFieldBtn")->click();
    EXPECT_EQ(Control<QComboBox>(page, "ComboBox1")->currentIndex(), 7);
    // The commit changes the edited field, and the list stays on it.
    Control<QLineEdit>(page, "Edit4")->setText("Снимок");
    Control<QComboBox>(page, "ComboBox1")->setCurrentIndex(6);
    Control<QPushButton>(page, "OKBtn")->click();
    EXPECT_EQ(scalar("SELECT F_NAME || '/' || F_TYPE FROM FIELDS WHERE F_ID = 3").toString(), "Снимок/6");
    EXPECT_EQ(page->selectedField().id, 3);
    EXPECT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 3);

    // Deleting asks first; down to no field at all, after which editing, deleting and the list window do nothing.
    clickRow(0);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "DeleteFieldBtn"), QMessageBox::No),
              QStringList{"Внимание! Данные из этого поля будут потеряны!\n\rВы действительно хотите удалить это поле?"});
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 3);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    for (int left = 3; left > 0; --left) {
        clickRow(0);
        Control<QPushButton>(page, "DeleteFieldBtn")->click();
    }
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_EQ(Control<QTableView>(page, "DBGrid")->model()->rowCount(), 0);
    Control<QPushButton>(page, "EditFieldBtn")->click();
    Control<QPushButton>(page, "DeleteFieldBtn")->click();
    Control<QPushButton>(page, "LookupBtn")->setEnabled(true);
    Control<QPushButton>(page, "LookupBtn")->click();
    QTest::qWait(50);
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_FALSE(Form4->isVisible());
}

TEST_F(FieldsPageTest, ANewTypeThatLosesValuesIsAskedForAndNoChangesNothing)
{
    fillPanel("Вес", int(FieldKind::Real), false);
    exec("INSERT INTO GENER(G_ID, G1) VALUES (1, 12.5), (2, 3), (3, NULL)");
    clickRow(0);
    Control<QPushButton>(page, "EditFieldBtn")->click();
    Control<QComboBox>(page, "ComboBox1")->setFocus();
    QTest::keyClick(Control<QComboBox>(page, "ComboBox1"), Qt::Key_Up);
    ASSERT_EQ(Control<QComboBox>(page, "ComboBox1")->currentIndex(), int(FieldKind::Integer));
    const QString question = "Значения этого поля, которые нельзя преобразовать в новый тип данных, будут потеряны. "
                             "Таких значений: 1.\n\rИзменить тип данных поля?";
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "OKBtn"), QMessageBox::No), QStringList{question});
    EXPECT_TRUE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Real));
    EXPECT_EQ(rows("SELECT G1 FROM GENER WHERE G1 IS NOT NULL ORDER BY G_ID"), (QList<QVariantList>{{12.5}, {3.0}}));

    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "OKBtn"), QMessageBox::Yes), QStringList{question});
    EXPECT_FALSE(Control<QGroupBox>(page, "GroupBox7")->isVisibleTo(page));
    // What each value becomes is the field store's (FieldStoreTest.ANewTypeKeepsEveryValueThatConvertsExactlyAndCountsTheRest).
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Integer));
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G1 IS NOT NULL"), 1);

    // Back to reals nothing is lost, and nothing is asked.
    Control<QPushButton>(page, "EditFieldBtn")->click();
    Control<QComboBox>(page, "ComboBox1")->setFocus();
    QTest::keyClick(Control<QComboBox>(page, "ComboBox1"), Qt::Key_Down);
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(page, "OKBtn")).isEmpty());
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Real));
}

TEST_F(FieldsPageTest, LookupWindowMaintainsTheListAndFollowsItsField)
{
    fillPanel("Стра'на", FieldStore::StringType, true);
    exec("INSERT INTO GENER(G_ID, G1) VALUES(1, 0)");
    Control<QPushButton>(page, "LookupBtn")->click();
    ASSERT_TRUE(Form4->isVisible());
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Стра'на\"");
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        Control<QLineEdit>(Form4, "Edit2")->setText("ничего");   // nothing chosen on an empty list
        Control<QPushButton>(Form4, "Button2")->click();
        Control<QPushButton>(Form4, "DeleteBtn")->click();
        QTest::qWait(50);
        EXPECT_EQ(none.seen(), 0);
        EXPECT_EQ(count("SELECT * FROM LOOKUP1"), 1);
    }

    Control<QLineEdit>(Form4, "Edit1")->setText("Б");
    Control<QPushButton>(Form4, "AddBtn")->click();
    Control<QLineEdit>(Form4, "Edit1")->setText("А");
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
    Control<QLineEdit>(Form4, "Edit2")->setText("Я'");
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
    Control<QPushButton>(page, "EditFieldBtn")->click();
    Control<QLineEdit>(page, "Edit4")->setText("Перечень");
    Control<QPushButton>(page, "OKBtn")->click();
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Перечень\"");
    Control<QPushButton>(page, "EditFieldBtn")->click();
    Control<QCheckBox>(page, "CheckBox3")->setChecked(false);
    Control<QPushButton>(page, "OKBtn")->click();
    EXPECT_FALSE(Form4->isVisible());
    EXPECT_FALSE(Control<QPushButton>(page, "LookupBtn")->isEnabled());
}
