#include "catalogs/idlereset.h"

#include "catalogs/touchnavigation.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

IdleReset::IdleReset(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("IdleReset"));
    m_banner = new QLabel(window);
    m_banner->setObjectName(QStringLiteral("CountdownBanner"));
    m_banner->setAlignment(Qt::AlignCenter);
    m_banner->setWordWrap(true);
    // A touch on the banner is a touch on what lies under it: it cancels the countdown and acts there.
    m_banner->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_banner->setStyleSheet(QStringLiteral("QLabel { background-color: rgba(16, 16, 16, 220); color: white; "
                                           "border-radius: 24px; padding: 32px; }"));
    m_banner->hide();

    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    connect(m_idle, &QTimer::timeout, this, &IdleReset::checkIdle);
    m_countdown = new QTimer(this);
    connect(m_countdown, &QTimer::timeout, this, &IdleReset::countdownTick);
    m_slides = new QTimer(this);
    connect(m_slides, &QTimer::timeout, this, &IdleReset::nextObject);
}

QString IdleReset::CountdownText(int seconds)
{
    return QStringLiteral("Каталог вернётся к началу через %1 с — коснитесь экрана").arg(seconds);
}

void IdleReset::start(int idleMinutes, int slideSeconds)
{
    stop();
    if (idleMinutes <= 0)
        return;
    m_idleMs = idleMinutes * m_minuteMs;
    m_slideMs = qMax(slideSeconds, 0) * m_secondMs;
    m_lastMouse = QPoint();
    qApp->installEventFilter(this);
    watchAgain();
}

void IdleReset::stop()
{
    if (m_state != State::Off)
        qApp->removeEventFilter(this);
    m_state = State::Off;
    m_idle->stop();
    m_countdown->stop();
    m_slides->stop();
    m_banner->hide();
}

bool IdleReset::sliding() const
{
    return m_slides->isActive();
}

void IdleReset::stopSlides()
{
    m_slides->stop();
}

bool IdleReset::eventFilter(QObject *, QEvent *event)
{
    // Only what a person does: the program's own moves of the windows and widgets are not input.
    if (!event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        // A window appearing under a resting pointer sends moves to the same place.
        const QPoint at = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        if (at == m_lastMouse)
            return false;
        m_lastMouse = at;
        inputSeen();
        break;
    }
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TabletPress:
    case QEvent::InputMethod:
        inputSeen();
        break;
    default:
        break;
    }
    return false;
}

void IdleReset::inputSeen()
{
    m_sinceInput.restart();
    if (m_state == State::Counting || m_state == State::Resting)
        watchAgain();
}

void IdleReset::watchAgain()
{
    m_countdown->stop();
    m_slides->stop();
    m_banner->hide();
    m_state = State::Watching;
    m_sinceInput.restart();
    checkIdle();
}

void IdleReset::checkIdle()
{
    if (m_state != State::Watching)
        return;
    // The timer is armed once and checked when it fires, not restarted at every move of the mouse.
    const qint64 quietNeeded = qMax<qint64>(m_idleMs - qint64(CountdownSeconds) * m_secondMs, 0);
    const qint64 left = quietNeeded - m_sinceInput.elapsed();
    if (left > 0) {
        m_idle->start(int(left));
        return;
    }
    m_state = State::Counting;
    m_secondsLeft = CountdownSeconds;
    Q_EMIT countdownStarted();
    showBanner();
    m_countdown->start(m_secondMs);
}

void IdleReset::countdownTick()
{
    if (--m_secondsLeft > 0) {
        m_banner->setText(CountdownText(m_secondsLeft));
        return;
    }
    m_countdown->stop();
    m_banner->hide();
    m_state = State::Resting;
    Q_EMIT returnToStart();
    // Until the next input the catalog rests at its start, or shows its objects one after another.
    if (m_state == State::Resting && m_slideMs > 0)
        m_slides->start(m_slideMs);
}

void IdleReset::showBanner()
{
    // Large enough to read across a hall: a sixteenth of the window's height, never under a tap.
    QFont font = m_banner->font();
    font.setBold(true);
    font.setPixelSize(qMax(TapSizePixels(m_window), m_window->height() / 16));
    m_banner->setFont(font);
    m_banner->setText(CountdownText(m_secondsLeft));
    const int width = m_window->width() * 8 / 10;
    const int height = qMin(m_banner->heightForWidth(width), m_window->height());
    m_banner->setGeometry((m_window->width() - width) / 2, (m_window->height() - height) / 2, width, height);
    m_banner->show();
    m_banner->raise();
}
