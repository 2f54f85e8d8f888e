#pragma once

#include <QString>

// System/Help.htm of the program folder.
QString HelpPagePath(const QString &programFolder);
// Why the help page cannot be shown, as the message for the user; an empty text when it can.
QString HelpPageProblem(const QString &programFolder);
