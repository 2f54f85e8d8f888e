#pragma once

#include <QString>
#include <exception>

// The general error display: an error that ends a user action is shown with its own text in a
// message box titled with the application's title, and the program goes on.
void ShowGeneralError(const QString &text);

// An error of an action that only read what a window shows. When another user's design change caused it,
// nothing is shown: the windows reload and say so once.
void ShowReadError(const QString &text);

// Runs one user action; an error that escapes it is shown by `show`. Returns false when the action ended
// with an error.
template <typename Action>
bool GuardedWith(Action &&action, void (*show)(const QString &text))
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        show(QString::fromUtf8(error.what()));
    }
    return false;
}

// Runs one user action; an error that escapes it is shown by the general error display.
template <typename Action>
bool Guarded(Action &&action)
{
    return GuardedWith(action, ShowGeneralError);
}

// As Guarded, for an action that only reads what the window shows (see ShowReadError).
template <typename Action>
bool GuardedRead(Action &&action)
{
    return GuardedWith(action, ShowReadError);
}
