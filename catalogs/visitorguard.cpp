#include "catalogs/visitorguard.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
// What a key pressed by a visitor of a guarded catalog does.
enum class VisitorKey {
    Allowed,           // browsing and typing: arrows, letters, editing keys
    Refused,           // keys that open, save, print, help or leave full screen, and the manager's keys
    AsksForPassword,   // keys that close a window: the way out is the exit password
};

VisitorKey ClassifyVisitorKey(const QKeyEvent &key)
{
    const int code = key.key();
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const bool ctrlOnly = modifiers == Qt::ControlModifier;
    // Named as well as the platform's own: the platforms' lists of standard keys differ.
    if ((code == Qt::Key_Escape && !alt) || (code == Qt::Key_F4 && (alt || ctrlOnly))
        || (ctrlOnly && (code == Qt::Key_W || code == Qt::Key_Q)) || key.matches(QKeySequence::Close)
        || key.matches(QKeySequence::Quit))
        return VisitorKey::AsksForPassword;
    if (ctrlOnly && (code == Qt::Key_O || code == Qt::Key_S || code == Qt::Key_P || code == Qt::Key_N))
        return VisitorKey::Refused;
    switch (code) {
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Meta:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Menu:
    case Qt::Key_F1:
    case Qt::Key_F11:
    case Qt::Key_Help:
    case Qt::Key_Print:
    case Qt::Key_Launch0:
    case Qt::Key_LaunchMail:
    case Qt::Key_Explorer:
    case Qt::Key_HomePage:
    case Qt::Key_Search:
    case Qt::Key_Terminal:
        return VisitorKey::Refused;
    default:
        break;
    }
    // The window manager's keys: the Super key held, Ctrl+Alt (desktops), Alt with Tab, Space, Esc or a
    // function key (switching, its window menu, lowering).
    if (modifiers & Qt::MetaModifier)
        return VisitorKey::Refused;
    if (alt && ((modifiers & Qt::ControlModifier) || code == Qt::Key_Tab || code == Qt::Key_Backtab
                || code == Qt::Key_Space || code == Qt::Key_Escape || (code >= Qt::Key_F1 && code <= Qt::Key_F35)))
        return VisitorKey::Refused;
    for (const QKeySequence::StandardKey opening :
         {QKeySequence::Open, QKeySequence::Save, QKeySequence::SaveAs, QKeySequence::Print, QKeySequence::New,
          QKeySequence::HelpContents, QKeySequence::WhatsThis, QKeySequence::FullScreen, QKeySequence::Preferences}) {
        if (key.matches(opening))
            return VisitorKey::Refused;
    }
    return VisitorKey::Allowed;
}

// Whether `object` is `window`, a widget of it or its native window (which sees the keys first).
bool InsideWindow(QObject *object, const QWidget *window)
{
    if (object && object->isWidgetType())
        return static_cast<QWidget *>(object)->window() == window;
    return object && object == window->windowHandle();
}
}

VisitorGuard::VisitorGuard(QWidget *catalog, std::function<bool()> guarded, QObject *parent)
    : QObject(parent)
    , m_catalog(catalog)
    , m_guarded(std::move(guarded))
{
    // The keyboard is lost to a closing menu or a window hidden and shown again: it is taken back soon.
    m_holdAgain = new QTimer(this);
    m_holdAgain->setInterval(1000);
    connect(m_holdAgain, &QTimer::timeout, this, &VisitorGuard::holdKeyboard);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this] {
        if (m_watching)
            QTimer::singleShot(0, this, &VisitorGuard::holdKeyboard);
    });
    m_catalog->installEventFilter(this);
    watchApplication(m_catalog->isVisible());
}

VisitorGuard::~VisitorGuard()
{
    watchApplication(false);
}

bool VisitorGuard::active() const
{
    return m_watching && m_guarded();
}

void VisitorGuard::watchApplication(bool on)
{
    if (on == m_watching)
        return;
    m_watching = on;
    if (on) {
        qApp->installEventFilter(this);
        m_holdAgain->start();
        QTimer::singleShot(0, this, &VisitorGuard::holdKeyboard);
    } else {
        qApp->removeEventFilter(this);
        m_holdAgain->stop();
        releaseKeyboard();
    }
}

bool VisitorGuard::refuse()
{
    ++m_refusals;
    return true;
}

bool VisitorGuard::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_catalog && (type == QEvent::Show || type == QEvent::Hide)) {
        watchApplication(type == QEvent::Show);
        return false;
    }
    if (!m_watching)
        return false;
    switch (type) {
    case QEvent::ContextMenu:
        // A right click, a long press or the menu key, on any widget: the menus of text boxes, lists
        // and scroll bars included.
        if (m_guarded()) {
            event->accept();
            return refuse();
        }
        return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        return m_guarded() && keyEvent(watched, static_cast<QKeyEvent *>(event));
    case QEvent::Shortcut:
        return m_guarded() && !ownShortcut(watched) && refuse();
    case QEvent::Hide:
        // A closing menu gave the keyboard up.
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->windowType() == Qt::Popup)
            QTimer::singleShot(0, this, &VisitorGuard::holdKeyboard);
        return false;
    case QEvent::Expose:
        if (m_catalog->windowHandle() == watched && m_catalog->windowHandle()->isExposed())
            QTimer::singleShot(0, this, &VisitorGuard::holdKeyboard);
        return false;
    default:
        return false;
    }
}

bool VisitorGuard::keyEvent(QObject *watched, QKeyEvent *key)
{
    const VisitorKey kind = ClassifyVisitorKey(*key);
    if (kind == VisitorKey::Allowed)
        return false;
    const bool inCatalog = InsideWindow(watched, m_catalog);
    // Esc in the password window or a message box is their own "Отмена".
    if (!inCatalog && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
        return false;
    if (key->type() == QEvent::ShortcutOverride) {
        // Taken by the widget: no shortcut of any window fires; the key press itself comes next.
        key->accept();
        return true;
    }
    if (kind == VisitorKey::AsksForPassword && inCatalog) {
        // The exit check of the window asks for the password.
        m_catalog->close();
        return true;
    }
    return refuse();
}

bool VisitorGuard::ownShortcut(QObject *shortcut) const
{
    if (auto *keys = qobject_cast<QShortcut *>(shortcut))
        return InsideWindow(keys->parent(), m_catalog);
    if (auto *action = qobject_cast<QAction *>(shortcut)) {
        for (QObject *owner : action->associatedObjects()) {
            if (InsideWindow(owner, m_catalog))
                return true;
        }
    }
    return false;
}

void VisitorGuard::holdKeyboard()
{
    if (!m_watching)
        return;
    if (!m_guarded()) {
        releaseKeyboard();
        return;
    }
    // A menu holds the keyboard for itself while open. Only an X server lets a program hold it (under a
    // single-application compositor there is nothing to hold it from).
    if (QApplication::activePopupWidget() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // Held for the window that has the keys (the password window over the catalog), so that holding it
    // moves the focus nowhere.
    QWindow *window = QGuiApplication::focusWindow();
    if (!window || window->type() == Qt::Popup || !window->isExposed())
        window = m_catalog->windowHandle();
    if (window && window->isExposed() && window->setKeyboardGrabEnabled(true))
        m_holding = true;
}

void VisitorGuard::releaseKeyboard()
{
    if (!m_holding)
        return;
    m_holding = false;
    // One keyboard per program: giving it up through any window gives it up.
    if (QWindow *window = m_catalog->windowHandle())
        window->setKeyboardGrabEnabled(false);
}
