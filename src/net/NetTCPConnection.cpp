#include "NetTCPConnection.h"

#include "NetExceptions.h"
#include "NetIOHandlerSocket.h"
#include "NetMessages.h"
#include "NetSocket.h"
#include "NetStrings.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>

namespace {
constexpr int ErrShutdown = 10058;
constexpr int ErrConnAborted = 10053;
constexpr int ErrConnReset = 10054;
constexpr int ErrWouldBlock = 10035;
constexpr int ErrTimedOut = 10060;

// Bytes kept consumed at the front of the input buffer before they are erased.
constexpr std::size_t CompactThreshold = 64 * 1024;
} // namespace

TNetTCPConnection::TOperation::TOperation(TNetTCPConnection& owner) : fOwner(owner) {
    if (owner.fWaiting)
        throw ENetClientBusy(NetMsg::ClientBusy);
    ++owner.fBusy;
}

TNetTCPConnection::TOperation::~TOperation() { --fOwner.fBusy; }

TNetTCPConnection::TOperationLimit::TOperationLimit(TNetTCPConnection& owner) : fOwner(owner) {
    if (!owner.fDeadline && owner.OperationTimeout > 0) {
        owner.SetTimeLimit(owner.OperationTimeout);
        fStarted = true;
    }
}

TNetTCPConnection::TOperationLimit::~TOperationLimit() {
    if (fStarted)
        fOwner.ClearTimeLimit();
}

TNetTCPConnection::TNetTCPConnection() = default;

void TNetTCPConnection::SetTimeLimit(int limitMs) {
    fDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
}

