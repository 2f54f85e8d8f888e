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
        page = Form1->fieldsPage;
    }

    // Fills the panel as a user would and presses "Готово".
    void fillPanel(const QString &name, int type, bool lookup)
    {
        page->AddFieldBtn->click();
        page->Edit4->setText(name);
        page->ComboBox1->setCurrentIndex(type);
        if (lookup)
            page->CheckBox3->setChecked(true);
        page->OKBtn->click();
    }

    QString cell(int row, int column) const
    {
        return page->DBGrid->model()->index(row, column).data().toString();
    }

    static void clickRow(int row, QTableView *grid = Form1->fieldsPage->DBGrid)
    {
        const QModelIndex index = grid->model()->index(row, 0);
        grid->setCurrentIndex(index);
        Q_EMIT grid->clicked(index);
    }
    // Clicks a button and returns the texts of the message boxes it showed.
    static QStringList click(QAbstractButton *button, int answer = QMessageBox::Ok)
    {
        MessageBoxAnswerer answerer(answer);
        button->click();
        return answerer.texts();
    }
    QStringList lookupTexts() const
    {
        QStringList texts;
        for (int row = 0; row < Form4->DBGrid->model()->rowCount(); ++row)
            texts << Form4->DBGrid->model()->index(row, 0).data().toString();
        return texts;
    }

    FieldsPage *page = nullptr;
};
}

TEST_F(FieldsPageTest, AddingThroughThePanelWithEachRefusal)
{
    EXPECT_FALSE(page->GroupBox7->isVisibleTo(page));
    page->AddFieldBtn->click();
    EXPECT_TRUE(page->GroupBox7->isVisibleTo(page));
    EXPECT_FALSE(page->DBGrid->isEnabled());
    EXPECT_FALSE(Form1->GoToDBBtn->isEnabled());
    EXPECT_EQ(click(page->OKBtn), QStringList{"Введите название поля!"});

    const QString fiftyOne(51, QLatin1Char('w'));
    QTest::keyClicks(page->Edit4, fiftyOne);
    EXPECT_EQ(page->Edit4->text(), fiftyOne.left(50));
    EXPECT_FALSE(page->CheckBox3->isEnabled());
    page->ComboBox1->setCurrentIndex(FieldStore::StringType);
    EXPECT_TRUE(page->CheckBox3->isEnabled());
    page->CheckBox3->setChecked(true);
    // A refused statement (a leftover list table) shows the engine's text and keeps the panel.
    exec("CREATE TABLE LOOKUP1(X INTEGER)");
    const QStringList refused = click(page->OKBtn);
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains("LOOKUP1")) << refused.first().toStdString();
    EXPECT_TRUE(page->GroupBox7->isVisibleTo(page));
    exec("DROP TABLE LOOKUP1");
    page->OKBtn->click();
    EXPECT_FALSE(page->GroupBox7->isVisibleTo(page));
    EXPECT_TRUE(page->DBGrid->isEnabled());
    EXPECT_TRUE(Form1->GoToDBBtn->isEnabled());
    ASSERT_EQ(page->DBGrid->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), fiftyOne.left(50));
    EXPECT_EQ(cell(0, 1), scalar("SELECT T_NAME FROM TYPES WHERE T_ID = 5").toString());
    EXPECT_EQ(cell(0, 2), scalar("SELECT B_TEXT FROM BOOLEAN WHERE B_ID = -1").toString());
    EXPECT_TRUE(page->LookupBtn->isEnabled());

    // The list ticked, then a type without lists chosen: the tick is dropped on "Готово".
    page->AddFieldBtn->click();
    page->Edit4->setText("Число");
    page->ComboBox1->setCurrentIndex(FieldStore::StringType);
    page->CheckBox3->setChecked(true);
    page->ComboBox1->setCurrentIndex(0);
    EXPECT_FALSE(page->CheckBox3->isEnabled());
    page->OKBtn->click();
    EXPECT_FALSE(page->CheckBox3->isChecked());
    EXPECT_EQ(scalar("SELECT F_LOOKUP FROM FIELDS WHERE F_ID = 2").toInt(), 0);
}

