#pragma once

#include "TimerService.h"

#include <QObject>
#include <array>
#include <functional>

class QTimer;

namespace kestrune::app {

// The monitor's timers as Qt timers of the window: each runs the handler with its id at every interval.
class QtTimerService : public QObject, public core::TimerService {
public:
    explicit QtTimerService(QObject* parent);

    void setHandler(std::function<void(core::TimerId)> handler) { m_handler = std::move(handler); }
    void start(core::TimerId id, std::chrono::milliseconds interval) override;
    void stop(core::TimerId id) override;
    QTimer* timer(core::TimerId id) const;

private:
    std::array<QTimer*, 5> m_timers{};
    std::function<void(core::TimerId)> m_handler;
};

} // namespace kestrune::app
