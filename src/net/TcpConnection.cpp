#include "TcpConnection.h"

#include "NetworkErrors.h"
#include "SocketTransport.h"
#include "NetworkTexts.h"
#include "SocketHandle.h"
#include "Ascii.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <istream>
#include <ostream>

namespace kestrune::net {

namespace {
constexpr int kErrShutdown = 10058;
constexpr int kErrConnAborted = 10053;
constexpr int kErrConnReset = 10054;
constexpr int kErrWouldBlock = 10035;
constexpr int kErrTimedOut = 10060;

// Bytes kept consumed at the front of the input buffer before they are erased.
constexpr std::size_t kCompactThreshold = 64 * 1024;
} // namespace

TcpConnection::Operation::Operation(TcpConnection& owner) : m_owner(owner) {
    if (owner.m_waiting)
        throw ClientBusyError(texts::kClientBusy);
    ++owner.m_busy;
}

TcpConnection::Operation::~Operation() { --m_owner.m_busy; }

TcpConnection::OperationLimit::OperationLimit(TcpConnection& owner) : m_owner(owner) {
    if (!owner.m_deadline && owner.operationTimeout > 0) {
        owner.setTimeLimit(owner.operationTimeout);
        m_started = true;
    }
}

TcpConnection::OperationLimit::~OperationLimit() {
    if (m_started)
        m_owner.clearTimeLimit();
}

TcpConnection::TcpConnection() = default;

void TcpConnection::setTimeLimit(int limitMs) {
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
}

int TcpConnection::timeLimitLeftMs() const {
    if (!m_deadline)
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

TcpConnection::~TcpConnection() {
    if (m_transport && m_transport->connected())
        m_transport->close();
    freeOwnedHandler();
}

void TcpConnection::status(const char* format, const std::string& arg) {
    if (!onStatus)
        return;
    std::string text = format;
    auto pos = text.find("%s");
    if (pos != std::string::npos)
        text.replace(pos, 2, arg);
    onStatus(text);
}

void TcpConnection::setTransport(Transport* handler) {
    Operation op(*this);
    if (handler == m_transport)
        return;
    freeOwnedHandler();
    m_transport = handler;
}

void TcpConnection::createOwnedHandler() {
    m_transport = new SocketTransport();
    m_ownsTransport = true;
}

void TcpConnection::freeOwnedHandler() {
    if (m_ownsTransport) {
        delete m_transport;
        m_transport = nullptr;
        m_ownsTransport = false;
    }
}

void TcpConnection::openConnection(int timeoutMs) {
    Operation op(*this);
    if (m_deadline) {
        const int left = timeLimitLeftMs();
        if (left == 0)
            throw ConnectTimeoutError(texts::kConnectTimedOut);
        timeoutMs = timeoutMs > 0 ? std::min(timeoutMs, left) : left;
    }
    if (!m_transport)
        createOwnedHandler();
    else if (m_transport->connected())
        throw AlreadyConnectedError(texts::kAlreadyConnected);
    m_transport->open();
    m_input.clear();
    m_inputStart = 0;
    m_searchFrom = 0;
    m_closedGracefully = false;
    try {
        status(texts::kStatusResolving, host);
        status(texts::kStatusConnecting, host);
        m_waiting = true;
        try {
            m_transport->setFamily(family);
            m_transport->connectClient(host, port, boundIp, boundPort, timeoutMs == 0 ? kTimeoutDefault : timeoutMs);
        } catch (...) {
            m_waiting = false;
            throw;
        }
        m_waiting = false;
        status(texts::kStatusConnected);
        if (onConnected)
            onConnected();
    } catch (...) {
        if (m_transport)
            m_transport->close();
        freeOwnedHandler();
        throw;
    }
}

void TcpConnection::closeConnection() {
    Operation op(*this);
    status(texts::kStatusDisconnecting);
    if (m_transport) {
        m_closedGracefully = true;
        m_transport->close();
    }
    freeOwnedHandler();
    if (onDisconnected)
        onDisconnected();
    status(texts::kStatusDisconnected);
}

bool TcpConnection::isConnected() {
    if (m_waiting)  // asked from inside a wait: answer without touching the transport
        return m_transport && m_transport->connected();
    Operation op(*this);
    checkForDisconnect(false);
    return m_transport && m_transport->connected();
}

void TcpConnection::closeSocketAfterPeerClose() {
    if (m_transport && m_transport->connected()) {
        m_transport->close();
        status(texts::kStatusDisconnected);
        if (onDisconnected)
            onDisconnected();
    }
}

void TcpConnection::checkForDisconnect(bool raiseIfDisconnected, bool ignoreBuffer) {
    Operation op(*this);
    bool disconnected;
    if (m_closedGracefully || !m_transport) {
        closeSocketAfterPeerClose();
        disconnected = true;
    } else {
        disconnected = !m_transport->connected();
    }
    if (disconnected && raiseIfDisconnected && (inputBufferSize() == 0 || ignoreBuffer))
        throw ConnectionClosedError(texts::kConnectionClosedGracefully);
}

void TcpConnection::checkForGracefulDisconnect(bool raiseIfDisconnected) {
    Operation op(*this);
    if (m_transport && m_transport->connected() && !m_closedGracefully)
        readFromStack(false, 0, false);  // notices a close that already happened; never waits
    checkForDisconnect(raiseIfDisconnected);
}

int TcpConnection::receiveIntoBuffer() {
    if (m_recvBuffer.size() != static_cast<std::size_t>(std::max(recvBufferSize, 1)))
        m_recvBuffer.resize(static_cast<std::size_t>(std::max(recvBufferSize, 1)));
    int n = m_transport->recv(m_recvBuffer.data(), m_recvBuffer.size());
    if (n == -kErrWouldBlock)  // readiness reported but nothing there after all: wait again
        return 0;
    if (n == 0) {
        m_closedGracefully = true;
        return 0;
    }
    if (n < 0) {
        int code = -n;
        if (code == kErrShutdown || code == kErrConnAborted) {
            m_transport->close();
            if (inputBufferSize() == 0)
                sockets::raiseSocketError(code);
            m_closedGracefully = true;
            return 0;
        }
        sockets::raiseSocketError(code);
    }
    compactInput();
    m_input.append(m_recvBuffer.data(), static_cast<std::size_t>(n));
    return n;
}

int TcpConnection::readFromStack(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout) {
    Operation op(*this);
    if (timeoutMs == kTimeoutDefault)
        timeoutMs = readTimeout > 0 ? readTimeout : kTimeoutInfinite;
    bool cutByLimit = false;
    if (m_deadline && timeoutMs != 0) {
        const int left = timeLimitLeftMs();
        if (timeoutMs < 0 || left < timeoutMs) {
            timeoutMs = left;
            cutByLimit = true;
        }
    }
    int received = 0;
    checkForDisconnect(raiseIfDisconnected);
    for (;;) {
        if (m_transport && m_transport->connected() && !m_closedGracefully) {
            m_waiting = true;
            bool readable;
            try {
                readable = m_transport->readable(timeoutMs);
            } catch (...) {
                m_waiting = false;
                throw;
            }
            m_waiting = false;
            if (!readable) {
                if (raiseOnTimeout || cutByLimit)
                    throw ReadTimeoutError(texts::kReadTimeout);
                return -1;
            }
            received = receiveIntoBuffer();
        }
        checkForDisconnect(raiseIfDisconnected);
        if (received != 0 || !m_transport || !m_transport->connected() || m_closedGracefully)
            return received;
    }
}

void TcpConnection::compactInput() {
    if (m_inputStart == 0)
        return;
    if (m_inputStart == m_input.size()) {
        m_input.clear();
        m_inputStart = 0;
    } else if (m_inputStart >= kCompactThreshold || m_inputStart * 2 >= m_input.size()) {
        m_input.erase(0, m_inputStart);
        m_inputStart = 0;
    }
}

std::string TcpConnection::takeInput(std::size_t n) {
    if (n > inputBufferSize())
        throw NetworkError(texts::kNotEnoughDataInBuffer);
    std::string bytes = m_input.substr(m_inputStart, n);
    m_inputStart += n;
    m_searchFrom = 0;
    compactInput();
    return bytes;
}

void TcpConnection::moveInputTo(std::string& sink, std::size_t n, std::size_t growthLimit) {
    if (n > inputBufferSize())
        throw NetworkError(texts::kNotEnoughDataInBuffer);
    const std::size_t needed = sink.size() + n;
    if (needed > sink.capacity()) {
        std::size_t grown = std::max<std::size_t>(std::bit_ceil(needed), 65536);
        if (grown > growthLimit)
            grown = std::max(growthLimit, needed);
        sink.reserve(grown);
    }
    sink.append(m_input, m_inputStart, n);
    m_inputStart += n;
    m_searchFrom = 0;
    compactInput();
}

// Finds a complete line in the buffer; handles an over-long line. False when more bytes are needed.
bool TcpConnection::readLineFromBuffer(const std::string& terminator, std::size_t maxLength, std::string& line) {
    const std::string_view buffered(m_input.data() + m_inputStart, inputBufferSize());
    const bool lf = terminator == "\n";
    std::size_t pos;
    if (terminator.size() == 1) {
        const void* hit = m_searchFrom < buffered.size()
                              ? std::memchr(buffered.data() + m_searchFrom, terminator[0], buffered.size() - m_searchFrom)
                              : nullptr;
        pos = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - buffered.data()) : std::string_view::npos;
    } else {
        pos = buffered.find(terminator, m_searchFrom);
    }
    auto overLong = [&]() {
        if (maxLineAction == MaxLineAction::Raise)
            throw LineTooLongError(texts::kMaxLineLengthExceeded);
        line = takeInput(maxLength);
        m_readLnSplit = true;
        return true;
    };
    if (pos == std::string_view::npos) {
        // Room for a CR (and a partly received terminator) beyond the longest line.
        const std::size_t slack = terminator.size() - 1 + (lf ? 1 : 0);
        if (buffered.size() > maxLength + slack)
            return overLong();
        m_searchFrom = buffered.size() >= terminator.size() ? buffered.size() - terminator.size() + 1 : 0;
        return false;
    }
    std::size_t lineLength = pos;
    const bool dropCR = lf && pos > 0 && buffered[pos - 1] == '\r';
    if (dropCR)
        --lineLength;
    if (lineLength > maxLength)
        return overLong();
    line.assign(buffered.data(), lineLength);
    m_inputStart += pos + terminator.size();
    m_searchFrom = 0;
    compactInput();
    return true;
}

std::string TcpConnection::readLine(const std::string& terminator, int timeoutMs, int maxLength) {
    Operation op(*this);
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    std::size_t limit = maxLength == -1 ? static_cast<std::size_t>(std::max(maxLineLength, 0))
                                        : static_cast<std::size_t>(std::max(maxLength, 0));
    if (limit == 0)
        limit = std::string::npos - 8;
    m_readLnTimedOut = false;
    m_readLnSplit = false;
    std::string line;
    for (;;) {
        if (readLineFromBuffer(term, limit, line))
            return line;
        checkForDisconnect(true, true);
        int received = readFromStack(true, timeoutMs, timeoutMs == kTimeoutDefault);
        if (received <= 0) {
            m_readLnTimedOut = true;
            return std::string();
        }
    }
}

std::string TcpConnection::readLnWait(int maxEmptyLines) {
    Operation op(*this);
    int empty = 0;
    for (;;) {
        std::string line = ascii::trim(readLine());
        if (!line.empty())
            return line;
        if (++empty > maxEmptyLines)
            return std::string();
    }
}

std::string TcpConnection::readBytes(std::size_t count) {
    Operation op(*this);
    while (inputBufferSize() < count) {
        readFromStack();
        checkForDisconnect(true, true);
    }
    return takeInput(count);
}

void TcpConnection::readToStream(std::ostream& sink, int64_t count) {
    std::string bytes;
    try {
        readToStream(bytes, count);
    } catch (...) {
        sink.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        throw;
    }
    sink.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TcpConnection::readToStream(std::string& sink, int64_t count) {
    readToStreamLimited(sink, count, std::string::npos, texts::kNotEnoughDataInBuffer);
}

void TcpConnection::readToStreamLimited(std::string& sink, int64_t count, std::size_t limit,
                                            const char* tooLargeMessage) {
    Operation op(*this);
    auto append = [&](std::size_t n) {
        if (n > limit - std::min(limit, sink.size()))
            throw NetworkError(tooLargeMessage);
        moveInputTo(sink, n, limit);
    };
    if (count < 0) {
        for (;;) {
            append(inputBufferSize());
            checkForDisconnect(false);
            if (!m_transport || !m_transport->connected() || m_closedGracefully)
                break;
            readFromStack(false);
        }
        append(inputBufferSize());
        return;
    }
    if (static_cast<uint64_t>(count) > limit)
        throw NetworkError(tooLargeMessage);
    uint64_t remaining = static_cast<uint64_t>(count);
    const std::size_t block = static_cast<std::size_t>(std::max(recvBufferSize, 1));
    std::size_t first = static_cast<std::size_t>(std::min<uint64_t>(remaining, inputBufferSize()));
    append(first);
    remaining -= first;
    while (remaining > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(remaining, block));
        while (inputBufferSize() < want) {
            readFromStack();
            checkForDisconnect(true, true);
        }
        append(want);
        remaining -= want;
    }
}

void TcpConnection::sendAll(const char* data, std::size_t length) {
    while (length > 0) {
        // A peer that stops reading holds each write at most a read time-out, and never past the limit.
        int timeoutMs = readTimeout > 0 ? readTimeout : kTimeoutInfinite;
        if (m_deadline) {
            const int left = timeLimitLeftMs();
            if (timeoutMs < 0 || left < timeoutMs)
                timeoutMs = left;
        }
        m_waiting = true;
        int n;
        try {
            n = m_transport->send(data, length, timeoutMs);
        } catch (...) {
            m_waiting = false;
            throw;
        }
        m_waiting = false;
        if (n < 0) {
            int code = -n;
            // After a stalled write the peer's view of the stream is unknown: the connection is done.
            if (code == kErrShutdown || code == kErrConnAborted || code == kErrConnReset || code == kErrTimedOut)
                m_transport->close();
            sockets::raiseSocketError(code);
        }
        data += n;
        length -= static_cast<std::size_t>(n);
        if (length > 0)
            checkForDisconnect(true, true);
    }
}

void TcpConnection::writeBytes(const void* buffer, std::size_t length) {
    Operation op(*this);
    checkForDisconnect(true, true);
    if (!m_transport || !m_transport->connected())
        throw NotConnectedError(texts::kNotConnected);
    const char* data = static_cast<const char*>(buffer);
    if (m_writeBufferOpen) {
        m_writeBuffer.append(data, length);
        if (m_writeBufferThreshold >= 0 && m_writeBuffer.size() >= static_cast<std::size_t>(m_writeBufferThreshold))
            flushWriteBuffer();
        return;
    }
    sendAll(data, length);
}

void TcpConnection::writeLine(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text);
    line.append("\r\n");
    writeBytes(line);
}

