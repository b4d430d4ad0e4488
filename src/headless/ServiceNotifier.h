#pragma once

#include "EventLoop.h"
#include "NetworkWait.h"

#include <chrono>
#include <string>

namespace kestrune::headless {

// What systemd learns of a Type=notify service: ready, its status line, reloading, stopping, and the watchdog's
// pings. Without systemd (no NOTIFY_SOCKET) every call does nothing. The pings come from the event loop and,
// while a check waits on the network or on the command, from that wait, so a long but bounded wait is not
// taken for a hang.
class ServiceNotifier : public net::WaitHook {
public:
    // The pings between checks come from loop.
    explicit ServiceNotifier(EventLoop& loop);
    ~ServiceNotifier() override;
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

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
    EventLoop& m_loop;
    EventLoop::TimerId m_timer = 0;
};

} // namespace kestrune::headless
