#include "support/testsupport.h"

#include "app/forms.h"
#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/form7.h"
#include "objects/form8.h"
#include "objects/paramspanel.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

// The parameter half of the object editor on a real database, with the program's Form8.
class ParamsPanelTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Form6->CheckBox2->setChecked(true);
        // Book 2 "Города": 10 Россия { 11 Москва (01) { 12 Центр }, 13 Казань }; book 1 "Цвета": 30 Красный.
        makeBook(2, "Города");
        exec("INSERT INTO REFER2 VALUES(10,'Россия','',0,0)");
        exec("INSERT INTO REFER2 VALUES(11,'Москва','01',10,0)");
        exec("INSERT INTO REFER2 VALUES(12,'Центр','',11,0)");
        exec("INSERT INTO REFER2 VALUES(13,'Казань','',10,0)");
        makeBook(1, "Цвета");
        exec("INSERT INTO REFER1 VALUES(30,'Красный','',0,0)");
        panel = new ParamsPanel;
        panel->show();
    }
    void TearDown() override
    {
        Form8->hide();
        delete panel;
        Form6->CheckBox2->setChecked(true);
        AppTest::TearDown();
    }
    void makeBook(int n, const QString &name)
    {
        exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                            "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(n));
        exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(n));
        exec(QStringLiteral("INSERT INTO REFERS VALUES(%1,'%2',%3)").arg(n).arg(name).arg(100 + n));
    }
    QTreeWidgetItem *item(const QStringList &path)
    {
        QTreeWidgetItem *current = nullptr;
        for (const QString &text : path) {
            QTreeWidgetItem *next = nullptr;
            if (current) {
                current->setExpanded(true);
                for (int i = 0; i < current->childCount() && !next; ++i)
                    if (current->child(i)->text(0) == text)
                        next = current->child(i);
            } else {
                const auto found = panel->ClassesView->findItems(text, Qt::MatchExactly);
                next = found.isEmpty() ? nullptr : found.first();
            }
            if (!next)
                return nullptr;
            current = next;
        }
        return current;
    }
    QStringList comboItems(QComboBox *box)
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    QStringList listed()
    {
        QStringList texts;
        for (int i = 0; i < panel->ParamsList->count(); ++i)
            texts << panel->ParamsList->item(i)->text();
        return texts;
    }
    // Selects the entry and presses "Добавить выделенный параметр".
    void startAdding(const QStringList &path)
    {
        QTreeWidgetItem *entry = item(path);
        ASSERT_NE(entry, nullptr) << path.join('/').toStdString();
        panel->ClassesView->setCurrentItem(entry);
        panel->AddParam->click();
    }

    ParamsPanel *panel = nullptr;
};

TEST_F(ParamsPanelTest, FillListsTheBooksAndTheObjectsParameters)
{
    exec("INSERT INTO LINKS VALUES(1,5,2,12,'3',11)");
    exec("INSERT INTO LINKS VALUES(2,6,2,13,'',0)");
    panel->fill("5");
    EXPECT_EQ(comboItems(panel->ComboBox), (QStringList{"Города", "Цвета"}));
    EXPECT_EQ(panel->ReferId, "2");
    EXPECT_EQ(panel->ClassesView->topLevelItemCount(), 1);
    EXPECT_TRUE(panel->AddParam->isEnabled());
    EXPECT_TRUE(panel->DeleteParam->isEnabled());
    EXPECT_EQ(listed(), QStringList{"Москва: Центр = 3"});

    panel->ComboBox->setCurrentIndex(1);
    panel->ComboBoxChange();
    EXPECT_EQ(panel->ReferId, "1");
    ASSERT_EQ(panel->ClassesView->topLevelItemCount(), 1);
    EXPECT_EQ(panel->ClassesView->topLevelItem(0)->text(0), "Красный");
}

TEST_F(ParamsPanelTest, WithoutBooksTheButtonsAreDisabled)
{
    exec("DELETE FROM REFERS");
    panel->fill("5");
    EXPECT_EQ(panel->ComboBox->count(), 0);
    EXPECT_EQ(panel->ClassesView->topLevelItemCount(), 0);
    EXPECT_FALSE(panel->AddParam->isEnabled());
    EXPECT_FALSE(panel->DeleteParam->isEnabled());
}

