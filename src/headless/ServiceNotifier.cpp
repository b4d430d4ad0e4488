#include "ServiceNotifier.h"

#include <QTimer>

#include <algorithm>

#ifdef KESTRUNE_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace kestrune::headless {

ServiceNotifier::ServiceNotifier(QObject* parent) : QObject(parent)
{
#ifdef KESTRUNE_HAVE_SYSTEMD
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0)
        m_pingInterval = std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(usec / 2000));
#endif
    if (m_pingInterval.count() == 0)
        return;
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &ServiceNotifier::ping);
    m_timer->start(m_pingInterval);
    net::NetworkWait::installHook(this);
}

ServiceNotifier::~ServiceNotifier()
{
    if (net::NetworkWait::installedHook() == this)
        net::NetworkWait::installHook(nullptr);
}

void ServiceNotifier::ready() { send("READY=1"); }

void ServiceNotifier::status(const std::string& text)
{
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    send("STATUS=" + line);
}

void ServiceNotifier::reloading() { send("RELOADING=1"); }

void ServiceNotifier::stopping() { send("STOPPING=1"); }

void ServiceNotifier::ping() { send("WATCHDOG=1"); }

short ServiceNotifier::wait(int fd, short pollEvents, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int slice = static_cast<int>(m_pingInterval.count());
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            slice = static_cast<int>(std::clamp<long long>(left, 0, slice));
        }
        const short revents = net::NetworkWait::pollWait(fd, pollEvents, slice);
        if (revents != 0 || (timeoutMs >= 0 && Clock::now() >= deadline))
            return revents;
        ping();
    }
}

void ServiceNotifier::send(const std::string& message)
{
#ifdef KESTRUNE_HAVE_SYSTEMD
    sd_notify(0, message.c_str());
#else
    (void)message;
#endif
}

} // namespace kestrune::headless
