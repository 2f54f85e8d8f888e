#include "objects/windowsteps.h"

#include "app/form1.h"
#include "classifier/classifierpage.h"
#include "classifier/classstore.h"
#include "classifier/descendants.h"
#include "classifier/form3.h"
#include "classifier/lazytree.h"
#include "classifier/treelevel.h"
#include "core/dberror.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

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
    // Километр (1) ─ Метр (2, ratio 1000) ─ Сантиметр (3, ratio 100); Тонна (4) on its own.
    void addUnits()
    {
        addClassRows({{1, "Километр", "км", 0}, {2, "Метр", "м", 1, 1000}, {3, "Сантиметр", "см", 2, 100}, {4, "Тонна", "", 0}});
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
    // Selects `parent`, types the new name and opens the ratio window.
    void openAddWindow(const QString &parent, const QString &name)
    {
        select(parent);
        type("AddClassEdit", name);
        button("AddMeasureBtn")->click();
        ASSERT_TRUE(Form3->isVisible());
        EXPECT_FALSE(tree->isEnabled());
    }

    // Selects `item`, fills the change boxes and presses "Изменить"; the texts of the boxes it showed.
    QStringList change(const QString &item, const QString &name, const QString &code)
    {
        select(item);
        type("EditClassEdit", name);
        type("EditCodeEdit", code);
        return ClickAnswering(button("EditMeasureBtn"));
    }

    // The ratio window is closed and the tree it held is free again.
    bool windowClosed() const { return !Form3->isVisible() && tree->isEnabled(); }

    // The page's own boxes and buttons, by name.
    QLineEdit *edit(const char *name) const { return Control<QLineEdit>(page, name); }
    QPushButton *button(const char *name) const { return Control<QPushButton>(page, name); }
    // Replaces what the page's box `name` holds by typing `text`.
    void type(const char *name, const QString &text) const { Retype(edit(name), text); }

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
    addClassRow(5, "Дециметр", "", 1);
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
    addClassRow(10, "Глубже", "", 3);
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

TEST_F(ClassifierPageTest, AddingRefusesWhatIsMissingTakesTheRatioAndInsertionFromTheWindowAndNeverLeavesAnOrphan)
{
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Введите название элемента!"});
    addUnits();
    type("AddClassEdit", "Новый");
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Выделите родительский элемент!"});
    type("AddClassEdit", "Сантиметр");   // exists deep down, never read into the tree
    select("Тонна");
    EXPECT_EQ(ClickAnswering(button("AddMeasureBtn")), QStringList{"Элемент с таким названием уже существует!"});
    EXPECT_EQ(count("SELECT * FROM CLASSES"), 4);

    // A new branch needs no window, whatever is selected.
    type("AddClassEdit", "Первый");
    type("AddCodeEdit", "1");
    Control<QCheckBox>(page, "CheckBox2")->setChecked(true);
    EXPECT_TRUE(ClickAnswering(button("AddMeasureBtn")).isEmpty());
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(topTexts(), (QStringList{"Километр (км)", "Первый (1)", "Тонна"}));
    EXPECT_TRUE(edit("AddClassEdit")->text().isEmpty());
    EXPECT_FALSE(Control<QCheckBox>(page, "CheckBox2")->isChecked());

    // A child: Enter (typed last) works like the button; no sibling uses a ratio, so none is proposed.
    select("Тонна");
    type("AddCodeEdit", "кг");
    type("AddClassEdit", "Килограмм\n");
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

    // The ratio window closes with Escape.
    openAddWindow("Первый (1)", "Центнер");
    QTest::keyClick(Form3, Qt::Key_Escape);
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Центнер'"), 0);

    // The parent deleted while the window is open: the addition is refused, no orphan is stored.
    openAddWindow("Первый (1)", "Центнер");
    ClickAnswering(button("DeleteMeasureBtn"));
    ASSERT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Первый'"), 0);
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
        type("EditClassEdit", "");
        type("EditCodeEdit", "x");
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(1)).center());
        EXPECT_EQ(edit("EditClassEdit")->text(), "Тонна") << round;
        EXPECT_EQ(edit("EditCodeEdit")->text(), "") << round;
    }
    // Moving with the keys fills them too.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(edit("EditCodeEdit")->text(), "км");
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(edit("EditClassEdit")->text(), "Тонна");
    type("EditClassEdit", "");
    EXPECT_EQ(ClickAnswering(button("EditMeasureBtn")), QStringList{"Введите название класса!"});
    type("EditClassEdit", "Сантиметр");
    EXPECT_EQ(ClickAnswering(button("EditMeasureBtn")), QStringList{"Класс с таким названием уже существует!"});
    EXPECT_TRUE(change("Тонна", "Тонна", "т").isEmpty()) << "its own name is no clash";
    EXPECT_FALSE(Form3->isVisible());
    EXPECT_EQ(topTexts(), (QStringList{"Километр (км)", "Тонна (т)"}));
    EXPECT_TRUE(edit("EditClassEdit")->text().isEmpty());

    // A child goes through the window; an empty name changes only the ratio.
    tree->topLevelItem(0)->setExpanded(true);
    select("Метр (м)");
    EXPECT_EQ(edit("EditClassEdit")->text(), "Метр");   // the selection fills the boxes, as a click does
    type("EditClassEdit", "");
    type("EditCodeEdit", "ignored");
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
    change("Метр (m)", "Метр", "mm");
    ASSERT_TRUE(Form3->isVisible());
    Control<QPushButton>(Form3, "Button1")->click();
    EXPECT_EQ(classRow("Метр"), (QVariantList{2, "Метр", "mm", 1, 1.0 / 3}));

    // With the window switched off a change keeps the ratio, and an addition gets none and inserts nothing.
    Control<QCheckBox>(Form6, "CheckBox8")->setChecked(true);
    EXPECT_TRUE(change("Метр (mm)", "Метрик", "mk").isEmpty());
    EXPECT_TRUE(windowClosed());
    EXPECT_EQ(classRow("Метрик"), (QVariantList{2, "Метрик", "mk", 1, 1.0 / 3}));
    select("Километр (км)");
    type("AddClassEdit", "Миля");
    EXPECT_TRUE(ClickAnswering(button("AddMeasureBtn")).isEmpty());
    EXPECT_TRUE(tree->isEnabled());
    EXPECT_EQ(classRow("Миля"), (QVariantList{5, "Миля", "", 1, 0.0}));
    EXPECT_EQ(classRow("Метрик").at(3).toInt(), 1);
}