int TNetTCPConnection::TimeLimitLeftMs() const {
    if (!fDeadline)
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*fDeadline - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

TNetTCPConnection::~TNetTCPConnection() {
    if (fIOHandler && fIOHandler->Connected())
        fIOHandler->Close();
    FreeOwnedHandler();
}

void TNetTCPConnection::Status(const char* format, const std::string& arg) {
    if (!OnStatus)
        return;
    std::string text = format;
    auto pos = text.find("%s");
    if (pos != std::string::npos)
        text.replace(pos, 2, arg);
    OnStatus(text);
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* handler) {
    TOperation op(*this);
    if (handler == fIOHandler)
        return;
    FreeOwnedHandler();
    fIOHandler = handler;
}

void TNetTCPConnection::CreateOwnedHandler() {
    fIOHandler = new TNetIOHandlerSocket();
    fOwnsIOHandler = true;
}

void TNetTCPConnection::FreeOwnedHandler() {
    if (fOwnsIOHandler) {
        delete fIOHandler;
        fIOHandler = nullptr;
        fOwnsIOHandler = false;
    }
}

void TNetTCPConnection::OpenConnection(int timeoutMs) {
    TOperation op(*this);
    if (fDeadline) {
        const int left = TimeLimitLeftMs();
        if (left == 0)
            throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
        timeoutMs = timeoutMs > 0 ? std::min(timeoutMs, left) : left;
    }
    if (!fIOHandler)
        CreateOwnedHandler();
    else if (fIOHandler->Connected())
        throw ENetAlreadyConnected(NetMsg::AlreadyConnected);
    fIOHandler->Open();
    fInput.clear();
    fInputStart = 0;
    fSearchFrom = 0;
    fClosedGracefully = false;
    try {
        Status(NetMsg::StatusResolving, Host);
        Status(NetMsg::StatusConnecting, Host);
        fWaiting = true;
        try {
            fIOHandler->ConnectClient(Host, Port, BoundIP, BoundPort, timeoutMs == 0 ? NetTimeoutDefault : timeoutMs);
        } catch (...) {
            fWaiting = false;
            throw;
        }
        fWaiting = false;
        Status(NetMsg::StatusConnected);
        if (OnConnected)
            OnConnected();
    } catch (...) {
        if (fIOHandler)
            fIOHandler->Close();
        FreeOwnedHandler();
        throw;
    }
}

void TNetTCPConnection::CloseConnection() {
    TOperation op(*this);
    Status(NetMsg::StatusDisconnecting);
    if (fIOHandler) {
        fClosedGracefully = true;
        fIOHandler->Close();
    }
    FreeOwnedHandler();
    if (OnDisconnected)
        OnDisconnected();
    Status(NetMsg::StatusDisconnected);
}

bool TNetTCPConnection::IsConnected() {
    if (fWaiting)  // asked from inside a wait: answer without touching the transport
        return fIOHandler && fIOHandler->Connected();
    TOperation op(*this);
    CheckForDisconnect(false);
    return fIOHandler && fIOHandler->Connected();
}

void TNetTCPConnection::CloseSocketAfterPeerClose() {
    if (fIOHandler && fIOHandler->Connected()) {
        fIOHandler->Close();
        Status(NetMsg::StatusDisconnected);
        if (OnDisconnected)
            OnDisconnected();
    }
}

void TNetTCPConnection::CheckForDisconnect(bool raiseIfDisconnected, bool ignoreBuffer) {
    TOperation op(*this);
    bool disconnected;
    if (fClosedGracefully || !fIOHandler) {
        CloseSocketAfterPeerClose();
        disconnected = true;
    } else {
        disconnected = !fIOHandler->Connected();
    }
    if (disconnected && raiseIfDisconnected && (InputBufferSize() == 0 || ignoreBuffer))
        throw ENetConnClosedGracefully(NetMsg::ConnectionClosedGracefully);
}

void TNetTCPConnection::CheckForGracefulDisconnect(bool raiseIfDisconnected) {
    TOperation op(*this);
    if (fIOHandler && fIOHandler->Connected() && !fClosedGracefully)
        ReadFromStack(false, 0, false);  // notices a close that already happened; never waits
    CheckForDisconnect(raiseIfDisconnected);
}

int TNetTCPConnection::ReceiveIntoBuffer() {
    if (fRecvBuffer.size() != static_cast<std::size_t>(std::max(RecvBufferSize, 1)))
        fRecvBuffer.resize(static_cast<std::size_t>(std::max(RecvBufferSize, 1)));
    int n = fIOHandler->Recv(fRecvBuffer.data(), fRecvBuffer.size());
    if (n == -ErrWouldBlock)  // readiness reported but nothing there after all: wait again
        return 0;
    if (n == 0) {
        fClosedGracefully = true;
        return 0;
    }
    if (n < 0) {
        int code = -n;
        if (code == ErrShutdown || code == ErrConnAborted) {
            fIOHandler->Close();
            if (InputBufferSize() == 0)
                NetSock::RaiseSocketError(code);
            fClosedGracefully = true;
            return 0;
        }
        NetSock::RaiseSocketError(code);
    }
    CompactInput();
    fInput.append(fRecvBuffer.data(), static_cast<std::size_t>(n));
    return n;
}

int TNetTCPConnection::ReadFromStack(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout) {
    TOperation op(*this);
    if (timeoutMs == NetTimeoutDefault)
        timeoutMs = ReadTimeout > 0 ? ReadTimeout : NetTimeoutInfinite;
    bool cutByLimit = false;
    if (fDeadline && timeoutMs != 0) {
        const int left = TimeLimitLeftMs();
        if (timeoutMs < 0 || left < timeoutMs) {
            timeoutMs = left;
            cutByLimit = true;
        }
    }
    int received = 0;
    CheckForDisconnect(raiseIfDisconnected);
    for (;;) {
        if (fIOHandler && fIOHandler->Connected() && !fClosedGracefully) {
            fWaiting = true;
            bool readable;
            try {
                readable = fIOHandler->Readable(timeoutMs);
            } catch (...) {
                fWaiting = false;
                throw;
            }
            fWaiting = false;
            if (!readable) {
                if (raiseOnTimeout || cutByLimit)
                    throw ENetReadTimeout(NetMsg::ReadTimeout);
                return -1;
            }
            received = ReceiveIntoBuffer();
        }
        CheckForDisconnect(raiseIfDisconnected);
        if (received != 0 || !fIOHandler || !fIOHandler->Connected() || fClosedGracefully)
            return received;
    }
}

void TNetTCPConnection::CompactInput() {
    if (fInputStart == 0)
        return;
    if (fInputStart == fInput.size()) {
        fInput.clear();
        fInputStart = 0;
    } else if (fInputStart >= CompactThreshold || fInputStart * 2 >= fInput.size()) {
        fInput.erase(0, fInputStart);
        fInputStart = 0;
    }
}

std::string TNetTCPConnection::TakeInput(std::size_t n) {
    if (n > InputBufferSize())
        throw ENetException(NetMsg::NotEnoughDataInBuffer);
    std::string bytes = fInput.substr(fInputStart, n);
    fInputStart += n;
    fSearchFrom = 0;
    CompactInput();
    return bytes;
}

void TNetTCPConnection::MoveInputTo(std::string& sink, std::size_t n, std::size_t growthLimit) {
    if (n > InputBufferSize())
        throw ENetException(NetMsg::NotEnoughDataInBuffer);
    const std::size_t needed = sink.size() + n;
    if (needed > sink.capacity()) {
        std::size_t grown = std::max<std::size_t>(std::bit_ceil(needed), 65536);
        if (grown > growthLimit)
            grown = std::max(growthLimit, needed);
        sink.reserve(grown);
    }
    sink.append(fInput, fInputStart, n);
    fInputStart += n;
    fSearchFrom = 0;
    CompactInput();
}

// Finds a complete line in the buffer; handles an over-long line. False when more bytes are needed.
bool TNetTCPConnection::ReadLineFromBuffer(const std::string& terminator, std::size_t maxLength, std::string& line) {
    const std::string_view buffered(fInput.data() + fInputStart, InputBufferSize());
    const bool lf = terminator == "\n";
    std::size_t pos;
    if (terminator.size() == 1) {
        const void* hit = fSearchFrom < buffered.size()
                              ? std::memchr(buffered.data() + fSearchFrom, terminator[0], buffered.size() - fSearchFrom)
                              : nullptr;
        pos = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - buffered.data()) : std::string_view::npos;
    } else {
        pos = buffered.find(terminator, fSearchFrom);
    }
    auto overLong = [&]() {
        if (MaxLineAction == maException)
            throw ENetReadLnMaxLineLengthExceeded(NetMsg::MaxLineLengthExceeded);
        line = TakeInput(maxLength);
        fReadLnSplit = true;
        return true;
    };
    if (pos == std::string_view::npos) {
        // Room for a CR (and a partly received terminator) beyond the longest line.
        const std::size_t slack = terminator.size() - 1 + (lf ? 1 : 0);
        if (buffered.size() > maxLength + slack)
            return overLong();
        fSearchFrom = buffered.size() >= terminator.size() ? buffered.size() - terminator.size() + 1 : 0;
        return false;
    }
    std::size_t lineLength = pos;
    const bool dropCR = lf && pos > 0 && buffered[pos - 1] == '\r';
    if (dropCR)
        --lineLength;
    if (lineLength > maxLength)
        return overLong();
    line.assign(buffered.data(), lineLength);
    fInputStart += pos + terminator.size();
    fSearchFrom = 0;
    CompactInput();
    return true;
}

