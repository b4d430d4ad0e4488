#include "QtWaitHook.h"

#include <QEventLoop>
#include <algorithm>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <poll.h>

short TQtWaitHook::Wait(int fd, short pollEvents, int timeoutMs)
{
    if (short ready = TNetAntiFreeze::PollWait(fd, pollEvents, 0))
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
    QTimer slice;
    slice.setInterval(kSliceMs);
    QObject::connect(&slice, &QTimer::timeout, &loop, [&] {
        if (TNetAntiFreeze::PollWait(fd, pollEvents, 0))
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
        // window does, so the caller neither spins nor sees a time-out that did not happen.
        int left = timeoutMs < 0 ? -1 : std::max(0, deadline.remainingTime());
        return TNetAntiFreeze::PollWait(fd, pollEvents, left);
    }
    return TNetAntiFreeze::PollWait(fd, pollEvents, 0);
}
