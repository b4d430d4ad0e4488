#pragma once

#include <chrono>
#include <thread>

namespace kestrune::net {

// Replaceable wait used for every network wait of the process. The window layer installs one that waits
// inside its event loop so the window stays responsive; without one a plain poll() is used.
class WaitHook {
public:
    virtual ~WaitHook() = default;
    // Waits until fd reports one of pollEvents (POLLIN, POLLOUT) or timeoutMs passes (-1 = no limit).
    // Returns the poll-style revents (POLLERR/POLLHUP included), 0 on time-out.
    virtual short wait(int fd, short pollEvents, int timeoutMs) = 0;
};

// The anti-freeze. Its static part is the process-wide hook; the object form carries the component's
// settings, and at most one object may exist at a time.
class NetworkWait {
public:
    NetworkWait();
    ~NetworkWait();
    NetworkWait(const NetworkWait&) = delete;
    NetworkWait& operator=(const NetworkWait&) = delete;

    bool active = true;
    bool applicationHasPriority = true;
    int idleTimeOut = 250;
    bool onlyWhenIdle = true;

    // Installs hook for waits made on the calling thread (the GUI thread); nullptr restores plain poll().
    // The hook is not owned and must outlive its installation.
    static void installHook(WaitHook* hook);
    static WaitHook* installedHook();
    // True when waits of the calling thread go through an installed hook of an active anti-freeze.
    static bool hookActiveForThisThread();
    // The one wait of the network layer. timeoutMs -1 = no limit. Returns revents, 0 on time-out.
    static short wait(int fd, short pollEvents, int timeoutMs);
    // Plain poll() retried on EINTR with the remaining time; used when no hook applies. Also ends (raising
    // CancelledError) when cancelAllWaits is called.
    static short pollWait(int fd, short pollEvents, int timeoutMs);
    // The program is closing: every network wait, under way or later, ends and raises CancelledError.
    // Safe to call from a signal handler and from any thread.
    static void cancelAllWaits();
    static bool waitsCancelled();
    // Becomes readable (for good) once cancelAllWaits was called; a hook watches it beside its own fd.
    static int cancelFd();
    static void throwIfCancelled();
};

// The milliseconds left until deadline as a wait's bound: 0 once it has passed.
int remainingMs(std::chrono::steady_clock::time_point deadline);

} // namespace kestrune::net
