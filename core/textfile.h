#pragma once

#include <QString>
#include <QStringList>

// The program's text files (settings, template list, version text): written as UTF-8 with CR LF,
// read as UTF-8, a line that is not valid UTF-8 as Windows-1251 (files of older installations). Lines
// end in CR LF, LF or CR on reading; a line holding a line break is refused on writing.
// Reading throws DbError when the file cannot be opened; writing throws when it cannot be written.
QStringList ReadTextLines(const QString &path);
void WriteTextLines(const QString &path, const QStringList &lines);
QString DecodeTextLine(const QByteArray &bytes);
// Bytes of the Windows-1251 code page, every one a character.
QString DecodeWindows1251(const QByteArray &bytes);
