#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP into bytes in a pipe that a face's event loop reads (the handler writes the
// byte and cancels every network wait), so the program ends through its normal close path. Where SIGHUP means
// "read the settings again" it leaves the waits alone. No Qt here: the face without a window runs without it.
class ShutdownSignals {
public:
    ShutdownSignals();
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // Catches the signals before any face exists; the object, made later, delivers what arrived.
    static void InstallHandlers();
    // From now on SIGHUP is a request to reload, not to close: network waits under way go on.
    static void TreatHangUpAsReload();
    // The pipe's end to watch for reading.
    int Fd() const;
    // The last signal that arrived so far, 0 for none; takes what waits in the pipe without delivering it, for
    // the time before anyone listens.
    int CollectEarly();
    // Hands each signal that waits in the pipe to deliver, oldest first.
    void Drain(const std::function<void(int)>& deliver);

private:
    int received_ = 0;
};
