#pragma once

#include <QString>

class QWidget;

// The mode windows take turns on the screen as if they were one window: each opens at the size, place
// and maximised state in which the user left the one before it.
enum class ModePlacement {
    Shared,        // takes the shared place and hands it on when left
    FillsScreen,   // opens maximised on the screen of the shared place and leaves the place as it was
};
void KeepModeWindowPlace(QWidget *window, ModePlacement placement = ModePlacement::Shared);

// A mode window's title: the mode's own title followed by the name of the open database (a file's name,
// or a server database with its server), so the user always sees which database is being worked on.
QString ModeWindowTitle(const QString &modeTitle);
