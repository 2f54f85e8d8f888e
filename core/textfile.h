#pragma once

#include <QString>
#include <QStringList>

// The program's text files (settings, template list, version text): written as UTF-8 with CR LF,
// read with CR LF, LF or CR line ends as UTF-8, a line that is not valid UTF-8 as Windows-1251 (files
// of older installations).
// Reading throws DbError when the file cannot be opened; writing throws when it cannot be written.
QStringList ReadTextLines(const QString &path);
void WriteTextLines(const QString &path, const QStringList &lines);
QString DecodeTextLine(const QByteArray &bytes);
