#include "catalogs/screenkeeper.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
// The program's own windows shown over the kept one: dialogs and message boxes, not menus or tips.
QList<QWidget *> WindowsOver(const QWidget *kept)
{
    QList<QWidget *> over;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window != kept && window->isVisible()
            && (type == Qt::Dialog || type == Qt::Tool || type == Qt::Window || type == Qt::Sheet))
            over << window;
    }
    return over;
}

// A dialog is cancelled; another window is closed.
void closeAsCancelled(QWidget *window)
{
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->reject();
    else
        window->close();
}
}

ScreenKeeper::ScreenKeeper(QWidget *window, std::function<bool()> guard, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_guard(std::move(guard))
{
    // The manager's own steps arrive one by one (unmap, state, focus): one return answers them all.
    m_soon = new QTimer(this);
    m_soon->setSingleShot(true);
    m_soon->setInterval(150);
    connect(m_soon, &QTimer::timeout, this, &ScreenKeeper::comeBack);
}

void ScreenKeeper::start()
{
    if (!m_keeping)
        qApp->installEventFilter(this);
    m_keeping = true;
    m_seenOnScreen = m_window->windowHandle() && m_window->windowHandle()->isExposed();
}

void ScreenKeeper::stop()
{
    if (m_keeping)
        qApp->removeEventFilter(this);
    m_keeping = false;
    m_soon->stop();
}

bool ScreenKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (m_returning)
        return false;
    switch (event->type()) {
    case QEvent::Expose:
        if (m_window->windowHandle() && watched == m_window->windowHandle()) {
            if (m_window->windowHandle()->isExposed())
                m_seenOnScreen = true;
            else
                comeBackSoon();
        } else if (auto *handle = qobject_cast<QWindow *>(watched)) {
            if (handle->isExposed())
                m_overSeenOnScreen.insert(handle);
            else if (m_overSeenOnScreen.contains(handle))
                comeBackSoon();
        }
        break;
    case QEvent::WindowStateChange:
    case QEvent::Hide:
        if (watched == m_window || (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())) {
            if (event->type() == QEvent::Hide && watched != m_window)
                m_overSeenOnScreen.remove(static_cast<QWidget *>(watched)->windowHandle());
            comeBackSoon();
        }
        break;
    case QEvent::ApplicationStateChange:
        comeBackSoon();
        break;
    default:
        break;
    }
    return false;
}

void ScreenKeeper::comeBackSoon()
{
    if (m_keeping && !m_soon->isActive())
        m_soon->start();
}

bool ScreenKeeper::offTheDesktop() const
{
    const QWindow *handle = m_window->windowHandle();
    return m_seenOnScreen && m_window->isVisible() && !m_window->isMinimized() && handle && !handle->isExposed();
}

bool ScreenKeeper::overOffTheDesktop(const QWidget *window) const
{
    const QWindow *handle = window->windowHandle();
    return handle && m_overSeenOnScreen.contains(handle) && !handle->isExposed() && !window->isMinimized();
}

bool ScreenKeeper::lost() const
{
    if (!m_window->isVisible() || m_window->isMinimized() || !m_window->isFullScreen() || offTheDesktop())
        return true;
    for (const QWidget *window : WindowsOver(m_window)) {
        if (window->isMinimized() || overOffTheDesktop(window))
            return true;
    }
    // The keys must reach the catalog: a window that closed or the manager's "unfocus" leaves them nowhere.
    const QWidget *active = QApplication::activeWindow();
    return !active || !active->isVisible() || QGuiApplication::applicationState() != Qt::ApplicationActive;
}

void ScreenKeeper::comeBack()
{
    if (!m_keeping || !m_guard() || !lost())
        return;
    m_returning = true;
    ++m_returns;
    const QList<QWidget *> over = WindowsOver(m_window);
    // A dialog taken to another desktop would block the window unseen, and shown again the manager would
    // put it back there: it is closed, as if cancelled (the password window is asked for afresh).
    for (QWidget *window : over) {
        if (overOffTheDesktop(window)) {
            m_overSeenOnScreen.remove(window->windowHandle());
            closeAsCancelled(window);
        }
    }
    if (!m_window->isVisible() || offTheDesktop()) {
        // Shown afresh, a window appears on the desktop in view; the dialogs over it follow it there
        // and stay above it.
        for (QWidget *window : over)
            window->hide();
        m_window->hide();
        m_seenOnScreen = false;
        m_window->showFullScreen();
        for (QWidget *window : over)
            window->show();
    } else if (m_window->isMinimized() || !m_window->isFullScreen()) {
        m_window->showFullScreen();
    }
    m_window->raise();
    for (QWidget *window : over) {
        if (window->isMinimized()) {
            window->showNormal();
            // The manager also marks a window it took to another desktop as minimised: one that is still
            // not on the screen after being restored is there, and is closed as above.
            QTimer::singleShot(400, window, [window] {
                if (window->isVisible() && window->windowHandle() && !window->windowHandle()->isExposed())
                    closeAsCancelled(window);
            });
        }
        window->raise();
    }
    QWidget *front = QApplication::activeModalWidget();
    if (!front || !front->isVisible())
        front = over.isEmpty() ? m_window : over.last();
    front->activateWindow();
    m_returning = false;
}
