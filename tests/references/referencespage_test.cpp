#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "references/referencespage.h"
#include "references/referencestore.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString RegenerateText = QStringLiteral(
    "При перегенерации справочника данные об объектах могут стать недостоверными!\n\r"
    "Вы все равно хотите перегенерировать этот справочник, сохранив старые ссылки на него?");

QString removeText(const QString &book)
{
    return QStringLiteral("Некоторые объекты содержат ссылки на справочник \"%1\"!\n\r"
                          "Эти ссылки буду удалены! Продолжить удаление справочника?").arg(book);
}

}

class ReferencesPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Control<ReferencesPage>(Form1, "ReferencesPage");
        ASSERT_TRUE(Control<QCheckBox>(Form6, "CheckBox1")->isChecked()) << "regenerating asks, as in a fresh installation";
    }
    void choose(QListWidget *list, const QString &name)
    {
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found.first());
    }
    // Chooses the class or book and presses the button, answering each question; the texts asked.
    QStringList generate(const QString &name, int answer = QMessageBox::Yes)
    {
        choose(Control<QListWidget>(page, "ComponentsList1"), name);
        return ClickAnswering(Control<QPushButton>(page, "Button1"), answer);
    }
    QStringList removeBook(const QString &name, int answer)
    {
        choose(Control<QListWidget>(page, "ComponentsList2"), name);
        return ClickAnswering(Control<QPushButton>(page, "Button2"), answer);
    }
    QStringList books() const { return ListTexts(Control<QListWidget>(page, "ComponentsList2")); }

    ReferencesPage *page = nullptr;
};

TEST_F(ReferencesPageTest, GeneratingRegeneratingAndRemovingAskOnlyWhenTheyShouldAndActOnTheItemChosen)
{
    addClassRows({{1, "Length", "", 0}, {2, "Metre", "", 1}, {3, "Mass", "", 0}, {4, "Gram", "", 3}});
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    EXPECT_EQ(ListTexts(Control<QListWidget>(page, "ComponentsList1")), (QStringList{"Length", "Mass"}));
    EXPECT_TRUE(books().isEmpty());
    // Nothing chosen: nothing happens.
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "Button1")) + ClickAnswering(Control<QPushButton>(page, "Button2")), QStringList());
    EXPECT_EQ(generate("Length"), QStringList());
    // A class that sorts first arrives after the lists were filled: "Mass" keeps meaning Mass.
    addClassRow(9, "Area", "", 0);
    EXPECT_EQ(generate("Mass"), QStringList());
    EXPECT_EQ(rows("SELECT R_CLASS FROM REFERS ORDER BY R_ID"), (QList<QVariantList>{{1}, {3}}));
    EXPECT_EQ(ListTexts(Control<QListWidget>(page, "ComponentsList1")), (QStringList{"Area", "Length", "Mass"})) << "filled again";
    EXPECT_EQ(books(), (QStringList{"Length", "Mass"}));

    exec("INSERT INTO LINKS VALUES(1, 1, 2, 4, '3', 0)");
    addClassRow(5, "Tonne", "", 3);
    // Declined, the book keeps its one entry; accepted, it takes the new class.
    for (const auto &[button, entries] : QList<std::pair<int, int>>{{QMessageBox::No, 1}, {QMessageBox::Yes, 2}}) {
        EXPECT_EQ(generate("Mass", button), QStringList{RegenerateText});
        EXPECT_EQ(count("SELECT * FROM REFER2"), entries);
    }

    addClassRow(6, "Pound", "", 3);
    Control<QCheckBox>(Form6, "CheckBox1")->setChecked(false);
    EXPECT_EQ(generate("Mass", QMessageBox::No), QStringList());
    EXPECT_EQ(count("SELECT * FROM REFER2"), 2);

    // Removal asks only about a book that objects link to.
    EXPECT_EQ(removeBook("Length", QMessageBox::No), QStringList());
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_EQ(removeBook("Mass", QMessageBox::No), QStringList{removeText("Mass")});
    EXPECT_TRUE(tableExists("REFER2"));
    EXPECT_EQ(books(), QStringList{"Mass"});
    EXPECT_EQ(removeBook("Mass", QMessageBox::Yes).size(), 1);
    EXPECT_FALSE(tableExists("REFER2"));
    EXPECT_TRUE(books().isEmpty());
}

