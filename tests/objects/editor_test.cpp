#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/fieldeditor.h"
#include "objects/form2.h"
#include "objects/form7.h"
#include "objects/objectlist.h"
#include "objects/objectstore.h"
#include "objects/paramspanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {
// The object editor as a person uses it: keys typed into its inputs, Russian conventions.
class EditorTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    void TearDown() override
    {
        if (Form7 && Form7->isVisible()) {
            MessageBoxAnswerer discard(QMessageBox::Yes);
            Form7->close();
        }
        QLocale::setDefault(saved);
        AppTest::TearDown();
    }
    void open(bool editMode)
    {
        if (!Form2->isVisible()) {
            Form2->LoadGeneral();
            Form2->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(Form2));
        }
        (editMode ? Control<QPushButton>(Form2, "EditRecordBtn") : Control<QPushButton>(Form2, "AddRecordBtn"))->click();
        ASSERT_TRUE(Form7->isVisible());
    }
    template <typename T> T *input(int field) const { return qobject_cast<T *>(Form7->inputFor(field)); }
    void retype(int field, const QString &keys) const
    {
        auto *edit = input<QLineEdit>(field);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        TypeKeys(edit, keys);
    }
    // Presses the OK button, answering each box with `answer`; returns the boxes' texts.
    QStringList store(int answer = QMessageBox::Ok) const
    {
        MessageBoxAnswerer boxes(answer);
        Control<QPushButton>(Form7, "OkButton")->click();
        return boxes.texts();
    }
    QVariant stored(qint64 field, qint64 object = 1) const
    {
        return scalar(QStringLiteral("SELECT G%1 FROM GENER WHERE G_ID = %2").arg(field).arg(object));
    }
    const QLocale saved;
};
}

TEST_F(EditorTest, ARealTypedWithTheDecimalCommaIsStoredAsTypedAndShownSoAgain)
{
    const qint64 weight = addField(*module, "Вес", RealType);
    const qint64 count = addField(*module, "Штук", IntegerType);
    open(false);
    QTest::keyClicks(input<QLineEdit>(0), "12,5,3");
    QTest::keyClicks(input<QLineEdit>(1), "1 000");
    EXPECT_TRUE(Form7->noteFor(0)->isVisibleTo(Form7));
    EXPECT_TRUE(Form7->noteFor(0)->text().contains("один десятичный знак")) << Form7->noteFor(0)->text().toStdString();
    const QStringList refused = store();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("\"Вес\"")) << refused[0].toStdString();
    EXPECT_EQ(this->count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(Form7->focusWidget(), input<QLineEdit>(0));

    retype(0, "12,5");
    EXPECT_FALSE(Form7->noteFor(0)->isVisibleTo(Form7));
    const QStringList second = store();
    ASSERT_EQ(second.size(), 1);
    EXPECT_TRUE(second[0].contains("\"Штук\"") && second[0].contains("без пробелов")) << second[0].toStdString();
    retype(1, "1000");
    EXPECT_TRUE(store().isEmpty());
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_EQ(stored(weight).toDouble(), 12.5);
    EXPECT_EQ(stored(count).toLongLong(), 1000);

    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), "12,5");
    retype(0, "0.75");
    EXPECT_TRUE(store().isEmpty());
    EXPECT_EQ(stored(weight).toDouble(), 0.75);
}

TEST_F(EditorTest, DatesAndTimesAreTypedWholeAndTheInputSaysWhatWillBeStored)
{
    const qint64 day = addField(*module, "Дата поступления", DateType);
    const qint64 time = addField(*module, "Время", TimeType);
    open(false);
    // Nothing is stored for a date nobody typed.
    EXPECT_TRUE(input<QLineEdit>(0)->text().isEmpty());
    QTest::keyClicks(input<QLineEdit>(0), "15.03.2019");
    EXPECT_EQ(input<QLineEdit>(0)->text(), "15.03.2019");
    EXPECT_TRUE(Form7->noteFor(0)->text().contains("15 марта 2019")) << Form7->noteFor(0)->text().toStdString();
    QTest::keyClicks(input<QLineEdit>(1), "9:05");
    EXPECT_TRUE(store().isEmpty());
    EXPECT_EQ(stored(day).toString(), "2019-03-15");
    EXPECT_EQ(stored(time).toString(), "09:05:00");

    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), "15.03.2019");
    retype(0, "1/2/45");
    EXPECT_TRUE(Form7->noteFor(0)->text().contains("1 февраля 1945")) << Form7->noteFor(0)->text().toStdString();
    retype(1, "");
    EXPECT_TRUE(store().isEmpty());
    EXPECT_EQ(stored(day).toString(), "1945-02-01");
    EXPECT_TRUE(stored(time).isNull());

    open(true);
    retype(0, "31.02.2019");
    EXPECT_TRUE(Form7->noteFor(0)->text().startsWith("Не дата"));
    const QStringList refused = store();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("\"Дата поступления\"") && refused[0].contains("не является датой")) << refused[0].toStdString();
    EXPECT_EQ(stored(day).toString(), "1945-02-01");
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
    EXPECT_TRUE(store().isEmpty());
    ASSERT_FALSE(Form7->isVisible());
    EXPECT_EQ(stored(name).toString(), longName);
    EXPECT_EQ(stored(weight).toDouble(), 0.30000000000000004);

    open(true);
    QTest::keyClick(input<QLineEdit>(0), Qt::Key_End);
    QTest::keyClicks(input<QLineEdit>(0), "!");
    ASSERT_EQ(input<QLineEdit>(0)->text(), longName + "!");
    QStringList asked = store(QMessageBox::No);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("длиннее 50 символов (58 символов)") && asked[0].contains("Сократить")) << asked[0].toStdString();
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(stored(name).toString(), longName);
    asked = store(QMessageBox::Yes);
    EXPECT_EQ(asked.size(), 1);
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(stored(name).toString(), QString("Ж").repeated(50));
}

