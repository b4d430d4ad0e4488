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

namespace {

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

class TStartupProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            // A zero timer runs once the paint has finished and the loop is idle again.
            QTimer::singleShot(0, this, [] {
                timespec now{};
                ::clock_gettime(CLOCK_REALTIME, &now);
                std::printf("shown %lld rss_kb %ld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, ResidentKilobytes());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool reported_ = false;
};

} // namespace

void InstallStartupProbe(QWidget& window)
{
    if (std::getenv("KESTRUNE_EXIT_AFTER_SHOW") == nullptr)
        return;
    window.installEventFilter(new TStartupProbe(&window));
}