std::string TNetTCPConnection::ReadLine(const std::string& terminator, int timeoutMs, int maxLength) {
    TOperation op(*this);
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    std::size_t limit = maxLength == -1 ? static_cast<std::size_t>(std::max(MaxLineLength, 0))
                                        : static_cast<std::size_t>(std::max(maxLength, 0));
    if (limit == 0)
        limit = std::string::npos - 8;
    fReadLnTimedOut = false;
    fReadLnSplit = false;
    std::string line;
    for (;;) {
        if (ReadLineFromBuffer(term, limit, line))
            return line;
        CheckForDisconnect(true, true);
        int received = ReadFromStack(true, timeoutMs, timeoutMs == NetTimeoutDefault);
        if (received <= 0) {
            fReadLnTimedOut = true;
            return std::string();
        }
    }
}

std::string TNetTCPConnection::ReadLnWait(int maxEmptyLines) {
    TOperation op(*this);
    int empty = 0;
    for (;;) {
        std::string line = NetStr::Trim(ReadLine());
        if (!line.empty())
            return line;
        if (++empty > maxEmptyLines)
            return std::string();
    }
}

std::string TNetTCPConnection::ReadBytes(std::size_t count) {
    TOperation op(*this);
    while (InputBufferSize() < count) {
        ReadFromStack();
        CheckForDisconnect(true, true);
    }
    return TakeInput(count);
}

