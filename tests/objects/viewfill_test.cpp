#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "fields/fieldspage.h"
#include "objects/form2.h"
#include "objects/form21.h"
#include "objects/fieldeditor.h"
#include "objects/form7.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QLocale>

namespace {
class ViewFillTest : public AppTest
{
protected:
    QStringList captions() const
    {
        QStringList list;
        for (int i = 0; i < Form2->gridColumns().count(); ++i)
            list << Form2->gridColumns().caption(i);
        return list;
    }
    void enterViewFill() const
    {
        Form2->LoadGeneral();
        Form2->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form2));
    }
    void insertObject(qint64 id, const QList<QVariant> &values)
    {
        const QList<DescriptionField> fields = ReadDescriptionFields(*module);
        QList<FieldInput> inputs;
        for (int i = 0; i < fields.size(); ++i)
            inputs << FieldInput{fields[i], values.value(i)};
        InsertObject(*module, id, inputs);
    }
    QPoint rowCentre(int row) const { return Control<QTableView>(Form2, "DBGrid")->visualRect(qobject_cast<ObjectGridModel *>(Control<QTableView>(Form2, "DBGrid")->model())->index(row, 0)).center(); }
    void clickTitle(int column) const
    {
        QHeaderView *header = Control<QTableView>(Form2, "DBGrid")->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QStringList columnTexts(int column) const
    {
        QStringList texts;
        ObjectGridModel *model = qobject_cast<ObjectGridModel *>(Control<QTableView>(Form2, "DBGrid")->model());
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
    template <typename T> T *input(int field) const { return qobject_cast<T *>(Form7->inputFor(field)); }
    qint64 currentObject() const { return module->QRGeneral->asInteger("G_ID"); }
    QVariant stored(const QString &column, qint64 object) const
    {
        return scalar(QStringLiteral("SELECT %1 FROM GENER WHERE G_ID = %2").arg(column).arg(object));
    }
};
}

TEST_F(ViewFillTest, PicturesAndLongTextsGetNoColumnAndHiddenColumnsLastUntilTheNextEntry)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Фото", ImageType);
    addField(*module, "Описание", LongTextType);
    addField(*module, "Цвет", StringType, true);
    Control<FieldsPage>(Form1, "FieldsPage")->reloadFieldList();
    Form1->show();
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(captions(), (QStringList{"Номер", "Цвет"}));

    Control<QAction>(Form2, "DBGridMenuN1")->trigger();
    ASSERT_TRUE(Form21->isVisible());
    QList<QCheckBox *> boxes = Form21->checkBoxes();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0]->text() + boxes[1]->text(), "НомерЦвет");
    EXPECT_TRUE(boxes[0]->isChecked() && boxes[1]->isChecked());
    boxes[0]->setChecked(false);
    Form21->doneButton()->click();
    EXPECT_FALSE(Form21->isVisible());
    EXPECT_TRUE(Control<QTableView>(Form2, "DBGrid")->isColumnHidden(0));
    EXPECT_FALSE(Control<QTableView>(Form2, "DBGrid")->isColumnHidden(1));
    // The chooser shows the state it left; cancelling changes nothing.
    Control<QAction>(Form2, "DBGridMenuN1")->trigger();
    boxes = Form21->checkBoxes();
    EXPECT_FALSE(boxes[0]->isChecked());
    boxes[1]->setChecked(false);
    Form21->cancelButton()->click();
    EXPECT_FALSE(Control<QTableView>(Form2, "DBGrid")->isColumnHidden(1));

    Form2->N21->trigger();
    EXPECT_FALSE(Form2->isVisible());
    ASSERT_TRUE(Form1->isVisible());
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    EXPECT_FALSE(Control<QTableView>(Form2, "DBGrid")->isColumnHidden(0));
}

