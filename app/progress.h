#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QProgressDialog;
class QWidget;

// The progress window of a long action: window-modal, with "Отмена", shown only when the action has
// lasted a moment; it deletes itself when closed.
QProgressDialog *NewProgress(QWidget *parent, const QString &text, int maximum);

// Shows a copy's progress (rows copied of rows in all) in `progress`; its "Отмена" answers false to stop.
std::function<bool(qint64 done, qint64 total)> ProgressIn(QProgressDialog *progress);

class TDModule;

// Long reads of the module (core/backgroundread.h) keep the windows painted and show this progress
// window, with "Отмена" stopping the read, once they have lasted a moment.
void ShowProgressOfLongReads(TDModule &module);
