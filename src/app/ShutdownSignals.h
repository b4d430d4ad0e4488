#pragma once

#include <QObject>

class QSocketNotifier;

namespace kestrune::app {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the handler writes a byte
// into a pipe and cancels every network wait), so the program ends through its normal close path.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    // Catches the signals before any Qt object exists; the object, made later, delivers what arrived.
    static void installHandlers();
    // The last signal that arrived so far, 0 for none; takes what waits in the pipe without emitting it, for
    // the time before anyone is connected.
    int collectEarly();

signals:
    void requested(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

} // namespace kestrune::app