TEST_F(ParamsPanelTest, CaptionItemsAreTheBookAndTheAncestorsAndTheChosenOneIsStored)
{
    panel->fill("5");
    startAdding({"Россия", "Москва (01)", "Центр"});
    ASSERT_TRUE(Form8->isVisible());
    EXPECT_TRUE(Form8->Edit1->text().isEmpty());
    EXPECT_EQ(Form8->Edit1->maxLength(), 50);
    EXPECT_EQ(comboItems(Form8->ComboBox), (QStringList{"Города", "Москва (01)", "Россия"}));
    EXPECT_EQ(Form8->ComboBox->currentIndex(), 0);

    Form8->ComboBox->setCurrentIndex(1);   // the parent captions the parameter
    Form8->Button1->click();
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(rows("SELECT * FROM LINKS"), (QList<QVariantList>{{1, 5, 2, 12, "", 11}}));
    EXPECT_EQ(listed(), QStringList{"Москва: Центр"}) << "an empty value shows no \" = \"";

    startAdding({"Россия", "Москва (01)", "Центр"});
    EXPECT_TRUE(Form8->Edit1->text().isEmpty()) << "the value of the last addition is gone";
    Form8->ComboBox->setCurrentIndex(2);
    Form8->Edit1->setText("д'Артаньян");
    Form8->Button1->click();
    EXPECT_EQ(scalar("SELECT L_CAPTION FROM LINKS WHERE L_ID = 2").toInt(), 10);
    EXPECT_EQ(listed(), (QStringList{"Москва: Центр", "Россия: Центр = д'Артаньян"}));
}

TEST_F(ParamsPanelTest, TheLinkIsTheEntryChosenWhenTheDialogOpened)
{
    panel->fill("5");
    startAdding({"Россия", "Москва (01)", "Центр"});
    Form8->ComboBox->setCurrentIndex(2);   // Россия
    // The user wanders off in the tree while the value dialog is open.
    panel->ClassesView->setCurrentItem(item({"Россия", "Казань"}));
    Form8->Button1->click();
    EXPECT_EQ(rows("SELECT L_CLASS, L_CAPTION FROM LINKS"), (QList<QVariantList>{{12, 10}}));
}

TEST_F(ParamsPanelTest, LeafOnlySettingDecidesWhetherAParentEntryCanBeLinked)
{
    panel->fill("5");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        startAdding({"Россия"});   // still unread: its placeholder counts as children
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_EQ(answer.texts().first(), "Ссылки возможны только на младшие подклассы!");
    }
    EXPECT_FALSE(Form8->isVisible());

    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        startAdding({"Россия", "Москва (01)"});   // read, with real children
        EXPECT_EQ(answer.seen(), 1);
    }
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);

    Form6->CheckBox2->setChecked(false);
    startAdding({"Россия"});
    ASSERT_TRUE(Form8->isVisible());
    EXPECT_EQ(comboItems(Form8->ComboBox), QStringList{"Города"});
    Form8->Button1->click();
    EXPECT_EQ(rows("SELECT L_CLASS, L_CAPTION FROM LINKS"), (QList<QVariantList>{{10, 0}}));
    EXPECT_EQ(listed(), QStringList{"Города: Россия"});
}

TEST_F(ParamsPanelTest, NothingIsWrittenWithoutSelectionOrAfterCancel)
{
    exec("INSERT INTO LINKS VALUES(1,5,2,12,'',0)");
    panel->fill("5");
    panel->ClassesView->setCurrentItem(nullptr);
    panel->AddParam->click();
    EXPECT_FALSE(Form8->isVisible());
    panel->ParamsList->setCurrentItem(nullptr);
    panel->DeleteParam->click();

    startAdding({"Россия", "Казань"});
    ASSERT_TRUE(Form8->isVisible());
    Form8->Edit1->setText("x");
    Form8->Button2->click();
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), QList<QVariantList>{{1}});
    EXPECT_EQ(panel->ParamsList->count(), 1);
}

