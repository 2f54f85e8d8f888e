#pragma once

#include <QString>

class QProgressDialog;
class QWidget;

// The progress window of a long action: window-modal, with "Отмена", shown only when the action has
// lasted a moment; it deletes itself when closed.
QProgressDialog *NewProgress(QWidget *parent, const QString &text, int maximum);

class TDModule;

// Long reads of the module (core/backgroundread.h) keep the windows painted and show this progress
// window, with "Отмена" stopping the read, once they have lasted a moment.
void ShowProgressOfLongReads(TDModule &module);