void TNetTCPConnection::ReadToStream(std::ostream& sink, int64_t count) {
    std::string bytes;
    try {
        ReadToStream(bytes, count);
    } catch (...) {
        sink.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        throw;
    }
    sink.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TNetTCPConnection::ReadToStream(std::string& sink, int64_t count) {
    ReadToStreamLimited(sink, count, std::string::npos, NetMsg::NotEnoughDataInBuffer);
}

void TNetTCPConnection::ReadToStreamLimited(std::string& sink, int64_t count, std::size_t limit,
                                            const char* tooLargeMessage) {
    TOperation op(*this);
    auto append = [&](std::size_t n) {
        if (n > limit - std::min(limit, sink.size()))
            throw ENetException(tooLargeMessage);
        MoveInputTo(sink, n, limit);
    };
    if (count < 0) {
        for (;;) {
            append(InputBufferSize());
            CheckForDisconnect(false);
            if (!fIOHandler || !fIOHandler->Connected() || fClosedGracefully)
                break;
            ReadFromStack(false);
        }
        append(InputBufferSize());
        return;
    }
    if (static_cast<uint64_t>(count) > limit)
        throw ENetException(tooLargeMessage);
    uint64_t remaining = static_cast<uint64_t>(count);
    const std::size_t block = static_cast<std::size_t>(std::max(RecvBufferSize, 1));
    std::size_t first = static_cast<std::size_t>(std::min<uint64_t>(remaining, InputBufferSize()));
    append(first);
    remaining -= first;
    while (remaining > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(remaining, block));
        while (InputBufferSize() < want) {
            ReadFromStack();
            CheckForDisconnect(true, true);
        }
        append(want);
        remaining -= want;
    }
}

void TNetTCPConnection::SendAll(const char* data, std::size_t length) {
    while (length > 0) {
        // A peer that stops reading holds each write at most a read time-out, and never past the limit.
        int timeoutMs = ReadTimeout > 0 ? ReadTimeout : NetTimeoutInfinite;
        if (fDeadline) {
            const int left = TimeLimitLeftMs();
            if (timeoutMs < 0 || left < timeoutMs)
                timeoutMs = left;
        }
        fWaiting = true;
        int n;
        try {
            n = fIOHandler->Send(data, length, timeoutMs);
        } catch (...) {
            fWaiting = false;
            throw;
        }
        fWaiting = false;
        if (n < 0) {
            int code = -n;
            // After a stalled write the peer's view of the stream is unknown: the connection is done.
            if (code == ErrShutdown || code == ErrConnAborted || code == ErrConnReset || code == ErrTimedOut)
                fIOHandler->Close();
            NetSock::RaiseSocketError(code);
        }
        data += n;
        length -= static_cast<std::size_t>(n);
        if (length > 0)
            CheckForDisconnect(true, true);
    }
}

