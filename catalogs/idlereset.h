#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

class QLabel;
class QTimer;
class QWidget;

// Brings a running catalog back to its start when nobody has used it for a while, and then, when asked,
// moves through the objects by itself until someone does. The last seconds before the return are counted
// down on a banner inside the window, so a visitor who is still reading can stay with a touch. Any input
// to the program counts: a key, the mouse, a finger, the wheel, a letter of the on-screen keyboard.
class IdleReset : public QObject
{
    Q_OBJECT
    // The lengths of a minute and of a second of this clock in milliseconds: a test runs it faster.
    Q_PROPERTY(int minuteMs MEMBER m_minuteMs)
    Q_PROPERTY(int secondMs MEMBER m_secondMs)
public:
    static constexpr int CountdownSeconds = 10;

    // The banner is shown over `window`.
    explicit IdleReset(QWidget *window);

    // Watches the input from now: `idleMinutes` without any (0: never) end in returnToStart(), the last
    // ten seconds counted down; after it, `slideSeconds` apart (0: never), nextObject() until an input.
    void start(int idleMinutes, int slideSeconds);
    void stop();
    // The slideshow ends; the catalog rests until the next input.
    void stopSlides();

    bool countingDown() const { return m_state == State::Counting; }
    int secondsLeft() const { return m_secondsLeft; }
    bool sliding() const;
    // The banner's text for `seconds` left.
    static QString CountdownText(int seconds);

Q_SIGNALS:
    // The countdown begins: nothing may stand over it.
    void countdownStarted();
    void returnToStart();
    void nextObject();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class State { Off, Watching, Counting, Resting };
    void inputSeen();
    void watchAgain();
    void checkIdle();
    void countdownTick();
    void showBanner();

    QWidget *m_window;
    QLabel *m_banner;
    QTimer *m_idle;        // until the countdown may begin
    QTimer *m_countdown;   // one tick a second
    QTimer *m_slides;
    QElapsedTimer m_sinceInput;
    QPoint m_lastMouse;
    State m_state = State::Off;
    int m_idleMs = 0;
    int m_slideMs = 0;
    int m_secondsLeft = 0;
    int m_minuteMs = 60000;
    int m_secondMs = 1000;
};
