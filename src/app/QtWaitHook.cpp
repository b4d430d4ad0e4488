#include "QtWaitHook.h"


#include <QEventLoop>
#include <algorithm>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <poll.h>

namespace kestrune::app {

short QtWaitHook::wait(int fd, short pollEvents, int timeoutMs)
{
    if (short ready = pollNow(fd, pollEvents, 0))
        return ready;
    if (timeoutMs == 0)
        return 0;

    QEventLoop loop;
    bool woken = false;
    auto wake = [&] {
        woken = true;
        loop.quit();
    };
    std::unique_ptr<QSocketNotifier> readable, writable;
    if (pollEvents & POLLIN) {
        readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(readable.get(), &QSocketNotifier::activated, &loop, wake);
    }
    if (pollEvents & POLLOUT) {
        writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        QObject::connect(writable.get(), &QSocketNotifier::activated, &loop, wake);
    }
    // A cancel (a signal, the window closing) must end the wait at once, not at the next slice.
    std::unique_ptr<QSocketNotifier> cancelled;
    if (cancelFd() >= 0) {
        cancelled = std::make_unique<QSocketNotifier>(cancelFd(), QSocketNotifier::Read);
        QObject::connect(cancelled.get(), &QSocketNotifier::activated, &loop, wake);
    }
    QTimer slice;
    slice.setInterval(kSliceMs);
    QObject::connect(&slice, &QTimer::timeout, &loop, [&] {
        if (pollNow(fd, pollEvents, 0))
            wake();
    });
    slice.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    if (timeoutMs > 0) {
        QObject::connect(&deadline, &QTimer::timeout, &loop, wake);
        deadline.start(timeoutMs);
    }

    loop.exec();
    if (!woken) {
        // The application is quitting and no event loop runs any more: wait as a program without a
        // window does (a cancel still ends it), so the caller neither spins nor sees a time-out that did
        // not happen. A wait without a limit would outlive the program: it is given up.
        if (timeoutMs < 0)
            throwCancelled();
        return pollNow(fd, pollEvents, std::max(0, deadline.remainingTime()));
    }
    return pollNow(fd, pollEvents, 0);
}

} // namespace kestrune::app
