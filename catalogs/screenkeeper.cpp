#include "catalogs/screenkeeper.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#ifdef VIRANDEL_HAS_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

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

// On an X server the window is shown on every desktop: switching desktops (the manager's Alt with the
// mouse wheel) leaves it in view, and a window sent to another desktop comes back to all of them.
void KeepOnEveryDesktop(QWidget *window)
{
#ifdef VIRANDEL_HAS_XCB
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection()
        || !window->testAttribute(Qt::WA_WState_Created))
        return;
    xcb_connection_t *connection = x11->connection();
    const QByteArray name("_NET_WM_DESKTOP");
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    if (!atom)
        return;
    constexpr uint32_t EveryDesktop = 0xFFFFFFFF;
    const auto id = xcb_window_t(window->winId());
    // Read by the manager when the window is shown afresh...
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom->atom, XCB_ATOM_CARDINAL, 32, 1, &EveryDesktop);
    // ...and asked of it for a window already shown.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = atom->atom;
    message.data.data32[0] = EveryDesktop;
    message.data.data32[1] = 2;   // asked for on the user's behalf
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    free(atom);
#else
    Q_UNUSED(window);
#endif
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
    if (m_guard())
        KeepOnEveryDesktop(m_window);
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
    case QEvent::Show:
        // Before the window is on the screen: the manager shows it on every desktop from the start.
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()
            && static_cast<QWidget *>(watched)->windowType() != Qt::Popup
            && static_cast<QWidget *>(watched)->windowType() != Qt::ToolTip && m_guard())
            KeepOnEveryDesktop(static_cast<QWidget *>(watched));
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
    KeepOnEveryDesktop(m_window);
    for (QWidget *window : over)
        KeepOnEveryDesktop(window);
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
