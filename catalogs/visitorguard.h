#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QTimer;
class QWidget;

// While a catalog runs behind the exit password and its window is on the screen, a visitor's keys, clicks
// and touches reach only what browsing needs: no context menu opens (right click, long press, the menu
// key), the keys that close a window ask for the password, the keys that would open something do
// nothing, and no shortcut of the program's other windows fires. The keyboard is held by the program,
// so the window manager's own keys (switching windows and desktops, its window menu) do not reach it.
class VisitorGuard : public QObject
{
    Q_OBJECT
public:
    VisitorGuard(QWidget *catalog, std::function<bool()> guarded, QObject *parent = nullptr);
    ~VisitorGuard() override;

    bool active() const;
    int refusals() const { return m_refusals; }   // events refused so far

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchApplication(bool on);
    bool keyEvent(QObject *watched, QKeyEvent *key);
    bool ownShortcut(QObject *shortcut) const;
    void holdKeyboard();
    void releaseKeyboard();
    bool refuse();

    QWidget *m_catalog;
    std::function<bool()> m_guarded;
    QTimer *m_holdAgain;
    bool m_holding = false;   // the keyboard is held (as far as the program knows)
    bool m_watching = false;
    int m_refusals = 0;
};
