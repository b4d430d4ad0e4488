#include "EventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

namespace kestrune::headless {

EventLoop::TimerId EventLoop::addTimer(Callback callback)
{
    const TimerId id = m_nextTimer++;
    m_timers[id].callback = std::move(callback);
    return id;
}

void EventLoop::startTimer(TimerId id, std::chrono::milliseconds interval)
{
    Timer& timer = m_timers.at(id);
    timer.interval = std::max(interval, std::chrono::milliseconds(0));
    timer.due = Clock::now() + timer.interval;
    timer.active = true;
}

void EventLoop::stopTimer(TimerId id) { m_timers.at(id).active = false; }

void EventLoop::watch(int fd, Callback onReadable) { m_watched[fd] = std::move(onReadable); }

void EventLoop::unwatch(int fd) { m_watched.erase(fd); }

int EventLoop::exec()
{
    m_exiting = false;
    m_status = 0;
    while (!m_exiting) {
        std::vector<pollfd> fds;
        for (const auto& [fd, callback] : m_watched)
            fds.push_back({fd, POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), msUntilNextTimer());
        if (ready < 0 && errno != EINTR)
            return -1;
        // A callback may unwatch another descriptor or end the loop: each is looked up again before it runs.
        for (const pollfd& p : fds) {
            if (m_exiting)
                break;
            if (p.revents == 0)
                continue;
            const auto watched = m_watched.find(p.fd);
            if (watched == m_watched.end())
                continue;
            const Callback callback = watched->second;
            callback();
        }
        if (!m_exiting)
            runDueTimers();
    }
    return m_status;
}

void EventLoop::exit(int status)
{
    m_exiting = true;
    m_status = status;
}

int EventLoop::msUntilNextTimer() const
{
    const Clock::time_point now = Clock::now();
    long long wait = -1;
    for (const auto& [id, timer] : m_timers) {
        if (!timer.active)
            continue;
        // Rounded up: a wake-up a moment early would only poll again.
        const long long left =
            std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(timer.due - now).count());
        wait = wait < 0 ? left : std::min(wait, left);
    }
    return static_cast<int>(std::min<long long>(wait, INT_MAX));
}

void EventLoop::runDueTimers()
{
    std::vector<TimerId> due;
    const Clock::time_point now = Clock::now();
    for (const auto& [id, timer] : m_timers)
        if (timer.active && timer.due <= now)
            due.push_back(id);
    for (const TimerId id : due) {
        if (m_exiting)
            return;
        Timer& timer = m_timers.at(id);
        // Stopped or restarted by an earlier callback of this round: not due any more.
        if (!timer.active || timer.due > now)
            continue;
        // The next expiry counts from now, so a long check does not make the timer fire in a burst afterwards.
        timer.due = Clock::now() + timer.interval;
        const Callback callback = timer.callback;
        callback();
    }
}

} // namespace kestrune::headless
