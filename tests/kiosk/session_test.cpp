// The kiosk session around the program: the heartbeat to the service manager, the launcher's restart loop,
// the unit and the operator's script, each run for real (a unix socket, the installed scripts, the service
// manager's own checker).
#include "app/watchdog.h"
#include "kiosk/kiosktest.h"

#include <QDirIterator>
#include <QStandardPaths>

#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

QString KioskFile(const QString &name)
{
    return QFileInfo(QStringLiteral(EMPTY_DB_PATH)).absoluteDir().absoluteFilePath(QStringLiteral("../kiosk/") + name);
}

// Where the service manager would listen: a unix datagram socket whose messages are taken as they queue up.
class NotifySocket
{
public:
    NotifySocket() : m_path(m_dir.filePath(QStringLiteral("notify")).toLocal8Bit())
    {
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, m_path.constData(), sizeof address.sun_path);
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            throw std::runtime_error("the notify socket could not be made");
    }
    ~NotifySocket() { close(m_fd); }
    QByteArray path() const { return m_path; }
    QByteArrayList take() const
    {
        QByteArrayList messages;
        char buffer[512];
        for (ssize_t n; (n = recv(m_fd, buffer, sizeof buffer, 0)) > 0;)
            messages << QByteArray(buffer, int(n));
        return messages;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_path;
    int m_fd = -1;
};

TEST(HeartbeatTest, ReadyOnceAWindowIsUpThenBeatsOnlyWhileTheInterfaceAnswers)
{
    // Windows other tests left on screen would count as the program's first window.
    for (QWidget *w : QApplication::topLevelWidgets())
        w->hide();
    qputenv("WATCHDOG_USEC", "200000");   // a heartbeat every 100 ms
    qunsetenv("WATCHDOG_PID");
    qunsetenv("NOTIFY_SOCKET");
    StartServiceHeartbeat();
    EXPECT_TRUE(qApp->findChildren<ServiceHeartbeat *>().isEmpty()) << "nothing outside a service manager";

    NotifySocket manager;
    qputenv("NOTIFY_SOCKET", manager.path());
    StartServiceHeartbeat();
    QTest::qWait(300);
    EXPECT_TRUE(manager.take().isEmpty()) << "nothing before the first window is up";

    QWidget window;
    window.show();
    QByteArrayList sent;
    EXPECT_TRUE(WaitFor([&] { sent << manager.take(); return sent.count("WATCHDOG=1") >= 3; }, 3000));
    EXPECT_EQ(sent.value(0), QByteArray("READY=1"));
    EXPECT_EQ(sent.count("READY=1"), 1);

    // The interface thread stops answering: what queues up meanwhile was sent while it was blocked.
    sent = manager.take();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(manager.take().count("WATCHDOG=1"), 0);
    EXPECT_TRUE(WaitFor([&] { sent << manager.take(); return sent.count("WATCHDOG=1") >= 3; }, 3000))
        << "the heartbeat resumes once the interface answers";

    qDeleteAll(qApp->findChildren<ServiceHeartbeat *>(QString(), Qt::FindDirectChildrenOnly));
    qunsetenv("NOTIFY_SOCKET");
    qunsetenv("WATCHDOG_USEC");
}

