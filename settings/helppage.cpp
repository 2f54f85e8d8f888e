#include "settings/helppage.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

QString OpenHelpPage(const QString &programFolder)
{
    const QFileInfo folder(programFolder + QStringLiteral("/System"));
    if (!folder.isDir())
        return QStringLiteral("Не найден путь к файлу Help.htm!");
    const QFileInfo page(folder.filePath() + QStringLiteral("/Help.htm"));
    if (!page.exists())
        return QStringLiteral("Не найден файл Help.htm!");
    if (!page.isFile())
        return QStringLiteral("Неправильный формат файла Help.htm!");
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page.absoluteFilePath())))
        return QStringLiteral("Не удалось открыть файл Help.htm: в системе не задана программа для просмотра веб-страниц!");
    return {};
}