TEST_F(ParamsPanelTest, DeletingTheOnlyParameterLeavesTheListEmptyAndTheTreeAsItWas)
{
    exec("INSERT INTO LINKS VALUES(1,5,2,12,'',0)");
    exec("INSERT INTO LINKS VALUES(2,6,2,12,'',0)");
    panel->fill("5");
    QTreeWidgetItem *moscow = item({"Россия", "Москва (01)"});
    ASSERT_NE(moscow, nullptr);
    panel->ClassesView->setCurrentItem(moscow);

    panel->ParamsList->setCurrentRow(0);
    panel->DeleteParam->click();
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), QList<QVariantList>{{2}}) << "another object's link stays";
    EXPECT_EQ(panel->ClassesView->currentItem(), moscow);
    EXPECT_TRUE(moscow->parent()->isExpanded());
    EXPECT_EQ(panel->ClassesView->topLevelItemCount(), 1);
}

TEST_F(ParamsPanelTest, DeletingTheMiddleParameterRemovesTheOneSelected)
{
    exec("INSERT INTO LINKS VALUES(1,5,2,12,'a',0)");
    exec("INSERT INTO LINKS VALUES(2,5,2,12,'b',0)");
    exec("INSERT INTO LINKS VALUES(3,5,2,12,'c',0)");
    panel->fill("5");
    panel->ParamsList->setCurrentRow(1);
    panel->DeleteParam->click();
    EXPECT_EQ(listed(), (QStringList{"Города: Центр = a", "Города: Центр = c"}));
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS ORDER BY L_ID"), (QList<QVariantList>{{1}, {3}}));
}

// Through the object editor: parameters of an addition that was cancelled are gone at the next addition.
TEST_F(ParamsPanelTest, AnAbandonedAdditionsLinksAreRemovedWhenTheEditorOpensForAddingAgain)
{
    exec("INSERT INTO FIELDS VALUES(1,'Название',0,0)");
    exec("ALTER TABLE GENER ADD G1 INTEGER");
    exec("INSERT INTO GENER VALUES(1, 10)");
    exec("INSERT INTO LINKS VALUES(1,1,2,13,'',0)");   // the existing object's own parameter

    Form7->EditMode = false;
    Form7->GenForm();
    ASSERT_EQ(Form7->ObjectId, "2");
    ParamsPanel *editorPanel = Form7->paramsPanel;
    EXPECT_TRUE(editorPanel->ParamsList->count() == 0);
    const auto found = editorPanel->ClassesView->findItems("Россия", Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    found.first()->setExpanded(true);
    QTreeWidgetItem *kazan = nullptr;
    for (int i = 0; i < found.first()->childCount(); ++i)
        if (found.first()->child(i)->text(0) == "Казань")
            kazan = found.first()->child(i);
    ASSERT_NE(kazan, nullptr);
    editorPanel->ClassesView->setCurrentItem(kazan);
    Form7->AddParamClick();
    ASSERT_TRUE(Form8->isVisible());
    Form8->Button1->click();
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2"), 1);
    EXPECT_EQ(editorPanel->ParamsList->count(), 1);
    Form7->CancelBtnClick();
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2"), 1) << "cancelling leaves the links written so far";

    Form7->EditMode = false;
    Form7->GenForm();
    EXPECT_EQ(Form7->ObjectId, "2");
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 2"), 0);
    EXPECT_EQ(editorPanel->ParamsList->count(), 0);
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_OBJECT = 1"), 1);
    Form7->CancelBtnClick();
}

TEST_F(ParamsPanelTest, ClosingTheEditorClosesAnOpenValueDialog)
{
    exec("INSERT INTO FIELDS VALUES(1,'Название',0,0)");
    exec("ALTER TABLE GENER ADD G1 INTEGER");
    Form7->EditMode = false;
    Form7->GenForm();
    Form7->show();
    ParamsPanel *editorPanel = Form7->paramsPanel;
    Form6->CheckBox2->setChecked(false);
    const auto found = editorPanel->ClassesView->findItems("Россия", Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    editorPanel->ClassesView->setCurrentItem(found.first());
    Form7->AddParamClick();
    ASSERT_TRUE(Form8->isVisible());
    Form7->CancelBtnClick();
    EXPECT_FALSE(Form8->isVisible());
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
}
