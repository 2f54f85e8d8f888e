#include "objects/listfollower.h"

#include "app/forms.h"
#include "core/changenotice.h"
#include "core/dmodule.h"
#include "objects/form7.h"

#include <QApplication>
#include <QEvent>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <utility>

ListFollower::ListFollower(TDModule &module, QWidget *window, std::function<void()> reloadObjects,
                           std::function<void()> reloadDesign)
    : QObject(window)
    , m_module(module)
    , m_window(window)
    , m_reloadObjects(std::move(reloadObjects))
    , m_reloadDesign(std::move(reloadDesign))
{
    m_retry = new QTimer(this);
    m_retry->setInterval(250);
    connect(m_retry, &QTimer::timeout, this, &ListFollower::tryNow);
    connect(&module, &TDModule::ObjectsChanged, this, [this] { arrived(ChangeNotice::Objects); });
    connect(&module, &TDModule::DesignChanged, this, [this] { arrived(ChangeNotice::Design); });
}

void ListFollower::catchUpWhenShown()
{
    m_catchUp = true;
    m_window->installEventFilter(this);
}

bool ListFollower::eventFilter(QObject *watched, QEvent *event)
{
    // After the window is on screen, so that a message the reload shows has it as its owner.
    if (watched == m_window && event->type() == QEvent::Show && m_waiting)
        QTimer::singleShot(0, this, &ListFollower::tryNow);
    return QObject::eventFilter(watched, event);
}

void ListFollower::arrived(int changes)
{
    if (!m_module.connected() || (!m_window->isVisible() && !m_catchUp))
        return;
    m_waiting |= changes;
    tryNow();
}

bool ListFollower::userBusy() const
{
    // The running catalog is modal itself: only a dialog above the window counts. A progress dialog of
    // the window means an action keeps the window painted while it works, perhaps before the dialog shows.
    const QWidget *modal = QApplication::activeModalWidget();
    return !m_window->isEnabled() || (modal && modal != m_window->window()) || QApplication::activePopupWidget()
           || m_window->findChild<QProgressDialog *>() || (Form7 && Form7->isVisible()) || m_module.InTransaction()
           || (m_busy && m_busy());
}

void ListFollower::tryNow()
{
    if (!m_window->isVisible() || !m_module.connected()) {
        // Left meanwhile: the window reads everything when shown again, or catches up then.
        if (!m_catchUp || !m_module.connected())
            m_waiting = 0;
        m_retry->stop();
        return;
    }
    if (userBusy()) {
        // Checked again shortly: a dialog's end gives no signal of its own to every window.
        if (!m_retry->isActive())
            m_retry->start();
        return;
    }
    m_retry->stop();
    const int changes = std::exchange(m_waiting, 0);
    if (changes & ChangeNotice::Design)
        m_reloadDesign();
    else if (changes & ChangeNotice::Objects)
        m_reloadObjects();
}
