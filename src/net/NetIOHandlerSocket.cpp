#include "NetIOHandlerSocket.h"

#include "NetAntiFreeze.h"

#include "NetExceptions.h"
#include "NetMessages.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <poll.h>

namespace {
// Default limit of a connect made while a GUI wait hook keeps the window alive.
constexpr int GuiConnectLimitMs = 120000;
constexpr int WouldBlock = 10035;
constexpr int TimedOut = 10060;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0;
}
} // namespace

TNetIOHandlerSocket::TNetIOHandlerSocket() = default;
TNetIOHandlerSocket::~TNetIOHandlerSocket() = default;

void TNetIOHandlerSocket::Open() { fBinding = std::make_unique<TNetSocketHandle>(); }

void TNetIOHandlerSocket::ConnectClient(const std::string& host, uint16_t port, const std::string& boundIP,
                                        uint16_t boundPort, int timeoutMs) {
    if (!fBinding)
        Open();
    fBinding->AllocateSocket();
    try {
        fBinding->Bind(boundIP, boundPort);
        int limit = timeoutMs;
        if (limit == 0 || limit == NetTimeoutDefault)
            limit = TNetAntiFreeze::HookActiveForThisThread() ? GuiConnectLimitMs : 0;
        // The name lookup and the connect share one limit.
        const auto start = std::chrono::steady_clock::now();
        fBinding->SetPeer(NetSock::ResolveHost(host, limit > 0 ? limit : -1), port);
        if (!UseNagle)
            fBinding->SetNoDelay(true);
        if (limit > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            if (spent >= limit)
                throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
            limit -= static_cast<int>(spent);
        }
        fBinding->Connect(limit > 0 ? limit : 0);
    } catch (...) {
        fBinding->CloseSocket(false);
        throw;
    }
}

bool TNetIOHandlerSocket::Connected() const { return fBinding && fBinding->HandleAllocated(); }

bool TNetIOHandlerSocket::Readable(int timeoutMs) {
    if (!Connected())
        return false;
    return fBinding->WaitReadable(timeoutMs == NetTimeoutInfinite ? -1 : timeoutMs) != 0;
}

int TNetIOHandlerSocket::Recv(void* buffer, std::size_t length) {
    if (!Connected())
        return -10038;
    return fBinding->Recv(buffer, length);
}

int TNetIOHandlerSocket::Send(const void* buffer, std::size_t length, int timeoutMs) {
    if (!Connected())
        return -10038;
    const bool limited = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (bool waited = false;; waited = true) {
        const int sent = fBinding->Send(buffer, length);
        if (sent != -WouldBlock)
            return sent;
        if (limited && waited && RemainingMs(deadline) == 0)
            return -TimedOut;
        fBinding->WaitWritable(limited ? RemainingMs(deadline) : -1);
    }
}

void TNetIOHandlerSocket::Close() {
    if (fBinding)
        fBinding->CloseSocket(true);
}

int TNetIOHandlerSocket::Handle() const { return fBinding ? fBinding->Handle() : -1; }
std::string TNetIOHandlerSocket::LocalIP() const { return fBinding ? fBinding->IP() : std::string(); }
uint16_t TNetIOHandlerSocket::LocalPort() const { return fBinding ? fBinding->Port() : 0; }
std::string TNetIOHandlerSocket::PeerIP() const { return fBinding ? fBinding->PeerIP() : std::string(); }
uint16_t TNetIOHandlerSocket::PeerPort() const { return fBinding ? fBinding->PeerPort() : 0; }

void TNetIOHandlerSocket::Listen(const std::string& ip, uint16_t port, int backlog) {
    Open();
    fBinding->AllocateSocket();
    try {
        fBinding->Bind(ip, port);
        fBinding->Listen(backlog);
    } catch (...) {
        fBinding->CloseSocket(false);
        throw;
    }
}

void TNetIOHandlerSocket::Accept(int timeoutMs, const std::string& onlyFromIP) {
    auto accepted = fBinding->Accept(timeoutMs, onlyFromIP);
    fBinding = std::move(accepted);
}
