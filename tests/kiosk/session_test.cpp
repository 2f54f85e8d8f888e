// The kiosk session around the program: the heartbeat to the service manager, the launcher's restart loop,
// the unit and the operator's script, each run for real (a unix socket, the installed scripts, the service
// manager's own checker).
#include "app/watchdog.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

QString ProgramKioskFolder()
{
    return QFileInfo(QStringLiteral(EMPTY_DB_PATH)).absoluteDir().absoluteFilePath(QStringLiteral("../kiosk"));
}

// A unix datagram socket standing where the service manager listens, recording what arrives and when.
class NotifySocket
{
public:
    struct Message
    {
        Clock::time_point at;
        QByteArray text;
    };

    NotifySocket()
    {
        m_path = m_dir.filePath(QStringLiteral("notify")).toLocal8Bit();
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, m_path.constData(), sizeof address.sun_path);
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            throw std::runtime_error("the notify socket could not be made");
        timeval wait{0, 20000};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        m_reader = std::thread([this] {
            char buffer[512];
            while (!m_stop) {
                const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    std::lock_guard lock(m_mutex);
                    m_messages.push_back({Clock::now(), QByteArray(buffer, int(n))});
                }
            }
        });
    }
    ~NotifySocket()
    {
        m_stop = true;
        m_reader.join();
        close(m_fd);
    }
    QByteArray path() const { return m_path; }
    std::vector<Message> messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    int count(const QByteArray &text, Clock::time_point from = Clock::time_point::min(),
              Clock::time_point to = Clock::time_point::max()) const
    {
        int n = 0;
        for (const Message &m : messages())
            n += m.text == text && m.at >= from && m.at <= to;
        return n;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_path;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::thread m_reader;
};

class HeartbeatTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        qDeleteAll(qApp->findChildren<ServiceHeartbeat *>(QString(), Qt::FindDirectChildrenOnly));
        qunsetenv("NOTIFY_SOCKET");
        qunsetenv("WATCHDOG_USEC");
    }
};

TEST_F(HeartbeatTest, NothingHappensOutsideAServiceManager)
{
    qunsetenv("NOTIFY_SOCKET");
    qputenv("WATCHDOG_USEC", "200000");
    QWidget window;
    window.show();
    StartServiceHeartbeat();
    QTest::qWait(200);
    EXPECT_TRUE(qApp->findChildren<ServiceHeartbeat *>().isEmpty());
    ServiceHeartbeat heartbeat;
    heartbeat.Ready();
    EXPECT_FALSE(heartbeat.Beating());
}

TEST_F(HeartbeatTest, ReadyOnceAWindowIsUpThenBeatsOnlyWhileTheInterfaceAnswers)
{
    NotifySocket manager;
    qputenv("NOTIFY_SOCKET", manager.path());
    qputenv("WATCHDOG_USEC", "200000");   // a heartbeat every 100 ms
    qunsetenv("WATCHDOG_PID");

    // Windows other tests left on screen would count as the program's first window.
    for (QWidget *w : QApplication::topLevelWidgets())
        w->hide();
    StartServiceHeartbeat();
    QTest::qWait(300);
    EXPECT_TRUE(manager.messages().empty()) << "nothing before the first window is up";

    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.count("WATCHDOG=1") >= 3; }, 3000));
    const auto first = manager.messages();
    EXPECT_EQ(first.front().text, QByteArray("READY=1"));

    // The interface thread stops answering: the heartbeat must stop with it.
    const Clock::time_point blocked = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const Clock::time_point answering = Clock::now();
    const int beatsBefore = manager.count("WATCHDOG=1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.count("WATCHDOG=1") >= beatsBefore + 3; }, 3000))
        << "the heartbeat resumes once the interface answers";
    // A beat sent just before the block may still be on its way for a moment.
    EXPECT_EQ(manager.count("WATCHDOG=1", blocked + std::chrono::milliseconds(50), answering), 0);
    EXPECT_EQ(manager.count("READY=1"), 1);
}