void TcpConnection::writeStream(std::istream& source, int64_t size) {
    Operation op(*this);
    std::vector<char> block(static_cast<std::size_t>(std::max(sendBufferSize, 1)));
    uint64_t remaining = size < 0 ? UINT64_MAX : static_cast<uint64_t>(size);
    while (remaining > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(remaining, block.size()));
        source.read(block.data(), static_cast<std::streamsize>(want));
        std::size_t got = static_cast<std::size_t>(source.gcount());
        if (got > 0)
            writeBytes(block.data(), got);
        if (got < want) {
            if (size >= 0)
                throw NetworkError(texts::kNoDataToRead);
            break;
        }
        remaining -= got;
    }
}

void TcpConnection::openWriteBuffer(int threshold) {
    Operation op(*this);
    m_writeBuffer.clear();
    m_writeBufferOpen = true;
    m_writeBufferThreshold = threshold;
}

void TcpConnection::flushWriteBuffer() {
    Operation op(*this);
    if (m_writeBuffer.empty())
        return;
    std::string pending;
    pending.swap(m_writeBuffer);
    checkForDisconnect(true, true);
    if (!m_transport || !m_transport->connected())
        throw NotConnectedError(texts::kNotConnected);
    sendAll(pending.data(), pending.size());
}

void TcpConnection::closeWriteBuffer() {
    Operation op(*this);
    try {
        flushWriteBuffer();
    } catch (...) {
        m_writeBufferOpen = false;
        throw;
    }
    m_writeBufferOpen = false;
}

