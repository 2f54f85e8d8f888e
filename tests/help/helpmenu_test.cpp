#include "support/versionserver.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "objects/form2.h"
#include "settings/form5.h"
#include "settings/helpwindow.h"
#include "settings/product.h"
#include "settings/updatecheck.h"
#include "support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTest>

// Takes the place of the browser and the mail program.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

namespace {
const QString NoUpdates = "Нет доступных обновлений! Выполните эту проверку позже!";
const QString Unreachable = "Невозможно подключиться к серверу обновлений!";

// Clicks the link showing `text`, as the user does with the mouse.
void clickLink(QTextBrowser *browser, const QString &text)
{
    const QTextCursor found = browser->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor inside(browser->document());
    inside.setPosition(found.selectionStart() + 1);
    const QPoint at = browser->cursorRect(inside).center();
    QTest::mouseMove(browser->viewport(), at);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
}

class HelpMenuTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (const char *scheme : {"http", "mailto", "file"})
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    }
    void TearDown() override
    {
        for (const char *scheme : {"http", "mailto", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
        AppTest::TearDown();
    }
    static bool workingFileLeft() { return QFile::exists(DModule->ProgramFolder + "/System/Version.txt"); }

    // Runs a check from `entry`; the texts of the boxes it showed, each answered with `button`.
    static QStringList check(QAction *entry, const QString &server, int button = QMessageBox::Ok)
    {
        Form1->SetUpdateServer(server);
        MessageBoxAnswerer answer(button);
        entry->trigger();
        return answer.texts();
    }

    UrlCatcher catcher;
};
}

TEST_F(HelpMenuTest, HelpShowsThePageInAWindowOfTheProgramWithItsLinksAndEscClosesItAndTheAboutBoxOpensItsLinks)
{
    const QString system = DModule->ProgramFolder + "/System/";
    QString body = "<h1>Начало</h1><p><a href=\"http://example.org/faq\">На сайте</a> <a href=\"#end\">К разделу</a> "
                   "<a href=\"more.htm\">Подробнее</a></p>";
    for (int i = 0; i < 200; ++i)
        body += QString("<p>Абзац %1</p>").arg(i);
    body += "<h2><a name=\"end\"></a>Последний раздел</h2>";
    WriteTextLines(system + "Help.htm",
                   {"<html><head><meta charset=\"utf-8\"><title>Справка по программе</title></head><body>" + body + "</body></html>"});
    WriteTextLines(system + "more.htm", {"<html><head><meta charset=\"utf-8\"></head><body><p>Вторая страница</p></body></html>"});

    Form2->N51->trigger();
    THelpWindow *window = nullptr;
    for (QWidget *shown : QApplication::topLevelWidgets())
        window = window ? window : qobject_cast<THelpWindow *>(shown);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto *browser = Control<QTextBrowser>(window, "HelpBrowser");
    EXPECT_EQ(window->windowTitle(), "Справка по программе");
    EXPECT_TRUE(browser->toPlainText().startsWith("Начало"));
    EXPECT_TRUE(catcher.urls.isEmpty()) << "no browser is needed";
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "nothing kept on top is on screen";

    clickLink(browser, "На сайте");
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl("http://example.org/faq")});
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
    clickLink(browser, "К разделу");
    EXPECT_EQ(browser->source().fragment(), "end");
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    browser->verticalScrollBar()->setValue(0);
    clickLink(browser, "Подробнее");
    EXPECT_EQ(browser->toPlainText().trimmed(), "Вторая страница");   // the file ends in a line break

    QTest::keyClick(browser, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    // Opened again, it shows the help page from its beginning, above the about box kept on top.
    QLabel *version = Control<QLabel>(Form5, "Label2");
    version->clear();
    Form1->N53->trigger();
    Form1->N51->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(browser->toPlainText().startsWith("Начало"));
    window->close();
    // The about box shows the version each time, from either window, and opens its links.
    EXPECT_EQ(version->text(), "Версия 1.0.2 final");
    Form5->close();
    version->clear();
    Form2->N53->trigger();
    ASSERT_TRUE(Form5->isVisible());
    EXPECT_EQ(version->text(), "Версия 1.0.2 final");
    EXPECT_FALSE(Control<QLabel>(Form5, "Image1")->pixmap().isNull());
    QTest::mouseClick(Control<QLabel>(Form5, "Label3"), Qt::LeftButton);
    QTest::mouseClick(Control<QLabel>(Form5, "Label6"), Qt::LeftButton);
    QTest::keyClick(Control<QLabel>(Form5, "Label6"), Qt::Key_Return);
    Form5->close();

    QFile::remove(system + "Help.htm");
    EXPECT_EQ(check(Form1->N51, {}), QStringList{"Не найден файл Help.htm!"});
    EXPECT_FALSE(window->isVisible());
    const QUrl mail("mailto:" + ProductMail);
    EXPECT_EQ(catcher.urls, (QList<QUrl>{QUrl("http://example.org/faq"), QUrl("http://" + ProductWebSite), mail, mail}));
}

