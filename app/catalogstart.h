#pragma once

#include <QStringList>

// Shows what a run of the program starts with, after StartUp: the main window, or the catalog the command
// line (`arguments`, the program's own name first) or the settings ask for, running full screen over a
// database opened only to read, guarded by the exit password. What keeps the catalog from running is told in
// a message and the main window shows; in a kiosk run the message stays on screen and nothing else opens.
void ShowFirstWindow(const QStringList &arguments);
