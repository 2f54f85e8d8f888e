#pragma once

#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;

// The small windows that ask for one name (a template's, a catalog's): a caption over the one-line box
// Edit1 and the buttons Button1 and Button2 "Отмена", laid out at a fixed size.
struct NameDialogControls
{
    QLineEdit *Edit1;
    QPushButton *Button1;
    QPushButton *Button2;
};
NameDialogControls BuildNameDialog(QDialog *dialog, const QString &label, const QString &okCaption, int maxLength);
