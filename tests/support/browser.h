#pragma once

#include <QSize>
#include <QString>

// Debian's chromium, headless, for the published website's tests: pages are read as a visitor's browser
// shows them, after their scripts ran.
namespace Browser {
// False when the machine has no chromium (the test then says so and skips).
bool Installed();
// The page's document after loading it in a window of that size; with `waitMs`, after the page's
// timers and the loads it starts ran for that long (in the browser's own quick time).
QString DumpDom(const QString &path, QSize window, int waitMs = 0);
// A picture of the page in a window of that size; false when none was written.
bool Screenshot(const QString &path, QSize window, const QString &png);
}
