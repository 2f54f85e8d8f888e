#pragma once

#include <QByteArray>

// The on-screen keyboard of a touch screen without a keyboard (a kiosk in a hall). Qt chooses its input
// method once, as the application object is made, so the choice is made before that, from the kernel's
// list of input devices.

// Whether the kernel's list of input devices (the text of /proc/bus/input/devices) shows a keyboard a
// person can type on: a device with the letter keys and the space bar. The power button, the volume keys
// of a screen and a touch screen are no keyboard.
bool KeyboardListed(const QByteArray &devices);

// What the list says: a list naming devices but no keyboard asks for the on-screen keyboard; an empty or
// unreadable list (a remote or virtual display) tells nothing.
enum class KeyboardNeed { Physical, OnScreen, Unknown };
KeyboardNeed KeyboardNeedOf(const QByteArray &devices);

// Called before the application object is made: with no physical keyboard, every text box brings up the
// on-screen keyboard, with the Russian layout first. An input method chosen by whoever started the
// program (QT_IM_MODULE) is left alone; so is a system without the on-screen keyboard installed.
void ChooseOnScreenKeyboard();

// Called once the application object exists. The on-screen keyboard is a window of its own: a window that
// blocks the others while it is open (the running catalog, a dialog) would block the keyboard too, and
// nobody could type into it. Each time the keyboard appears it is made to belong to the window in front.
void KeepOnScreenKeyboardUsable();

// Whether the running catalog shows its own keyboard under its search box: no physical keyboard, and the
// system's on-screen keyboard cannot appear (under Wayland Qt has none on the program's side). Decided by
// ChooseOnScreenKeyboard; UseInWindowKeyboard sets it (a test, a setting).
bool InWindowKeyboardWanted();
void UseInWindowKeyboard(bool wanted);
