#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the handler only writes a
// byte into a pipe), so the program ends through its normal close path.
class TShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit TShutdownSignals(QObject* parent = nullptr);
    ~TShutdownSignals() override;

signals:
    void Requested(int signalNumber);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
};
