#include "app/watchdog.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>
#include <systemd/sd-daemon.h>

ServiceHeartbeat::ServiceHeartbeat(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ServiceHeartbeat::Beat);
}

bool ServiceHeartbeat::UnderServiceManager()
{
    return !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
}

void ServiceHeartbeat::Ready()
{
    if (m_ready || !UnderServiceManager())
        return;
    m_ready = true;
    sd_notify(0, "READY=1");
    uint64_t usec = 0;
    // Zero or an error: the manager watches no heartbeat (WATCHDOG_USEC unset, or meant for another process).
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        m_timer.setInterval(int(qBound<uint64_t>(1, usec / 2000, 24 * 3600 * 1000)));
        m_timer.start();
    }
}

void ServiceHeartbeat::Beat()
{
    sd_notify(0, "WATCHDOG=1");
}

void StartServiceHeartbeat()
{
    if (!ServiceHeartbeat::UnderServiceManager())
        return;
    auto *heartbeat = new ServiceHeartbeat(qApp);
    // The first window is shown once the event loop runs; until one is visible, look again shortly.
    auto *waitForWindow = new QTimer(heartbeat);
    waitForWindow->setInterval(50);
    QObject::connect(waitForWindow, &QTimer::timeout, heartbeat, [heartbeat, waitForWindow] {
        const QWindowList windows = QGuiApplication::topLevelWindows();
        if (std::none_of(windows.begin(), windows.end(), [](QWindow *w) { return w->isVisible(); }))
            return;
        waitForWindow->stop();
        waitForWindow->deleteLater();
        heartbeat->Ready();
    });
    waitForWindow->start();
}
