#include "objects/windowsteps.h"
#include "find/findtest.h"

#include "app/form1.h"
#include "fields/fieldspage.h"
#include "objects/fieldeditor.h"
#include "objects/form21.h"
#include "objects/objectgridmodel.h"
#include "objects/paramspanel.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyledItemDelegate>

using namespace ViewFill;

namespace {
// The view/fill window and its object editor as a person uses them: keys typed into the inputs, Russian
// conventions.
class ViewFillTest : public RussianAppTest
{
protected:
    // Opens the editor by the window's button, entering the view/fill mode first when it is not shown.
    void open(bool editMode) const
    {
        if (!Form2->isVisible())
            Enter();
        Control<QPushButton>(Form2, editMode ? "EditRecordBtn" : "AddRecordBtn")->click();
        ASSERT_TRUE(Form7->isVisible());
    }
    template <typename T> T *input(int field) const { return qobject_cast<T *>(Form7->inputFor(field)); }
    static std::pair<int, Qt::SortOrder> arrow()
    {
        return {Grid()->horizontalHeader()->sortIndicatorSection(), Grid()->horizontalHeader()->sortIndicatorOrder()};
    }
    // Leaves the editor by its Cancel button (or the Escape key), answering each box; returns the boxes' texts.
    QStringList cancel(int answer, bool byEscape = false) const
    {
        MessageBoxAnswerer boxes(answer);
        if (byEscape)
            QTest::keyClick(Form7, Qt::Key_Escape);
        else
            Control<QPushButton>(Form7, "CancelButton")->click();
        return boxes.texts();
    }
};
using EditorTest = ViewFillTest;
}

