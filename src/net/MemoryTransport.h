#pragma once

#include "Transport.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace kestrune::net {

// An in-memory transport for tests and fuzzers: the test queues what the "peer" sends (with scripted
// closes between connections), sees every byte written, and may script connect and send failures.
// It never waits: a read that finds nothing queued asks onStarve for more, then reports a time-out
// (limited waits) or the peer's close (waits without limit), so no test can hang on it.
class MemoryTransport : public Transport {
public:
    // Queues bytes the peer sends on the current (or next) connection.
    void feedInput(const std::string& bytes);
    // Queues the peer's close: reads return 0 once the bytes queued before it are consumed. Bytes fed
    // afterwards belong to the next connection.
    void feedClose();
    // Bytes the client wrote, over all connections, and per write call.
    const std::string& written() const { return m_written; }
    const std::deque<std::string>& writeCalls() const { return m_writeCalls; }

    // At most this many bytes per Recv (0 = no limit) to exercise reads split anywhere.
    std::size_t maxRecvChunk = 0;
    // Connect raises the socket error of this number when non-zero (e.g. 10061).
    int failConnectWith = 0;
    // Send returns minus this number when non-zero (e.g. 10054).
    int failSendWith = 0;
    // Called when a read finds nothing queued; it may feedInput/feedClose (e.g. answer a request).
    std::function<void(MemoryTransport&)> onStarve;

    int connectCount() const { return m_connectCount; }
    const std::string& lastHost() const { return m_lastHost; }
    uint16_t lastPort() const { return m_lastPort; }
    int lastConnectTimeout() const { return m_lastTimeout; }

    void open() override;
    void connectClient(const std::string& host, uint16_t port, const std::string& boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool connected() const override { return m_connected; }
    bool readable(int timeoutMs) override;
    int recv(void* buffer, std::size_t length) override;
    int send(const void* buffer, std::size_t length, int timeoutMs) override;
    void close() override;

    int handle() const override { return -1; }
    std::string localIp() const override { return "127.0.0.1"; }
    uint16_t localPort() const override { return 50000; }
    std::string peerIp() const override { return "127.0.0.1"; }
    uint16_t peerPort() const override { return m_lastPort; }

private:
    struct Segment {
        std::string bytes;
        bool close = false;
    };
    bool haveSomethingToDeliver();
    std::deque<Segment> m_input;  // front segment is the current connection's stream
    std::size_t m_frontOffset = 0;
    std::string m_written;
    std::deque<std::string> m_writeCalls;
    bool m_connected = false;
    int m_connectCount = 0;
    std::string m_lastHost;
    uint16_t m_lastPort = 0;
    int m_lastTimeout = 0;
};

} // namespace kestrune::net
