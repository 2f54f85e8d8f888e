#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/filterpanel.h"
#include "objects/form2.h"
#include "objects/objectlist.h"

#include <QComboBox>
#include <QListWidget>
#include <QTableView>
#include <QTreeWidget>

// The filter inside the view/fill window, with a lookup-backed field so the list statement has a WHERE.
class Form2FilterTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        exec("INSERT INTO FIELDS VALUES(1,'Вид',5,-1)");
        exec("ALTER TABLE GENER ADD G1 INTEGER");
        exec("CREATE TABLE LOOKUP1(L1_ID INTEGER NOT NULL PRIMARY KEY, L1_DATA VARCHAR(50))");
        exec("INSERT INTO LOOKUP1 VALUES(0,'< пустое значение >')");
        exec("INSERT INTO LOOKUP1 VALUES(1,'дом')");
        exec("CREATE TABLE REFER1(R1_ID INTEGER NOT NULL PRIMARY KEY, R1_NAME VARCHAR(100), R1_CODE VARCHAR(30), "
             "R1_LINK INTEGER, R1_COEFF FLOAT)");
        exec("INSERT INTO REFERS VALUES(1,'Районы',7)");
        exec("INSERT INTO REFER1 VALUES(10,'Север','С',0,0)");
        exec("INSERT INTO REFER1 VALUES(11,'Лес','',10,0)");
        exec("INSERT INTO REFER1 VALUES(20,'Юг','Ю',0,0)");
        for (int object = 1; object <= 4; ++object)
            exec(QStringLiteral("INSERT INTO GENER VALUES(%1,%2)").arg(object).arg(object % 2));
        exec("INSERT INTO LINKS VALUES(1,1,1,11,'',0)");
        exec("INSERT INTO LINKS VALUES(2,2,1,10,'',0)");
        exec("INSERT INTO LINKS VALUES(3,3,1,20,'',0)");
        Form2->LoadGeneral();
        Form2->show();
    }
    QList<qint64> listed()
    {
        SharedQuery &q = *DModule->QRGeneral;
        QList<qint64> result;
        const int rows = q.recordCount();
        for (int row = 0; row < rows; ++row)
            result << q.valueAt(row, q.columnIndex("G_ID")).toLongLong();
        std::sort(result.begin(), result.end());
        return result;
    }
};

TEST_F(Form2FilterTest, FilteringTheViewWindowAndResettingItOnTheNextEntry)
{
    FilterPanel *panel = Form2->filterPanel;
    ASSERT_EQ(panel->ComboBox->count(), 1);
    ASSERT_EQ(panel->ClassesView->topLevelItemCount(), 2);
    QTreeWidgetItem *north = panel->ClassesView->topLevelItem(0);
    EXPECT_EQ(north->text(0), "Север (С)");
    panel->ClassesView->setCurrentItem(north);
    Form2->AddFilterClick();

    EXPECT_EQ(panel->ListBox->item(0)->text(), "Районы: Север (С)");
    EXPECT_EQ(FilterPart, " AND (G_ID IN (1,2))");
    EXPECT_EQ(listed(), (QList<qint64>{1, 2}));
    EXPECT_TRUE(Form2->DBGrid->isVisible());

    // An object added later is not in the filtered list until the filter changes.
    exec("INSERT INTO GENER VALUES(5,1)");
    exec("INSERT INTO LINKS VALUES(4,5,1,11,'',0)");
    OpenObjectList(*DModule);
    EXPECT_EQ(listed(), (QList<qint64>{1, 2}));
    panel->ClassesView->setCurrentItem(north);
    Form2->AddFilterClick();   // the same entry twice changes nothing but takes the new object in
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 5}));

    Form2->LoadGeneral();
    EXPECT_EQ(panel->ListBox->count(), 0);
    EXPECT_TRUE(panel->Memo.isEmpty());
    EXPECT_TRUE(FilterPart.isEmpty());
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 3, 4, 5}));
}
