#pragma once

#include "NetIOHandler.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

// An in-memory transport for tests and fuzzers: the test queues what the "peer" sends (with scripted
// closes between connections), sees every byte written, and may script connect and send failures.
// It never waits: a read that finds nothing queued asks OnStarve for more, then reports a time-out
// (limited waits) or the peer's close (waits without limit), so no test can hang on it.
class TNetIOHandlerMemory : public TNetIOHandler {
public:
    // Queues bytes the peer sends on the current (or next) connection.
    void FeedInput(const std::string& bytes);
    // Queues the peer's close: reads return 0 once the bytes queued before it are consumed. Bytes fed
    // afterwards belong to the next connection.
    void FeedClose();
    // Bytes the client wrote, over all connections, and per write call.
    const std::string& Written() const { return fWritten; }
    const std::deque<std::string>& WriteCalls() const { return fWriteCalls; }

    // At most this many bytes per Recv (0 = no limit) to exercise reads split anywhere.
    std::size_t MaxRecvChunk = 0;
    // Connect raises the socket error of this number when non-zero (e.g. 10061).
    int FailConnectWith = 0;
    // Send returns minus this number when non-zero (e.g. 10054).
    int FailSendWith = 0;
    // Called when a read finds nothing queued; it may FeedInput/FeedClose (e.g. answer a request).
    std::function<void(TNetIOHandlerMemory&)> OnStarve;

    int ConnectCount() const { return fConnectCount; }
    const std::string& LastHost() const { return fLastHost; }
    uint16_t LastPort() const { return fLastPort; }
    int LastConnectTimeout() const { return fLastTimeout; }

    void Open() override;
    void ConnectClient(const std::string& host, uint16_t port, const std::string& boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool Connected() const override { return fConnected; }
    bool Readable(int timeoutMs) override;
    int Recv(void* buffer, std::size_t length) override;
    int Send(const void* buffer, std::size_t length, int timeoutMs) override;
    void Close() override;

    int Handle() const override { return -1; }
    std::string LocalIP() const override { return "127.0.0.1"; }
    uint16_t LocalPort() const override { return 50000; }
    std::string PeerIP() const override { return "127.0.0.1"; }
    uint16_t PeerPort() const override { return fLastPort; }

private:
    struct TSegment {
        std::string Bytes;
        bool Close = false;
    };
    bool HaveSomethingToDeliver();
    std::deque<TSegment> fInput;  // front segment is the current connection's stream
    std::size_t fFrontOffset = 0;
    std::string fWritten;
    std::deque<std::string> fWriteCalls;
    bool fConnected = false;
    int fConnectCount = 0;
    std::string fLastHost;
    uint16_t fLastPort = 0;
    int fLastTimeout = 0;
};