TEST_F(ViewFillTest, LongTextsGetNoColumnPicturesComeLastAndHiddenColumnsLastUntilTheNextEntry)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Фото", ImageType);
    addField(*module, "Описание", LongTextType);
    addField(*module, "Цвет", StringType, true);
    Control<FieldsPage>(Form1, "FieldsPage")->reloadFieldList();
    Form1->show();
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    ASSERT_TRUE(Form2->isVisible() && !Form1->isVisible());
    QStringList captions;
    for (int i = 0; i < Form2->gridColumns().count(); ++i)
        captions << Form2->gridColumns().caption(i);
    EXPECT_EQ(captions, (QStringList{"Номер", "Цвет", "Фото"}));
    const int thumbnailRows = Grid()->verticalHeader()->defaultSectionSize();

    Control<QAction>(Form2, "DBGridMenuN1")->trigger();
    ASSERT_TRUE(Form21->isVisible());
    QList<QCheckBox *> boxes = Form21->checkBoxes();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[0]->text() + boxes[1]->text() + boxes[2]->text(), "НомерЦветФото");
    EXPECT_TRUE(boxes[0]->isChecked() && boxes[1]->isChecked());
    boxes[0]->setChecked(false);
    boxes[2]->setChecked(false);
    Form21->doneButton()->click();
    EXPECT_FALSE(Form21->isVisible());
    EXPECT_TRUE(Grid()->isColumnHidden(0) && !Grid()->isColumnHidden(1));
    // With the picture column hidden the rows are a line of text high again.
    EXPECT_GE(thumbnailRows, 64);
    EXPECT_LT(Grid()->verticalHeader()->defaultSectionSize(), 64);
    // The chooser shows the state it left; cancelling changes nothing.
    Control<QAction>(Form2, "DBGridMenuN1")->trigger();
    boxes = Form21->checkBoxes();
    EXPECT_FALSE(boxes[0]->isChecked());
    boxes[1]->setChecked(false);
    Form21->cancelButton()->click();
    EXPECT_FALSE(Grid()->isColumnHidden(1));

    Form2->N21->trigger();
    ASSERT_TRUE(Form1->isVisible() && !Form2->isVisible());
    Control<QPushButton>(Form1, "GoToDBBtn")->click();
    EXPECT_FALSE(Grid()->isColumnHidden(0));
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
    const qint64 photo = addField(*module, "Фото", ImageType);
    addLookupEntry(*module, colour, "янтарный");
    InsertValues(*module, 1, {"5", "1", "первый", "янтарный", QDate(2020, 1, 1), QTime(1, 0), false, ""});
    const QString pictureFile = folder->path() + "/picture.bmp";
    const QByteArray pictureBytes = PictureBytes(Qt::blue, QSize(16, 8), "BMP");
    WriteFile(pictureFile, pictureBytes);
    open(false);
    EXPECT_FALSE(Form2->isEnabled());
    EXPECT_EQ(Form7->ObjectId, "2");
    auto *colourBox = input<QComboBox>(3);
    ASSERT_TRUE(input<QLineEdit>(0) && input<QLineEdit>(1) && input<QLineEdit>(2) && colourBox && input<QLineEdit>(4)
                && input<QLineEdit>(5) && input<QCheckBox>(6) && input<QPlainTextEdit>(7) && input<PictureBox>(8));
    EXPECT_EQ(colourBox->count(), 1);   // the empty entry is not listed
    // Required values missing: nothing is written, not even the new lookup entry.
    colourBox->setFocus();   // where a person clicks to type
    TypeKeys(colourBox, "алый 'рубин'");
    EXPECT_EQ(Store(), QStringList{"Заполните все поля!\n\r(Изображение и длинный текст не обязательны для заполнения)"});
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->focusWidget(), input<QLineEdit>(0)) << "the cursor waits in the first field to fill";
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 2);

    // The long text may stay empty; the picture is chosen with a click.
    QStringList filters;
    ChooseFileInNextDialog(pictureFile, &filters);
    QTest::mouseClick(input<PictureBox>(8), Qt::LeftButton);
    EXPECT_TRUE(filters.value(0).startsWith("Все рисунки (*.jpg *.jpeg *.png *.bmp")) << filters.value(0).toStdString();
    EXPECT_EQ(filters.value(1), "Рисунки JPEG (*.jpg *.jpeg)");
    EXPECT_EQ(input<PictureBox>(8)->bytes, pictureBytes);
    const QList<std::pair<int, QString>> typed{{0, "-120000000"}, {1, "12345,678"}, {2, "Д'Артаньян"}, {4, "30.11.2023"}, {5, "13:45:10"}};
    for (const auto &[field, keys] : typed)
        TypeKeys(input<QLineEdit>(field), keys);
    QTest::keyClick(input<QCheckBox>(6), Qt::Key_Space);
    EXPECT_EQ(Store(), QStringList());
    EXPECT_TRUE(!Form7->isVisible() && Form2->isEnabled());
    EXPECT_EQ(rows(QStringLiteral("SELECT G%1, G%2, G%3, L%4_DATA, G%5, G%6, G%7, G%8 FROM GENER, LOOKUP%4 WHERE G%4 = L%4_ID AND G_ID = 2")
                       .arg(number).arg(weight).arg(name).arg(colour).arg(day).arg(time).arg(yes).arg(photo)),
              (QList<QVariantList>{{-120000000, 12345.678, "Д'Артаньян", "алый 'рубин'", "2023-11-30", "13:45:10", -1, pictureBytes}}));
    EXPECT_EQ(CurrentObject(), 2);
    EXPECT_EQ(Grid()->model()->rowCount(), 2);
    EXPECT_EQ(Grid()->currentIndex().row(), module->QRGeneral->recNo() - 1);
    // The list shows the number whole, as the view paints it.
    const QModelIndex weightCell = Grid()->currentIndex().siblingAtColumn(1);
    QLocale gridLocale;
    gridLocale.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(static_cast<QStyledItemDelegate *>(Grid()->itemDelegateForIndex(weightCell))->displayText(weightCell.data(), gridLocale),
              "12345,678");

    // Changing shows the stored values, the new entry in its alphabetical place, and reuses it.
    open(true);
    EXPECT_EQ(Form7->ObjectId, "2");
    colourBox = input<QComboBox>(3);
    EXPECT_EQ(ItemTexts(colourBox), (QStringList{"алый 'рубин'", "янтарный"}));
    EXPECT_EQ(colourBox->currentText(), "алый 'рубин'");
    EXPECT_EQ((QStringList{input<QLineEdit>(0)->text(), input<QLineEdit>(1)->text(), input<QLineEdit>(4)->text(), input<QLineEdit>(5)->text()}),
              (QStringList{"-120000000", "12345,678", "30.11.2023", "13:45:10"}));
    EXPECT_TRUE(input<QCheckBox>(6)->isChecked());
    EXPECT_EQ(input<PictureBox>(8)->bytes, pictureBytes);
    EXPECT_TRUE(WaitFor([this] { return !input<PictureBox>(8)->pixmap().isNull(); }));
    TypeKeys(input<QPlainTextEdit>(7), "строка 1\nстрока 2");
    QTest::keyClick(input<QCheckBox>(6), Qt::Key_Space);
    EXPECT_EQ(Store(), QStringList());
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(rows(QStringLiteral("SELECT G%1, G%2, G%3 FROM GENER WHERE G_ID = 2").arg(yes).arg(note).arg(photo)),
              (QList<QVariantList>{{0, "строка 1\rстрока 2\r", pictureBytes}})) << "a picture nobody changed is kept";
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 3);
    EXPECT_EQ(CurrentObject(), 2);
    open(true);
    EXPECT_EQ(input<QPlainTextEdit>(7)->toPlainText(), "строка 1\nстрока 2");
}