TEST_F(ReferencesPageTest, AddAllIsAllOrNothingAndAsksAboutExistingBooksAndRemoveAllSkipsTheDeclinedOne)
{
    addClassRows({{1, "Colour", "", 0}, {2, "Red", "", 1}, {3, "Area", "", 0}, {4, "Hectare", "", 3}, {5, "Size's", "", 0}});
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    // A table left over under the second number makes the second generation fail: the first is undone too.
    exec("CREATE TABLE REFER2(X INTEGER)");
    EXPECT_TRUE(OneMessageSaying(ClickAnswering(Control<QPushButton>(page, "Button3")), {"REFER2"}));
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_TRUE(books().isEmpty());
    exec("DROP TABLE REFER2");

    generate("Colour");
    addClassRow(6, "Blue", "", 1);
    EXPECT_EQ(ClickAnswering(Control<QPushButton>(page, "Button3"), QMessageBox::No), QStringList{RegenerateText});
    EXPECT_EQ(count("SELECT * FROM REFER1"), 1) << "the declined book is not regenerated";
    EXPECT_EQ(books(), (QStringList{"Area", "Colour", "Size's"}));

    // Books 1 and 2 have links; 2 is declined, 1 accepted, 3 goes without a question.
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 0, '', 0)");
    exec("INSERT INTO LINKS VALUES(2, 1, 2, 0, '', 0)");
    MessageBoxAnswerer answer([](const QString &text) { return text.contains("Area") ? QMessageBox::No : QMessageBox::Yes; });
    Control<QPushButton>(page, "Button4")->click();
    EXPECT_EQ(answer.texts(), (QStringList{removeText("Area"), removeText("Colour")}));
    EXPECT_EQ(books(), QStringList{"Area"});
}

using namespace ReferenceStore;

class ReferenceStoreTest : public EngineTest
{
protected:
    QList<QVariantList> entries(qint64 book) const
    {
        return rows(QStringLiteral("SELECT R%1_ID, R%1_NAME, R%1_CODE, R%1_LINK, R%1_COEFF FROM REFER%1 ORDER BY R%1_ID").arg(book));
    }
    TopClass topClass(const QString &name) const
    {
        for (const TopClass &c : TopClasses(*module))
            if (c.name == name)
                return c;
        ADD_FAILURE() << "no top-level class " << name.toStdString();
        return {};
    }
};

ENGINE_TEST_SUITE(ReferenceStoreTest);

TEST_P(ReferenceStoreTest, BookCopiesTheBranchNumbersReuseTheFreedHighestAndRegenerationKeepsNumberAndLinks)
{
    addClassRows({{1, "Length", "L", 0}, {2, "Metre", "m", 1, 1}, {3, "Kilometre", "km", 2, 1000},
                  {4, "Millimetre", "mm", 2, 0.001}, {5, "Mass", "M", 0}, {6, "Gram", "g", 5, 3}, {7, "Inch", "in", 1, 2.5},
                  {8, "Colour", "", 0}});

    EXPECT_EQ(GenerateBook(*module, topClass("Length")), 1);
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS"), (QList<QVariantList>{{1, "Length", 1}}));
    EXPECT_EQ(entries(1), (QList<QVariantList>{{2, "Metre", "m", 0, 0.0}, {3, "Kilometre", "km", 2, 1000.0},
                                               {4, "Millimetre", "mm", 2, 0.001}, {7, "Inch", "in", 0, 0.0}}));
    // The trees of the book read levels by link.
    QStringList indexes;
    for (const QVariantList &row : rows(Engine::IndexNamesQuery(testEngine())))
        indexes << row.first().toString();
    EXPECT_TRUE(indexes.contains("REFER1_LINK", Qt::CaseInsensitive)) << indexes.join(' ').toStdString();
    EXPECT_EQ(GenerateBook(*module, topClass("Mass")), 2);
    EXPECT_EQ(entries(2), (QList<QVariantList>{{6, "Gram", "g", 0, 0.0}}));
    EXPECT_EQ(GenerateBook(*module, topClass("Colour")), 3);   // no subclasses: an empty book
    EXPECT_EQ(count("SELECT * FROM REFER3"), 0);

    RemoveBook(*module, 3);
    EXPECT_FALSE(tableExists("REFER3"));
    EXPECT_EQ(BookOfClass(*module, 8), std::nullopt);
    addClassRow(9, "Time", "", 0);
    // A file hands the freed highest number out again; a server never hands a number out twice.
    const qint64 time = GenerateBook(*module, topClass("Time"));
    EXPECT_EQ(time, onServer() ? 4 : 3);
    EXPECT_EQ(BookOfClass(*module, 9), std::optional<qint64>(time));

    // The classifier changes after generation: a rename, a deleted class (linked to), a new class; quotes as
    // typed. Regenerated, the book keeps its number and every link and takes the current branch.
    EXPECT_FALSE(BookHasLinks(*module, 1));
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 3, 'x', 0)");
    exec("INSERT INTO LINKS VALUES(2, 1, 2, 6, 'y', 0)");
    exec("UPDATE CLASSES SET C_NAME = 'Children''s length' WHERE C_ID = 1");
    exec("DELETE FROM CLASSES WHERE C_ID = 3");
    addClassRow(10, "O'Neil", "x'", 2, 0.01);
    EXPECT_EQ(GenerateBook(*module, topClass("Children's length"), BookOfClass(*module, 1)), 1);
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS ORDER BY R_ID"),
              (QList<QVariantList>{{1, "Children's length", 1}, {2, "Mass", 5}, {time, "Time", 9}}));
    EXPECT_EQ(entries(1), (QList<QVariantList>{{2, "Metre", "m", 0, 0.0}, {4, "Millimetre", "mm", 2, 0.001},
                                               {7, "Inch", "in", 0, 0.0}, {10, "O'Neil", "x'", 2, 0.01}}));
    EXPECT_EQ(Books(*module).first().name, "Children's length");
    EXPECT_EQ(count("SELECT * FROM LINKS"), 2);

    // Removal takes only that book's links.
    EXPECT_TRUE(BookHasLinks(*module, 1));
    RemoveBook(*module, 1);
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_TRUE(tableExists("REFER2"));
    EXPECT_EQ(rows("SELECT R_ID FROM REFERS ORDER BY R_ID"), (QList<QVariantList>{{2}, {time}}));
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{2}}));
}

