#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the handler writes a byte
// into a pipe and cancels every network wait), so the program ends through its normal close path. Where
// SIGHUP means "read the settings again" it leaves the waits alone.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    // Catches the signals before any Qt object exists; the object, made later, delivers what arrived.
    static void InstallHandlers();
    // From now on SIGHUP is a request to reload, not to close: network waits under way go on.
    static void TreatHangUpAsReload();
    // The last signal that arrived so far, 0 for none; takes what waits in the pipe without emitting it, for
    // the time before anyone is connected.
    int CollectEarly();

signals:
    void Requested(int signalNumber);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};
