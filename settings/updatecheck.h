#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Addresses on the update server, given as host or host:port.
QString VersionFileAddress(const QString &server);
QString InstallerAddress(const QString &server);

// One update check: fetches the published version file and stores it byte for byte as the working file
// (System/Version.txt), or fails on the sixth tick of its owner's one-second timer. Each check has
// its own connection and state, so a download abandoned by the time-out cannot reach a later check.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    static constexpr int TimeOutTicks = 5;   // the wait ends when this many ticks are exceeded
    static constexpr qint64 MaxFileSize = 64 * 1024;

    UpdateCheck(const QString &workingFile, const QString &server, QObject *parent = nullptr);
    ~UpdateCheck() override;

    void Start();
    // One tick of the owner's one-second timer.
    void Tick();

    bool Finished() const { return m_finished; }
    bool Failed() const { return m_failed; }
    int Ticks() const { return m_ticks; }
    // Set when the server answered but the working file could not be written.
    QString ErrorText() const { return m_errorText; }

Q_SIGNALS:
    // Emitted once, when the download has ended or the time-out has struck.
    void Done();

private:
    void readAvailable();
    void downloadEnded();
    void abandonDownload();
    void finish(bool failed);

    QString m_workingFile;
    QString m_server;
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_data;
    int m_ticks = 0;
    bool m_finished = false;
    bool m_failed = false;
    QString m_errorText;
};

// The working file as the check left it: line 1 the published version, line 2 one line about it.
struct PublishedVersion
{
    QString version;
    QString description;   // empty when the file has one line only
};

// Throws DbError when the file cannot be read.
PublishedVersion ReadPublishedVersion(const QString &workingFile);
// Compared exactly, letter case included: any other text counts as a newer version.
bool IsInstalledVersion(const PublishedVersion &published);
QString NewVersionQuestion(const PublishedVersion &published);