// A program folder with a stand-in program that records each start (its process, its arguments and the
// heartbeat's WATCHDOG_PID it was given) and then
// waits: for a file `stop` (exit 75, the exit password), or ends at once with SIGSEGV while `crash` exists.
class KioskLauncherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_database = m_folder.filePath(QStringLiteral("Музей и залы.mdb"));
        writeFile(QStringLiteral("virandel"),
                  "#!/bin/sh\n"
                  "{ printf '%s' \"$$\"; for a in \"$@\" \"${WATCHDOG_PID-}\"; do printf '|%s' \"$a\"; done; echo; } >>starts.log\n"
                  "[ -e crash ] && kill -SEGV $$\n"
                  "while [ ! -e stop ]; do sleep 0.05; done\n"
                  "exit 75\n",
                  true);
        writeFile(QStringLiteral("kiosk.conf"),
                  ("database=" + m_database + "\r\ncatalog=Залы  второго этажа\r\n").toUtf8());
        m_launcher.setProgram(ProgramKioskFolder() + QStringLiteral("/virandel-kiosk-launch"));
        m_launcher.setArguments({QStringLiteral("loop")});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIRANDEL_KIOSK_PROGRAM_DIR"), m_folder.path());
        env.insert(QStringLiteral("VIRANDEL_KIOSK_CONF"), m_folder.filePath(QStringLiteral("kiosk.conf")));
        env.insert(QStringLiteral("VIRANDEL_KIOSK_RESTART_DELAY"), QStringLiteral("1"));
        env.insert(QStringLiteral("VIRANDEL_KIOSK_LIMIT_BURST"), QStringLiteral("3"));
        env.insert(QStringLiteral("VIRANDEL_KIOSK_LIMIT_INTERVAL"), QStringLiteral("60"));
        env.remove(QStringLiteral("DISPLAY"));
        // What the service manager gives the launcher: the heartbeat is expected from the launcher's process.
        env.insert(QStringLiteral("WATCHDOG_PID"), QString::number(getpid()));
        m_launcher.setProcessEnvironment(env);
    }
    void TearDown() override
    {
        writeFile(QStringLiteral("stop"), "");
        if (!m_launcher.waitForFinished(5000))
            m_launcher.kill();
    }
    void writeFile(const QString &name, const QByteArray &text, bool executable = false)
    {
        QFile file(m_folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    QStringList starts() const
    {
        QFile file(m_folder.filePath(QStringLiteral("starts.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool waitForStarts(int n, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return starts().size() >= n; }, ms);
    }

    QTemporaryDir m_folder;
    QString m_database;
    QProcess m_launcher;
};

TEST_F(KioskLauncherTest, RestartsTheProgramAfterACrashAndStopsOnTheExitPassword)
{
    m_launcher.start();
    ASSERT_TRUE(waitForStarts(1));
    const QStringList run = starts().first().split(QLatin1Char('|'));
    EXPECT_EQ(run.mid(1), (QStringList{QStringLiteral("--kiosk"), QStringLiteral("--catalog"),
                                       QStringLiteral("Залы  второго этажа"), m_database, QString()}))
        << "the catalog and the database go to the program exactly as written in the settings, and the "
           "heartbeat is left to the program";

    ASSERT_EQ(kill(run.first().toInt(), SIGSEGV), 0);
    ASSERT_TRUE(waitForStarts(2)) << "the program comes back after a crash";
    EXPECT_NE(starts().at(1).section(QLatin1Char('|'), 0, 0), run.first());

    writeFile(QStringLiteral("stop"), "");
    ASSERT_TRUE(m_launcher.waitForFinished(5000));
    EXPECT_EQ(m_launcher.exitCode(), 0);
    QTest::qWait(1500);   // longer than the restart delay: no run after the stop
    EXPECT_EQ(starts().size(), 2);
}

TEST_F(KioskLauncherTest, GivesUpWhenTheProgramEndsTooOftenInAShortTime)
{
    writeFile(QStringLiteral("crash"), "");
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
    QTemporaryDir dir;
    QProcess print;
    print.start(ProgramKioskFolder() + QStringLiteral("/virandel-kiosk"), {QStringLiteral("unit"), QStringLiteral("virandelhall")});
    ASSERT_TRUE(print.waitForFinished(5000));
    ASSERT_EQ(print.exitCode(), 0) << print.readAllStandardError().constData();
    const QByteArray unit = print.readAllStandardOutput();
    const QString unitPath = dir.filePath(QStringLiteral("virandel-kiosk.service"));
    QFile file(unitPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(unit);
    file.close();

    // The checker reads the unit as the service manager would (unknown keys, bad values, an ExecStart that is
    // not there) without needing the manager to run this machine.
    QProcess verify;
    verify.start(analyze, {QStringLiteral("verify"), unitPath});
    ASSERT_TRUE(verify.waitForFinished(30000));
    EXPECT_EQ(verify.exitCode(), 0);
    EXPECT_EQ(verify.readAllStandardError(), QByteArray());

    // What the checker cannot know: the lines the program's heartbeat and its exit status 75 rely on.
    const QStringList lines = QString::fromUtf8(unit).split(QLatin1Char('\n'));
    for (const char *needed : {"Type=notify", "NotifyAccess=all", "Restart=always", "RestartPreventExitStatus=75",
                               "User=virandelhall"})
        EXPECT_TRUE(lines.contains(QLatin1String(needed))) << needed;
    EXPECT_TRUE(unit.contains("\nWatchdogSec=")) << "the heartbeat is watched";
}

TEST(KioskScriptTest, RefusesPlainlyAndChangesNothingWhenItCannotWork)
{
    QTemporaryDir root;
    TempProgramFolder folder;
    const QString database = folder.newDatabase(QStringLiteral("Музей.mdb"));
    const QString user = QStringLiteral("virandelnotmade");
    const auto run = [&](const QStringList &arguments) {
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIRANDEL_KIOSK_ROOT"), root.path());
        script.setProcessEnvironment(env);
        script.start(ProgramKioskFolder() + QStringLiteral("/virandel-kiosk"), arguments);
        EXPECT_TRUE(script.waitForFinished(10000));
        EXPECT_NE(script.exitCode(), 0) << arguments.join(QLatin1Char(' ')).toStdString();
        return QString::fromUtf8(script.readAllStandardError());
    };
    const auto filesUnder = [&] {
        QStringList files;
        for (QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next();
        return files;
    };
    const auto userExists = [&] {
        QProcess lookup;
        lookup.start(QStringLiteral("getent"), {QStringLiteral("passwd"), user});
        lookup.waitForFinished(5000);
        return lookup.exitCode() == 0;
    };

    // An empty root stands for a machine that systemd does not run, whatever this machine is.
    for (const QStringList &arguments : {QStringList{QStringLiteral("on"), user, database, QStringLiteral("Залы")},
                                         QStringList{QStringLiteral("off")}}) {
        const QString said = run(arguments);
        EXPECT_TRUE(said.contains(QStringLiteral("systemd")) && said.contains(QStringLiteral("ничего не изменено")))
            << said.toStdString();
    }
    EXPECT_TRUE(QDir(root.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_FALSE(userExists());

    // With systemd there, a catalog the database does not hold is found before the user or a file is made.
    if (geteuid() != 0)
        GTEST_SKIP() << "the further checks need root";
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("run/systemd/system")));
    const QString said = run({QStringLiteral("on"), user, database, QStringLiteral("Залы")});
    EXPECT_TRUE(said.contains(QStringLiteral("нет каталога «Залы»"))) << said.toStdString();
    EXPECT_TRUE(filesUnder().isEmpty()) << filesUnder().join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(userExists()) << "no user was made";
}

}
