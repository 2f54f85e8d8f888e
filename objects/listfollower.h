#pragma once

#include <QObject>
#include <functional>

class QTimer;
class QWidget;
class TDModule;

// Keeps a window in step with the other programs working on the same server database. A hidden window
// is left alone (the object list's windows read everything when shown). While the user is busy - an
// editor or a modal dialog open, the window disabled, an action under way - the reload waits and comes
// once when the user is done.
class ListFollower : public QObject
{
    Q_OBJECT
public:
    ListFollower(TDModule &module, QWidget *window, std::function<void()> reloadObjects,
                 std::function<void()> reloadDesign);

    // Whether a reload waits for the user to finish.
    bool waiting() const { return m_waiting != 0; }

    // What else keeps the user busy in this window (a half-filled input panel).
    void setBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }
    // For a window that does not read everything when shown: a change that arrived while it was hidden
    // is applied when it is shown again.
    void catchUpWhenShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arrived(int changes);
    void tryNow();
    bool userBusy() const;

    TDModule &m_module;
    QWidget *m_window;
    std::function<void()> m_reloadObjects, m_reloadDesign;
    std::function<bool()> m_busy;
    bool m_catchUp = false;
    int m_waiting = 0;
    QTimer *m_retry = nullptr;
};