TEST_F(ViewFillTest, TheEditorWritesEveryControlAndReadsItBack)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 weight = addField(*module, "Вес", RealType);
    const qint64 name = addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 day = addField(*module, "Дата", DateType);
    const qint64 time = addField(*module, "Время", TimeType);
    const qint64 yes = addField(*module, "Есть", BooleanType);
    const qint64 note = addField(*module, "Описание", LongTextType);
    addLookupEntry(*module, colour, "янтарный");
    insertObject(1, {"5", "1", "первый", "янтарный", QDate(2020, 1, 1), QTime(1, 0), false, ""});
    enterViewFill();

    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_FALSE(Form2->isEnabled());
    EXPECT_EQ(Form7->ObjectId, "2");
    auto *numberEdit = input<QLineEdit>(0);
    auto *weightEdit = input<QLineEdit>(1);
    auto *colourBox = input<QComboBox>(3);
    ASSERT_TRUE(numberEdit && weightEdit && input<QLineEdit>(2) && colourBox && input<QLineEdit>(4) && input<QLineEdit>(5)
                && input<QCheckBox>(6) && input<QPlainTextEdit>(7));
    EXPECT_EQ(colourBox->count(), 1);   // the empty entry is not listed

    QTest::keyClicks(numberEdit, "-120000000");
    QTest::keyClicks(weightEdit, "2.5");
    TypeKeys(input<QLineEdit>(2), "Д'Артаньян");
    TypeKeys(colourBox, "алый 'рубин'");
    QTest::keyClicks(input<QLineEdit>(4), "30.11.2023");
    QTest::keyClicks(input<QLineEdit>(5), "13:45:10");
    QTest::keyClick(input<QCheckBox>(6), Qt::Key_Space);
    TypeKeys(input<QPlainTextEdit>(7), "строка 1\nстрока 2");
    {
        MessageBoxAnswerer unexpected(QMessageBox::Ok);
        Control<QPushButton>(Form7, "OkButton")->click();
        EXPECT_EQ(unexpected.seen(), 0) << unexpected.texts().join(" | ").toStdString();
    }
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_TRUE(Form2->isEnabled());
    const QList<QVariantList> added = rows(QStringLiteral("SELECT G%1, G%2, G%3, L%4_DATA, G%5, G%6, G%7, G%8 FROM GENER, LOOKUP%4 "
                                                           "WHERE G%4 = L%4_ID AND G_ID = 2")
                                               .arg(number).arg(weight).arg(name).arg(colour).arg(day).arg(time).arg(yes).arg(note));
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0], (QVariantList{-120000000, 2.5, "Д'Артаньян", "алый 'рубин'", "2023-11-30", "13:45:10", -1,
                                       "строка 1\rстрока 2\r"}));
    EXPECT_EQ(currentObject(), 2);
    EXPECT_EQ(Control<QTableView>(Form2, "DBGrid")->currentIndex().row(), module->QRGeneral->recNo() - 1);

    // Changing shows the stored values, the new entry in its alphabetical place, and reuses it.
    Control<QPushButton>(Form2, "EditRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->ObjectId, "2");
    colourBox = input<QComboBox>(3);
    EXPECT_EQ(colourBox->count(), 2);
    EXPECT_EQ(colourBox->itemText(0), "алый 'рубин'");
    EXPECT_EQ(colourBox->currentText(), "алый 'рубин'");
    EXPECT_EQ(input<QLineEdit>(0)->text(), "-120000000");
    EXPECT_EQ(input<QLineEdit>(1)->text(), QStringLiteral("2") + QLocale().decimalPoint() + "5");
    EXPECT_EQ(input<QLineEdit>(4)->text(), "30.11.2023");
    EXPECT_EQ(input<QLineEdit>(5)->text(), "13:45:10");
    EXPECT_TRUE(input<QCheckBox>(6)->isChecked());
    EXPECT_EQ(input<QPlainTextEdit>(7)->toPlainText(), "строка 1\nстрока 2");
    QTest::keyClick(input<QCheckBox>(6), Qt::Key_Space);
    Control<QPushButton>(Form7, "OkButton")->click();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(stored(QStringLiteral("G%1").arg(yes), 2).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("G%1").arg(note), 2).toString(), "строка 1\rстрока 2\r");
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 3);
    EXPECT_EQ(currentObject(), 2);
}

TEST_F(ViewFillTest, MissingAndBadValuesAreReportedAndNothingIsWritten)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    addField(*module, "Описание", LongTextType);
    enterViewFill();
    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    input<QComboBox>(2)->setEditText("новый цвет");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Control<QPushButton>(Form7, "OkButton")->click();
        EXPECT_EQ(answer.texts(), QStringList{"Заполните все поля!\n\r(Изображение и длинный текст не обязательны для заполнения)"});
    }
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 1);

    // The long text may stay empty.
    QTest::keyClicks(input<QLineEdit>(0), "7");
    TypeKeys(input<QLineEdit>(1), "имя");
    Control<QPushButton>(Form7, "OkButton")->click();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);
    EXPECT_EQ(Control<QTableView>(Form2, "DBGrid")->model()->rowCount(), 1);
}

TEST_F(ViewFillTest, APictureChosenInTheEditorIsStoredAndShownAgain)
{
    const qint64 photo = addField(*module, "Фото", ImageType);
    const QString file = folder->path() + "/picture.bmp";
    QImage image(16, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(file, "BMP"));
    QFile source(file);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    enterViewFill();

    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    auto *picture = input<PictureBox>(0);
    ASSERT_TRUE(picture);
    QStringList filters;
    ChooseFileInNextDialog(file, &filters);
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_TRUE(filters.value(0).startsWith("Все рисунки (*.jpg *.jpeg *.png *.bmp")) << filters.value(0).toStdString();
    EXPECT_EQ(filters.value(1), "Рисунки JPEG (*.jpg *.jpeg)");
    EXPECT_EQ(picture->bytes, bytes);
    Control<QPushButton>(Form7, "OkButton")->click();
    EXPECT_EQ(stored(QStringLiteral("G%1").arg(photo), 1).toByteArray(), bytes);

    Control<QPushButton>(Form2, "EditRecordBtn")->click();
    picture = input<PictureBox>(0);
    EXPECT_EQ(picture->bytes, bytes);
    EXPECT_FALSE(picture->pixmap().isNull());
    Control<QPushButton>(Form7, "CancelButton")->click();
}

