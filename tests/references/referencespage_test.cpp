#include "support/testsupport.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "references/referencespage.h"
#include "settings/form6.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

// Answers each confirmation by its text: No when it names `declined`, Yes otherwise.
class SelectiveAnswerer
{
public:
    explicit SelectiveAnswerer(const QString &declined)
    {
        auto texts = m_texts;
        QObject::connect(&m_timer, &QTimer::timeout, [texts, declined] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box->property("answered").toBool())
                return;
            box->setProperty("answered", true);
            texts->append(box->text());
            const auto answer = box->text().contains(declined) ? QMessageBox::No : QMessageBox::Yes;
            QMetaObject::invokeMethod(box->button(answer), "click", Qt::QueuedConnection);
        });
        m_timer.start(10);
    }
    QStringList texts() const { return *m_texts; }

private:
    std::shared_ptr<QStringList> m_texts = std::make_shared<QStringList>();
    QTimer m_timer;
};
}

class ReferencesPageTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        page = Form1->referencesPage;
        Form6->CheckBox1->setChecked(true);
    }
    void addClass(qint64 id, const QString &name, qint64 link, const QString &ratio = QStringLiteral("0"))
    {
        exec(QStringLiteral("INSERT INTO CLASSES VALUES(%1,'%2','',%3,%4)")
                 .arg(id).arg(QString(name).replace("'", "''")).arg(link).arg(ratio));
    }
    void chooseClass(const QString &name)
    {
        const auto found = page->ComponentsList1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        page->ComponentsList1->setCurrentItem(found.first());
    }
    void chooseBook(const QString &name)
    {
        const auto found = page->ComponentsList2->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        page->ComponentsList2->setCurrentItem(found.first());
    }
    void generate(const QString &name)
    {
        chooseClass(name);
        page->Button1->click();
    }

    ReferencesPage *page = nullptr;
};

TEST_F(ReferencesPageTest, TabShowsTopClassesAndBooksAndGeneratesTheChosenOne)
{
    EXPECT_EQ(page->findChild<QPushButton *>("Button3")->text(), "Добавить все >>");
    EXPECT_EQ(page->findChild<QPushButton *>("Button4")->text(), "<< Удалить все");
    addClass(1, "Length", 0);
    addClass(2, "Metre", 1);
    addClass(3, "Kilometre", 2, "1000");
    addClass(4, "Area", 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    EXPECT_EQ(itemsOf(page->ComponentsList1), (QStringList{"Area", "Length"}));
    EXPECT_TRUE(itemsOf(page->ComponentsList2).isEmpty());

    MessageBoxAnswerer answer(QMessageBox::Yes);
    // Nothing chosen: nothing happens.
    page->Button1->click();
    page->Button2->click();
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);

    generate("Length");
    EXPECT_EQ(answer.seen(), 0);
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS"), (QList<QVariantList>{{1, "Length", 1}}));
    EXPECT_EQ(rows("SELECT R1_ID, R1_LINK, R1_COEFF FROM REFER1 ORDER BY R1_ID"),
              (QList<QVariantList>{{2, 0, 0.0}, {3, 2, 1000.0}}));
    EXPECT_EQ(itemsOf(page->ComponentsList1), (QStringList{"Area", "Length"}));
    EXPECT_EQ(itemsOf(page->ComponentsList2), QStringList{"Length"});
}

TEST_F(ReferencesPageTest, AddingAgainWithRegenerationOffChangesNothingSilently)
{
    addClass(1, "Length", 0);
    addClass(2, "Metre", 1);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    generate("Length");
    addClass(3, "Inch", 1);
    Form6->CheckBox1->setChecked(false);

    MessageBoxAnswerer answer(QMessageBox::Yes);
    generate("Length");
    EXPECT_EQ(answer.seen(), 0);
    EXPECT_EQ(count("SELECT * FROM REFER1"), 1);
    EXPECT_EQ(count("SELECT * FROM REFERS"), 1);
}

