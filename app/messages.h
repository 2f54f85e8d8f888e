#pragma once

#include <QString>

class QWidget;

// The line break inside message texts.
inline const QString MessageLineBreak = QStringLiteral("\n\r");

// A plain message box titled with the application's title.
void ShowMessage(const QString &text, QWidget *parent = nullptr);
// An error box with OK, titled with the application's title.
void ShowError(const QString &text, QWidget *parent = nullptr, const QString &objectName = QString());
// A confirmation box with the buttons Yes and No; anything but Yes is a no.
bool AskYesNo(const QString &text, QWidget *parent = nullptr);

// Every box and dialog of the program blocks the others while open, so it must never open behind one of
// them. The window it belongs to: the window the user works in (an open modal dialog first), else
// `preferred` when it is on screen, else a window of the program that is on screen. None without one,
// and none while windows kept on top are on screen and that window is not one of them (they would stay
// above its boxes).
QWidget *DialogOwner(QWidget *preferred = nullptr);
// Whether a window kept on top (a small window, the palette), other than `except`, is on screen.
bool WindowKeptOnTopOnScreen(const QWidget *except = nullptr);
// Keeps `dialog` above the windows that stay on top (the small windows, the palette) while any of them is
// on screen: a window stacked below them could be hidden by one.
void KeepAboveWindowsOnTop(QWidget *dialog);
