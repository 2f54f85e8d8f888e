#include "versionserver.h"

#include "core/dberror.h"
#include "settings/updatecheck.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct CheckRun
{
    std::unique_ptr<UpdateCheck> check;
    int done = 0;
};

std::unique_ptr<CheckRun> startCheck(const QString &workingFile, const QString &server)
{
    auto run = std::make_unique<CheckRun>();
    run->check = std::make_unique<UpdateCheck>(workingFile, server);
    QObject::connect(run->check.get(), &UpdateCheck::Done, [r = run.get()] { ++r->done; });
    run->check->Start();
    return run;
}
}

TEST(UpdateCheck, StoresThePublishedFileByteForByteAndReadsItsTwoLines)
{
    QTemporaryDir dir;
    const QString working = dir.path() + "/Version.txt";
    struct Case { QByteArray body; QString version; QString description; bool installed; };
    const QList<Case> cases = {
        {"1.0.2 final\r\n" + QString("Текущая версия").toUtf8() + "\r\n", "1.0.2 final", "Текущая версия", true},
        // Windows-1251 text with lone CR line ends, and a third line that is ignored.
        {"1.0.3 final\r\xCD\xEE\xE2\xFB\xE5 \xEE\xF2\xF7\xE5\xF2\xFB\rthird", "1.0.3 final", "Новые отчеты", false},
        {"0.9 beta\n", "0.9 beta", "", false},
        {"1.0.2 Final\r\n", "1.0.2 Final", "", false},
    };
    for (const Case &c : cases) {
        VersionServer server(c.body);
        auto run = startCheck(working, server.address());
        ASSERT_TRUE(WaitFor([&] { return run->done > 0; })) << c.version.toStdString();
        EXPECT_FALSE(run->check->Failed());
        EXPECT_EQ(server.requests(), QStringList{"GET /myprograms/VirandelVersion.txt HTTP/1.1"});
        EXPECT_EQ(fileBytes(working), c.body);
        const PublishedVersion published = ReadPublishedVersion(working);
        EXPECT_EQ(published.version, c.version);
        EXPECT_EQ(published.description, c.description);
        EXPECT_EQ(IsInstalledVersion(published), c.installed) << c.version.toStdString();
    }
    EXPECT_EQ(NewVersionQuestion({"1.0.3 final", "Новые отчеты"}),
              "Доступна новая версия программы 1.0.3 final!\n\rНовые отчеты\n\rСкачать новую версию программы?");
    EXPECT_EQ(InstallerAddress("127.0.0.1:5"), "http://127.0.0.1:5/myprograms/Virandel_Setup.exe");
    QFile::remove(working);
    EXPECT_THROW(ReadPublishedVersion(working), DbError);
}

TEST(UpdateCheck, AnswersThatAreNoVersionFileFailWithoutAWorkingFile)
{
    QTemporaryDir dir;
    const QString working = dir.path() + "/Version.txt";
    VersionServer empty("");
    VersionServer missing("<html>Not Found</html>", 0, 404);
    VersionServer huge(QByteArray(UpdateCheck::MaxFileSize + 10, 'x'));
    for (const QString &server : {VersionServer::deadAddress(), empty.address(), missing.address(), huge.address()}) {
        auto run = startCheck(working, server);
        ASSERT_TRUE(WaitFor([&] { return run->done > 0; })) << server.toStdString();
        EXPECT_TRUE(run->check->Failed()) << server.toStdString();
        EXPECT_TRUE(run->check->ErrorText().isEmpty());
        EXPECT_FALSE(QFile::exists(working)) << server.toStdString();
    }
    // The server answered, but the working file cannot be written: the check says why.
    VersionServer good("1.0.2 final\r\n");
    auto run = startCheck(dir.path() + "/no such folder/Version.txt", good.address());
    ASSERT_TRUE(WaitFor([&] { return run->done > 0; }));
    EXPECT_TRUE(run->check->Failed());
    EXPECT_TRUE(run->check->ErrorText().contains("no such folder")) << run->check->ErrorText().toStdString();
}

TEST(UpdateCheck, SixthTickAbandonsTheDownloadAndItsLateAnswerReachesNobody)
{
    QTemporaryDir dir;
    const QString working = dir.path() + "/Version.txt";
    VersionServer slow("0.9 beta\r\n", 1500);
    auto first = startCheck(working, slow.address());
    ASSERT_TRUE(WaitFor([&] { return !slow.requests().isEmpty(); }));
    for (int tick = 1; tick <= UpdateCheck::TimeOutTicks; ++tick)
        first->check->Tick();
    EXPECT_FALSE(first->check->Finished());
    first->check->Tick();
    EXPECT_TRUE(first->check->Finished());
    EXPECT_TRUE(first->check->Failed());
    EXPECT_EQ(first->done, 1);

    // A second check runs while the first one's answer would come; the first object is still alive.
    VersionServer current("1.0.2 final\r\n", 2000);
    auto second = startCheck(working, current.address());
    ASSERT_TRUE(WaitFor([&] { return second->done > 0; }, 5000));
    EXPECT_FALSE(second->check->Failed());
    EXPECT_EQ(fileBytes(working), "1.0.2 final\r\n");
    EXPECT_EQ(first->done, 1);
    EXPECT_EQ(second->done, 1);
    // Further ticks after the end change nothing.
    second->check->Tick();
    EXPECT_FALSE(second->check->Failed());
}
