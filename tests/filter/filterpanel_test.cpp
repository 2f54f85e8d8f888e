#include "support/testsupport.h"

#include "classifier/lazytree.h"
#include "core/dmodule.h"
#include "objects/filterpanel.h"
#include "objects/objectlist.h"

#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

// The filter group as a window holds it: a real database, a grid widget beside it.
class FilterPanelTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // Book 2 "Города": 10 Россия { 11 Москва (01) { 12 Центр }, 13 Казань }, 20 Франция { 21 Париж }
        // Book 1 "Цвета": 30 Красный. Listed by name: Города first.
        makeBook(2, "Города");
        exec("INSERT INTO REFER2 VALUES(10,'Россия','',0,0)");
        exec("INSERT INTO REFER2 VALUES(11,'Москва','01',10,0)");
        exec("INSERT INTO REFER2 VALUES(12,'Центр','',11,0)");
        exec("INSERT INTO REFER2 VALUES(13,'Казань','',10,0)");
        exec("INSERT INTO REFER2 VALUES(20,'Франция','',0,0)");
        exec("INSERT INTO REFER2 VALUES(21,'Париж','',20,0)");
        makeBook(1, "Цвета");
        exec("INSERT INTO REFER1 VALUES(30,'Красный','',0,0)");
        for (int object = 1; object <= 5; ++object)
            exec(QStringLiteral("INSERT INTO GENER(G_ID) VALUES(%1)").arg(object));
        exec("INSERT INTO LINKS VALUES(1,1,2,12,'',0)");
        exec("INSERT INTO LINKS VALUES(2,1,1,30,'',0)");
        exec("INSERT INTO LINKS VALUES(3,2,2,13,'',0)");
        exec("INSERT INTO LINKS VALUES(4,3,2,21,'x',20)");
        exec("INSERT INTO LINKS VALUES(5,5,2,11,'',0)");
        exec("INSERT INTO LINKS VALUES(6,5,1,30,'',0)");

        BuildObjectListPieces(*module);
        OpenObjectList(*module);
        grid = new QWidget;
        panel = new FilterPanel(grid);
        grid->show();
        panel->show();
        panel->reset();
        panel->fillBooks();
    }
    void TearDown() override
    {
        delete panel;
        delete grid;
        AppTest::TearDown();
    }
    void makeBook(int n, const QString &name)
    {
        exec(QStringLiteral("CREATE TABLE REFER%1(R%1_ID INTEGER NOT NULL PRIMARY KEY, R%1_NAME VARCHAR(100), "
                            "R%1_CODE VARCHAR(30), R%1_LINK INTEGER, R%1_COEFF FLOAT)").arg(n));
        exec(QStringLiteral("CREATE INDEX REFER%1_LINK ON REFER%1(R%1_LINK)").arg(n));
        exec(QStringLiteral("INSERT INTO REFERS VALUES(%1,'%2',%3)").arg(n).arg(name).arg(100 + n));
    }
    QTreeWidgetItem *topItem(const QString &text)
    {
        const auto found = panel->ClassesView->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    QTreeWidgetItem *childItem(QTreeWidgetItem *parent, const QString &text)
    {
        parent->setExpanded(true);   // the lazy tree reads the level
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == text)
                return parent->child(i);
        return nullptr;
    }
    void addFilter(QTreeWidgetItem *item)
    {
        ASSERT_NE(item, nullptr);
        panel->ClassesView->setCurrentItem(item);
        panel->AddFilter->click();
    }
    void chooseBook(int index)
    {
        panel->ComboBox->setCurrentIndex(index);
        panel->ComboBoxChange();
    }
    QList<qint64> listed()
    {
        SharedQuery &q = *module->QRGeneral;
        QList<qint64> result;
        const int rows = q.recordCount();
        for (int row = 0; row < rows; ++row)
            result << q.valueAt(row, q.columnIndex("G_ID")).toLongLong();
        std::sort(result.begin(), result.end());
        return result;
    }
    QStringList listTexts()
    {
        QStringList texts;
        for (int i = 0; i < panel->ListBox->count(); ++i)
            texts << panel->ListBox->item(i)->text();
        return texts;
    }

    QWidget *grid = nullptr;
    FilterPanel *panel = nullptr;
};

TEST_F(FilterPanelTest, BooksAreListedByNameAndTheFirstBooksTreeIsShown)
{
    ASSERT_EQ(panel->ComboBox->count(), 2);
    EXPECT_EQ(panel->ComboBox->itemText(0), "Города");
    EXPECT_EQ(panel->ComboBox->itemText(1), "Цвета");
    EXPECT_EQ(ReferId, "2");
    ASSERT_EQ(panel->ClassesView->topLevelItemCount(), 2);
    EXPECT_EQ(panel->ClassesView->topLevelItem(0)->text(0), "Россия");
    EXPECT_TRUE(LazyTree::hasChildren(panel->ClassesView->topLevelItem(0)));

    chooseBook(1);
    EXPECT_EQ(ReferId, "1");
    ASSERT_EQ(panel->ClassesView->topLevelItemCount(), 1);
    EXPECT_EQ(panel->ClassesView->topLevelItem(0)->text(0), "Красный");
}

