#pragma once

#include <QObject>
#include <QTimer>

// The heartbeat a service manager watches when it runs the program (the kiosk session): READY=1 once the
// program is up, then WATCHDOG=1 from the interface thread at half the interval the manager asked for, so
// that an interface that stops answering stops the heartbeat and the manager restarts the program.
// Outside a service manager (no NOTIFY_SOCKET in the environment) nothing is ever sent.
class ServiceHeartbeat : public QObject
{
    Q_OBJECT
public:
    explicit ServiceHeartbeat(QObject *parent = nullptr);

    static bool UnderServiceManager();
    // Tells the manager the program is up and starts the heartbeat; later calls do nothing.
    void Ready();

private:
    void Beat();

    QTimer m_timer;
    bool m_ready = false;
};

// Sends READY=1 once the program's first window is on screen, then keeps the heartbeat; does nothing
// outside a service manager.
void StartServiceHeartbeat();
