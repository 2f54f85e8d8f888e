#pragma once

#include <QString>

// Opens System/Help.htm of the program folder in the user's browser. Returns the message for the user
// when it cannot be opened, an empty text when it was handed to the browser.
QString OpenHelpPage(const QString &programFolder);
