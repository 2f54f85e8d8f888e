#include "settings/updatecheck.h"

#include "app/messages.h"
#include "app/version.h"
#include "core/textfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

QString VersionFileAddress(const QString &server)
{
    return QStringLiteral("http://") + server + QStringLiteral("/myprograms/VirandelVersion.txt");
}

QString InstallerAddress(const QString &server)
{
    return QStringLiteral("http://") + server + QStringLiteral("/myprograms/Virandel_Setup.exe");
}

UpdateCheck::UpdateCheck(const QString &workingFile, const QString &server, QObject *parent)
    : QObject(parent), m_workingFile(workingFile), m_server(server), m_network(new QNetworkAccessManager(this))
{
}

UpdateCheck::~UpdateCheck()
{
    abandonDownload();
}

void UpdateCheck::Start()
{
    abandonDownload();
    m_ticks = 0;
    m_finished = false;
    m_failed = false;
    m_data.clear();
    m_errorText.clear();

    const QUrl url(VersionFileAddress(m_server));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // Only the update server itself may answer: a redirect elsewhere would let any host announce a version.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    // The real server is reached through the system's proxy; a server on this machine directly.
    const QHostAddress address(url.host());
    if (url.host() == QLatin1String("localhost") || (!address.isNull() && address.isLoopback()))
        m_network->setProxy(QNetworkProxy::NoProxy);
    else
        m_network->setProxy(QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url)).value(0, QNetworkProxy::NoProxy));

    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::downloadEnded);
}

void UpdateCheck::Tick()
{
    if (m_finished)
        return;
    ++m_ticks;
    if (m_ticks > TimeOutTicks) {
        // However close the download is to its end, it is abandoned: the user has waited long enough.
        abandonDownload();
        finish(true);
    }
}

void UpdateCheck::readAvailable()
{
    m_data += m_reply->readAll();
    // A version file is a few dozen bytes; anything far larger is not one.
    if (m_data.size() > MaxFileSize) {
        abandonDownload();
        finish(true);
    }
}

void UpdateCheck::downloadEnded()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    m_data += reply->readAll();
    // An error page of the server (404 and the like) is no version file.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool answered = reply->error() == QNetworkReply::NoError && status < 400 && !m_data.isEmpty()
                          && m_data.size() <= MaxFileSize;
    reply->deleteLater();
    if (m_finished)
        return;
    if (!answered) {
        finish(true);
        return;
    }
    // A link in the working file's place would have the answer written wherever it points.
    if (QFileInfo(m_workingFile).isSymLink() && !QFile::remove(m_workingFile)) {
        m_errorText = QStringLiteral("Не удается записать файл %1: это ссылка на другой файл").arg(m_workingFile);
        finish(true);
        return;
    }
    QSaveFile file(m_workingFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_data) != m_data.size() || !file.commit()) {
        m_errorText = QStringLiteral("Не удается записать файл %1: %2").arg(m_workingFile, file.errorString());
        finish(true);
        return;
    }
    finish(false);
}

void UpdateCheck::abandonDownload()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    // Disconnected first: abort() reports the end at once, and that end belongs to nobody now.
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void UpdateCheck::finish(bool failed)
{
    m_finished = true;
    m_failed = failed;
    Q_EMIT Done();
}

PublishedVersion ReadPublishedVersion(const QString &workingFile)
{
    const QStringList lines = ReadTextLines(workingFile);
    return {lines.value(0), lines.value(1)};
}

bool IsInstalledVersion(const PublishedVersion &published)
{
    return published.version == VersionText;
}

QString NewVersionQuestion(const PublishedVersion &published)
{
    return QStringLiteral("Доступна новая версия программы ") + published.version + QLatin1Char('!') + MessageLineBreak
           + published.description + MessageLineBreak + QStringLiteral("Скачать новую версию программы?");
}