TEST_F(FieldsPageTest, EditingAndDeletingWorkOnTheChosenRowAndCancelOrNoChangesNothing)
{
    fillPanel("Вес", 1, false);
    fillPanel("Марка", FieldStore::StringType, true);
    fillPanel("Фото", 7, false);
    ASSERT_EQ(page->DBGrid->model()->rowCount(), 3);

    clickRow(1);
    EXPECT_TRUE(page->LookupBtn->isEnabled());
    page->EditFieldBtn->click();
    EXPECT_TRUE(page->GroupBox7->isVisibleTo(page));
    EXPECT_EQ(page->Edit4->text(), "Марка");
    EXPECT_EQ(page->ComboBox1->currentIndex(), FieldStore::StringType);
    EXPECT_TRUE(page->CheckBox3->isChecked());
    EXPECT_FALSE(page->LookupBtn->isEnabled());
    page->Edit4->setText("Изменено");
    page->CancelBtn->click();
    EXPECT_EQ(scalar("SELECT F_NAME FROM FIELDS WHERE F_ID = 2").toString(), "Марка");
    EXPECT_TRUE(page->LookupBtn->isEnabled());

    clickRow(2);
    EXPECT_FALSE(page->LookupBtn->isEnabled());
    page->EditFieldBtn->click();
    EXPECT_EQ(page->ComboBox1->currentIndex(), 7);
    // The commit changes the edited field, and the list stays on it.
    page->Edit4->setText("Снимок");
    page->ComboBox1->setCurrentIndex(6);
    page->OKBtn->click();
    EXPECT_EQ(scalar("SELECT F_NAME || '/' || F_TYPE FROM FIELDS WHERE F_ID = 3").toString(), "Снимок/6");
    EXPECT_EQ(page->selectedField().id, 3);
    EXPECT_EQ(page->DBGrid->model()->rowCount(), 3);

    // Deleting asks first; down to no field at all, after which editing, deleting and the list window do nothing.
    clickRow(0);
    EXPECT_EQ(click(page->DeleteFieldBtn, QMessageBox::No),
              QStringList{"Внимание! Данные из этого поля будут потеряны!\n\rВы действительно хотите удалить это поле?"});
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 3);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    for (int left = 3; left > 0; --left) {
        clickRow(0);
        page->DeleteFieldBtn->click();
    }
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_EQ(page->DBGrid->model()->rowCount(), 0);
    page->EditFieldBtn->click();
    page->DeleteFieldBtn->click();
    page->LookupBtn->setEnabled(true);
    page->LookupBtn->click();
    QTest::qWait(50);
    EXPECT_EQ(yes.seen(), 3);
    EXPECT_FALSE(page->GroupBox7->isVisibleTo(page));
    EXPECT_FALSE(Form4->isVisible());
}

TEST_F(FieldsPageTest, ANewTypeThatLosesValuesIsAskedForAndNoChangesNothing)
{
    fillPanel("Вес", int(FieldKind::Real), false);
    exec("INSERT INTO GENER(G_ID, G1) VALUES (1, 12.5), (2, 3), (3, NULL)");
    const auto weights = [this] {
        QVariantList values;
        for (const QVariantList &row : rows("SELECT G1 FROM GENER ORDER BY G_ID"))
            values << (row.first().isNull() ? QVariant() : row.first());
        return values;
    };
    clickRow(0);
    page->EditFieldBtn->click();
    page->ComboBox1->setFocus();
    QTest::keyClick(page->ComboBox1, Qt::Key_Up);
    ASSERT_EQ(page->ComboBox1->currentIndex(), int(FieldKind::Integer));
    const QString question = "Значения этого поля, которые нельзя преобразовать в новый тип данных, будут потеряны. "
                             "Таких значений: 1.\n\rИзменить тип данных поля?";
    EXPECT_EQ(click(page->OKBtn, QMessageBox::No), QStringList{question});
    EXPECT_TRUE(page->GroupBox7->isVisibleTo(page));
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Real));
    EXPECT_EQ(weights(), (QVariantList{12.5, 3.0, QVariant()}));

    EXPECT_EQ(click(page->OKBtn, QMessageBox::Yes), QStringList{question});
    EXPECT_FALSE(page->GroupBox7->isVisibleTo(page));
    EXPECT_EQ(scalar("SELECT F_TYPE FROM FIELDS WHERE F_ID = 1").toInt(), int(FieldKind::Integer));
    EXPECT_EQ(weights(), (QVariantList{QVariant(), 3, QVariant()}));

    // Back to reals nothing is lost, and nothing is asked.
    page->EditFieldBtn->click();
    page->ComboBox1->setFocus();
    QTest::keyClick(page->ComboBox1, Qt::Key_Down);
    EXPECT_TRUE(click(page->OKBtn).isEmpty());
    EXPECT_EQ(weights(), (QVariantList{QVariant(), 3.0, QVariant()}));
}

