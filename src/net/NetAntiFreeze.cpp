#include "NetAntiFreeze.h"

#include "NetExceptions.h"
#include "NetMessages.h"
#include "NetSocket.h"

#include <atomic>
#include <mutex>

namespace {
std::mutex gLock;
TNetAntiFreeze* gInstance = nullptr;
TNetWaitHook* gHook = nullptr;
std::thread::id gHookThread;
std::atomic<bool> gCancelled{false};
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
    gCancelled.store(true);
}

bool TNetAntiFreeze::WaitsCancelled() {
    return gCancelled.load();
}

short TNetAntiFreeze::Wait(int fd, short pollEvents, int timeoutMs) {
    if (gCancelled.load())
        throw ENetCancelled(NetMsg::Cancelled);
    TNetWaitHook* hook = nullptr;
    {
        std::lock_guard lock(gLock);
        if (gHook && gHookThread == std::this_thread::get_id() && (!gInstance || gInstance->Active))
            hook = gHook;
    }
    if (hook)
        return hook->Wait(fd, pollEvents, timeoutMs < 0 ? -1 : timeoutMs);
    return PollWait(fd, pollEvents, timeoutMs);
}

short TNetAntiFreeze::PollWait(int fd, short pollEvents, int timeoutMs) {
    return NetSock::PollFd(fd, pollEvents, timeoutMs);
}
