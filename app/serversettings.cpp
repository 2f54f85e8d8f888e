#include "app/serversettings.h"

#include "core/dberror.h"
#include "core/textfile.h"

#include <QFileInfo>

namespace ServerSettings {

namespace {
QString settingsPath(const QString &programFolder)
{
    return programFolder + QLatin1String("/System/Server.txt");
}
}

ServerConnection ReadLast(const QString &programFolder)
{
    ServerConnection server;
    const QString path = settingsPath(programFolder);
    if (!QFileInfo::exists(path))
        return server;
    QStringList lines;
    try {
        lines = ReadTextLines(path);
    } catch (const DbError &) {
        return server;
    }
    bool portOk = false;
    const int port = lines.value(1).toInt(&portOk);
    if (lines.size() < 4 || !portOk || port < 1 || port > 65535)
        return server;
    server.host = lines.at(0);
    server.port = port;
    server.database = lines.at(2);
    server.user = lines.at(3);
    return server;
}

bool Remember(const QString &programFolder, const ServerConnection &server)
{
    try {
        WriteTextLines(settingsPath(programFolder),
                       {server.host, QString::number(server.port), server.database, server.user});
    } catch (const DbError &) {
        return false;
    }
    return true;
}

}
