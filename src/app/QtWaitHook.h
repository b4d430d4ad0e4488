#pragma once

#include "WaitService.h"

namespace kestrune::app {

// Network waits inside Qt's event loop: while a socket waits, timers, clicks and paints go on at once.
class QtWaitHook : public core::WaitService {
public:
    short wait(int fd, short pollEvents, int timeoutMs) override;

    // Longest stretch without a look at the socket, so that conditions a notifier does not report
    // (a hang-up while waiting for output) are still seen.
    static constexpr int kSliceMs = 250;
};

} // namespace kestrune::app
