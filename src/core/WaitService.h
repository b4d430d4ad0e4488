#pragma once

#include <memory>

namespace kestrune::net { class NetworkWait; }

namespace kestrune::core {

// Network waits as the face provides them, as TimerService provides time: the window waits inside its event
// loop so that it answers while a check waits; without a service a plain poll is used.
class WaitService {
public:
    virtual ~WaitService() = default;
    // Waits until fd reports one of pollEvents (POLLIN, POLLOUT) or timeoutMs passes (-1: no limit); the
    // poll-style revents (POLLERR and POLLHUP included), 0 on time-out.
    virtual short wait(int fd, short pollEvents, int timeoutMs) = 0;

    // What a service builds on: a plain poll that a cancel ends too, the descriptor that becomes readable
    // once every wait is cancelled, and the cancel's error for a wait that can no longer end.
    static short pollNow(int fd, short pollEvents, int timeoutMs);
    static int cancelFd();
    [[noreturn]] static void throwCancelled();
    // The program is closing: every network wait, under way or later, ends. Safe from a signal handler.
    static void cancelAll();
};

// While it lives, the network waits of the thread that made it go through service. One at a time.
class WaitServiceScope {
public:
    explicit WaitServiceScope(WaitService& service);
    ~WaitServiceScope();
    WaitServiceScope(const WaitServiceScope&) = delete;
    WaitServiceScope& operator=(const WaitServiceScope&) = delete;

private:
    class Hook;
    std::unique_ptr<net::NetworkWait> m_antiFreeze;
    std::unique_ptr<Hook> m_hook;
};

} // namespace kestrune::core