void TNetTCPConnection::WriteBytes(const void* buffer, std::size_t length) {
    TOperation op(*this);
    CheckForDisconnect(true, true);
    if (!fIOHandler || !fIOHandler->Connected())
        throw ENetNotConnected(NetMsg::NotConnected);
    const char* data = static_cast<const char*>(buffer);
    if (fWriteBufferOpen) {
        fWriteBuffer.append(data, length);
        if (fWriteBufferThreshold >= 0 && fWriteBuffer.size() >= static_cast<std::size_t>(fWriteBufferThreshold))
            FlushWriteBuffer();
        return;
    }
    SendAll(data, length);
}

void TNetTCPConnection::WriteLine(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text);
    line.append("\r\n");
    WriteBytes(line);
}

void TNetTCPConnection::WriteStream(std::istream& source, int64_t size) {
    TOperation op(*this);
    std::vector<char> block(static_cast<std::size_t>(std::max(SendBufferSize, 1)));
    uint64_t remaining = size < 0 ? UINT64_MAX : static_cast<uint64_t>(size);
    while (remaining > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(remaining, block.size()));
        source.read(block.data(), static_cast<std::streamsize>(want));
        std::size_t got = static_cast<std::size_t>(source.gcount());
        if (got > 0)
            WriteBytes(block.data(), got);
        if (got < want) {
            if (size >= 0)
                throw ENetException(NetMsg::NoDataToRead);
            break;
        }
        remaining -= got;
    }
}

void TNetTCPConnection::OpenWriteBuffer(int threshold) {
    TOperation op(*this);
    fWriteBuffer.clear();
    fWriteBufferOpen = true;
    fWriteBufferThreshold = threshold;
}

void TNetTCPConnection::FlushWriteBuffer() {
    TOperation op(*this);
    if (fWriteBuffer.empty())
        return;
    std::string pending;
    pending.swap(fWriteBuffer);
    CheckForDisconnect(true, true);
    if (!fIOHandler || !fIOHandler->Connected())
        throw ENetNotConnected(NetMsg::NotConnected);
    SendAll(pending.data(), pending.size());
}

void TNetTCPConnection::CloseWriteBuffer() {
    TOperation op(*this);
    try {
        FlushWriteBuffer();
    } catch (...) {
        fWriteBufferOpen = false;
        throw;
    }
    fWriteBufferOpen = false;
}

void TNetTCPConnection::CancelWriteBuffer() {
    TOperation op(*this);
    fWriteBuffer.clear();
    fWriteBufferOpen = false;
}

int TNetTCPConnection::ReadReply(const TNetReplyCodes& allowed) {
    TOperation op(*this);
    // Counts every byte of the reply, skipped blank lines too, so a server cannot make us collect or
    // wait through an endless reply.
    std::size_t replyBytes = 0;
    auto nextLine = [&]() {
        for (;;) {
            const std::string raw = ReadLine();
            replyBytes += raw.size() + 2;
            if (replyBytes > MaxReplySize)
                throw ENetException(NetMsg::ReplyTooLarge);
            std::string line = NetStr::Trim(raw);
            if (!line.empty())
                return line;
        }
    };
    std::vector<std::string> lines;
    lines.push_back(nextLine());
    const std::string& first = lines.front();
    if (first.size() > 3 && first[3] == '-') {
        const std::string last = first.substr(0, 3) + " ";
        for (;;) {
            lines.push_back(nextLine());
            const std::string& line = lines.back();
            if (line.size() < 4 || NetStr::EqualsNoCase(std::string_view(line).substr(0, 4), last))
                break;
        }
    }
    LastCmdResult.ParseLines(lines);
    const int code = LastCmdResult.NumericCode;
    const bool acceptAll = allowed.empty() || (allowed.size() == 1 && allowed.front() == -1);
    if (!acceptAll && std::find(allowed.begin(), allowed.end(), code) == allowed.end())
        throw ENetProtocolReplyError(code, LastCmdResult.TextWithLineEnds());
    return code;
}

int TNetTCPConnection::SendCommand(std::string_view line, const TNetReplyCodes& allowed) {
    TOperation op(*this);
    WriteLine(line);
    return ReadReply(allowed);
}