TEST_F(FieldsPageTest, LookupWindowMaintainsTheListAndFollowsItsField)
{
    fillPanel("Стра'на", FieldStore::StringType, true);
    exec("INSERT INTO GENER(G_ID, G1) VALUES(1, 0)");
    page->LookupBtn->click();
    ASSERT_TRUE(Form4->isVisible());
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Стра'на\"");
    {
        MessageBoxAnswerer none(QMessageBox::Ok);
        Form4->Edit2->setText("ничего");   // nothing chosen on an empty list
        Form4->Button2->click();
        Form4->DeleteBtn->click();
        QTest::qWait(50);
        EXPECT_EQ(none.seen(), 0);
        EXPECT_EQ(count("SELECT * FROM LOOKUP1"), 1);
    }

    Form4->Edit1->setText("Б");
    Form4->AddBtn->click();
    Form4->Edit1->setText("А");
    Form4->AddBtn->click();
    EXPECT_EQ(lookupTexts(), (QStringList{"А", "Б"}));
    EXPECT_EQ(Form4->Edit1->text(), "");
    EXPECT_EQ(Form4->Edit2->text(), "А");
    EXPECT_EQ(Form4->selectedEntryId(), 2);
    // The change box follows the keys as it follows clicks.
    Form4->DBGrid->setFocus();
    QTest::keyClick(Form4->DBGrid, Qt::Key_Down);
    EXPECT_EQ(Form4->Edit2->text(), "Б");
    QTest::keyClick(Form4->DBGrid, Qt::Key_Up);
    EXPECT_EQ(Form4->Edit2->text(), "А");
    // Other work on the shared queries leaves the window's rows alone.
    DModule->QRWork->open(QStringLiteral("SELECT * FROM TYPES"));
    EXPECT_EQ(lookupTexts(), (QStringList{"А", "Б"}));

    exec("UPDATE GENER SET G1 = 2");
    Form4->Edit2->setText("Я'");
    Form4->Button2->click();
    EXPECT_EQ(lookupTexts(), (QStringList{"Б", "Я'"}));
    EXPECT_EQ(Form4->selectedEntryId(), 2);
    EXPECT_EQ(click(Form4->DeleteBtn), QStringList{"Данная запись используется в главной таблице!"});
    EXPECT_EQ(lookupTexts(), (QStringList{"Б", "Я'"}));
    exec("UPDATE GENER SET G1 = 1");
    clickRow(1, Form4->DBGrid);
    EXPECT_EQ(Form4->Edit2->text(), "Я'");
    Form4->DeleteBtn->click();
    EXPECT_EQ(lookupTexts(), QStringList{"Б"});
    // After a deletion the box shows the entry now selected: "Изменить" does not empty it.
    EXPECT_EQ(Form4->Edit2->text(), "Б");
    Form4->Button2->click();
    EXPECT_EQ(lookupTexts(), QStringList{"Б"});

    // Renaming the field follows into the window's caption; losing the list closes it.
    page->EditFieldBtn->click();
    page->Edit4->setText("Перечень");
    page->OKBtn->click();
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Перечень\"");
    page->EditFieldBtn->click();
    page->CheckBox3->setChecked(false);
    page->OKBtn->click();
    EXPECT_FALSE(Form4->isVisible());
    EXPECT_FALSE(page->LookupBtn->isEnabled());
}
