#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "classifier/classifierpage.h"
#include "classifier/form3.h"
#include "classifier/lazytree.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {
class ClassifierPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Control<ClassifierPage>(Form1, "ClassifierPage");
        tree = Control<QTreeWidget>(page, "ClassesView");
        Control<QCheckBox>(Form6, "CheckBox8")->setChecked(false);   // the ratio window is shown
        Form6->setRadioIndex(0);
        Form3->hide();
    }
    void addRow(qint64 id, const QString &name, const QString &code, qint64 link, double coeff = 0)
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES (%1, '%2', '%3', %4, %5)").arg(id).arg(name, code).arg(link).arg(coeff));
    }
    // Километр (1) ─ Метр (2, ratio 1000) ─ Сантиметр (3, ratio 100); Тонна (4) on its own.
    void addUnits()
    {
        addRow(1, "Километр", "км", 0);
        addRow(2, "Метр", "м", 1, 1000);
        addRow(3, "Сантиметр", "см", 2, 100);
        addRow(4, "Тонна", "", 0);
        Form1->ClassesViewExpand(nullptr);
    }
    QStringList topTexts() const
    {
        QStringList texts;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            texts << tree->topLevelItem(i)->text(0);
        return texts;
    }
    void select(const QString &text)
    {
        const QList<QTreeWidgetItem *> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        tree->setCurrentItem(found.first());
    }
    QVariantList classRow(const QString &name)
    {
        return rows(QStringLiteral("SELECT C_ID, C_NAME, C_CODE, C_LINK, C_COEFF FROM CLASSES WHERE C_NAME = '%1'").arg(name)).value(0);
    }
    // Selects `parent`, types the new name and opens the ratio window.
    void openAddWindow(const QString &parent, const QString &name)
    {
        select(parent);
        edit("AddClassEdit")->setText(name);
        button("AddMeasureBtn")->click();
        ASSERT_TRUE(Form3->isVisible());
        EXPECT_FALSE(tree->isEnabled());
    }

    // Selects `item`, fills the change boxes and presses "Изменить"; the texts of the boxes it showed.
    QStringList change(const QString &item, const QString &name, const QString &code)
    {
        select(item);
        edit("EditClassEdit")->setText(name);
        edit("EditCodeEdit")->setText(code);
        return ClickAnswering(button("EditMeasureBtn"));
    }

    // The ratio window is closed and the tree it held is free again.
    bool windowClosed() const { return !Form3->isVisible() && tree->isEnabled(); }

    // The page's own boxes and buttons, by name.
    QLineEdit *edit(const char *name) const { return Control<QLineEdit>(page, name); }
    QPushButton *button(const char *name) const { return Control<QPushButton>(page, name); }

    ClassifierPage *page = nullptr;
    QTreeWidget *tree = nullptr;
};
}

