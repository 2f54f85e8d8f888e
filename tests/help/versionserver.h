#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A real HTTP server on 127.0.0.1 that answers every request with one body after a delay.
class VersionServer
{
public:
    explicit VersionServer(const QByteArray &body, int delayMs = 0, int status = 200)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this, body, delayMs, status] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, body, delayMs, status] {
                    m_pending[socket] += socket->readAll();
                    if (!m_pending[socket].contains("\r\n\r\n"))
                        return;
                    const QByteArray request = m_pending.take(socket);
                    m_requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                    QPointer<QTcpSocket> guard(socket);
                    QTimer::singleShot(delayMs, socket, [guard, body, status] {
                        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                            return;
                        guard->write("HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Not Found")
                                     + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size())
                                     + "\r\nConnection: close\r\n\r\n" + body);
                        guard->disconnectFromHost();
                    });
                });
            }
        });
    }

    QString address() const { return QStringLiteral("127.0.0.1:") + QString::number(m_server.serverPort()); }
    QStringList requests() const { return m_requests; }

    // A port on which nothing listens.
    static QString deadAddress()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return QStringLiteral("127.0.0.1:") + QString::number(port);
    }

private:
    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QStringList m_requests;
};
