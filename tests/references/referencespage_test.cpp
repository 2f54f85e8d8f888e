#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QCheckBox>
#include <QListWidget>
#include <QMessageBox>
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

QStringList itemsOf(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}
}

class ReferencesPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Control<ReferencesPage>(Form1, "ReferencesPage");
        Control<QCheckBox>(Form6, "CheckBox1")->setChecked(true);
    }
    void addClass(qint64 id, const QString &name, qint64 link)
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES(%1,'%2','',%3,0)").arg(id).arg(QString(name).replace("'", "''")).arg(link));
    }
    void choose(QListWidget *list, const QString &name)
    {
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found.first());
    }
    void generate(const QString &name)
    {
        choose(Control<QListWidget>(page, "ComponentsList1"), name);
        Control<QPushButton>(page, "Button1")->click();
    }
    void removeBook(const QString &name)
    {
        choose(Control<QListWidget>(page, "ComponentsList2"), name);
        Control<QPushButton>(page, "Button2")->click();
    }

    ReferencesPage *page = nullptr;
};

TEST_F(ReferencesPageTest, GeneratingRegeneratingAndRemovingAskOnlyWhenTheyShouldAndActOnTheItemChosen)
{
    addClass(1, "Length", 0);
    addClass(2, "Metre", 1);
    addClass(3, "Mass", 0);
    addClass(4, "Gram", 3);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList1")), (QStringList{"Length", "Mass"}));
    EXPECT_TRUE(itemsOf(Control<QListWidget>(page, "ComponentsList2")).isEmpty());
    {
        MessageBoxAnswerer none(QMessageBox::Yes);
        Control<QPushButton>(page, "Button1")->click();   // nothing chosen: nothing happens
        Control<QPushButton>(page, "Button2")->click();
        generate("Length");
        // A class that sorts first arrives after the lists were filled: "Mass" keeps meaning Mass.
        addClass(9, "Area", 0);
        generate("Mass");
        EXPECT_EQ(none.seen(), 0);
    }
    EXPECT_EQ(rows("SELECT R_CLASS FROM REFERS ORDER BY R_ID"), (QList<QVariantList>{{1}, {3}}));
    EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList1")), (QStringList{"Area", "Length", "Mass"})) << "filled again";
    EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList2")), (QStringList{"Length", "Mass"}));

    exec("INSERT INTO LINKS VALUES(1, 1, 2, 4, '3', 0)");
    addClass(5, "Tonne", 3);
    // Declined, the book keeps its one entry; accepted, it takes the new class.
    for (const auto &[button, entries] : QList<std::pair<int, int>>{{QMessageBox::No, 1}, {QMessageBox::Yes, 2}}) {
        MessageBoxAnswerer answer(button);
        generate("Mass");
        EXPECT_EQ(answer.texts(), QStringList{RegenerateText});
        EXPECT_EQ(count("SELECT * FROM REFER2"), entries);
    }

    addClass(6, "Pound", 3);
    Control<QCheckBox>(Form6, "CheckBox1")->setChecked(false);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        generate("Mass");
        EXPECT_EQ(count("SELECT * FROM REFER2"), 2);

        // Removal asks only about a book that objects link to.
        removeBook("Length");
        EXPECT_FALSE(tableExists("REFER1"));
        removeBook("Mass");
        EXPECT_EQ(no.texts(), QStringList{removeText("Mass")});
        EXPECT_TRUE(tableExists("REFER2"));
        EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList2")), QStringList{"Mass"});
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    removeBook("Mass");
    EXPECT_EQ(yes.seen(), 1);
    EXPECT_FALSE(tableExists("REFER2"));
    EXPECT_TRUE(itemsOf(Control<QListWidget>(page, "ComponentsList2")).isEmpty());
}

TEST_F(ReferencesPageTest, AddAllIsAllOrNothingAndAsksAboutExistingBooksAndRemoveAllSkipsTheDeclinedOne)
{
    addClass(1, "Colour", 0);
    addClass(2, "Red", 1);
    addClass(3, "Area", 0);
    addClass(4, "Hectare", 3);
    addClass(5, "Size's", 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    // A table left over under the second number makes the second generation fail: the first is undone too.
    exec("CREATE TABLE REFER2(X INTEGER)");
    {
        MessageBoxAnswerer ok(QMessageBox::Ok);
        Control<QPushButton>(page, "Button3")->click();
        ASSERT_EQ(ok.seen(), 1);
        EXPECT_TRUE(ok.texts().first().contains("REFER2")) << ok.texts().first().toStdString();
    }
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_TRUE(itemsOf(Control<QListWidget>(page, "ComponentsList2")).isEmpty());
    exec("DROP TABLE REFER2");

    generate("Colour");
    addClass(6, "Blue", 1);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        Control<QPushButton>(page, "Button3")->click();
        EXPECT_EQ(no.texts(), QStringList{RegenerateText});
    }
    EXPECT_EQ(count("SELECT * FROM REFER1"), 1) << "the declined book is not regenerated";
    EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList2")), (QStringList{"Area", "Colour", "Size's"}));

    // Books 1 and 2 have links; 2 is declined, 1 accepted, 3 goes without a question.
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 0, '', 0)");
    exec("INSERT INTO LINKS VALUES(2, 1, 2, 0, '', 0)");
    MessageBoxAnswerer answer([](const QString &text) { return text.contains("Area") ? QMessageBox::No : QMessageBox::Yes; });
    Control<QPushButton>(page, "Button4")->click();
    EXPECT_EQ(answer.texts(), (QStringList{removeText("Area"), removeText("Colour")}));
    EXPECT_EQ(itemsOf(Control<QListWidget>(page, "ComponentsList2")), QStringList{"Area"});
}
