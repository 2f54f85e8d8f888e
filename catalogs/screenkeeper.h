#pragma once

#include <QObject>
#include <QSet>
#include <functional>

class QTimer;
class QWidget;
class QWindow;

// Keeps a full-screen window in front of a visitor while its guard holds. Whatever the window manager
// does to it - minimises it, hides it, takes it off the desktop in view, ends its full-screen state,
// lowers it and takes the focus away - the window comes back full screen, on the desktop in view and
// in front, and the dialogs shown over it (the password window) come back above it.
class ScreenKeeper : public QObject
{
    Q_OBJECT
public:
    ScreenKeeper(QWidget *window, std::function<bool()> guard, QObject *parent = nullptr);

    void start();   // the window has just been shown full screen
    void stop();    // the window is leaving for good
    bool keeping() const { return m_keeping; }
    int returns() const { return m_returns; }   // times the window was brought back

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool lost() const;
    bool offTheDesktop() const;
    // A dialog over the window that the manager took off the desktop in view (sent to another one).
    bool overOffTheDesktop(const QWidget *window) const;
    void comeBackSoon();
    void comeBack();

    QWidget *m_window;
    std::function<bool()> m_guard;
    QTimer *m_soon;
    bool m_keeping = false;
    bool m_returning = false;
    // Mapping is asynchronous: a window not yet shown on the screen is not one the manager took away.
    bool m_seenOnScreen = false;
    // The same for the dialogs over the window: those shown on the screen since they were last shown.
    QSet<const QWindow *> m_overSeenOnScreen;
    int m_returns = 0;
};
