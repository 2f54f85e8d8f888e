#pragma once

// What the tests of the settings window share, here and in the kiosk tests.

#include "objects/windowsteps.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/form6.h"

#include <QLineEdit>

inline QString OptionsPath()
{
    return DModule->ProgramFolder + "/System/Options.txt";
}

// Clicks the settings window's "Готово", answering its message boxes with `answer`; their texts.
inline QStringList ClickDone(int answer = QMessageBox::Ok)
{
    return ClickAnswering(Control<QPushButton>(Form6, "Button1"), answer);
}
