#pragma once

#include <chrono>

namespace kestrune::core {

enum class TimerId {
    Minute,         // the scheduler's tick
    ServiceBlock1,  // ends the block of the first external service
    ServiceBlock2,  // ends the block of the second
    Retry,          // the next try of a publish step that failed; restarted with each new due time
    AddressSettle,  // a check shortly after the kernel reported an address or link change
};

// Time as the face provides it: a repeating timer per id that calls Monitor::onTimer(id) at each interval.
class TimerService {
public:
    virtual ~TimerService() = default;
    // Starts the timer, or restarts its interval when it runs already.
    virtual void start(TimerId id, std::chrono::milliseconds interval) = 0;
    virtual void stop(TimerId id) = 0;
};

inline constexpr std::chrono::milliseconds kMinuteInterval{60000};
inline constexpr std::chrono::milliseconds kServiceBlockInterval{600000};

} // namespace kestrune::core
