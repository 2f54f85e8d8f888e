#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "fields/fieldspage.h"
#include "objects/form2.h"
#include "objects/form21.h"
#include "objects/form7.h"
#include "objects/objectgridmodel.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objecttestdb.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>

namespace {
class ViewFillTest : public AppTest
{
protected:
    QStringList captions() const
    {
        QStringList list;
        for (int i = 0; i < Form2->gridColumnCount(); ++i)
            list << Form2->gridColumnCaption(i);
        return list;
    }
    QStringList columnTexts(int column) const
    {
        QStringList list;
        ObjectGridModel *model = Form2->gridModel;
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        for (int row = 0; row < model->rowCount(); ++row)
            list << model->data(model->index(row, column)).toString();
        return list;
    }
    void clickTitle(int column) const
    {
        QHeaderView *header = Form2->DBGrid->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
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
    qint64 currentObject() const { return module->QRGeneral->asInteger("G_ID"); }
};
}

TEST_F(ViewFillTest, PicturesAndLongTextsGetNoColumnAndHiddenColumnsLastUntilTheNextEntry)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Фото", ImageType);
    addField(*module, "Описание", LongTextType);
    addField(*module, "Цвет", StringType, true);
    enterViewFill();
    EXPECT_EQ(captions(), (QStringList{"Номер", "Цвет"}));
    EXPECT_FALSE(Form2->EditRecordBtn->isEnabled());
    EXPECT_FALSE(Form2->DeleteRecordBtn->isEnabled());

    Form2->DBGridMenuN1->trigger();
    ASSERT_TRUE(Form21->isVisible());
    QList<QCheckBox *> boxes = Form21->checkBoxes();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0]->text(), "Номер");
    EXPECT_EQ(boxes[1]->text(), "Цвет");
    EXPECT_TRUE(boxes[0]->isChecked() && boxes[1]->isChecked());
    EXPECT_EQ(Form21->height(), 32 + 16 * 2 + 80);
    boxes[0]->setChecked(false);
    Form21->doneButton()->click();
    EXPECT_FALSE(Form21->isVisible());
    EXPECT_TRUE(Form2->DBGrid->isColumnHidden(0));
    EXPECT_FALSE(Form2->DBGrid->isColumnHidden(1));

    // The chooser shows the state it left; cancelling changes nothing.
    Form2->DBGridMenuN1->trigger();
    boxes = Form21->checkBoxes();
    EXPECT_FALSE(boxes[0]->isChecked());
    boxes[1]->setChecked(false);
    Form21->cancelButton()->click();
    EXPECT_FALSE(Form2->DBGrid->isColumnHidden(1));

    Form2->BackBth->click();
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_TRUE(Form1->isVisible());
    enterViewFill();
    EXPECT_FALSE(Form2->DBGrid->isColumnHidden(0));
}

TEST_F(ViewFillTest, TitleClicksSortAscendingDescendingAscendingThenAnotherColumnAscending)
{
    addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    addLookupEntry(*module, colour, "синий");
    addLookupEntry(*module, colour, "алый");
    insertObject(1, {"30", "синий"});
    insertObject(2, {"4", "алый"});
    insertObject(3, {"100", "синий"});
    enterViewFill();

    clickTitle(0);
    EXPECT_EQ(columnTexts(0), (QStringList{"4", "30", "100"}));
    clickTitle(0);
    EXPECT_EQ(columnTexts(0), (QStringList{"100", "30", "4"}));
    clickTitle(0);
    EXPECT_EQ(columnTexts(0), (QStringList{"4", "30", "100"}));
    clickTitle(1);
    EXPECT_EQ(columnTexts(1), (QStringList{"алый", "синий", "синий"}));
    EXPECT_EQ(OrderPart, QStringLiteral(" ORDER BY L%1_DATA").arg(colour));

    // With the check item off, titles do not sort.
    Form2->DBGridMenuN2->trigger();
    EXPECT_FALSE(Form2->DBGridMenuN2->isChecked());
    clickTitle(0);
    EXPECT_EQ(OrderPart, QStringLiteral(" ORDER BY L%1_DATA").arg(colour));
    Form2->DBGridMenuN2->trigger();
}