TEST_F(ViewFillTest, ALargeListIsReadAsTheGridScrollsAndReleasedOnLeaving)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 5000) "
                        "INSERT INTO GENER (G_ID, G%1, G%2) SELECT I, I, 0 FROM N").arg(number).arg(colour));
    Enter();
    EXPECT_LT(Grid()->model()->rowCount(), 5000);
    Grid()->scrollToBottom();
    QTest::qWait(50);
    const int last = Grid()->model()->rowCount() - 1;
    Grid()->selectRow(last);
    EXPECT_EQ(CurrentObject(), last + 1);
    // Moving the list by code moves the grid, fetching the rows up to it.
    ASSERT_TRUE(module->QRGeneral->setRecNo(4000));
    EXPECT_EQ(Grid()->currentIndex().row(), 3999);

    ASSERT_FALSE(module->QRGeneral->allRowsRead());
    Form2->close();   // by the title bar
    EXPECT_TRUE(Form1->isVisible());
    // The field loses its lookup list: its table can be dropped.
    module->exec(QStringLiteral("DROP TABLE LOOKUP%1").arg(colour));
    EXPECT_FALSE(tableExists(QStringLiteral("LOOKUP%1").arg(colour)));
}

TEST_F(ViewFillTest, EnterAndDoubleClickChangeTheCurrentObjectAndDeleteAsksFirst)
{
    addField(*module, "Имя", StringType);
    for (const auto &[id, name] : QList<std::pair<qint64, QString>>{{1, "первый"}, {2, "второй"}, {3, "третий"}})
        InsertValues(*module, id, {name});
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    Enter(3);

    ClickRow(1);
    ASSERT_EQ(CurrentObject(), 2);
    QTest::keyClick(Grid(), Qt::Key_Return);
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->windowTitle(), "Изменение объекта");
    EXPECT_EQ(Form7->ObjectId, "2");
    Form7->close();
    BackFromEditor();

    // A double click as the window system delivers it: press, release, then the second press as a double click.
    ClickRow(2);
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, RowCentre(2));
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->ObjectId, "3");
    Form7->close();
    BackFromEditor();

    ClickRow(1);
    EXPECT_EQ(PressDelete(QMessageBox::No), QStringList{"Вы действительно хотите удалить этот объект?"});
    EXPECT_EQ(count("SELECT * FROM GENER"), 3);
    EXPECT_EQ(PressDelete(QMessageBox::Yes).size(), 1);
    EXPECT_EQ(count("SELECT * FROM GENER WHERE G_ID = 2"), 0);
    // The next object takes the deleted one's place, in the list and in the grid.
    EXPECT_EQ(CurrentObject(), 3);
    EXPECT_EQ(Grid()->currentIndex().row(), 1);
    PressDelete(QMessageBox::Yes);
    EXPECT_EQ(CurrentObject(), 1) << "the last row deleted: the one before it is current";
    PressDelete(QMessageBox::Yes);
    ASSERT_EQ(count("SELECT * FROM GENER") + count("SELECT * FROM LINKS"), 0);
    EXPECT_FALSE(Control<QPushButton>(Form2, "EditRecordBtn")->isEnabled() || Control<QPushButton>(Form2, "DeleteRecordBtn")->isEnabled());
    // An empty list: the keys open nothing and ask nothing.
    MessageBoxAnswerer none(QMessageBox::Yes);
    QTest::keyClick(Grid(), Qt::Key_Return);
    QTest::keyClick(Grid(), Qt::Key_Delete);
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
    InsertValues(*module, 1, {"аб", "30", "синий"});
    // A value longer than its title in a row after the first, which the list has not read yet.
    const QString secondName = "Микроволновая печь";
    InsertValues(*module, 2, {secondName, "4", "алый"});
    Enter();
    QHeaderView *header = Grid()->horizontalHeader();
    const QString longName = "Samovar, Tula, 1890-e, s klejmom fabriki";
    const int needed = Grid()->fontMetrics().horizontalAdvance(longName);
    QTest::qWait(50);   // the window shown and its columns fitted to what it lists
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    EXPECT_GT(header->sectionSize(0), Grid()->fontMetrics().horizontalAdvance(secondName));
    ASSERT_LT(header->sectionSize(0), needed);

    open(false);
    QTest::keyClicks(Form7->inputFor(0), longName);
    QTest::keyClicks(Form7->inputFor(1), "100");
    TypeKeys(Form7->inputFor(2), "синий");
    ASSERT_EQ(Store(), QStringList());
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_TRUE(WaitFor([&] { return header->sectionSize(0) > needed; })) << header->sectionSize(0) << " < " << needed;

    ClickTitle(1);
    EXPECT_EQ(ColumnTexts(1), (QStringList{"4", "30", "100"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(arrow(), std::pair(1, Qt::AscendingOrder));
    ClickTitle(1);
    EXPECT_EQ(ColumnTexts(1), (QStringList{"100", "30", "4"}));
    EXPECT_EQ(arrow(), std::pair(1, Qt::DescendingOrder));
    ClickTitle(2);
    EXPECT_EQ(ColumnTexts(2), (QStringList{"алый", "синий", "синий"}));
    // Sorting switched off: a click moves neither the order nor its arrow.
    Control<QAction>(Form2, "DBGridMenuN2")->trigger();
    ClickTitle(1);
    EXPECT_EQ(ColumnTexts(2), (QStringList{"алый", "синий", "синий"}));
    EXPECT_EQ(arrow(), std::pair(2, Qt::AscendingOrder));
    Control<QAction>(Form2, "DBGridMenuN2")->trigger();
    ClickTitle(0);
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    // A new entry lists the objects unsorted, without an arrow, and keeps the width the user gave.
    header->resizeSection(1, 333);   // as the user drags the border
    Form2->LoadGeneral();
    EXPECT_FALSE(header->isSortIndicatorShown());
    EXPECT_EQ(ColumnTexts(1), (QStringList{"30", "4", "100"}));
    EXPECT_EQ(header->sectionSize(1), 333);
}

TEST_F(EditorTest, NumbersDatesAndTimesAreStoredAsTypedAndTheInputsSayWhatWillBeStored)
{
    const qint64 weight = addField(*module, "Вес", RealType);
    const qint64 count = addField(*module, "Штук", IntegerType);
    const qint64 day = addField(*module, "Дата поступления", DateType);
    const qint64 time = addField(*module, "Время", TimeType);
    open(false);
    QTest::keyClicks(input<QLineEdit>(0), "12,5,3");
    QTest::keyClicks(input<QLineEdit>(1), "1 000");
    EXPECT_TRUE(Form7->noteFor(0)->isVisibleTo(Form7));
    EXPECT_TRUE(Form7->noteFor(0)->text().contains("один десятичный знак")) << Form7->noteFor(0)->text().toStdString();
    // Nothing is stored for a date nobody typed.
    EXPECT_TRUE(input<QLineEdit>(2)->text().isEmpty());
    QTest::keyClicks(input<QLineEdit>(2), "15.03.2019");
    EXPECT_EQ(input<QLineEdit>(2)->text(), "15.03.2019");
    EXPECT_TRUE(Form7->noteFor(2)->text().contains("15 марта 2019")) << Form7->noteFor(2)->text().toStdString();
    QTest::keyClicks(input<QLineEdit>(3), "9:05");
    EXPECT_TRUE(OneMessageSaying(Store(), {"\"Вес\""}));
    EXPECT_EQ(this->count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(Form7->focusWidget(), input<QLineEdit>(0));

    Retype(Form7->inputFor(0), "12,5");
    EXPECT_FALSE(Form7->noteFor(0)->isVisibleTo(Form7));
    EXPECT_TRUE(OneMessageSaying(Store(), {"\"Штук\"", "без пробелов"}));
    Retype(Form7->inputFor(1), "1000");
    EXPECT_TRUE(Store().isEmpty());
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_EQ(rows(QStringLiteral("SELECT G%1, G%2, G%3, G%4 FROM GENER").arg(weight).arg(count).arg(day).arg(time)),
              (QList<QVariantList>{{12.5, 1000, "2019-03-15", "09:05:00"}}));

    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), "12,5");
    EXPECT_EQ(input<QLineEdit>(2)->text(), "15.03.2019");
    Retype(Form7->inputFor(2), "1/2/45");
    EXPECT_TRUE(Form7->noteFor(2)->text().contains("1 февраля 1945")) << Form7->noteFor(2)->text().toStdString();
    Retype(Form7->inputFor(3), "");
    EXPECT_TRUE(Store().isEmpty());
    EXPECT_EQ(storedValue(day).toString(), "1945-02-01");
    EXPECT_TRUE(storedValue(time).isNull());

    open(true);
    Retype(Form7->inputFor(2), "31.02.2019");
    EXPECT_TRUE(Form7->noteFor(2)->text().startsWith("Не дата"));
    EXPECT_TRUE(OneMessageSaying(Store(), {"\"Дата поступления\"", "не является датой"}));
    EXPECT_EQ(storedValue(day).toString(), "1945-02-01");
}

TEST_F(EditorTest, AStoredValueNobodyTouchedIsKeptAndShorteningIsAskedFirst)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 weight = addField(*module, "Вес", RealType);
    addLookupEntry(*module, colour, "алый");
    const QString longName = QString("Ж").repeated(57);
    // As an import or another program leaves them: a long name, the empty entry, a real of 17 digits.
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2, G%3) VALUES (1, '%4', 0, 0.30000000000000004)")
             .arg(name).arg(colour).arg(weight).arg(longName));
    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), longName);
    EXPECT_TRUE(Form7->noteFor(0)->text().contains("длиннее 50"));
    EXPECT_EQ(input<QComboBox>(1)->currentText(), "");   // not the first entry in its place
    TypeKeys(input<QComboBox>(1), "алый");
    EXPECT_TRUE(Store().isEmpty());
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_EQ(storedValue(name).toString(), longName);
    EXPECT_EQ(storedValue(weight).toDouble(), 0.30000000000000004);

    open(true);
    QTest::keyClick(input<QLineEdit>(0), Qt::Key_End);
    QTest::keyClicks(input<QLineEdit>(0), "!");
    ASSERT_EQ(input<QLineEdit>(0)->text(), longName + "!");
    EXPECT_TRUE(OneMessageSaying(Store(QMessageBox::No), {"длиннее 50 символов (58 символов)", "Сократить"}));
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(storedValue(name).toString(), longName);
    EXPECT_EQ(Store(QMessageBox::Yes).size(), 1);
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(storedValue(name).toString(), QString("Ж").repeated(50));
}

