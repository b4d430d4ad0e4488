#pragma once

#include "NetworkWait.h"

#include <sys/resource.h>

#include <chrono>
#include <functional>

namespace testsupport {

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// User and system time this process has used so far; a wait that spins shows up here.
inline double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A wait hook that runs its action once, inside the first network wait, the way a timer handler could.
struct ActOnFirstWait : kestrune::net::WaitHook {
    std::function<void()> during;
    short wait(int fd, short events, int timeoutMs) override
    {
        if (during) {
            auto action = std::move(during);
            during = nullptr;
            action();
        }
        return kestrune::net::NetworkWait::pollWait(fd, events, timeoutMs);
    }
};

} // namespace testsupport
