#include "versionserver.h"

#include "app/form1.h"
#include "app/forms.h"
#include "core/dmodule.h"
#include "objects/form2.h"
#include "settings/form5.h"
#include "settings/product.h"
#include "support/testsupport.h"

#include <QAction>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

// Takes the browser's and the mail program's place.
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
        QFile::remove(workingFile());
        AppTest::TearDown();
    }
    static QString workingFile() { return DModule->ProgramFolder + "/System/Version.txt"; }

    // Runs the check from `entry` and returns the texts of the boxes it showed, answered with `button`.
    QStringList check(QAction *entry, const QString &server, int button = QMessageBox::Ok)
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
    file.write("<html></html>");
    file.close();
    Form2->N51->trigger();
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.first().toLocalFile(), QFileInfo(page).absoluteFilePath());

    QFile::remove(page);
    for (QAction *entry : {Form1->N51, Form2->N51}) {
        MessageBoxAnswerer answer(QMessageBox::Ok);
        entry->trigger();
        EXPECT_EQ(answer.texts(), QStringList{"Не найден файл Help.htm!"});
    }
    EXPECT_EQ(catcher.urls.size(), 1);
}

TEST_F(HelpMenuTest, SameVersionSaysSoAndLeavesNoWorkingFile)
{
    VersionServer server("1.0.2 final\r\nТекущая версия\r\n");
    EXPECT_EQ(check(Form1->N52, server.address()), QStringList{NoUpdates});
    EXPECT_FALSE(QFile::exists(workingFile()));
    EXPECT_TRUE(catcher.urls.isEmpty());
    EXPECT_TRUE(Form1->N52->isEnabled());
    EXPECT_FALSE(Form1->Timer->isActive());
}

TEST_F(HelpMenuTest, NewerOrOtherVersionsAreOfferedWithBothLines)
{
    VersionServer newer("1.0.3 final\r\n" + QString("Новые отчеты").toUtf8() + "\r\n");
    const QString question = "Доступна новая версия программы 1.0.3 final!\n\rНовые отчеты\n\rСкачать новую версию программы?";
    EXPECT_EQ(check(Form1->N52, newer.address(), QMessageBox::No), QStringList{question});
    EXPECT_FALSE(QFile::exists(workingFile()));
    EXPECT_TRUE(catcher.urls.isEmpty());

    EXPECT_EQ(check(Form1->N52, newer.address(), QMessageBox::Yes), QStringList{question});
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl("http://" + newer.address() + "/myprograms/Virandel_Setup.exe")});
    EXPECT_FALSE(QFile::exists(workingFile()));

    // An older version is announced too; a one-line file leaves the second line empty.
    VersionServer older("0.9 beta");
    EXPECT_EQ(check(Form2->N52, older.address(), QMessageBox::No),
              QStringList{"Доступна новая версия программы 0.9 beta!\n\r\n\rСкачать новую версию программы?"});
    EXPECT_FALSE(QFile::exists(workingFile()));
}

TEST_F(HelpMenuTest, NoServerListeningIsUnreachable)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(check(Form1->N52, VersionServer::deadAddress()), QStringList{Unreachable});
    EXPECT_LT(clock.elapsed(), 3000) << "a refused connection needs no time-out";
    EXPECT_FALSE(QFile::exists(workingFile()));
}

TEST_F(HelpMenuTest, ASlowServerTimesOutAndItsLateAnswerLeavesTheNextCheckAlone)
{
    VersionServer slow("0.9 beta\r\n", 8000);
    // While the check waits, both windows' entries are disabled and a request from either is ignored.
    bool enabledMeanwhile = true;
    QTimer::singleShot(1000, [&] {
        enabledMeanwhile = Form1->N52->isEnabled() || Form2->N52->isEnabled();
        Form2->N52Click();
        Form1->N52Click();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(check(Form1->N52, slow.address()), QStringList{Unreachable});
    EXPECT_GE(clock.elapsed(), 5500);
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_EQ(slow.requests().size(), 1);
    EXPECT_TRUE(Form1->N52->isEnabled());
    EXPECT_TRUE(Form2->N52->isEnabled());

    // The next check is still running when the abandoned download's answer falls due.
    VersionServer current("1.0.2 final\r\n", 2500);
    EXPECT_EQ(check(Form1->N52, current.address()), QStringList{NoUpdates});
    EXPECT_GE(clock.elapsed(), 8000);
    EXPECT_FALSE(QFile::exists(workingFile()));
}

TEST_F(HelpMenuTest, AboutBoxShowsTheVersionEachTimeAndOpensItsLinks)
{
    for (QAction *entry : {Form1->N53, Form2->N53}) {
        Form5->Label2->setText(QString());
        entry->trigger();
        ASSERT_TRUE(Form5->isVisible());
        EXPECT_EQ(Form5->Label2->text(), "Версия 1.0.2 final");
        Form5->close();
        EXPECT_FALSE(Form5->isVisible());
    }
    Form1->N53->trigger();
    EXPECT_EQ(Form5->Label1->text(), "Вирандел");
    EXPECT_FALSE(Form5->Image1->pixmap().isNull());
    EXPECT_TRUE(Form5->RichEdit->isReadOnly());
    EXPECT_EQ(Form5->Label3->text(), ProductWebSite);
    EXPECT_EQ(Form5->Label3->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(Form5->Label3, Qt::LeftButton);
    QTest::mouseClick(Form5->Label6, Qt::LeftButton);
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], QUrl("http://" + ProductWebSite));
    EXPECT_EQ(catcher.urls[1], QUrl("mailto:" + ProductMail));
    Form5->Label6->setFocus();
    QTest::keyClick(Form5->Label6, Qt::Key_Return);
    EXPECT_EQ(catcher.urls.size(), 3);
}

#include "helpmenu_test.moc"