TEST_F(FilterPanelTest, AddingEntriesNarrowsTheListAndRemovingTheLastShowsAllAgain)
{
    panel->ClassesView->setCurrentItem(nullptr);
    panel->AddFilter->click();      // nothing selected in the tree
    panel->DeleteFilter->click();   // nor in the list
    EXPECT_EQ(panel->ListBox->count(), 0);

    addFilter(topItem("Россия"));
    EXPECT_EQ(listTexts(), QStringList{"Города: Россия"});
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 5}));
    EXPECT_EQ(FilterPart, " WHERE G_ID IN (1,2,5)");
    EXPECT_FALSE(grid->isHidden()) << "the grid is shown again after the work";

    chooseBook(1);
    addFilter(topItem("Красный"));
    EXPECT_EQ(listTexts(), (QStringList{"Города: Россия", "Цвета: Красный"}));
    EXPECT_EQ(listed(), (QList<qint64>{1, 5}));

    panel->ListBox->setCurrentRow(1);
    panel->DeleteFilter->click();
    panel->ListBox->setCurrentRow(0);
    panel->DeleteFilter->click();
    EXPECT_TRUE(panel->ListBox->count() == 0 && panel->Memo.isEmpty());
    EXPECT_TRUE(FilterPart.isEmpty());
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 3, 4, 5}));
}

TEST_F(FilterPanelTest, RemovingTheMiddleOfThreeEntriesKeepsTheOthersPaired)
{
    addFilter(topItem("Россия"));                                // 1, 2, 5
    addFilter(childItem(topItem("Россия"), "Москва (01)"));      // 1, 5
    chooseBook(1);
    addFilter(topItem("Красный"));                               // 1, 5
    ASSERT_EQ(listTexts(), (QStringList{"Города: Россия", "Города: Москва (01)", "Цвета: Красный"}));
    ASSERT_EQ(panel->Memo.size(), 3);
    const QString first = panel->Memo[0], third = panel->Memo[2];

    panel->ListBox->setCurrentRow(1);
    panel->DeleteFilter->click();
    EXPECT_EQ(listTexts(), (QStringList{"Города: Россия", "Цвета: Красный"}));
    EXPECT_EQ(panel->Memo, (QStringList{first, third}));
    EXPECT_EQ(listed(), (QList<qint64>{1, 5}));

    // Removing "Цвета: Красный" now must leave the Russia condition: objects 1, 2, 5.
    panel->ListBox->setCurrentRow(1);
    panel->DeleteFilter->click();
    EXPECT_EQ(listTexts(), QStringList{"Города: Россия"});
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 5}));
}

TEST_F(FilterPanelTest, NoPassingObjectShowsTheMessageAndTheWholeList)
{
    addFilter(childItem(topItem("Франция"), "Париж"));   // object 3 only
    EXPECT_EQ(listed(), QList<qint64>{3});
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        chooseBook(1);
        addFilter(topItem("Красный"));   // objects 1 and 5: nobody has both
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_EQ(answer.texts().first(), "Нет ни одного объекта, удовлетворяющего условию отбора!");
    }
    EXPECT_TRUE(FilterPart.isEmpty());
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 3, 4, 5}));
    EXPECT_EQ(panel->ListBox->count(), 2) << "the entries stay listed";

    // Removing one of them filters again.
    panel->ListBox->setCurrentRow(0);
    panel->DeleteFilter->click();
    EXPECT_EQ(listed(), (QList<qint64>{1, 5}));
}

TEST_F(FilterPanelTest, AFailingEntryIsShownAsAnErrorAndLeavesTheFilterAsItWas)
{
    addFilter(topItem("Россия"));
    ASSERT_EQ(FilterPart, " WHERE G_ID IN (1,2,5)");
    chooseBook(1);
    QTreeWidgetItem *red = topItem("Красный");
    listed();                    // the list read to its end holds no lock on the file
    exec("DROP TABLE REFER1");   // the book vanished under the open window
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        addFilter(red);
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().contains("REFER1")) << answer.texts().first().toStdString();
    }
    EXPECT_EQ(listTexts(), QStringList{"Города: Россия"});
    EXPECT_EQ(panel->Memo.size(), 1);
    EXPECT_EQ(FilterPart, " WHERE G_ID IN (1,2,5)");
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 5}));
    EXPECT_FALSE(grid->isHidden());

    // The condition is built but the evaluation fails: the entry is taken back.
    chooseBook(0);
    QTreeWidgetItem *france = topItem("Франция");
    exec("ALTER TABLE LINKS RENAME TO LINKS_OLD");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        addFilter(france);
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().contains("LINKS")) << answer.texts().first().toStdString();
    }
    EXPECT_EQ(listTexts(), QStringList{"Города: Россия"});
    EXPECT_EQ(panel->Memo.size(), 1);
    EXPECT_EQ(FilterPart, " WHERE G_ID IN (1,2,5)");
    EXPECT_FALSE(grid->isHidden());
}