TEST_F(EditorTest, TheEditorGrowsWithTheWindowFocusesTheFirstInputAndAsksBeforeDroppingTypedValues)
{
    addField(*module, "Название", StringType);
    addField(*module, "Описание", LongTextType);
    open(false);
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
    {
        MessageBoxAnswerer keep(QMessageBox::No);
        Control<QPushButton>(Form7, "CancelButton")->click();
        ASSERT_EQ(keep.seen(), 1);
    }
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "ваза");
    {
        MessageBoxAnswerer discard(QMessageBox::Yes);
        QTest::keyClick(Form7, Qt::Key_Escape);
        EXPECT_EQ(discard.seen(), 1);
    }
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    // The size the user gave is kept for the next opening; with nothing typed, Cancel asks nothing.
    const int firstLabelTop = Form7->labelFor(0)->mapTo(Form7, QPoint()).y();
    open(false);
    EXPECT_EQ(Form7->size(), QSize(700, 600));
    // Nothing of the last opening is left above the inputs.
    EXPECT_EQ(Form7->labelFor(0)->mapTo(Form7, QPoint()).y(), firstLabelTop);
    {
        MessageBoxAnswerer none(QMessageBox::Yes);
        Control<QPushButton>(Form7, "CancelButton")->click();
        EXPECT_EQ(none.seen(), 0);
    }
    EXPECT_FALSE(Form7->isVisible());
}

TEST_F(EditorTest, ASaveOverAnotherProgramsChangeAsksToReloadAndOneOverADeletionStoresNothing)
{
    const qint64 name = addField(*module, "Название", StringType);
    const qint64 weight = addField(*module, "Вес", RealType);
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (1, 'старое', 2.5)").arg(name).arg(weight));
    makeBook(1, "Города", {{10, "Россия", "", 0}});
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 10, '', 0)");
    open(true);
    // As the grid on a screen reads a short list to its end: a read left pending holds the file against
    // the other program's writes.
    const auto listReadToEnd = [] { DModule->QRGeneral->recordCount(); };
    listReadToEnd();
    const std::unique_ptr<TDModule> other = otherProgram();
    UpdateObject(*other, 1, {DatabaseTest::input(weight, "7,25")});

    retype(0, "моё");
    QStringList asked = store(QMessageBox::No);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("изменён другим пользователем") && asked[0].contains("Загрузить")) << asked[0].toStdString();
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "моё");
    EXPECT_EQ(stored(name).toString(), "старое");
    EXPECT_EQ(stored(weight).toDouble(), 7.25);

    // Reloaded, the editor shows the stored object and has nothing unsaved; saved again, it stores.
    asked = store(QMessageBox::Yes);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(input<QLineEdit>(0)->text(), "старое");
    EXPECT_EQ(input<QLineEdit>(1)->text(), "7,25");
    EXPECT_FALSE(Form7->hasChanges());
    retype(0, "моё");
    EXPECT_TRUE(store().isEmpty());
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_EQ(stored(name).toString(), "моё");
    EXPECT_EQ(stored(weight).toDouble(), 7.25);

    // The editor shows what is stored when it opens, not what the list read before another program's change.
    listReadToEnd();
    UpdateObject(*other, 1, {DatabaseTest::input(name, "новое")});
    open(true);
    EXPECT_EQ(input<QLineEdit>(0)->text(), "новое");

    listReadToEnd();
    DeleteObject(*other, 1);
    retype(1, "3");
    asked = store();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("удалён другим пользователем") && asked[0].contains("не сохранены")) << asked[0].toStdString();
    EXPECT_TRUE(Form7->isVisible());
    EXPECT_EQ(count("SELECT * FROM GENER"), 0);
    EXPECT_EQ(Control<QListWidget>(Control<ParamsPanel>(Form7, "GroupBox2"), "ParamsList")->count(), 0) << "the deleted object's parameters are not shown as its own";

    // An object deleted before the editor opens is not opened, and the list stops showing it.
    {
        MessageBoxAnswerer discard(QMessageBox::Yes);
        Control<QPushButton>(Form7, "CancelButton")->click();
    }
    exec(QStringLiteral("INSERT INTO GENER (G_ID, G%1, G%2) VALUES (2, 'второе', 1)").arg(name).arg(weight));
    Form2->LoadGeneral();
    listReadToEnd();
    DeleteObject(*other, 2);
    MessageBoxAnswerer told(QMessageBox::Ok);
    Control<QPushButton>(Form2, "EditRecordBtn")->click();
    ASSERT_EQ(told.seen(), 1);
    EXPECT_TRUE(told.texts()[0].contains("удалён другим пользователем")) << told.texts()[0].toStdString();
    EXPECT_FALSE(Form7->isVisible());
    EXPECT_TRUE(DModule->QRGeneral->isEmpty());
}