TEST_F(ClassifierPageTest, TreeIsReadLazilyInEveryDisplayFormatAndSortOrderAndDeletingAnUnreadSubtreeAsksAndUpdatesIt)
{
    addUnits();
    EXPECT_EQ(topTexts(), (QStringList{"Километр (км)", "Тонна"}));
    QTreeWidgetItem *km = tree->topLevelItem(0);
    ASSERT_EQ(km->childCount(), 1);
    EXPECT_TRUE(LazyTree::isPlaceholder(km->child(0)));
    EXPECT_EQ(tree->topLevelItem(1)->childCount(), 0);
    km->setExpanded(true);
    ASSERT_EQ(km->childCount(), 1);
    EXPECT_EQ(km->child(0)->text(0), "Метр (м)");
    EXPECT_TRUE(LazyTree::isPlaceholder(km->child(0)->child(0)));
    // A node read once is not read again: a row added behind the tree's back is not seen yet.
    addRow(5, "Дециметр", "", 1);
    km->setExpanded(false);
    km->setExpanded(true);
    EXPECT_EQ(km->childCount(), 1);

    for (const auto &[format, text] : {std::pair{2, "Километр"}, std::pair{1, "км - Километр"}, std::pair{0, "Километр (км)"}}) {
        Form6->setRadioIndex(format);
        Form1->ClassesViewExpand(nullptr);
        EXPECT_EQ(topTexts(), (QStringList{text, "Тонна"}));
    }
    tree->topLevelItem(0)->setExpanded(true);
    Control<QComboBox>(page, "ComboBox2")->setCurrentIndex(1);   // by code: the class without a code first, rebuilt collapsed
    EXPECT_EQ(topTexts(), (QStringList{"Тонна", "Километр (км)"}));
    EXPECT_TRUE(LazyTree::isPlaceholder(tree->topLevelItem(1)->child(0)));

    // Deleting an unread subtree asks, and updates the tree and the book list.
    addRow(10, "Глубже", "", 3);
    QListWidget *books = Control<QListWidget>(Control<ReferencesPage>(Form1, "ReferencesPage"), "ComponentsList1");
    Form1->ComponentsFill();
    EXPECT_EQ(ClickAnswering(button("DeleteMeasureBtn")), QStringList{"Выделите удаляемый класс!"});
    select("Километр (км)");
    EXPECT_EQ(ClickAnswering(button("DeleteMeasureBtn"), QMessageBox::No),
              QStringList{"Класс содержит подклассы! Вы все равно хотите удалить этот класс?"});
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 6);
    EXPECT_EQ(ClickAnswering(button("DeleteMeasureBtn"), QMessageBox::Yes).size(), 1);
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 1);
    EXPECT_EQ(topTexts(), QStringList{"Тонна"});
    EXPECT_TRUE(books->findItems("Километр", Qt::MatchExactly).isEmpty());
    EXPECT_EQ(books->findItems("Тонна", Qt::MatchExactly).size(), 1);
    // The change boxes no longer name the deleted class: "Изменить" right after renames nothing to it.
    EXPECT_NE(edit("EditClassEdit")->text(), "Километр");
    EXPECT_NE(edit("EditCodeEdit")->text(), "км");
    ClickAnswering(button("EditMeasureBtn"));
    EXPECT_EQ(rows("SELECT C_NAME, C_CODE FROM CLASSES"), (QList<QVariantList>{{"Тонна", ""}}));

    select("Тонна");   // no children: no question
    EXPECT_TRUE(ClickAnswering(button("DeleteMeasureBtn")).isEmpty());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
}

