#include "support/browser.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace Browser {

namespace {
QString Program()
{
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

QByteArray Run(const QString &path, QSize window, const QStringList &what, bool *finished)
{
    QTemporaryDir profile;
    QProcess chromium;
    chromium.setProgram(Program());
    // Root needs --no-sandbox; a profile of its own keeps runs apart.
    chromium.setArguments(QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                                      QStringLiteral("--hide-scrollbars"), QStringLiteral("--allow-file-access-from-files"),
                                      QStringLiteral("--user-data-dir=") + profile.path(),
                                      QStringLiteral("--window-size=%1,%2").arg(window.width()).arg(window.height())}
                          + what + QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()});
    chromium.setProcessChannelMode(QProcess::SeparateChannels);
    chromium.start();
    *finished = chromium.waitForFinished(60000);
    if (!*finished)
        chromium.kill();
    return chromium.readAllStandardOutput();
}
}

bool Installed()
{
    return !Program().isEmpty();
}

QString DumpDom(const QString &path, QSize window, int waitMs)
{
    bool finished = false;
    QStringList what{QStringLiteral("--dump-dom")};
    if (waitMs > 0)
        what << QStringLiteral("--virtual-time-budget=%1").arg(waitMs);
    const QByteArray dom = Run(path, window, what, &finished);
    return finished ? QString::fromUtf8(dom) : QString();
}

bool Screenshot(const QString &path, QSize window, const QString &png)
{
    bool finished = false;
    Run(path, window, {QStringLiteral("--screenshot=") + png}, &finished);
    return finished && QFileInfo::exists(png);
}

}
