#include "ShutdownNotifier.h"

#include <QSocketNotifier>

namespace kestrune::app {

ShutdownNotifier::ShutdownNotifier(QObject* parent)
    : QObject(parent), m_notifier(new QSocketNotifier(m_signals.Fd(), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this,
            [this] { m_signals.Drain([this](int signalNumber) { emit Requested(signalNumber); }); });
}

} // namespace kestrune::app