TEST_F(ClassifierPageTest, AddingRefusesWhatIsMissingAndTakesTheRatioAndInsertionFromTheWindow)
{
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Введите название элемента!"});
    addUnits();
    edit("AddClassEdit")->setText("Новый");
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Выделите родительский элемент!"});
    edit("AddClassEdit")->setText("Сантиметр");   // exists deep down, never read into the tree
    select("Тонна");
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Элемент с таким названием уже существует!"});
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 4);

    // A new branch needs no window, whatever is selected.
    edit("AddClassEdit")->setText("Первый");
    edit("AddCodeEdit")->setText("1");
    Control<QCheckBox>(page, "CheckBox2")->setChecked(true);
    EXPECT_TRUE(ClickAnswering(button("AddMeasureBtn")).isEmpty());
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(topTexts(), (QStringList{"Километр (км)", "Первый (1)", "Тонна"}));
    EXPECT_TRUE(edit("AddClassEdit")->text().isEmpty());
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox2")->isChecked());

    // A child: Enter works like the button; no sibling uses a ratio, so none is proposed.
    select("Тонна");
    edit("AddClassEdit")->setText("Килограмм");
    edit("AddCodeEdit")->setText("кг");
    edit("AddClassEdit")->setFocus();
    QTest::keyClick(edit("AddClassEdit"), Qt::Key_Return);
    ASSERT_TRUE(Form3->isVisible());
    EXPECT_FALSE(tree->isEnabled());
    EXPECT_EQ(Control<QLabel>(Form3, "Label1")->text(), "1 Тонна =");
    EXPECT_EQ(Form3->radioItems(), QStringList{"Добавить без вставки"});
    EXPECT_TRUE(Control<QCheckBox>(Form3, "CheckBox1")->isChecked());
    Control<QCheckBox>(Form3, "CheckBox1")->click();
    QLineEdit *ratio = Control<QLineEdit>(Form3, "Edit1");
    ratio->clear();
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form3, "Button1")), QStringList{"Введите соотношение величин!"});
    // The Russian decimal comma is typed like any digit; letters, spaces and a digit past 1000000000 are not taken.
    const QList<std::pair<QString, QString>> typing{{"1a2 e,5", "12,5"}, {"0.5", "0.5"}, {"-10000000000", "-1000000000"}};
    for (const auto &[typed, taken] : typing) {
        ratio->clear();
        QTest::keyClicks(ratio, typed);
        EXPECT_EQ(ratio->text(), taken) << typed.toStdString();
    }
    QTest::keyClick(ratio, Qt::Key_Backspace);
    EXPECT_EQ(ratio->text(), "-100000000");
    // Two decimal signs are refused in words naming the box, never read as another number.
    ratio->clear();
    QTest::keyClicks(ratio, "12,5,3");
    EXPECT_EQ(ratio->text(), "12,5,3");
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form3, "Button1")),
              QStringList{"Значение \"12,5,3\" поля \"Количественное соотношение\" не принято: в числе может быть только один десятичный знак."});
    EXPECT_TRUE(Form3->isVisible());
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 5);
    ratio->clear();
    QTest::keyClicks(ratio, "12,5");
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(Form3, "Button1")).isEmpty());
    EXPECT_TRUE(windowClosed());
    ASSERT_EQ(tree->topLevelItem(2)->childCount(), 1);
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(0), "Килограмм (кг)");
    select("Килограмм (кг)");
    EXPECT_EQ(classRow("Килограмм").value(4), 12.5);
    EXPECT_EQ(ClickAnswering(button("More")), QStringList{"1 Тонна = 12,5 Килограмм"});
    select("Тонна");
    EXPECT_EQ(ClickAnswering(button("More")), QStringList{"Для данного класса количественные соотношения не используются!"});

    // Inserted between Километр and Метр, which uses a ratio: the parent shows the new class holding Метр unread.
    openAddWindow("Километр (км)", "Дециметр");
    EXPECT_EQ(Control<QGroupBox>(Form3, "RadioGroup1")->title(), " Вставить между \"Километр (км)\" и ... ");
    EXPECT_GE(Control<QLabel>(Form3, "Label3")->width(), Control<QLabel>(Form3, "Label3")->sizeHint().width());   // the hint is read whole
    EXPECT_EQ(Form3->radioItems(), (QStringList{"Метр", "Добавить без вставки"}));
    EXPECT_EQ(Form3->radioIndex(), 1);
    EXPECT_FALSE(Control<QCheckBox>(Form3, "CheckBox1")->isChecked());
    Form3->setRadioIndex(0);
    Control<QLineEdit>(Form3, "Edit1")->setText("10000");
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(Form3, "Button1")).isEmpty());
    QTreeWidgetItem *km = tree->topLevelItem(0);
    ASSERT_EQ(km->childCount(), 1);
    EXPECT_EQ(km->child(0)->text(0), "Дециметр");
    EXPECT_TRUE(LazyTree::isPlaceholder(km->child(0)->child(0)));
}

TEST_F(ClassifierPageTest, RatioWindowClosesWithEscapeAndRefusesAChildOfAParentDeletedMeanwhile)
{
    addUnits();
    openAddWindow("Тонна", "Центнер");
    QTest::keyClick(Form3, Qt::Key_Escape);
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Центнер'"), 0);

    // The parent deleted while the window is open: the addition is refused, no orphan is stored.
    openAddWindow("Тонна", "Центнер");
    ClickAnswering(button("DeleteMeasureBtn"));
    ASSERT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Тонна'"), 0);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(Form3, "Button1")).size(), 1);
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Центнер'"), 0);
    Control<QPushButton>(Form3, "Button2")->click();
    EXPECT_TRUE(windowClosed());
}

