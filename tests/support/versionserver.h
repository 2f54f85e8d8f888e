#pragma once

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A real HTTP server on 127.0.0.1 that answers every request with one body after a delay.
class VersionServer
{
public:
    explicit VersionServer(const QByteArray &body, int delayMs = 0, int status = 200, const QByteArray &headers = {})
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [=, this] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [=, this] {
                QByteArray &request = m_pending[socket];
                request += socket->readAll();
                if (!request.contains("\r\n\r\n"))
                    return;
                m_requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                QTimer::singleShot(delayMs, socket, [=, guard = QPointer<QTcpSocket>(socket)] {
                    if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                        return;
                    guard->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\n" + headers + "Content-Length: "
                                 + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    guard->disconnectFromHost();
                });
            });
        });
    }

    QString address() const { return QStringLiteral("127.0.0.1:") + QString::number(m_server.serverPort()); }
    QStringList requests() const { return m_requests; }

    // A port on which nothing listens.
    static QString deadAddress()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return QStringLiteral("127.0.0.1:") + QString::number(probe.serverPort());
    }

private:
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QStringList m_requests;
};