TEST_F(ViewFillTest, ALargeListIsReadAsTheGridScrollsAndReleasedOnLeaving)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 5000) "
                        "INSERT INTO GENER (G_ID, G%1, G%2) SELECT I, I, 0 FROM N").arg(number).arg(colour));
    enterViewFill();
    EXPECT_LT(Control<QTableView>(Form2, "DBGrid")->model()->rowCount(), 5000);
    Control<QTableView>(Form2, "DBGrid")->scrollToBottom();
    QTest::qWait(50);
    const int last = Control<QTableView>(Form2, "DBGrid")->model()->rowCount() - 1;
    Control<QTableView>(Form2, "DBGrid")->selectRow(last);
    EXPECT_EQ(currentObject(), last + 1);
    // Moving the list by code moves the grid, fetching the rows up to it.
    ASSERT_TRUE(module->QRGeneral->setRecNo(4000));
    EXPECT_EQ(Control<QTableView>(Form2, "DBGrid")->currentIndex().row(), 3999);

    ASSERT_FALSE(module->QRGeneral->allRowsRead());
    Form2->close();   // by the title bar
    EXPECT_TRUE(Form1->isVisible());
    // The field loses its lookup list: its table can be dropped.
    EXPECT_NO_THROW(module->exec(QStringLiteral("DROP TABLE LOOKUP%1").arg(colour)));
    EXPECT_FALSE(tableExists(QStringLiteral("LOOKUP%1").arg(colour)));
}

TEST_F(ViewFillTest, AnEditorWithManyFieldsScrollsItsInputsAndKeepsItsButtonsOnScreen)
{
    for (int i = 0; i < 120; ++i)
        addField(*module, QStringLiteral("Поле %1").arg(i), i % 2 ? StringType : LongTextType);
    enterViewFill();
    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    const QRect screen = Form7->screen()->availableGeometry();
    EXPECT_LE(Form7->height(), screen.height());
    EXPECT_LE(Control<QPushButton>(Form7, "OkButton")->geometry().bottom(), Form7->height());
    auto *area = Form7->findChild<QScrollArea *>("InputsArea");
    ASSERT_TRUE(area);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    // The last input can be reached and filled.
    area->ensureWidgetVisible(Form7->inputFor(119));
    EXPECT_GT(area->verticalScrollBar()->value(), 0);
    Form7->close();
}

TEST_F(ViewFillTest, EnterAndDoubleClickChangeTheCurrentObjectAndDeleteAsksFirst)
{
    addField(*module, "Имя", StringType);
    insertObject(1, {"первый"});
    insertObject(2, {"второй"});
    insertObject(3, {"третий"});
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    enterViewFill();
    Form2->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form2));
    QTableView *grid = Control<QTableView>(Form2, "DBGrid");
    ASSERT_TRUE(WaitFor([] { return qobject_cast<ObjectGridModel *>(Control<QTableView>(Form2, "DBGrid")->model())->rowCount() == 3; }));   // read as the grid is painted

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
    EXPECT_FALSE(Control<QPushButton>(Form2, "EditRecordBtn")->isEnabled() || Control<QPushButton>(Form2, "DeleteRecordBtn")->isEnabled());
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
TEST_F(ViewFillTest, ColumnsFitTheirValuesAndTitleClicksSortWithTheArrowShown)
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
    QHeaderView *header = Control<QTableView>(Form2, "DBGrid")->horizontalHeader();
    const QString longName = "Samovar, Tula, 1890-e, s klejmom fabriki";
    const int needed = Control<QTableView>(Form2, "DBGrid")->fontMetrics().horizontalAdvance(longName);
    QTest::qWait(50);   // the window shown and its columns fitted to what it lists
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    EXPECT_GT(header->sectionSize(0), Control<QTableView>(Form2, "DBGrid")->fontMetrics().horizontalAdvance(secondName));
    ASSERT_LT(header->sectionSize(0), needed);

    Control<QPushButton>(Form2, "AddRecordBtn")->click();
    ASSERT_TRUE(Form7->isVisible());
    QTest::keyClicks(Form7->inputFor(0), longName);
    QTest::keyClicks(Form7->inputFor(1), "100");
    TypeKeys(Form7->inputFor(2), "синий");
    Control<QPushButton>(Form7, "OkButton")->click();
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
    Control<QAction>(Form2, "DBGridMenuN2")->trigger();
    clickTitle(1);
    EXPECT_EQ(columnTexts(2), (QStringList{"алый", "синий", "синий"}));
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    Control<QAction>(Form2, "DBGridMenuN2")->trigger();
    clickTitle(0);
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    // A new entry lists the objects unsorted, without an arrow, and keeps the width the user gave.
    header->resizeSection(1, 333);   // as the user drags the border
    Form2->LoadGeneral();
    EXPECT_FALSE(header->isSortIndicatorShown());
    EXPECT_EQ(columnTexts(1), (QStringList{"30", "4", "100"}));
    EXPECT_EQ(header->sectionSize(1), 333);
}
