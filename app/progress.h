#pragma once

#include <QString>

class QProgressDialog;
class QWidget;

// The progress window of a long action: window-modal, with "Отмена", shown only when the action has
// lasted a moment; it deletes itself when closed.
QProgressDialog *NewProgress(QWidget *parent, const QString &text, int maximum);