TEST_P(ReferenceStoreTest, AFailedGenerationOrRemovalChangesNothing)
{
    addClassRows({{1, "A", "", 0}, {2, "A1", "", 1}});
    // A table left over under the number the next book would get.
    exec("CREATE TABLE REFER1(X INTEGER)");
    EXPECT_THROW(GenerateBook(*module, topClass("A")), DbError);
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_EQ(columnsOf("REFER1"), QStringList{"X"});

    exec("DROP TABLE REFER1");
    // A server does not hand number 1 out again after the failed attempt.
    const qint64 book = GenerateBook(*module, topClass("A"));
    const QString table = QStringLiteral("REFER%1").arg(book);
    exec(QStringLiteral("INSERT INTO LINKS VALUES(1, 1, %1, 2, '', 0)").arg(book));
    // The last statement of a removal is refused: the links and the table dropped before it come back.
    refuse("DELETE", "REFERS");
    EXPECT_THROW(RemoveBook(*module, book), DbError);
    EXPECT_EQ(rowCounts({"LINKS", "REFERS"}), (QList<int>{1, 1}));
    EXPECT_TRUE(tableExists(table));

    // A book whose table has gone missing from the database can still be made again and removed.
    allowAgain("REFERS");
    exec("DROP TABLE " + table);
    GenerateBook(*module, topClass("A"), book);
    EXPECT_EQ(count("SELECT * FROM " + table), 1);
    exec("DROP TABLE " + table);
    RemoveBook(*module, book);
    EXPECT_EQ(rowCounts({"LINKS", "REFERS"}), (QList<int>{0, 0}));
}

TEST_P(ReferenceStoreTest, DeepAndWideBranchesAreCopiedWholeWithNumericRatiosUnderACommaLocale)
{
    // A chain 3000 levels deep under class 1 and 5000 siblings under class 2 of the chain.
    exec("INSERT INTO CLASSES VALUES(1,'Root','',0,0)");
    exec("WITH RECURSIVE N(I) AS (SELECT 2 UNION ALL SELECT I + 1 FROM N WHERE I < 3001) "
         "INSERT INTO CLASSES SELECT I, 'Chain ' || I, '', I - 1, 2 FROM N");
    exec("WITH RECURSIVE N(I) AS (SELECT 10001 UNION ALL SELECT I + 1 FROM N WHERE I < 15000) "
         "INSERT INTO CLASSES SELECT I, 'Leaf ' || I, '', 2, 0.25 FROM N");
    exec("INSERT INTO CLASSES VALUES(20000,'Elsewhere','',0,0)");
    exec("INSERT INTO CLASSES VALUES(20001,'Elsewhere child','',20000,0)");
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GenerateBook(*module, topClass("Root"));
    QLocale::setDefault(previous);
    EXPECT_EQ(count("SELECT * FROM REFER1"), 3000 + 5000);
    EXPECT_EQ(count("SELECT * FROM REFER1 WHERE R1_LINK = 0"), 1);
    // Numbers, not texts: the server's column takes nothing else.
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM REFER1 WHERE R1_LINK = 2 AND R1_COEFF = 0.25")
                    + (onServer() ? "" : " AND typeof(R1_COEFF) = 'real'")), 5000);
    EXPECT_EQ(count("SELECT * FROM REFER1 WHERE R1_ID >= 20000"), 0);
}