void TcpConnection::cancelWriteBuffer() {
    Operation op(*this);
    m_writeBuffer.clear();
    m_writeBufferOpen = false;
}

int TcpConnection::readReply(const ReplyCodes& allowed) {
    Operation op(*this);
    // Counts every byte of the reply, skipped blank lines too, so a server cannot make us collect or
    // wait through an endless reply.
    std::size_t replyBytes = 0;
    auto nextLine = [&]() {
        for (;;) {
            const std::string raw = readLine();
            replyBytes += raw.size() + 2;
            if (replyBytes > maxReplySize)
                throw NetworkError(texts::kReplyTooLarge);
            std::string line = ascii::trim(raw);
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
            if (line.size() < 4 || ascii::equalsNoCase(std::string_view(line).substr(0, 4), last))
                break;
        }
    }
    lastCmdResult.parseLines(lines);
    const int code = lastCmdResult.numericCode;
    const bool acceptAll = allowed.empty() || (allowed.size() == 1 && allowed.front() == -1);
    if (!acceptAll && std::find(allowed.begin(), allowed.end(), code) == allowed.end())
        throw ReplyError(code, lastCmdResult.textWithLineEnds());
    return code;
}

int TcpConnection::sendCommand(std::string_view line, const ReplyCodes& allowed) {
    Operation op(*this);
    writeLine(line);
    return readReply(allowed);
}

} // namespace kestrune::net
