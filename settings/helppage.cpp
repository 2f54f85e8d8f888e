#include "settings/helppage.h"

#include <QFile>
#include <QFileInfo>

QString HelpPagePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/System/Help.htm");
}

QString HelpPageProblem(const QString &programFolder)
{
    if (!QFileInfo(programFolder + QStringLiteral("/System")).isDir())
        return QStringLiteral("Не найден путь к файлу Help.htm!");
    const QFileInfo page(HelpPagePath(programFolder));
    if (!page.exists())
        return QStringLiteral("Не найден файл Help.htm!");
    if (!page.isFile())
        return QStringLiteral("Неправильный формат файла Help.htm!");
    QFile file(page.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Не удается прочитать файл Help.htm!");
    return {};
}