TEST_F(ViewFillTest, DeletingTheOnlyObjectAsksFirstAndThenDisablesChangeAndDelete)
{
    addField(*module, "Имя", StringType);
    insertObject(1, {"единственный"});
    module->exec("INSERT INTO LINKS VALUES(1, 1, 1, 5, '', 0)");
    enterViewFill();
    EXPECT_TRUE(Form2->DeleteRecordBtn->isEnabled());
    {
        MessageBoxAnswerer answer(QMessageBox::No);
        Form2->DeleteRecordBtn->click();
        EXPECT_EQ(answer.texts(), QStringList{"Вы действительно хотите удалить этот объект?"});
    }
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);
    {
        MessageBoxAnswerer answer(QMessageBox::Yes);
        Form2->DeleteRecordBtn->click();
        EXPECT_EQ(answer.seen(), 1);
    }
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    EXPECT_EQ(Form2->gridModel->rowCount(), 0);
    EXPECT_FALSE(Form2->EditRecordBtn->isEnabled());
    EXPECT_FALSE(Form2->DeleteRecordBtn->isEnabled());
}

TEST_F(ViewFillTest, TheEditorWritesEveryControlAndTheListMovesToTheNewObject)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 weight = addField(*module, "Вес", RealType);
    const qint64 name = addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    const qint64 day = addField(*module, "Дата", DateType);
    const qint64 time = addField(*module, "Время", TimeType);
    const qint64 yes = addField(*module, "Есть", BooleanType);
    const qint64 note = addField(*module, "Описание", LongTextType);
    addLookupEntry(*module, colour, "зелёный");
    insertObject(1, {"5", "1", "первый", "зелёный", QDate(2020, 1, 1), QTime(1, 0), false, ""});
    enterViewFill();

    Form2->AddRecordBtn->click();
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_FALSE(Form2->isEnabled());
    EXPECT_EQ(Form7->windowTitle(), "Добавление объекта");
    EXPECT_EQ(Form7->OkButton->text(), "Добавить объект");
    EXPECT_EQ(Form7->ObjectId, "2");
    ASSERT_EQ(Form7->fields().size(), 8);
    EXPECT_EQ(Form7->labelFor(0)->text(), "Введите \"Номер\":");

    auto *numberEdit = qobject_cast<QLineEdit *>(Form7->inputFor(0));
    auto *weightEdit = qobject_cast<QLineEdit *>(Form7->inputFor(1));
    auto *nameEdit = qobject_cast<QLineEdit *>(Form7->inputFor(2));
    auto *colourBox = qobject_cast<QComboBox *>(Form7->inputFor(3));
    auto *dayPicker = qobject_cast<QDateEdit *>(Form7->inputFor(4));
    auto *timePicker = qobject_cast<QTimeEdit *>(Form7->inputFor(5));
    auto *yesBox = qobject_cast<QCheckBox *>(Form7->inputFor(6));
    auto *noteBox = qobject_cast<QPlainTextEdit *>(Form7->inputFor(7));
    ASSERT_TRUE(numberEdit && weightEdit && nameEdit && colourBox && dayPicker && timePicker && yesBox && noteBox);
    EXPECT_EQ(yesBox->text(), "Выберите значение: (Да/Нет)");
    EXPECT_EQ(colourBox->count(), 1);   // the empty entry is not listed

    QTest::keyClicks(numberEdit, "-1x2000000000");
    EXPECT_EQ(numberEdit->text(), "-120000000");
    QTest::keyClicks(weightEdit, "2,5");
    EXPECT_EQ(weightEdit->text(), "25");
    weightEdit->clear();
    QTest::keyClicks(weightEdit, "2.5");
    nameEdit->setText("Д'Артаньян");
    colourBox->setEditText("ярко-'красный'");
    dayPicker->setDate(QDate(2023, 11, 30));
    timePicker->setTime(QTime(13, 45, 10));
    yesBox->setChecked(true);
    noteBox->setPlainText("строка 1\nстрока 2");
    {
        MessageBoxAnswerer unexpected(QMessageBox::Ok);
        Form7->OkButton->click();
        EXPECT_EQ(unexpected.seen(), 0) << unexpected.texts().join(" | ").toStdString();
    }
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_TRUE(Form2->isEnabled());
    EXPECT_FALSE(Form7->EditMode);

    const QList<QVariantList> stored = rows(QStringLiteral("SELECT G%1, G%2, G%3, L%4_DATA, G%5, G%6, G%7, G%8 FROM GENER, LOOKUP%4 "
                                                           "WHERE G%4 = L%4_ID AND G_ID = 2")
                                                .arg(number).arg(weight).arg(name).arg(colour).arg(day).arg(time).arg(yes).arg(note));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0][0].toLongLong(), -120000000);
    EXPECT_DOUBLE_EQ(stored[0][1].toDouble(), 2.5);
    EXPECT_EQ(stored[0][2].toString(), "Д'Артаньян");
    EXPECT_EQ(stored[0][3].toString(), "ярко-'красный'");
    EXPECT_EQ(stored[0][4].toString(), "2023-11-30");
    EXPECT_EQ(stored[0][5].toString(), "13:45:10");
    EXPECT_EQ(stored[0][6].toInt(), -1);
    EXPECT_EQ(stored[0][7].toString(), "строка 1\rстрока 2\r");
    EXPECT_EQ(currentObject(), 2);
    EXPECT_EQ(Form2->DBGrid->currentIndex().row(), module->QRGeneral->recNo() - 1);
    // The grid shows the lookup text, and dates and times in the user's locale.
    ASSERT_EQ(captions(), (QStringList{"Номер", "Вес", "Имя", "Цвет", "Дата", "Время", "Есть"}));
    const int row = Form2->DBGrid->currentIndex().row();
    ObjectGridModel *grid = Form2->gridModel;
    EXPECT_EQ(grid->data(grid->index(row, 3)).toString(), "ярко-'красный'");
    EXPECT_EQ(grid->data(grid->index(row, 4)).toString(), QLocale().toString(QDate(2023, 11, 30), QLocale::ShortFormat));
    EXPECT_EQ(grid->data(grid->index(row, 5)).toString(), QLocale().toString(QTime(13, 45, 10), QLocale::LongFormat));
    EXPECT_EQ(grid->data(grid->index(row, 6)).toString(), "Да");

    // The next opening lists the new entry in its alphabetical place, and change shows the stored values.
    Form2->EditRecordBtn->click();
    ASSERT_TRUE(Form7->isVisible());
    EXPECT_EQ(Form7->windowTitle(), "Изменение объекта");
    EXPECT_EQ(Form7->ObjectId, "2");
    colourBox = qobject_cast<QComboBox *>(Form7->inputFor(3));
    EXPECT_EQ(colourBox->count(), 2);
    EXPECT_EQ(colourBox->itemText(0), "зелёный");
    EXPECT_EQ(colourBox->currentText(), "ярко-'красный'");
    EXPECT_EQ(qobject_cast<QLineEdit *>(Form7->inputFor(1))->text(), "2.5");
    EXPECT_EQ(qobject_cast<QDateEdit *>(Form7->inputFor(4))->date(), QDate(2023, 11, 30));
    EXPECT_EQ(qobject_cast<QTimeEdit *>(Form7->inputFor(5))->time(), QTime(13, 45, 10));
    EXPECT_TRUE(qobject_cast<QCheckBox *>(Form7->inputFor(6))->isChecked());
    EXPECT_EQ(qobject_cast<QPlainTextEdit *>(Form7->inputFor(7))->toPlainText(), "строка 1\nстрока 2");
    qobject_cast<QCheckBox *>(Form7->inputFor(6))->setChecked(false);
    Form7->OkButton->click();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 2").arg(yes)).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 2").arg(note)).toString(), "строка 1\rстрока 2\r");
    EXPECT_EQ(currentObject(), 2);
}

