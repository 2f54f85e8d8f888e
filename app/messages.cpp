#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>

namespace {
bool onScreen(const QWidget *window)
{
    return window && window->isVisible() && !window->isMinimized();
}

// A splash, a pop-up or a tool tip is nothing a box could belong to.
bool canOwn(const QWidget *window)
{
    if (!onScreen(window))
        return false;
    const Qt::WindowType type = window->windowType();
    return type != Qt::SplashScreen && type != Qt::Popup && type != Qt::ToolTip;
}

bool keptOnTop(const QWidget *window)
{
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QWidget *windowInUse(QWidget *preferred)
{
    if (QWidget *modal = QApplication::activeModalWidget(); canOwn(modal))
        return modal;
    if (QWidget *active = QApplication::activeWindow(); canOwn(active))
        return active;
    if (preferred && canOwn(preferred->window()))
        return preferred->window();
    // Nothing active (the program is in the background, or a window has just closed): a main window on
    // screen, else any window on screen.
    QWidget *any = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!canOwn(window) || !window->isEnabled())
            continue;
        if (window->inherits("QMainWindow"))
            return window;
        if (!any)
            any = window;
    }
    return any;
}

int execBox(QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons, QWidget *parent,
            const QString &objectName = QString())
{
    QMessageBox box(icon, QApplication::applicationName(), text, buttons, DialogOwner(parent));
    if (!objectName.isEmpty())
        box.setObjectName(objectName);
    // Names typed by the user are shown as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (buttons.testFlag(QMessageBox::No))
        box.setDefaultButton(QMessageBox::No);
    KeepAboveWindowsOnTop(&box);
    return box.exec();
}
}

bool WindowKeptOnTopOnScreen(const QWidget *except)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [except](const QWidget *window) { return window != except && onScreen(window) && keptOnTop(window); });
}

QWidget *DialogOwner(QWidget *preferred)
{
    QWidget *owner = windowInUse(preferred);
    // A window manager keeps the windows kept on top above every other window of the program, and so
    // above the boxes of those: while one is on screen a box of another window belongs to none.
    if (owner && !keptOnTop(owner) && WindowKeptOnTopOnScreen(owner))
        return nullptr;
    return owner;
}

void KeepAboveWindowsOnTop(QWidget *dialog)
{
    if (WindowKeptOnTopOnScreen(dialog))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
}

void ShowMessage(const QString &text, QWidget *parent)
{
    execBox(QMessageBox::NoIcon, text, QMessageBox::Ok, parent);
}

void ShowError(const QString &text, QWidget *parent, const QString &objectName)
{
    execBox(QMessageBox::Critical, text, QMessageBox::Ok, parent, objectName);
}

bool AskYesNo(const QString &text, QWidget *parent)
{
    return execBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, parent) == QMessageBox::Yes;
}