// The editor of more fields than a screen holds keeps its buttons on screen and scrolls its inputs.
TEST_F(EditorTest, TheEditorGrowsWithTheWindowScrollsItsInputsFocusesTheFirstAndAsksBeforeDroppingTypedValues)
{
    for (int i = 0; i < 120; ++i)
        addField(*module, QStringLiteral("Поле %1").arg(i), i % 2 ? LongTextType : StringType);
    open(false);
    EXPECT_LE(Form7->height(), Form7->screen()->availableGeometry().height());
    EXPECT_LE(Control<QPushButton>(Form7, "OkButton")->geometry().bottom(), Form7->height());
    EXPECT_EQ(Form7->focusWidget(), input<QLineEdit>(0));
    EXPECT_LT(Form7->minimumWidth(), Form7->maximumWidth());
    EXPECT_LT(Form7->minimumHeight(), Form7->maximumHeight());
    auto *memo = input<QPlainTextEdit>(1);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_GE(memo->height(), 4 * memo->fontMetrics().lineSpacing());
    Form7->resize(1000, 700);
    QApplication::processEvents();
    const int wide = input<QLineEdit>(0)->width();
    Form7->resize(700, 600);
    QApplication::processEvents();
    EXPECT_GT(wide, input<QLineEdit>(0)->width());
    EXPECT_GT(input<QLineEdit>(0)->width(), 300);
    // Labels wrap rather than being cut.
    EXPECT_EQ(Form7->labelFor(0)->wordWrap(), true);

    TypeKeys(input<QLineEdit>(0), "ваза");
    ASSERT_EQ(cancel(QMessageBox::No).size(), 1);
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "ваза");
    EXPECT_EQ(cancel(QMessageBox::Yes, true).size(), 1);
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    // The size the user gave is kept for the next opening; with nothing typed, Cancel asks nothing.
    const int firstLabelTop = Form7->labelFor(0)->mapTo(Form7, QPoint()).y();
    open(false);
    EXPECT_EQ(Form7->size(), QSize(700, 600));
    // Nothing of the last opening is left above the inputs.
    EXPECT_EQ(Form7->labelFor(0)->mapTo(Form7, QPoint()).y(), firstLabelTop);
    // The last input can be reached and filled.
    auto *area = Control<QScrollArea>(Form7, "InputsArea");
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    area->ensureWidgetVisible(Form7->inputFor(119));
    EXPECT_GT(area->verticalScrollBar()->value(), 0);
    EXPECT_EQ(cancel(QMessageBox::Yes), QStringList());
    EXPECT_FALSE(Form7->isVisible());
}

