#pragma once

#include <QString>

class QWidget;

// The line break inside message texts.
inline const QString MessageLineBreak = QStringLiteral("\n\r");

// A plain message box titled with the application's title.
void ShowMessage(const QString &text, QWidget *parent = nullptr);
// A confirmation box with the buttons Yes and No; anything but Yes is a no.
bool AskYesNo(const QString &text, QWidget *parent = nullptr);
