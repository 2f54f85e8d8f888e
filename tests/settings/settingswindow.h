#pragma once

// What the tests of the settings window share, here and in the kiosk tests.

#include "support/testsupport.h"

#include "app/forms.h"
#include "core/dmodule.h"
#include "core/textfile.h"
#include "settings/form6.h"

#include <QLineEdit>
#include <QPushButton>

inline QString OptionsPath()
{
    return DModule->ProgramFolder + "/System/Options.txt";
}

// Selects the box's text and types `text` over it, as a person corrects a value.
inline void Retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    TypeKeys(box, text);
}

// Clicks the settings window's "Готово", answering its message boxes with `answer`; their texts.
inline QStringList ClickDone(int answer = QMessageBox::Ok)
{
    return ClickAnswering(Control<QPushButton>(Form6, "Button1"), answer);
}
