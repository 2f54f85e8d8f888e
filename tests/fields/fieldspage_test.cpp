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
    void addField(const QString &name, int type, bool lookup)
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
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        page->OKBtn->click();
        EXPECT_EQ(answer.texts(), QStringList{"Введите название поля!"});
    }

    const QString fiftyOne(51, QLatin1Char('w'));
    QTest::keyClicks(page->Edit4, fiftyOne);
    EXPECT_EQ(page->Edit4->text(), fiftyOne.left(50));
    EXPECT_FALSE(page->CheckBox3->isEnabled());
    page->ComboBox1->setCurrentIndex(FieldStore::StringType);
    EXPECT_TRUE(page->CheckBox3->isEnabled());
    page->CheckBox3->setChecked(true);
    // A refused statement (a leftover list table) shows the engine's text and keeps the panel.
    exec("CREATE TABLE LOOKUP1(X INTEGER)");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        page->OKBtn->click();
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().contains("LOOKUP1")) << answer.texts().first().toStdString();
    }
    EXPECT_TRUE(page->GroupBox7->isVisibleTo(page));
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 0);
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

    // The list ticked, then a type without lists chosen: no list is made.
    page->AddFieldBtn->click();
    page->Edit4->setText("Число");
    page->ComboBox1->setCurrentIndex(FieldStore::StringType);
    page->CheckBox3->setChecked(true);
    page->ComboBox1->setCurrentIndex(0);
    EXPECT_FALSE(page->CheckBox3->isEnabled());
    page->OKBtn->click();
    EXPECT_FALSE(page->CheckBox3->isChecked());
    EXPECT_EQ(scalar("SELECT F_LOOKUP FROM FIELDS WHERE F_ID = 2").toInt(), 0);
    EXPECT_FALSE(tableExists("LOOKUP2"));
}

TEST_F(FieldsPageTest, EditingOpensThePanelOnTheChosenRowAndCancelWritesNothing)
{
    addField("Вес", 1, false);
    addField("Марка", FieldStore::StringType, true);
    addField("Фото", 7, false);
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
    // The commit names the edited field, and the list stays on it.
    page->Edit4->setText("Снимок");
    page->ComboBox1->setCurrentIndex(6);
    page->OKBtn->click();
    EXPECT_EQ(scalar("SELECT F_NAME || '/' || F_TYPE FROM FIELDS WHERE F_ID = 3").toString(), "Снимок/6");
    EXPECT_EQ(page->selectedField().id, 3);
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 3);
}

TEST_F(FieldsPageTest, DeletingAsksFirstAndAnEmptyListKeepsTheEditingMode)
{
    addField("Первое", 0, false);
    addField("Второе", FieldStore::StringType, true);
    clickRow(0);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        page->DeleteFieldBtn->click();
        EXPECT_EQ(no.texts(), QStringList{"Внимание! Данные из этого поля будут потеряны!\n\rВы действительно хотите удалить это поле?"});
    }
    EXPECT_EQ(count("SELECT * FROM FIELDS"), 2);
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        page->DeleteFieldBtn->click();
        clickRow(0);
        page->DeleteFieldBtn->click();
        EXPECT_EQ(yes.seen(), 2);
        EXPECT_EQ(page->DBGrid->model()->rowCount(), 0);
        // With no field left, editing, deleting and the list window do nothing.
        page->EditFieldBtn->click();
        page->DeleteFieldBtn->click();
        page->LookupBtn->setEnabled(true);
        page->LookupBtn->click();
        QTest::qWait(50);
        EXPECT_EQ(yes.seen(), 2);
        EXPECT_FALSE(page->GroupBox7->isVisibleTo(page));
        EXPECT_FALSE(Form4->isVisible());
    }
    MessageBoxAnswerer refuse(QMessageBox::Ok);
    Form1->GoToDBBtn->click();
    EXPECT_EQ(refuse.texts(), QStringList{"Добавьте хотя бы одно статическое поле описания объектов!"});
}

TEST_F(FieldsPageTest, LookupWindowMaintainsTheListAndFollowsItsField)
{
    addField("Стра'на", FieldStore::StringType, true);
    exec("INSERT INTO GENER(G_ID, G1) VALUES(1, 0)");
    page->LookupBtn->click();
    ASSERT_TRUE(Form4->isVisible());
    EXPECT_EQ(Form4->windowTitle(), "Справочник для поля описания \"Стра'на\"");
    EXPECT_TRUE(lookupTexts().isEmpty());
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
    // Other work on the shared queries leaves the window's rows alone.
    DModule->QRWork->open(QStringLiteral("SELECT * FROM TYPES"));
    EXPECT_EQ(lookupTexts(), (QStringList{"А", "Б"}));

    exec("UPDATE GENER SET G1 = 2");
    Form4->Edit2->setText("Я'");
    Form4->Button2->click();
    EXPECT_EQ(lookupTexts(), (QStringList{"Б", "Я'"}));
    EXPECT_EQ(Form4->selectedEntryId(), 2);
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form4->DeleteBtn->click();
        EXPECT_EQ(answer.texts(), QStringList{"Данная запись используется в главной таблице!"});
    }
    EXPECT_EQ(count("SELECT * FROM LOOKUP1"), 3);
    exec("UPDATE GENER SET G1 = 1");
    clickRow(1, Form4->DBGrid);
    EXPECT_EQ(Form4->Edit2->text(), "Я'");
    Form4->DeleteBtn->click();
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
