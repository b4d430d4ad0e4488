#include "ShutdownSignals.h"

#include "NetworkWait.h"

#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

using namespace kestrune::net;

namespace {

int gPipe[2] = {-1, -1};
volatile std::sig_atomic_t gHangUpReloads = 0;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    // Here and not in the event loop: a wait may hold the user-interface thread.
    if (signalNumber != SIGHUP || gHangUpReloads == 0)
        NetworkWait::cancelAllWaits();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void ShutdownSignals::InstallHandlers()
{
    if (gPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0)
        throw std::runtime_error("Cannot create the signal pipe.");
    for (int signalNumber : kSignals) {
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

void ShutdownSignals::TreatHangUpAsReload() { gHangUpReloads = 1; }

ShutdownSignals::ShutdownSignals() { InstallHandlers(); }

ShutdownSignals::~ShutdownSignals()
{
    for (int signalNumber : kSignals)
        ::signal(signalNumber, SIG_DFL);
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

int ShutdownSignals::CollectEarly()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1)
        received_ = byte;
    return received_;
}

int ShutdownSignals::Fd() const { return gPipe[0]; }

void ShutdownSignals::Drain(const std::function<void(int)>& deliver)
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1) {
        received_ = byte;
        deliver(byte);
    }
}
