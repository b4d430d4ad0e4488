#include "SocketTransport.h"

#include "NetworkWait.h"

#include "NetworkErrors.h"
#include "NetworkTexts.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <poll.h>

namespace kestrune::net {

namespace {
// Default limit of a connect made while a GUI wait hook keeps the window alive.
constexpr int kGuiConnectLimitMs = 120000;
constexpr int kWouldBlock = 10035;
constexpr int kTimedOut = 10060;
} // namespace

SocketTransport::SocketTransport() = default;
SocketTransport::~SocketTransport() = default;

void SocketTransport::open() { m_binding = std::make_unique<SocketHandle>(); }

void SocketTransport::connectClient(const std::string& host, uint16_t port, const std::string& boundIP,
                                        uint16_t boundPort, int timeoutMs) {
    if (!m_binding)
        open();
    m_binding->allocateSocket(m_family);
    try {
        m_binding->bind(boundIP, boundPort);
        int limit = timeoutMs;
        if (limit == 0 || limit == kTimeoutDefault)
            limit = NetworkWait::hookActiveForThisThread() ? kGuiConnectLimitMs : 0;
        // The name lookup and the connect share one limit.
        const auto start = std::chrono::steady_clock::now();
        m_binding->setPeer(sockets::resolveHost(host, limit > 0 ? limit : -1, m_family), port);
        if (!useNagle)
            m_binding->setNoDelay(true);
        if (limit > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            if (spent >= limit)
                throw ConnectTimeoutError(texts::kConnectTimedOut);
            limit -= static_cast<int>(spent);
        }
        m_binding->connect(limit > 0 ? limit : 0);
    } catch (...) {
        m_binding->closeSocket(false);
        throw;
    }
}

bool SocketTransport::connected() const { return m_binding && m_binding->handleAllocated(); }

bool SocketTransport::readable(int timeoutMs) {
    if (!connected())
        return false;
    return m_binding->waitReadable(timeoutMs == kTimeoutInfinite ? -1 : timeoutMs) != 0;
}

int SocketTransport::recv(void* buffer, std::size_t length) {
    if (!connected())
        return -10038;
    return m_binding->recv(buffer, length);
}

int SocketTransport::send(const void* buffer, std::size_t length, int timeoutMs) {
    if (!connected())
        return -10038;
    const bool limited = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (bool waited = false;; waited = true) {
        const int sent = m_binding->send(buffer, length);
        if (sent != -kWouldBlock)
            return sent;
        if (limited && waited && remainingMs(deadline) == 0)
            return -kTimedOut;
        m_binding->waitWritable(limited ? remainingMs(deadline) : -1);
    }
}

void SocketTransport::close() {
    if (m_binding)
        m_binding->closeSocket(true);
}

int SocketTransport::handle() const { return m_binding ? m_binding->handle() : -1; }
std::string SocketTransport::localIp() const { return m_binding ? m_binding->ip() : std::string(); }
uint16_t SocketTransport::localPort() const { return m_binding ? m_binding->port() : 0; }
std::string SocketTransport::peerIp() const { return m_binding ? m_binding->peerIp() : std::string(); }
uint16_t SocketTransport::peerPort() const { return m_binding ? m_binding->peerPort() : 0; }

void SocketTransport::listen(const std::string& ip, uint16_t port, int backlog) {
    open();
    m_binding->allocateSocket(sockets::isIpv6Literal(ip) ? IpFamily::V6 : IpFamily::V4);
    try {
        m_binding->bind(ip, port);
        m_binding->listen(backlog);
    } catch (...) {
        m_binding->closeSocket(false);
        throw;
    }
}

void SocketTransport::accept(int timeoutMs, const std::string& onlyFromIP) {
    auto accepted = m_binding->accept(timeoutMs, onlyFromIP);
    m_binding = std::move(accepted);
}

} // namespace kestrune::net
