#include "MemoryTransport.h"

#include "NetworkErrors.h"

#include <algorithm>
#include <cstring>

namespace kestrune::net {

void MemoryTransport::feedInput(const std::string& bytes) {
    if (m_input.empty() || m_input.back().close)
        m_input.push_back({});
    m_input.back().bytes += bytes;
}

void MemoryTransport::feedClose() {
    if (m_input.empty() || m_input.back().close)
        m_input.push_back({});
    m_input.back().close = true;
}

void MemoryTransport::open() {}

void MemoryTransport::connectClient(const std::string& host, uint16_t port, const std::string&, uint16_t,
                                        int timeoutMs) {
    m_lastHost = host;
    m_lastPort = port;
    m_lastTimeout = timeoutMs;
    if (failConnectWith != 0)
        throw SocketError(failConnectWith);
    m_connected = true;
    ++m_connectCount;
}

bool MemoryTransport::haveSomethingToDeliver() {
    if (m_input.empty() && onStarve)
        onStarve(*this);
    if (m_input.empty())
        return false;
    const Segment& front = m_input.front();
    return front.bytes.size() > m_frontOffset || front.close;
}

bool MemoryTransport::readable(int timeoutMs) {
    if (!m_connected)
        return false;
    if (haveSomethingToDeliver())
        return true;
    // Nothing will ever come: a limited wait times out, an unlimited one sees the peer's close.
    if (timeoutMs == kTimeoutInfinite) {
        feedClose();
        return true;
    }
    return false;
}

int MemoryTransport::recv(void* buffer, std::size_t length) {
    if (!m_connected)
        return -10038;
    if (!haveSomethingToDeliver())
        return -10035;
    Segment& front = m_input.front();
    std::size_t available = front.bytes.size() - m_frontOffset;
    if (available == 0)
        return 0;  // the scripted close; it stays until this side closes
    std::size_t n = std::min(length, available);
    if (maxRecvChunk > 0)
        n = std::min(n, maxRecvChunk);
    std::memcpy(buffer, front.bytes.data() + m_frontOffset, n);
    m_frontOffset += n;
    if (m_frontOffset == front.bytes.size() && !front.close) {
        m_input.pop_front();
        m_frontOffset = 0;
    }
    return static_cast<int>(n);
}

int MemoryTransport::send(const void* buffer, std::size_t length, int /*timeoutMs*/) {
    if (!m_connected)
        return -10038;
    if (failSendWith != 0)
        return -failSendWith;
    std::string bytes(static_cast<const char*>(buffer), length);
    m_written += bytes;
    m_writeCalls.push_back(std::move(bytes));
    return static_cast<int>(length);
}

void MemoryTransport::close() {
    if (!m_connected)
        return;
    m_connected = false;
    // What this connection's peer still had to send is gone; later segments belong to the next one.
    while (!m_input.empty()) {
        bool wasClose = m_input.front().close;
        m_input.pop_front();
        m_frontOffset = 0;
        if (wasClose)
            break;
    }
}

} // namespace kestrune::net
