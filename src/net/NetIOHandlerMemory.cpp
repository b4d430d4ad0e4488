#include "NetIOHandlerMemory.h"

#include "NetExceptions.h"

#include <algorithm>
#include <cstring>

void TNetIOHandlerMemory::FeedInput(const std::string& bytes) {
    if (fInput.empty() || fInput.back().Close)
        fInput.push_back({});
    fInput.back().Bytes += bytes;
}

void TNetIOHandlerMemory::FeedClose() {
    if (fInput.empty() || fInput.back().Close)
        fInput.push_back({});
    fInput.back().Close = true;
}

void TNetIOHandlerMemory::Open() {}

void TNetIOHandlerMemory::ConnectClient(const std::string& host, uint16_t port, const std::string&, uint16_t,
                                        int timeoutMs) {
    fLastHost = host;
    fLastPort = port;
    fLastTimeout = timeoutMs;
    if (FailConnectWith != 0)
        throw ENetSocketError(FailConnectWith);
    fConnected = true;
    ++fConnectCount;
}

bool TNetIOHandlerMemory::HaveSomethingToDeliver() {
    if (fInput.empty() && OnStarve)
        OnStarve(*this);
    if (fInput.empty())
        return false;
    const TSegment& front = fInput.front();
    return front.Bytes.size() > fFrontOffset || front.Close;
}

bool TNetIOHandlerMemory::Readable(int timeoutMs) {
    if (!fConnected)
        return false;
    if (HaveSomethingToDeliver())
        return true;
    // Nothing will ever come: a limited wait times out, an unlimited one sees the peer's close.
    if (timeoutMs == NetTimeoutInfinite) {
        FeedClose();
        return true;
    }
    return false;
}

int TNetIOHandlerMemory::Recv(void* buffer, std::size_t length) {
    if (!fConnected)
        return -10038;
    if (!HaveSomethingToDeliver())
        return -10035;
    TSegment& front = fInput.front();
    std::size_t available = front.Bytes.size() - fFrontOffset;
    if (available == 0)
        return 0;  // the scripted close; it stays until this side closes
    std::size_t n = std::min(length, available);
    if (MaxRecvChunk > 0)
        n = std::min(n, MaxRecvChunk);
    std::memcpy(buffer, front.Bytes.data() + fFrontOffset, n);
    fFrontOffset += n;
    if (fFrontOffset == front.Bytes.size() && !front.Close) {
        fInput.pop_front();
        fFrontOffset = 0;
    }
    return static_cast<int>(n);
}

int TNetIOHandlerMemory::Send(const void* buffer, std::size_t length, int /*timeoutMs*/) {
    if (!fConnected)
        return -10038;
    if (FailSendWith != 0)
        return -FailSendWith;
    std::string bytes(static_cast<const char*>(buffer), length);
    fWritten += bytes;
    fWriteCalls.push_back(std::move(bytes));
    return static_cast<int>(length);
}

void TNetIOHandlerMemory::Close() {
    if (!fConnected)
        return;
    fConnected = false;
    // What this connection's peer still had to send is gone; later segments belong to the next one.
    while (!fInput.empty()) {
        bool wasClose = fInput.front().Close;
        fInput.pop_front();
        fFrontOffset = 0;
        if (wasClose)
            break;
    }
}
