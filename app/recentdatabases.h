#pragma once

#include <QString>
#include <QStringList>

// The last databases opened, most recent first, kept as the lines after the ten settings of
// System/Options.txt (the settings window writes those lines back unchanged).
namespace RecentDatabases {

constexpr int Limit = 5;

// The remembered paths, at most Limit; none when the settings file is missing or short.
QStringList Read(const QString &programFolder);

// Puts `path` first. Files of the Samples folder (the empty database, templates) are not remembered,
// nor is anything while the settings file lacks its ten lines. False when the file could not be written.
bool Remember(const QString &programFolder, const QString &path);

}