namespace {
class ClassStoreTest : public EngineTest
{
protected:
    QStringList names(int sortChoice, qint64 parent = 0)
    {
        QStringList result;
        for (const TreeRow &row : ReadTreeLevel(*module, TreeSource::classes(sortChoice), parent))
            result << row.name;
        return result;
    }
};
}

ENGINE_TEST_SUITE(ClassStoreTest);

TEST_P(ClassStoreTest, LevelOrderFollowsTheSortChoiceAndInsertingBetweenParentAndChildRestatesTheChildRatio)
{
    addClassRows({{1, "Бета", "2", 0}, {2, "Альфа", "3", 0}, {3, "Гамма", "", 0}, {4, "Дельта", "1", 0},
                  {5, "Вложенный", "0", 2}});

    EXPECT_EQ(names(0), (QStringList{"Альфа", "Бета", "Гамма", "Дельта"}));
    EXPECT_EQ(names(1), (QStringList{"Гамма", "Дельта", "Бета", "Альфа"}));
    EXPECT_EQ(names(2), (QStringList{"Бета", "Альфа", "Гамма", "Дельта"}));
    EXPECT_EQ(names(0, 2), QStringList{"Вложенный"});

    // Inserting between a parent and its child restates the child's ratio.
    addClassRow(7, "Старый", "", 0);
    const qint64 km = AddClass(*module, "Километр", "", 0, 55);   // top level: no ratio, next id
    EXPECT_EQ(classRow("Километр"), (QVariantList{8, "Километр", "", 0, 0.0}));
    const qint64 m = AddClass(*module, "Метр", "", km, 1000);
    const qint64 mm = AddClass(*module, "Миллиметр", "", m, 1000);

    const qint64 dm = AddClass(*module, "Дециметр", "дм", km, 10000, m);
    EXPECT_EQ(classRow("Дециметр"), (QVariantList{dm, "Дециметр", "дм", km, 10000.0}));
    EXPECT_EQ(classRow("Метр").at(3).toLongLong(), dm);
    EXPECT_DOUBLE_EQ(classRow("Метр").at(4).toDouble(), 0.1);
    EXPECT_EQ(RatioDescription(*module, m), QString("1 Дециметр = 0") + QLocale().decimalPoint() + "1 Метр");
    EXPECT_EQ(classRow("Миллиметр"), (QVariantList{mm, "Миллиметр", "", m, 1000.0}));   // its subtree moves along

    const qint64 hm = AddClass(*module, "Гектометр", "", km, 0, dm);
    EXPECT_EQ(classRow("Дециметр"), (QVariantList{dm, "Дециметр", "дм", hm, 0.0}));
    EXPECT_TRUE(RatioDescription(*module, dm).isEmpty());

    // A failed insertion (the named class is not a child of the parent) stores nothing at all.
    EXPECT_THROW(AddClass(*module, "Между", "", hm, 2, mm), DbError);
    EXPECT_EQ(count("SELECT * FROM CLASSES WHERE C_NAME = 'Между'"), 0);
    EXPECT_EQ(classRow("Миллиметр"), (QVariantList{mm, "Миллиметр", "", m, 1000.0}));
}

