#include "ShutdownSignals.h"

#include "NetAntiFreeze.h"

#include <QSocketNotifier>
#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrune::app {

namespace {

int gPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    // Here and not in the event loop: a wait may hold the user-interface thread.
    TNetAntiFreeze::CancelAllWaits();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void ShutdownSignals::installHandlers()
{
    if (gPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0)
        throw std::runtime_error("Cannot create the signal pipe.");
    for (int signalNumber : kSignals) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent)
{
    installHandlers();
    m_notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::drain);
}

ShutdownSignals::~ShutdownSignals()
{
    for (int signalNumber : kSignals)
        ::signal(signalNumber, SIG_DFL);
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

int ShutdownSignals::collectEarly()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1)
        m_received = byte;
    return m_received;
}

void ShutdownSignals::drain()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1) {
        m_received = byte;
        emit requested(byte);
    }
}

} // namespace kestrune::app
