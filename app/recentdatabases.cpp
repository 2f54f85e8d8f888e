#include "app/recentdatabases.h"

#include "core/textfile.h"
#include "settings/options.h"

#include <QDir>
#include <QFileInfo>

namespace RecentDatabases {

namespace {
QString optionsPath(const QString &programFolder)
{
    return programFolder + QLatin1String("/System/Options.txt");
}

QStringList readLines(const QString &programFolder)
{
    const QString path = optionsPath(programFolder);
    if (!QFileInfo::exists(path))
        return {};
    try {
        return ReadTextLines(path);
    } catch (const std::exception &) {
        return {};
    }
}
}

QStringList Read(const QString &programFolder)
{
    const QStringList lines = readLines(programFolder);
    QStringList paths;
    for (int i = Options::LineCount; i < lines.size() && paths.size() < Limit; ++i) {
        if (!lines[i].isEmpty() && !Options::IsNamedSettingLine(lines[i]))
            paths << lines[i];
    }
    return paths;
}

bool Remember(const QString &programFolder, const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(absolute).absolutePath() == QDir(programFolder + QLatin1String("/Samples")).absolutePath())
        return true;
    QStringList lines = readLines(programFolder);
    if (lines.size() < Options::LineCount)
        return true;
    QStringList paths = Read(programFolder);
    paths.removeAll(absolute);
    paths.prepend(absolute);
    while (paths.size() > Limit)
        paths.removeLast();
    QStringList kept = lines.mid(0, Options::LineCount);
    for (int i = Options::LineCount; i < lines.size(); ++i) {
        if (Options::IsNamedSettingLine(lines[i]))
            kept << lines[i];
    }
    lines = kept + paths;
    try {
        WriteTextLines(optionsPath(programFolder), lines);
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

}
