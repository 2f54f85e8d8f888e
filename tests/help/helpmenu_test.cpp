#include "versionserver.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "settings/form5.h"
#include "settings/product.h"
#include "settings/updatecheck.h"
#include "support/testsupport.h"

#include <QAction>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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

TEST_F(HelpMenuTest, HelpOpensThePageInTheBrowserOrSaysItIsMissing)
{
    const QString page = DModule->ProgramFolder + "/System/Help.htm";
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Form2->N51->trigger();
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath())});
    QFile::remove(page);
    EXPECT_EQ(check(Form1->N51, {}), QStringList{"Не найден файл Help.htm!"});
    EXPECT_EQ(catcher.urls.size(), 1);
}

TEST_F(HelpMenuTest, PublishedVersionsAreComparedAndAnnouncedWithBothLines)
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
    EXPECT_TRUE(Form1->N52->isEnabled() && Form2->N52->isEnabled());
    EXPECT_FALSE(Form1->Timer->isActive());
}

TEST_F(HelpMenuTest, ASlowServerIsUnreachableAfterSixSecondsWhileTheEntriesWait)
{
    VersionServer slow("0.9 beta\r\n", 8000);
    // While the check waits, both windows' entries are disabled and a second request is ignored.
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
}

TEST_F(HelpMenuTest, AboutBoxShowsTheVersionEachTimeAndOpensItsLinks)
{
    for (QAction *entry : {Form1->N53, Form2->N53}) {
        Form5->Label2->clear();
        entry->trigger();
        ASSERT_TRUE(Form5->isVisible());
        EXPECT_EQ(Form5->Label2->text(), "Версия 1.0.2 final");
        Form5->close();
    }
    EXPECT_FALSE(Form5->Image1->pixmap().isNull());
    QTest::mouseClick(Form5->Label3, Qt::LeftButton);
    QTest::mouseClick(Form5->Label6, Qt::LeftButton);
    QTest::keyClick(Form5->Label6, Qt::Key_Return);
    const QUrl mail("mailto:" + ProductMail);
    EXPECT_EQ(catcher.urls, (QList<QUrl>{QUrl("http://" + ProductWebSite), mail, mail}));
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
    UpdateCheck check;
    int done = 0;
};
}

TEST(UpdateCheck, SixthTickAbandonsTheDownloadAndItsLateAnswerReachesNobody)
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
    ASSERT_TRUE(WaitFor([&] { return second.done; }, 5000));
    EXPECT_FALSE(second.check.Failed());
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), "1.0.2 final\r\n");
    EXPECT_EQ(first.done, 1);
    EXPECT_EQ(second.done, 1);
}

TEST(UpdateCheck, OnlyTheUpdateServerAnswersAndALinkIsNeverWrittenThrough)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Version.txt";
    const auto storedText = [](const QString &path) {
        QFile stored(path);
        return stored.open(QIODevice::ReadOnly) ? stored.readAll() : QByteArray();
    };

    // Another host (here another port) sends its own "new version" through a redirect: not followed.
    VersionServer elsewhere("9.9 hostile\r\n");
    VersionServer redirecting("", 0, 302,
                              "Location: http://" + elsewhere.address().toLatin1() + "/myprograms/VirandelVersion.txt\r\n");
    CheckRun redirected(file, redirecting.address());
    ASSERT_TRUE(WaitFor([&] { return redirected.done; }, 5000));
    EXPECT_TRUE(redirected.check.Failed());
    EXPECT_TRUE(elsewhere.requests().isEmpty());
    EXPECT_FALSE(QFile::exists(file));

    // A link in the working file's place: the answer lands in a new file, the link's target is untouched.
    const QString target = dir.path() + "/outside.txt";
    {
        QFile outside(target);
        ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
        outside.write("keep me");
    }
    ASSERT_TRUE(QFile::link(target, file));
    VersionServer server("1.0.2 final\r\n");
    CheckRun linked(file, server.address());
    ASSERT_TRUE(WaitFor([&] { return linked.done; }, 5000));
    EXPECT_FALSE(linked.check.Failed()) << linked.check.ErrorText().toStdString();
    EXPECT_FALSE(QFileInfo(file).isSymLink());
    EXPECT_EQ(storedText(file), "1.0.2 final\r\n");
    EXPECT_EQ(storedText(target), "keep me");
}

#include "helpmenu_test.moc"
