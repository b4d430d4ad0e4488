#pragma once

#include "NetworkWait.h"

#include <QObject>

#include <chrono>
#include <string>

class QTimer;

namespace kestrune::headless {

// What systemd learns of a Type=notify service: ready, its status line, reloading, stopping, and the watchdog's
// pings. Without systemd (no NOTIFY_SOCKET) every call does nothing. The pings come from the event loop and,
// while a check waits on the network or on the command, from that wait, so a long but bounded wait is not
// taken for a hang.
class ServiceNotifier : public QObject, public net::WaitHook {
    Q_OBJECT
public:
    explicit ServiceNotifier(QObject* parent = nullptr);
    ~ServiceNotifier() override;

    void ready();
    void status(const std::string& text);
    void reloading();
    void stopping();
    // Half the watchdog's period, or zero when no watchdog watches this process.
    std::chrono::milliseconds pingInterval() const { return m_pingInterval; }

    // WaitHook: a plain poll in slices of the ping interval.
    short wait(int fd, short pollEvents, int timeoutMs) override;

private:
    void send(const std::string& message);
    void ping();

    std::chrono::milliseconds m_pingInterval{0};
    QTimer* m_timer = nullptr;
};

} // namespace kestrune::headless
