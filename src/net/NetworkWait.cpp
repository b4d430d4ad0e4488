#include "NetworkWait.h"

#include "NetworkErrors.h"
#include "NetworkTexts.h"
#include "SocketHandle.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace kestrune::net {

namespace {
std::mutex gLock;
NetworkWait* gInstance = nullptr;
WaitHook* gHook = nullptr;
std::thread::id gHookThread;
std::atomic<bool> gCancelled{false};

// Written once by cancelAllWaits and never drained, so every wait that also watches the read end wakes at
// once. Made before main, so a cancel from a signal handler always finds it.
struct CancelPipe {
    int fds[2] = {-1, -1};
    CancelPipe() {
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            fds[0] = fds[1] = -1;
    }
    ~CancelPipe() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};
const CancelPipe gCancelPipe;
} // namespace

NetworkWait::NetworkWait() {
    std::lock_guard lock(gLock);
    if (gInstance)
        throw NetworkError(texts::kOnlyOneAntiFreeze);
    gInstance = this;
}

NetworkWait::~NetworkWait() {
    std::lock_guard lock(gLock);
    if (gInstance == this)
        gInstance = nullptr;
}

void NetworkWait::installHook(WaitHook* hook) {
    std::lock_guard lock(gLock);
    gHook = hook;
    gHookThread = std::this_thread::get_id();
}

WaitHook* NetworkWait::installedHook() {
    std::lock_guard lock(gLock);
    return gHook;
}

bool NetworkWait::hookActiveForThisThread() {
    std::lock_guard lock(gLock);
    return gHook && gHookThread == std::this_thread::get_id() && (!gInstance || gInstance->active);
}

void NetworkWait::cancelAllWaits() {
    const int savedErrno = errno;
    if (!gCancelled.exchange(true) && gCancelPipe.fds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t written = ::write(gCancelPipe.fds[1], &byte, 1);
    }
    errno = savedErrno;
}

int NetworkWait::cancelFd() { return gCancelPipe.fds[0]; }

void NetworkWait::throwIfCancelled() {
    if (gCancelled.load())
        throw CancelledError(texts::kCancelled);
}

bool NetworkWait::waitsCancelled() {
    return gCancelled.load();
}

short NetworkWait::wait(int fd, short pollEvents, int timeoutMs) {
    throwIfCancelled();
    WaitHook* hook = nullptr;
    {
        std::lock_guard lock(gLock);
        if (gHook && gHookThread == std::this_thread::get_id() && (!gInstance || gInstance->active))
            hook = gHook;
    }
    const short revents = hook ? hook->wait(fd, pollEvents, timeoutMs < 0 ? -1 : timeoutMs)
                               : pollWait(fd, pollEvents, timeoutMs);
    throwIfCancelled();
    return revents;
}

short NetworkWait::pollWait(int fd, short pollEvents, int timeoutMs) {
    const short revents = sockets::pollFd(fd, pollEvents, timeoutMs, cancelFd());
    throwIfCancelled();
    return revents;
}

int remainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0;
}

} // namespace kestrune::net
