#include "ServiceNotifier.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef KESTRUNE_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>

#include <dlfcn.h>
#endif

namespace kestrune::headless {

namespace {

#ifdef KESTRUNE_HAVE_SYSTEMD
struct Systemd {
    decltype(&::sd_notify) notify = nullptr;
    decltype(&::sd_watchdog_enabled) watchdogEnabled = nullptr;
};

// libsystemd (and the compression and crypto libraries it brings) is loaded only where systemd waits for our
// notifications: the window, cron runs and a shell need none of it.
const Systemd* systemd()
{
    static const Systemd* const loaded = []() -> const Systemd* {
        if (std::getenv("NOTIFY_SOCKET") == nullptr)
            return nullptr;
        void* library = ::dlopen(KESTRUNE_LIBSYSTEMD_SONAME, RTLD_NOW | RTLD_LOCAL);
        static Systemd functions;
        if (library) {
            functions.notify = reinterpret_cast<decltype(&::sd_notify)>(::dlsym(library, "sd_notify"));
            functions.watchdogEnabled =
                reinterpret_cast<decltype(&::sd_watchdog_enabled)>(::dlsym(library, "sd_watchdog_enabled"));
        }
        if (functions.notify && functions.watchdogEnabled)
            return &functions;
        std::fprintf(stderr, "Warning: systemd waits for notifications, but %s cannot be loaded.\n",
                     KESTRUNE_LIBSYSTEMD_SONAME);
        return nullptr;
    }();
    return loaded;
}
#endif

} // namespace

ServiceNotifier::ServiceNotifier(EventLoop& loop) : m_loop(loop)
{
#ifdef KESTRUNE_HAVE_SYSTEMD
    uint64_t usec = 0;
    if (systemd() && systemd()->watchdogEnabled(0, &usec) > 0 && usec > 0)
        m_pingInterval = std::max(std::chrono::milliseconds(1), std::chrono::milliseconds(usec / 2000));
#endif
    if (m_pingInterval.count() == 0)
        return;
    m_timer = m_loop.addTimer([this] { ping(); });
    m_loop.startTimer(m_timer, m_pingInterval);
    net::NetworkWait::installHook(this);
}

ServiceNotifier::~ServiceNotifier()
{
    if (m_timer != 0)
        m_loop.stopTimer(m_timer);
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
    if (systemd())
        systemd()->notify(0, message.c_str());
#else
    (void)message;
#endif
}

} // namespace kestrune::headless