TEST_P(ClassStoreTest, QuotesPercentSignsNulsAndACommaLocaleAreStoredAsTyped)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const qint64 id = AddClass(*module, "Д'Артаньян", "'1'", 0, 0);
    EXPECT_EQ(classRow("Д'Артаньян").at(2).toString(), "'1'");
    EXPECT_TRUE(ClassNameTaken(*module, "Д'Артаньян"));
    EXPECT_FALSE(ClassNameTaken(*module, "Д"));
    // Texts that look like placeholders stay as typed (a second substitution once made "50%3" "501").
    for (const QString name : {"50%3", "x%1y", "a%0", "%1%2"}) {
        RenameClass(*module, id, name, "%1");
        EXPECT_EQ(classRow(name), (QVariantList{id, name, "%1", 0, 0.0})) << name.toStdString();
    }
    EXPECT_FALSE(ClassNameTaken(*module, "501"));
    const QString withNul = QStringLiteral("до") + QChar(0) + QStringLiteral("после");
    if (onServer()) {
        // The server keeps no NUL character: the rename is refused in words and the class keeps its name.
        const QString refused = FailureOf([&] { RenameClass(*module, id, withNul, withNul); });
        EXPECT_TRUE(refused.contains("нулевой знак")) << refused.toStdString();
        EXPECT_EQ(scalar(QStringLiteral("SELECT C_NAME FROM CLASSES WHERE C_ID = %1").arg(id)).toString(), "%1%2");
    } else {
        RenameClass(*module, id, withNul, withNul);
        EXPECT_EQ(scalar(QStringLiteral("SELECT C_NAME FROM CLASSES WHERE C_ID = %1").arg(id)).toString(), withNul);
        EXPECT_TRUE(ClassNameTaken(*module, withNul));
    }
    RenameClass(*module, id, "O'Neil", "x'");
    EXPECT_EQ(classRow("O'Neil"), (QVariantList{id, "O'Neil", "x'", 0, 0.0}));
    const qint64 half = AddClass(*module, "Пол-литра", "", id, ParseRatio("0.5"));
    ChangeClass(*module, half, "It's", "", ParseRatio("0.5"));
    const QString stored = scalar("SELECT CAST(C_COEFF AS TEXT) FROM CLASSES WHERE C_NAME = 'It''s'").toString();
    const QString description = RatioDescription(*module, half);
    // A sign and a decimal point are read; group separators, a second sign and too much refused in words.
    EXPECT_EQ(ParseRatio("-12.25"), -12.25);
    for (const QString refused : {"1.2.3", "-", "12,5,3", "1 234,5", "1.234,5", "1000000001"})
        EXPECT_TRUE(FailureOf([&] { ParseRatio(refused); }).contains("Количественное соотношение")) << refused.toStdString();
    QLocale::setDefault(saved);
    EXPECT_EQ(stored, "0.5");
    EXPECT_EQ(description, "1 O'Neil = 0,5 It's");   // the message uses the user's separator
}

TEST_P(ClassStoreTest, DescendantsAreFoundLevelByLevelAndDeletedWithTheirClass)
{
    // 1 ─ 2 ─ 4 ─ 6, 1 ─ 3 with 1500 children (more than one OR-chain could hold); 5 ─ 2000 elsewhere.
    addClassRows({{1, "root", "", 0}, {2, "a", "", 1}, {3, "b", "", 1}, {4, "c", "", 2}, {5, "other", "", 0}, {6, "d", "", 4}});
    exec("WITH RECURSIVE N(I) AS (SELECT 100 UNION ALL SELECT I + 1 FROM N WHERE I < 1599) "
         "INSERT INTO CLASSES SELECT I, 'w' || I, '', 3, 0 FROM N");
    addClassRow(2000, "under other", "", 5);
    const QList<qint64> found = FindLowClasses(*module, "CLASSES", "", 1);
    ASSERT_EQ(found.size(), 1504);
    EXPECT_EQ(QSet<qint64>(found.begin(), found.begin() + 2), (QSet<qint64>{2, 3}));
    EXPECT_EQ(found.last(), 6);

    DeleteClassWithSubtree(*module, 1);
    EXPECT_EQ(rows("SELECT C_ID FROM CLASSES ORDER BY C_ID"), (QList<QVariantList>{{5}, {2000}}));
    // A damaged file where a class hangs below its own descendant must not loop forever.
    exec("UPDATE CLASSES SET C_LINK = 2000 WHERE C_ID = 5");
    EXPECT_EQ(FindLowClasses(*module, "CLASSES", "", 5).size(), 2);
}