TEST_F(ViewFillTest, MissingValuesShowTheMessageOnceAndWriteNothing)
{
    addField(*module, "Номер", IntegerType);
    addField(*module, "Имя", StringType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    enterViewFill();
    Form2->AddRecordBtn->click();
    ASSERT_TRUE(Form7->isVisible());
    qobject_cast<QComboBox *>(Form7->inputFor(2))->setEditText("новый цвет");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form7->OkButton->click();
        EXPECT_EQ(answer.texts(), QStringList{"Заполните все поля!\n\r(Изображение и длинный текст не обязательны для заполнения)"});
    }
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 1);
    Form7->CancelButton->click();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_TRUE(Form2->isEnabled());
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

    Form2->AddRecordBtn->click();
    auto *picture = qobject_cast<PictureBox *>(Form7->inputFor(0));
    ASSERT_TRUE(picture);
    EXPECT_EQ(Form7->labelFor(0)->text(), "Для выбора \"Фото\" нажмите ниже:");
    QStringList filters;
    OnNextModalDialog([&](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_TRUE(dialog);
        filters = dialog->nameFilters();
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(picture, Qt::LeftButton);
    EXPECT_EQ(filters.value(0), "Точечные рисунки (*.bmp)");
    EXPECT_TRUE(filters.value(1).contains("*.png"));
    EXPECT_EQ(picture->bytes, bytes);
    ASSERT_FALSE(picture->pixmap().isNull());
    Form7->OkButton->click();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(photo)).toByteArray(), bytes);

    // An object of pictures only: changing without choosing a file keeps the picture.
    Form2->EditRecordBtn->click();
    picture = qobject_cast<PictureBox *>(Form7->inputFor(0));
    EXPECT_EQ(picture->bytes, bytes);
    EXPECT_FALSE(picture->pixmap().isNull());
    Form7->OkButton->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = 1").arg(photo)).toByteArray(), bytes);
}

