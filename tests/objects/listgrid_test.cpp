#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "objects/form7.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>

// The object grid of the view/fill window as a person uses it: keys, mouse and what it shows.
namespace {
class ListGridTest : public AppTest
{
protected:
    void insertNamed(qint64 id, const QString &name)
    {
        InsertObject(*module, id, {FieldInput{ReadDescriptionFields(*module).first(), name}});
    }
    void enterViewFill() const
    {
        Form2->LoadGeneral();
        Form2->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form2));
    }
    QPoint rowCentre(int row) const
    {
        return Form2->DBGrid->visualRect(Form2->gridModel->index(row, 0)).center();
    }
    void clickTitle(int column) const
    {
        QHeaderView *header = Form2->DBGrid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    qint64 currentObject() const { return module->QRGeneral->asInteger("G_ID"); }
    QStringList columnTexts(int column) const
    {
        QStringList texts;
        ObjectGridModel *model = Form2->gridModel;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->data(model->index(row, column)).toString();
        return texts;
    }
    void closeEditor() const
    {
        Form7->close();
        EXPECT_TRUE(WaitFor([] { return Form2->isEnabled(); }));
        Form2->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Form2));
    }
};
}

TEST_F(ListGridTest, EnterAndDoubleClickChangeTheCurrentObjectAndDeleteAsksFirst)
{
    addField(*module, "Имя", StringType);
    insertNamed(1, "первый");
    insertNamed(2, "второй");
    insertNamed(3, "третий");
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    enterViewFill();
    Form2->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form2));
    QTableView *grid = Form2->DBGrid;

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(1));
    ASSERT_EQ(currentObject(), 2);
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->windowTitle(), "Изменение объекта");
    EXPECT_EQ(Form7->ObjectId, "2");
    closeEditor();

    // A double click as the window system delivers it: press, release, then the second press as a double click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(2));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(2));
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->ObjectId, "3");
    closeEditor();

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCentre(1));
    {
        MessageBoxAnswerer answer(QMessageBox::No);
        QTest::keyClick(grid, Qt::Key_Delete);
        EXPECT_EQ(answer.texts(), QStringList{"Вы действительно хотите удалить этот объект?"});
    }
    EXPECT_EQ(count("SELECT * FROM GENER"), 3);
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
        EXPECT_EQ(answer.seen(), 1);
    }
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G_ID = 2"), 0);
    // The next object takes the deleted one's place, in the list and in the grid.
    EXPECT_EQ(currentObject(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
    }
    EXPECT_EQ(currentObject(), 1) << "the last row deleted: the one before it is current";
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        QTest::keyClick(grid, Qt::Key_Delete);
    }
    ASSERT_EQ(count("SELECT * FROM GENER") + count("SELECT * FROM LINKS"), 0);
    EXPECT_FALSE(Form2->EditRecordBtn->isEnabled() || Form2->DeleteRecordBtn->isEnabled());
    // An empty list: the keys open nothing and ask nothing.
    MessageBoxAnswerer none(QMessageBox::Yes);
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(none.seen(), 0);
}

// Columns fit their titles and values, also of objects added later, and keep the widths the user gave.
// A title click sorts by its column: ascending, then descending, the lookup column by its texts; the
// sorted title shows its arrow.
TEST_F(ListGridTest, ColumnsFitTheirValuesAndTitleClicksSortWithTheArrowShown)
{
    addField(*module, "Имя", StringType);
    addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    // Entry numbers in the reverse of their text order.
    addLookupEntry(*module, colour, "синий");
    addLookupEntry(*module, colour, "алый");
    const QList<DescriptionField> fields = ReadDescriptionFields(*module);
    InsertObject(*module, 1, {FieldInput{fields[0], "аб"}, FieldInput{fields[1], "30"}, FieldInput{fields[2], "синий"}});
    // A value longer than its title in a row after the first, which the list has not read yet.
    const QString secondName = "Микроволновая печь";
    InsertObject(*module, 2, {FieldInput{fields[0], secondName}, FieldInput{fields[1], "4"}, FieldInput{fields[2], "алый"}});
    enterViewFill();
    QHeaderView *header = Form2->DBGrid->horizontalHeader();
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    EXPECT_GT(header->sectionSize(0), Form2->DBGrid->fontMetrics().horizontalAdvance(secondName));
    const QString longName = "Samovar, Tula, 1890-e, s klejmom fabriki";
    const int needed = Form2->DBGrid->fontMetrics().horizontalAdvance(longName);
    QTest::qWait(50);   // the window shown and its columns fitted to what it lists
    ASSERT_LT(header->sectionSize(0), needed);

    Form2->AddRecordBtn->click();
    ASSERT_TRUE(Form7->isVisible());
    QTest::keyClicks(Form7->inputFor(0), longName);
    QTest::keyClicks(Form7->inputFor(1), "100");
    TypeKeys(Form7->inputFor(2), "синий");
    Form7->OkButton->click();
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_TRUE(WaitFor([&] { return header->sectionSize(0) > needed; })) << header->sectionSize(0) << " < " << needed;

    clickTitle(1);
    EXPECT_EQ(columnTexts(1), (QStringList{"4", "30", "100"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickTitle(1);
    EXPECT_EQ(columnTexts(1), (QStringList{"100", "30", "4"}));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    clickTitle(2);
    EXPECT_EQ(columnTexts(2), (QStringList{"алый", "синий", "синий"}));
    // Sorting switched off: a click moves neither the order nor its arrow.
    Form2->DBGridMenuN2->trigger();
    clickTitle(1);
    EXPECT_EQ(columnTexts(2), (QStringList{"алый", "синий", "синий"}));
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    Form2->DBGridMenuN2->trigger();
    clickTitle(0);
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    // A new entry lists the objects unsorted, without an arrow, and keeps the width the user gave.
    header->resizeSection(1, 333);   // as the user drags the border
    Form2->LoadGeneral();
    EXPECT_FALSE(header->isSortIndicatorShown());
    EXPECT_EQ(columnTexts(1), (QStringList{"30", "4", "100"}));
    EXPECT_EQ(header->sectionSize(1), 333);
}