TEST_F(ClassifierPageTest, ChangingFillsTheBoxesShowsEachErrorAndKeepsAFractionalRatio)
{
    EXPECT_EQ(ClickAnswering(button("EditMeasureBtn")), QStringList{"Выделите класс на древовидной структуре!"});
    addUnits();
    Control<QTabWidget>(Form1, "TabbedNotebook")->setCurrentWidget(page);
    Form1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
    // Clicking an item fills the change boxes, every time.
    for (int round = 0; round < 2; ++round) {
        edit("EditClassEdit")->clear();
        edit("EditCodeEdit")->setText("x");
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(1)).center());
        EXPECT_EQ(edit("EditClassEdit")->text(), "Тонна") << round;
        EXPECT_EQ(edit("EditCodeEdit")->text(), "") << round;
    }
    // Moving with the keys fills them too.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(edit("EditCodeEdit")->text(), "км");
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(edit("EditClassEdit")->text(), "Тонна");
    edit("EditClassEdit")->clear();
    EXPECT_EQ(ClickAnswering(button("EditMeasureBtn")), QStringList{"Введите название класса!"});
    edit("EditClassEdit")->setText("Сантиметр");
    EXPECT_EQ(ClickAnswering(button("EditMeasureBtn")), QStringList{"Класс с таким названием уже существует!"});
    EXPECT_TRUE(change("Тонна", "Тонна", "т").isEmpty()) << "its own name is no clash";
    EXPECT_FALSE(Form3->isVisible());
    EXPECT_EQ(topTexts(), (QStringList{"Километр (км)", "Тонна (т)"}));
    EXPECT_TRUE(edit("EditClassEdit")->text().isEmpty());

    // A child goes through the window; an empty name changes only the ratio.
    tree->topLevelItem(0)->setExpanded(true);
    select("Метр (м)");
    EXPECT_EQ(edit("EditClassEdit")->text(), "Метр");   // the selection fills the boxes, as a click does
    edit("EditClassEdit")->clear();
    edit("EditCodeEdit")->setText("ignored");
    button("EditMeasureBtn")->click();
    ASSERT_TRUE(Form3->isVisible());
    EXPECT_EQ(Control<QLineEdit>(Form3, "Edit1")->text(), "1000");
    EXPECT_EQ(Control<QLabel>(Form3, "Label2")->text(), "Метр (м)");
    EXPECT_FALSE(Control<QGroupBox>(Form3, "RadioGroup1")->isEnabled());
    EXPECT_TRUE(Form3->radioItems().isEmpty());
    Control<QLineEdit>(Form3, "Edit1")->setText("0.5");
    EXPECT_TRUE(ClickAnswering(Control<QPushButton>(Form3, "Button1")).isEmpty());
    EXPECT_EQ(classRow("Метр"), (QVariantList{2, "Метр", "м", 1, 0.5}));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());

    // A fractional ratio is still a ratio: a rename keeps it.
    change("Метр (м)", "Метр", "m");
    ASSERT_TRUE(Form3->isVisible());
    EXPECT_FALSE(Control<QCheckBox>(Form3, "CheckBox1")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(Form3, "Edit1")->text(), "0,5") << "shown as it is typed here";
    Control<QPushButton>(Form3, "Button1")->click();
    EXPECT_EQ(classRow("Метр"), (QVariantList{2, "Метр", "m", 1, 0.5}));
    // A ratio with more digits than the box shows is not changed by a rename that leaves the box alone.
    exec("UPDATE CLASSES SET C_COEFF = 1.0 / 3 WHERE C_ID = 2");
    select("Метр (m)");
    edit("EditClassEdit")->setText("Метр");
    edit("EditCodeEdit")->clear();
    QTest::keyClicks(edit("EditCodeEdit"), "mm");
    button("EditMeasureBtn")->click();
    ASSERT_TRUE(Form3->isVisible());
    Control<QPushButton>(Form3, "Button1")->click();
    EXPECT_EQ(classRow("Метр"), (QVariantList{2, "Метр", "mm", 1, 1.0 / 3}));

    // With the window switched off a change keeps the ratio, and an addition gets none and inserts nothing.
    Control<QCheckBox>(Form6, "CheckBox8")->setChecked(true);
    EXPECT_TRUE(change("Метр (mm)", "Метрик", "mk").isEmpty());
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(classRow("Метрик"), (QVariantList{2, "Метрик", "mk", 1, 1.0 / 3}));
    select("Километр (км)");
    edit("AddClassEdit")->setText("Миля");
    EXPECT_TRUE(ClickAnswering(button("AddMeasureBtn")).isEmpty());
    EXPECT_TRUE(tree->isEnabled());
    EXPECT_EQ(classRow("Миля"), (QVariantList{5, "Миля", "", 1, 0.0}));
    EXPECT_EQ(classRow("Метрик").at(3).toInt(), 1);
}

