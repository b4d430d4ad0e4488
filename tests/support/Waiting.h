#pragma once

#include "NetAntiFreeze.h"

#include <chrono>
#include <functional>

namespace testsupport {

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// A wait hook that runs its action once, inside the first network wait, the way a timer handler could.
struct ActOnFirstWait : TNetWaitHook {
    std::function<void()> during;
    short Wait(int fd, short events, int timeoutMs) override
    {
        if (during) {
            auto action = std::move(during);
            during = nullptr;
            action();
        }
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
};

} // namespace testsupport