TEST_F(HelpMenuTest, PublishedVersionsAreComparedAndAnnouncedWithBothLinesAndASlowServerIsUnreachableAfterSixSeconds)
{
    // Windows-1251 with lone CR line ends and a third line; a one-line file; answers that are no version file.
    VersionServer same("1.0.2 final\r\nТекущая версия\r\n"), newer("1.0.3 final\r\xCD\xEE\xE2\xFB\xE5 \xEE\xF2\xF7\xE5\xF2\xFB\rthird"),
        older("0.9 beta"), empty(""), missing("<html>Not Found</html>", 0, 404);
    const QString question = "Доступна новая версия программы %1!\n\r%2\n\rСкачать новую версию программы?";
    const QUrl installer("http://" + newer.address() + "/myprograms/Virandel_Setup.exe");
    struct Case { QAction *entry; QString server; int button; QString text; QList<QUrl> opened; };
    const QList<Case> cases = {
        {Form1->N52, same.address(), QMessageBox::Ok, NoUpdates, {}},
        {Form1->N52, newer.address(), QMessageBox::No, question.arg("1.0.3 final", "Новые отчеты"), {}},
        {Form1->N52, newer.address(), QMessageBox::Yes, question.arg("1.0.3 final", "Новые отчеты"), {installer}},
        {Form2->N52, older.address(), QMessageBox::No, question.arg("0.9 beta", ""), {installer}},
        {Form2->N52, VersionServer::deadAddress(), QMessageBox::Ok, Unreachable, {installer}},
        {Form2->N52, empty.address(), QMessageBox::Ok, Unreachable, {installer}},
        {Form2->N52, missing.address(), QMessageBox::Ok, Unreachable, {installer}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(check(c.entry, c.server, c.button), QStringList{c.text});
        EXPECT_EQ(catcher.urls, c.opened) << c.text.toStdString();
        EXPECT_FALSE(workingFileLeft()) << c.text.toStdString();
    }

    // A slow server is unreachable after six seconds. While the check waits, both windows' entries are
    // disabled and a second request is ignored.
    VersionServer slow("0.9 beta\r\n", 8000);
    bool enabledMeanwhile = true;
    QTimer::singleShot(1000, [&] {
        enabledMeanwhile = Form1->N52->isEnabled() || Form2->N52->isEnabled();
        Form2->N52Click();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(check(Form1->N52, slow.address()), QStringList{Unreachable});
    EXPECT_GE(clock.elapsed(), 5500);
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_EQ(slow.requests().size(), 1);
    EXPECT_FALSE(workingFileLeft());
    EXPECT_TRUE(Form1->N52->isEnabled() && Form2->N52->isEnabled());
    EXPECT_FALSE(Control<QTimer>(Form1, "Timer")->isActive());
}

namespace {
// One check without windows, its timer ticks given by hand.
struct CheckRun
{
    CheckRun(const QString &file, const QString &server) : check(file, server)
    {
        QObject::connect(&check, &UpdateCheck::Done, [this] { ++done; });
        check.Start();
    }
    bool finished() { return WaitFor([this] { return done > 0; }, 5000); }
    UpdateCheck check;
    int done = 0;
};
}

TEST(UpdateCheck, SixthTickAbandonsTheDownloadItsLateAnswerReachesNobodyAndOnlyTheUpdateServerWritesTheFile)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Version.txt";
    VersionServer slow("0.9 beta\r\n", 1500), current("1.0.2 final\r\n", 2000);
    CheckRun first(file, slow.address());
    ASSERT_TRUE(WaitFor([&] { return !slow.requests().isEmpty(); }));
    EXPECT_EQ(slow.requests(), QStringList{"GET /myprograms/VirandelVersion.txt HTTP/1.1"});
    for (int tick = 0; tick < UpdateCheck::TimeOutTicks; ++tick)
        first.check.Tick();
    EXPECT_FALSE(first.check.Finished());
    first.check.Tick();
    EXPECT_TRUE(first.check.Finished() && first.check.Failed());

    // The first check's answer would fall due while the second one runs.
    CheckRun second(file, current.address());
    ASSERT_TRUE(second.finished());
    EXPECT_FALSE(second.check.Failed());
    EXPECT_EQ(FileBytes(file), "1.0.2 final\r\n");
    EXPECT_EQ(first.done, 1);
    EXPECT_EQ(second.done, 1);
    QFile::remove(file);

    // Another host (here another port) sends its own "new version" through a redirect: not followed.
    VersionServer elsewhere("9.9 hostile\r\n");
    VersionServer redirecting("", 0, 302,
                              "Location: http://" + elsewhere.address().toLatin1() + "/myprograms/VirandelVersion.txt\r\n");
    CheckRun redirected(file, redirecting.address());
    ASSERT_TRUE(redirected.finished());
    EXPECT_TRUE(redirected.check.Failed());
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    EXPECT_FALSE(QFile::exists(file));

    // A link in the working file's place: the answer lands in a new file, the link's target is untouched.
    const QString target = dir.path() + "/outside.txt";
    WriteTextLines(target, {"keep me"});
    ASSERT_TRUE(QFile::link(target, file));
    VersionServer server("1.0.2 final\r\n");
    CheckRun linked(file, server.address());
    ASSERT_TRUE(linked.finished());
    EXPECT_FALSE(linked.check.Failed()) << linked.check.ErrorText().toStdString();
    EXPECT_FALSE(QFileInfo(file).isSymLink());
    EXPECT_EQ(FileBytes(file), "1.0.2 final\r\n");
    EXPECT_EQ(FileBytes(target), "keep me\r\n");
}

#include "helpmenu_test.moc"
