#include "NetAntiFreeze.h"

#include "NetExceptions.h"
#include "NetMessages.h"
#include "NetSocket.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {
std::mutex gLock;
TNetAntiFreeze* gInstance = nullptr;
TNetWaitHook* gHook = nullptr;
std::thread::id gHookThread;
std::atomic<bool> gCancelled{false};

// Written once by CancelAllWaits and never drained, so every wait that also watches the read end wakes at
// once. Made before main, so a cancel from a signal handler always finds it.
struct TCancelPipe {
    int fds[2] = {-1, -1};
    TCancelPipe() {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            fds[0] = fds[1] = -1;
    }
    ~TCancelPipe() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};
const TCancelPipe gCancelPipe;
} // namespace

TNetAntiFreeze::TNetAntiFreeze() {
    std::lock_guard lock(gLock);
    if (gInstance)
        throw ENetException(NetMsg::OnlyOneAntiFreeze);
    gInstance = this;
}

TNetAntiFreeze::~TNetAntiFreeze() {
    std::lock_guard lock(gLock);
    if (gInstance == this)
        gInstance = nullptr;
}

void TNetAntiFreeze::InstallHook(TNetWaitHook* hook) {
    std::lock_guard lock(gLock);
    gHook = hook;
    gHookThread = std::this_thread::get_id();
}

TNetWaitHook* TNetAntiFreeze::InstalledHook() {
    std::lock_guard lock(gLock);
    return gHook;
}

bool TNetAntiFreeze::HookActiveForThisThread() {
    std::lock_guard lock(gLock);
    return gHook && gHookThread == std::this_thread::get_id() && (!gInstance || gInstance->Active);
}

void TNetAntiFreeze::CancelAllWaits() {
    const int savedErrno = errno;
    if (!gCancelled.exchange(true) && gCancelPipe.fds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t written = ::write(gCancelPipe.fds[1], &byte, 1);
    }
    errno = savedErrno;
}

int TNetAntiFreeze::CancelFd() { return gCancelPipe.fds[0]; }

void TNetAntiFreeze::ThrowIfCancelled() {
    if (gCancelled.load())
        throw ENetCancelled(NetMsg::Cancelled);
}

bool TNetAntiFreeze::WaitsCancelled() {
    return gCancelled.load();
}

short TNetAntiFreeze::Wait(int fd, short pollEvents, int timeoutMs) {
    ThrowIfCancelled();
    TNetWaitHook* hook = nullptr;
    {
        std::lock_guard lock(gLock);
        if (gHook && gHookThread == std::this_thread::get_id() && (!gInstance || gInstance->Active))
            hook = gHook;
    }
    const short revents = hook ? hook->Wait(fd, pollEvents, timeoutMs < 0 ? -1 : timeoutMs)
                               : PollWait(fd, pollEvents, timeoutMs);
    ThrowIfCancelled();
    return revents;
}

short TNetAntiFreeze::PollWait(int fd, short pollEvents, int timeoutMs) {
    const short revents = NetSock::PollFd(fd, pollEvents, timeoutMs, CancelFd());
    ThrowIfCancelled();
    return revents;
}