TEST_F(EditorTest, ASaveOverAnotherProgramsChangeAsksToReloadAndOneOverADeletionStoresNothing)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 weight = addField(*module, "Вес", RealType);
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (1, 'старое', 2.5)").arg(name).arg(weight));
    makeBook(1, "Города", {{10, "Россия", "", 0}});
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 10, '', 0)");
    const auto nameAndWeight = [&] { return QVariantList{storedValue(name), storedValue(weight)}; };
    open(true);
    // As the grid on a screen reads a short list to its end: a read left pending holds the file against
    // the other program's writes.
    const auto listReadToEnd = [] { DModule->QRGeneral->recordCount(); };
    listReadToEnd();
    const std::unique_ptr<TDModule> other = otherProgram();
    UpdateObject(*other, 1, {DatabaseTest::input(weight, "7,25")});

    Retype(Form7->inputFor(0), "моё");
    EXPECT_TRUE(OneMessageSaying(Store(QMessageBox::No), {"изменён другим пользователем", "Загрузить"}));
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "моё");
    EXPECT_EQ(nameAndWeight(), (QVariantList{"старое", 7.25}));

    // Reloaded, the editor shows the stored object and has nothing unsaved; saved again, it stores.
    ASSERT_EQ(Store(QMessageBox::Yes).size(), 1);
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "старое");
    EXPECT_EQ(input<QLineEdit>(1)->text(), "7,25");
    EXPECT_FALSE(Form7->hasChanges());
    Retype(Form7->inputFor(0), "моё");
    EXPECT_TRUE(Store().isEmpty());
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(nameAndWeight(), (QVariantList{"моё", 7.25}));
    // Undone, the save goes back to the object as loaded: the other program's change stays.
    BackFromEditor();
    EXPECT_EQ(PressUndo(), QStringList());
    EXPECT_EQ(nameAndWeight(), (QVariantList{"старое", 7.25}));

    // The editor shows what is stored when it opens, not what the list read before another program's change.
    listReadToEnd();
    UpdateObject(*other, 1, {DatabaseTest::input(name, "новое")});
    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), "новое");

    listReadToEnd();
    DeleteObject(*other, 1);
    Retype(Form7->inputFor(1), "3");
    EXPECT_TRUE(OneMessageSaying(Store(), {"удалён другим пользователем", "не сохранены"}));
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(Control<QListWidget>(Control<ParamsPanel>(Form7, "GroupBox2"), "ParamsList")->count(), 0) << "the deleted object's parameters are not shown as its own";

    // An object deleted before the editor opens is not opened, and the list stops showing it.
    cancel(QMessageBox::Yes);
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (2, 'второе', 1)").arg(name).arg(weight));
    Form2->LoadGeneral();
    listReadToEnd();
    DeleteObject(*other, 2);
    EXPECT_TRUE(OneMessageSaying(ClickAnswering(Control<QPushButton>(Form2, "EditRecordBtn")), {"удалён другим пользователем"}));
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_TRUE(DModule->QRGeneral->isEmpty());
}
