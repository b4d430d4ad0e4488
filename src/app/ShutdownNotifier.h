#pragma once

#include "ShutdownSignals.h"

#include <QObject>

class QSocketNotifier;

namespace kestrune::app {

// The program's termination and hang-up signals as a Qt signal, delivered by the window's event loop.
class ShutdownNotifier : public QObject {
    Q_OBJECT
public:
    explicit ShutdownNotifier(QObject* parent = nullptr);

    // See ShutdownSignals::CollectEarly.
    int CollectEarly() { return m_signals.CollectEarly(); }

signals:
    void Requested(int signalNumber);

private:
    ShutdownSignals m_signals;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kestrune::app