TEST_F(ReferencesPageTest, RegenerationAsksAndOnYesKeepsNumberAndLinks)
{
    addClass(1, "Length", 0);
    addClass(2, "Metre", 1);
    addClass(5, "Mass", 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    generate("Mass");
    generate("Length");
    exec("INSERT INTO LINKS VALUES(1, 1, 2, 2, '3', 0)");
    addClass(3, "Inch", 1);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        generate("Length");
        EXPECT_EQ(no.texts(), QStringList{RegenerateText});
        EXPECT_EQ(count("SELECT * FROM REFER2"), 1);
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    generate("Length");
    EXPECT_EQ(yes.texts(), QStringList{RegenerateText});
    EXPECT_EQ(rows("SELECT R2_ID FROM REFER2 ORDER BY R2_ID"), (QList<QVariantList>{{2}, {3}}));
    EXPECT_EQ(rows("SELECT R_ID, R_NAME FROM REFERS ORDER BY R_ID"), (QList<QVariantList>{{1, "Mass"}, {2, "Length"}}));
    EXPECT_EQ(count("SELECT * FROM LINKS WHERE L_REFER = 2"), 1);
}

TEST_F(ReferencesPageTest, RemovalAsksOnlyWhenObjectsLinkToTheBook)
{
    addClass(1, "Length", 0);
    addClass(2, "Metre", 1);
    addClass(3, "Mass", 0);
    addClass(4, "Gram", 3);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    generate("Length");
    generate("Mass");
    exec("INSERT INTO LINKS VALUES(1, 1, 2, 4, '', 0)");

    {
        MessageBoxAnswerer no(QMessageBox::No);
        chooseBook("Length");
        page->Button2->click();
        EXPECT_EQ(no.seen(), 0);
        EXPECT_FALSE(tableExists("REFER1"));

        chooseBook("Mass");
        page->Button2->click();
        EXPECT_EQ(no.texts(), QStringList{removeText("Mass")});
        EXPECT_TRUE(tableExists("REFER2"));
        EXPECT_EQ(count("SELECT * FROM LINKS"), 1);
        EXPECT_EQ(itemsOf(page->ComponentsList2), QStringList{"Mass"});
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    chooseBook("Mass");
    page->Button2->click();
    EXPECT_EQ(yes.seen(), 1);
    EXPECT_FALSE(tableExists("REFER2"));
    EXPECT_EQ(count("SELECT * FROM LINKS"), 0);
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_TRUE(itemsOf(page->ComponentsList2).isEmpty());
}

TEST_F(ReferencesPageTest, RemoveAllSkipsTheDeclinedBookAndAsksOncePerBook)
{
    for (qint64 id : {1, 2, 3, 4})
        addClass(id, QStringLiteral("Book %1").arg(id), 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    page->Button3->click();
    ASSERT_EQ(count("SELECT * FROM REFERS"), 4);
    // Books 1 and 2 have links; 2 is declined, 1 accepted, 3 and 4 go without a question.
    exec("INSERT INTO LINKS VALUES(1, 1, 1, 0, '', 0)");
    exec("INSERT INTO LINKS VALUES(2, 1, 2, 0, '', 0)");

    SelectiveAnswerer answer("Book 2");
    page->Button4->click();
    EXPECT_EQ(answer.texts(), (QStringList{removeText("Book 1"), removeText("Book 2")}));
    EXPECT_EQ(rows("SELECT R_NAME FROM REFERS"), (QList<QVariantList>{{"Book 2"}}));
    EXPECT_TRUE(tableExists("REFER2"));
    for (const char *table : {"REFER1", "REFER3", "REFER4"})
        EXPECT_FALSE(tableExists(table)) << table;
    EXPECT_EQ(rows("SELECT L_ID FROM LINKS"), (QList<QVariantList>{{2}}));
    EXPECT_EQ(itemsOf(page->ComponentsList2), QStringList{"Book 2"});
}

TEST_F(ReferencesPageTest, AddAllGeneratesNewBooksAndAsksAboutExistingOnes)
{
    addClass(1, "Colour", 0);
    addClass(2, "Red", 1);
    addClass(3, "Area", 0);
    addClass(4, "Hectare", 3);
    addClass(5, "Size's", 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    generate("Colour");
    addClass(6, "Blue", 1);

    MessageBoxAnswerer no(QMessageBox::No);
    page->Button3->click();
    EXPECT_EQ(no.texts(), QStringList{RegenerateText});
    EXPECT_EQ(rows("SELECT R_ID, R_NAME, R_CLASS FROM REFERS ORDER BY R_ID"),
              (QList<QVariantList>{{1, "Colour", 1}, {2, "Area", 3}, {3, "Size's", 5}}));
    EXPECT_EQ(count("SELECT * FROM REFER1"), 1);
    EXPECT_EQ(count("SELECT * FROM REFER2"), 1);
    EXPECT_EQ(count("SELECT * FROM REFER3"), 0);
    EXPECT_EQ(itemsOf(page->ComponentsList2), (QStringList{"Area", "Colour", "Size's"}));
}

TEST_F(ReferencesPageTest, AFailingAddAllShowsTheErrorAndLeavesNoBookBehind)
{
    addClass(1, "Area", 0);
    addClass(2, "Colour", 0);
    QMetaObject::invokeMethod(Form1, "ComponentsFill");
    // A table left over under the second number makes the second generation fail.
    exec("CREATE TABLE REFER2(X INTEGER)");

    MessageBoxAnswerer ok(QMessageBox::Ok);
    page->Button3->click();
    ASSERT_EQ(ok.seen(), 1);
    EXPECT_TRUE(ok.texts().first().contains("REFER2")) << ok.texts().first().toStdString();
    EXPECT_EQ(count("SELECT * FROM REFERS"), 0);
    EXPECT_FALSE(tableExists("REFER1"));
    EXPECT_TRUE(itemsOf(page->ComponentsList2).isEmpty());
}
