#include "StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace kestrune::app {

namespace {

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

class StartupProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            // A zero timer runs once the paint has finished and the loop is idle again.
            QTimer::singleShot(0, this, [] {
                timespec now{};
                ::clock_gettime(CLOCK_REALTIME, &now);
                std::printf("shown %lld rss_kb %ld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, residentKilobytes());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_reported = false;
};

} // namespace

void installStartupProbe(QWidget& window)
{
    if (std::getenv("KESTRUNE_EXIT_AFTER_SHOW") == nullptr)
        return;
    window.installEventFilter(new StartupProbe(&window));
}

} // namespace kestrune::app
