#include "QtTimerService.h"

#include <QTimer>

namespace kestrune::app {

namespace {

constexpr std::array<core::TimerId, 5> kIds = {core::TimerId::Minute, core::TimerId::ServiceBlock1,
                                               core::TimerId::ServiceBlock2, core::TimerId::Retry,
                                               core::TimerId::AddressSettle};

std::size_t indexOf(core::TimerId id) { return static_cast<std::size_t>(id); }

} // namespace

QtTimerService::QtTimerService(QObject* parent) : QObject(parent)
{
    const std::array<const char*, 5> names = {"checkTimer", "firstServiceBlockTimer", "secondServiceBlockTimer",
                                              "retryTimer", "addressSettleTimer"};
    // The retry and settle timers' intervals come with each start.
    const std::array<std::chrono::milliseconds, 5> intervals = {core::kMinuteInterval, core::kServiceBlockInterval,
                                                                core::kServiceBlockInterval, core::kMinuteInterval,
                                                                core::kMinuteInterval};
    for (core::TimerId id : kIds) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(names[indexOf(id)]));
        timer->setInterval(intervals[indexOf(id)]);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (m_handler)
                m_handler(id);
        });
        m_timers[indexOf(id)] = timer;
    }
}

void QtTimerService::start(core::TimerId id, std::chrono::milliseconds interval)
{
    QTimer* timer = m_timers.at(indexOf(id));
    timer->setInterval(interval);
    timer->start();
}

void QtTimerService::stop(core::TimerId id) { m_timers.at(indexOf(id))->stop(); }

QTimer* QtTimerService::timer(core::TimerId id) const { return m_timers.at(indexOf(id)); }

} // namespace kestrune::app