// The launcher's loop over a stand-in program that records each start (its process, its arguments and the
// WATCHDOG_PID it was given) and then waits for a file `stop` (exit 75, the exit password), or ends at once
// with SIGSEGV while a file `crash` exists.
class KioskLauncherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(file("virandel"),
                  "#!/bin/sh\n"
                  "{ printf %s $$; for a in \"$@\" \"${WATCHDOG_PID-}\"; do printf '|%s' \"$a\"; done; echo; }"
                  " >>starts.log\n"
                  "[ -e crash ] && kill -SEGV $$\n"
                  "while [ ! -e stop ]; do sleep 0.05; done\n"
                  "exit 75\n");
        QFile(file("virandel")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        WriteFile(file("kiosk.conf"),
                  ("database=" + m_database + "\r\ncatalog=Залы  второго этажа\r\n").toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIRANDEL_KIOSK_PROGRAM_DIR"), m_folder.path());
        env.insert(QStringLiteral("VIRANDEL_KIOSK_CONF"), file("kiosk.conf"));
        env.insert(QStringLiteral("VIRANDEL_KIOSK_LIMIT_BURST"), QStringLiteral("3"));
        env.insert(QStringLiteral("VIRANDEL_KIOSK_LIMIT_INTERVAL"), QStringLiteral("60"));
        env.remove(QStringLiteral("DISPLAY"));
        // What the service manager gives its main process: the heartbeat is expected from there.
        env.insert(QStringLiteral("WATCHDOG_PID"), QString::number(getpid()));
        m_launcher.setProcessEnvironment(env);
        m_launcher.setProgram(KioskFile(QStringLiteral("virandel-kiosk-launch")));
        m_launcher.setArguments({QStringLiteral("loop")});
    }
    void TearDown() override
    {
        WriteFile(file("stop"), "");
        if (!m_launcher.waitForFinished(5000))
            m_launcher.kill();
    }
    QString file(const char *name) const { return m_folder.filePath(QString::fromUtf8(name)); }
    QStringList starts() const
    {
        QFile log(file("starts.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                             : QStringList();
    }

    QTemporaryDir m_folder;
    QString m_database = m_folder.filePath(QStringLiteral("Музей и залы.mdb"));
    QProcess m_launcher;
};

TEST_F(KioskLauncherTest, RestartsTheProgramAfterACrashStopsOnTheExitPasswordAndEndingTheLoopEndsTheProgram)
{
    m_launcher.start();
    ASSERT_TRUE(WaitFor([&] { return starts().size() == 1; }, 10000));
    const QStringList run = starts().first().split(u'|');
    EXPECT_EQ(run.mid(1), (QStringList{QStringLiteral("--kiosk"), QStringLiteral("--catalog"),
                                       QStringLiteral("Залы  второго этажа"), m_database, QString()}))
        << "the catalog and the database as written in the settings; the heartbeat left to the program";

    ASSERT_EQ(kill(run.first().toInt(), SIGSEGV), 0);
    ASSERT_TRUE(WaitFor([&] { return starts().size() == 2; }, 10000)) << "back after a crash";

    WriteFile(file("stop"), "");
    ASSERT_TRUE(m_launcher.waitForFinished(5000));
    EXPECT_EQ(m_launcher.exitCode(), 0);
    QTest::qWait(1500);   // longer than the restart delay
    EXPECT_EQ(starts().size(), 2) << "no run after the exit password";

    QFile::remove(file("stop"));
    m_launcher.start();
    ASSERT_TRUE(WaitFor([&] { return starts().size() == 3; }, 10000));
    const pid_t program = starts().last().section(u'|', 0, 0).toInt();
    m_launcher.terminate();
    ASSERT_TRUE(m_launcher.waitForFinished(5000));
    EXPECT_TRUE(WaitFor([&] { return kill(program, 0) != 0; }, 5000)) << "the program is not left behind";
}

TEST_F(KioskLauncherTest, GivesUpWhenTheProgramEndsTooOftenInAShortTime)
{
    WriteFile(file("crash"), "");
    m_launcher.start();
    ASSERT_TRUE(m_launcher.waitForFinished(15000)) << "a program that always crashes is not run forever";
    EXPECT_NE(m_launcher.exitCode(), 0);
    EXPECT_EQ(starts().size(), 3);
    EXPECT_TRUE(QString::fromUtf8(m_launcher.readAllStandardError()).contains(QStringLiteral("остановлен")));
}

TEST(KioskUnitTest, TheInstalledUnitPassesTheServiceManagersCheck)
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        GTEST_SKIP() << "systemd-analyze is not installed";
    // A program folder whose name the unit must quote and escape.
    QTemporaryDir dir;
    const QString kiosk = dir.filePath(QStringLiteral("Музей 100%/kiosk/"));
    ASSERT_TRUE(QDir().mkpath(kiosk));
    for (const QString &name : QDir(KioskFile(QString())).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(KioskFile(name), kiosk + name));
    const Finished unit =
        RunToEnd(kiosk + QStringLiteral("virandel-kiosk"), {QStringLiteral("unit"), QStringLiteral("virandelhall")});
    ASSERT_EQ(unit.code, 0) << unit.err.constData();
    const QString unitPath = dir.filePath(QStringLiteral("virandel-kiosk.service"));
    WriteFile(unitPath, unit.out);

    // The checker reads the unit as the service manager would (unknown keys, bad values, an ExecStart that is
    // not there) without needing the manager to run this machine.
    const Finished verify = RunToEnd(analyze, {QStringLiteral("verify"), unitPath});
    EXPECT_EQ(verify.code, 0);
    EXPECT_EQ(verify.err, QByteArray());

    // What the checker cannot know: the lines the program's heartbeat and its exit status 75 rely on.
    const QStringList lines = QString::fromUtf8(unit.out).split(u'\n');
    for (const char *needed : {"Type=notify", "NotifyAccess=all", "Restart=always", "RestartPreventExitStatus=75",
                               "User=virandelhall"})
        EXPECT_TRUE(lines.contains(QLatin1String(needed))) << needed;
    EXPECT_TRUE(unit.out.contains("\nWatchdogSec=")) << "the heartbeat is watched";
}

TEST(KioskScriptTest, RefusesPlainlyAndChangesNothingWhenItCannotWork)
{
    QTemporaryDir root;
    TempProgramFolder folder;
    const QString database = folder.newDatabase(QStringLiteral("Музей.mdb"));
    const QString user = QStringLiteral("virandelnotmade");
    const auto script = [&](const QStringList &arguments) {
        const Finished done = RunToEnd(KioskFile(QStringLiteral("virandel-kiosk")), arguments,
                                  {{QStringLiteral("VIRANDEL_KIOSK_ROOT"), root.path()}});
        EXPECT_NE(done.code, 0) << arguments.join(u' ').toStdString();
        return QString::fromUtf8(done.err);
    };
    const auto filesUnder = [&] {
        QStringList files;
        for (QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next();
        return files;
    };
    const auto userExists = [&] {
        return RunToEnd(QStringLiteral("getent"), {QStringLiteral("passwd"), user}).code == 0;
    };

    // An empty root stands for a machine that systemd does not run, whatever this machine is.
    for (const QStringList &arguments : {QStringList{QStringLiteral("on"), user, database, QStringLiteral("Залы")},
                                         QStringList{QStringLiteral("off")}}) {
        const QString said = script(arguments);
        EXPECT_TRUE(said.contains(QStringLiteral("systemd")) &&
                    said.contains(QStringLiteral("ничего не изменено")))
            << said.toStdString();
    }
    EXPECT_TRUE(QDir(root.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_FALSE(userExists());

    // With systemd there, a catalog the database does not hold is found before the user or a file is made.
    if (geteuid() != 0)
        GTEST_SKIP() << "the further checks need root";
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("run/systemd/system")));
    const QString said = script({QStringLiteral("on"), user, database, QStringLiteral("Залы")});
    EXPECT_TRUE(said.contains(QStringLiteral("нет каталога «Залы»"))) << said.toStdString();
    EXPECT_TRUE(filesUnder().isEmpty()) << filesUnder().join(u' ').toStdString();
    EXPECT_FALSE(userExists()) << "no user was made";
}

}
