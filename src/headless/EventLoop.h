#pragma once

#include <chrono>
#include <functional>
#include <map>

namespace kestrune::headless {

// The face without a window needs timers, a few descriptors and a way out, not an application framework: a
// poll(2) loop keeps the program free of Qt, so a service costs a third of the window's memory or less.
// Callbacks run one at a time from exec(); they may start and stop timers, watch and unwatch descriptors.
class EventLoop {
public:
    using Callback = std::function<void()>;
    using TimerId = int;

    // A timer that repeats every interval once started, as long as it is not stopped.
    TimerId addTimer(Callback callback);
    // (Re)starts the timer: the first expiry is one interval from now.
    void startTimer(TimerId id, std::chrono::milliseconds interval);
    void stopTimer(TimerId id);

    // onReadable runs whenever fd has something to read, until unwatch(fd).
    void watch(int fd, Callback onReadable);
    void unwatch(int fd);

    // Runs until exit(); its status, or -1 when poll(2) fails. An exit() before exec() is forgotten, as each run
    // starts afresh.
    int exec();
    void exit(int status);

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Callback callback;
        std::chrono::milliseconds interval{0};
        Clock::time_point due{};
        bool active = false;
    };

    int msUntilNextTimer() const;
    void runDueTimers();

    std::map<TimerId, Timer> m_timers;
    std::map<int, Callback> m_watched;
    TimerId m_nextTimer = 1;
    bool m_exiting = false;
    int m_status = 0;
};

} // namespace kestrune::headless