TEST_F(ViewFillTest, AnEmptyLookupValueShowsTheFirstEntryWhenChanging)
{
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    addLookupEntry(*module, colour, "белый");
    addLookupEntry(*module, colour, "чёрный");
    module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1) VALUES(1, 0)").arg(colour));
    enterViewFill();
    ASSERT_TRUE(Form2->EditRecordBtn->isEnabled());
    Form2->EditRecordBtn->click();
    auto *box = qobject_cast<QComboBox *>(Form7->inputFor(0));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->currentText(), "белый");
    Form7->OkButton->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT L%1_DATA FROM GENER, LOOKUP%1 WHERE G%1 = L%1_ID").arg(colour)).toString(), "белый");
}

TEST_F(ViewFillTest, ALargeListIsReadAsTheGridScrolls)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    module->exec("BEGIN");
    for (int i = 1; i <= 5000; ++i)
        module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1) VALUES(%2, %2)").arg(number).arg(i));
    module->exec("COMMIT");
    enterViewFill();
    EXPECT_FALSE(module->QRGeneral->allRowsRead());
    EXPECT_LT(Form2->gridModel->rowCount(), 5000);
    EXPECT_GT(Form2->gridModel->rowCount(), 0);
    Form2->DBGrid->scrollToBottom();
    QTest::qWait(50);
    const int last = Form2->gridModel->rowCount() - 1;
    Form2->DBGrid->selectRow(last);
    EXPECT_EQ(currentObject(), last + 1);
    // Moving the list by code moves the grid, fetching the rows up to it.
    ASSERT_TRUE(module->QRGeneral->setRecNo(4000));
    EXPECT_EQ(Form2->DBGrid->currentIndex().row(), 3999);
}

TEST_F(ViewFillTest, LeavingTheViewFillModeFreesTheObjectListTablesForFieldChanges)
{
    const qint64 number = addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    module->exec("BEGIN");
    for (int i = 1; i <= 2000; ++i)
        module->exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES(%3, %3, 0)").arg(number).arg(colour).arg(i));
    module->exec("COMMIT");
    enterViewFill();
    ASSERT_FALSE(module->QRGeneral->allRowsRead());
    Form2->close();   // by the title bar
    EXPECT_TRUE(Form1->isVisible());
    // The field loses its lookup list: its table is dropped.
    EXPECT_NO_THROW(module->exec(QStringLiteral("DROP TABLE LOOKUP%1").arg(colour)));
    EXPECT_FALSE(tableExists(QStringLiteral("LOOKUP%1").arg(colour)));
}

TEST_F(ViewFillTest, ANonNumberThatPassesTheKeyFilterIsReportedAndNothingIsWritten)
{
    addField(*module, "Номер", IntegerType);
    const qint64 colour = addField(*module, "Цвет", StringType, true);
    insertObject(1, {"1", "< пустое значение >"});
    enterViewFill();
    Form2->AddRecordBtn->click();
    ASSERT_TRUE(Form7->isVisible());
    QTest::keyClicks(qobject_cast<QLineEdit *>(Form7->inputFor(0)), "-");
    qobject_cast<QComboBox *>(Form7->inputFor(1))->setEditText("новый");
    {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        Form7->OkButton->click();
        ASSERT_EQ(answer.seen(), 1);
        EXPECT_TRUE(answer.texts().first().contains("Номер")) << answer.texts().first().toStdString();
    }
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM LOOKUP%1").arg(colour)), 1);
    // The list is still usable afterwards.
    Form7->CancelButton->click();
    EXPECT_EQ(Form2->gridModel->rowCount(), 1);
    EXPECT_EQ(currentObject(), 1);
}

TEST_F(ViewFillTest, TheModeIsEnteredFromTheEditingModeAndLeftThroughTheMenu)
{
    addField(*module, "Имя", StringType);
    insertObject(1, {"a"});
    Form1->fieldsPage->reloadFieldList();
    Form1->show();
    Form1->GoToDBBtn->click();
    ASSERT_TRUE(Form2->isVisible());
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(Form2->gridModel->rowCount(), 1);
    EXPECT_TRUE(Form2->EditRecordBtn->isEnabled());
    Form2->N21->trigger();
    EXPECT_FALSE(Form2->isVisible());
    EXPECT_TRUE(Form1->isVisible());
}
