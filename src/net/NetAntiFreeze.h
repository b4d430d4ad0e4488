#pragma once

#include <thread>

// Replaceable wait used for every network wait of the process. The window layer installs one that waits
// inside its event loop so the window stays responsive; without one a plain poll() is used.
class TNetWaitHook {
public:
    virtual ~TNetWaitHook() = default;
    // Waits until fd reports one of pollEvents (POLLIN, POLLOUT) or timeoutMs passes (-1 = no limit).
    // Returns the poll-style revents (POLLERR/POLLHUP included), 0 on time-out.
    virtual short Wait(int fd, short pollEvents, int timeoutMs) = 0;
};

// The anti-freeze. Its static part is the process-wide hook; the object form carries the component's
// settings, and at most one object may exist at a time.
class TNetAntiFreeze {
public:
    TNetAntiFreeze();
    ~TNetAntiFreeze();
    TNetAntiFreeze(const TNetAntiFreeze&) = delete;
    TNetAntiFreeze& operator=(const TNetAntiFreeze&) = delete;

    bool Active = true;
    bool ApplicationHasPriority = true;
    int IdleTimeOut = 250;
    bool OnlyWhenIdle = true;

    // Installs hook for waits made on the calling thread (the GUI thread); nullptr restores plain poll().
    // The hook is not owned and must outlive its installation.
    static void InstallHook(TNetWaitHook* hook);
    static TNetWaitHook* InstalledHook();
    // True when waits of the calling thread go through an installed hook of an active anti-freeze.
    static bool HookActiveForThisThread();
    // The one wait of the network layer. timeoutMs -1 = no limit. Returns revents, 0 on time-out.
    static short Wait(int fd, short pollEvents, int timeoutMs);
    // Plain poll() retried on EINTR with the remaining time; used when no hook applies. Also ends (raising
    // ENetCancelled) when CancelAllWaits is called.
    static short PollWait(int fd, short pollEvents, int timeoutMs);
    // The program is closing: every network wait, under way or later, ends and raises ENetCancelled.
    // Safe to call from a signal handler and from any thread.
    static void CancelAllWaits();
    static bool WaitsCancelled();
    // Becomes readable (for good) once CancelAllWaits was called; a hook watches it beside its own fd.
    static int CancelFd();
    static void ThrowIfCancelled();
};
