#pragma once

#include "Transport.h"
#include "ServerReply.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::net {

enum class MaxLineAction { Raise, Split };

// The bounds the program's HTTP and FTP clients start with: one read, and one whole operation.
inline constexpr int kNetDefaultReadTimeoutMs = 60000;
inline constexpr int kNetDefaultOperationTimeoutMs = 120000;

// Allowed reply codes; empty, or the single code -1, accepts every code.
using ReplyCodes = std::vector<int>;

// The blocking, line-oriented TCP connection under the HTTP, SMTP and FTP clients.
// Not thread-safe; meant for one (GUI) thread. Any operation entered while another one on the same
// connection is waiting (re-entry through the wait hook) raises ClientBusyError at once.
class TcpConnection {
public:
    TcpConnection();
    virtual ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    std::string host;
    uint16_t port = 0;
    // The family the host is looked up and reached in; the other family is never tried.
    IpFamily family = IpFamily::V4;
    std::string boundIp;
    uint16_t boundPort = 0;
    uint16_t boundPortMin = 0, boundPortMax = 0;

    int recvBufferSize = 32768;
    int sendBufferSize = 32768;
    int maxLineLength = 16384;
    std::size_t maxReplySize = 1024u * 1024;  // all lines of one numeric reply, blank ones included
    MaxLineAction maxLineAction = MaxLineAction::Raise;
    int readTimeout = 0;  // ms each read, and each write the peer takes nothing of, may wait; 0 = no limit
    // ms each public call of a protocol client may take in all, unless a time limit already runs; 0 = none.
    int operationTimeout = 0;

    // Bounds every later wait of this connection (connect, name lookup, reads, writes) to end by limitMs from
    // now; a read past it raises "Read Timeout", a connect "Connect timed out.", a write socket error 10060
    // ("Connection timed out.", after which the connection is closed). clearTimeLimit lifts the bound.
    void setTimeLimit(int limitMs);
    void clearTimeLimit() { m_deadline.reset(); }
    bool hasTimeLimit() const { return m_deadline.has_value(); }
    // ms left of the time limit (0 when past it); -1 without one.
    int timeLimitLeftMs() const;

    ServerReply greeting;
    ServerReply lastCmdResult;

    std::function<void()> onConnected;
    std::function<void()> onDisconnected;
    std::function<void(const std::string&)> onStatus;

    // Attaches a transport the caller owns (TLS, in-memory); nullptr detaches. Without one, a plain
    // socket handler is created, owned and freed by the connection.
    void setTransport(Transport* handler);
    Transport* transport() const { return m_transport; }

    // timeoutMs: > 0 limit; -1 or 0 the default (120000 ms while a GUI wait hook is active, else none).
    void openConnection(int timeoutMs = kTimeoutDefault);
    void connect(int timeoutMs = kTimeoutDefault) { openConnection(timeoutMs); }
    virtual void closeConnection();
    void disconnect() { closeConnection(); }
    bool isConnected();
    bool connected() { return isConnected(); }

    // Closes a socket the peer has closed; raises "Connection Closed Gracefully." when asked and nothing
    // (or, with ignoreBuffer, whatever) is buffered.
    void checkForDisconnect(bool raiseIfDisconnected = true, bool ignoreBuffer = false);
    // A read step that does not wait and raises nothing; notices a peer that closed in the meantime.
    void checkForGracefulDisconnect(bool raiseIfDisconnected = true);
    // One receive step; returns the bytes added to the input buffer, or -1 on a time-out not raised.
    int readFromStack(bool raiseIfDisconnected = true, int timeoutMs = kTimeoutDefault,
                      bool raiseOnTimeout = true);

    // terminator "" = LF (a CR before the LF is dropped too); timeoutMs -1 = readTimeout;
    // maxLength -1 = maxLineLength, 0 = no limit.
    std::string readLine(const std::string& terminator = "\n", int timeoutMs = kTimeoutDefault,
                         int maxLength = -1);
    // The first line that is non-empty after trimming, skipping at most maxEmptyLines empty ones
    // (then an empty text is returned).
    std::string readLnWait(int maxEmptyLines = 2147483647);
    bool readLnTimedOut() const { return m_readLnTimedOut; }
    bool readLnSplit() const { return m_readLnSplit; }

    std::string readBytes(std::size_t count);
    // Counted: exactly count bytes (a close raises). Until close: count < 0, ends at the peer's close.
    void readToStream(std::ostream& sink, int64_t count);
    void readToStream(std::string& sink, int64_t count);
    // Byte limit for the until-close and counted forms; exceeding it raises tooLargeMessage.
    void readToStreamLimited(std::string& sink, int64_t count, std::size_t limit, const char* tooLargeMessage);

    void writeBytes(const void* buffer, std::size_t length);
    void writeBytes(std::string_view bytes) { writeBytes(bytes.data(), bytes.size()); }
    void writeLine(std::string_view text);  // CR LF appended
    // Sends size bytes of the stream (size < 0: up to its end) in blocks of sendBufferSize;
    // a stream that ends early raises "No data to read.".
    void writeStream(std::istream& source, int64_t size = -1);

    // threshold -1: flushed only by Flush/Close; else flushed whenever it reaches threshold bytes.
    void openWriteBuffer(int threshold = -1);
    void flushWriteBuffer();
    void closeWriteBuffer();   // flushes, then writes go straight out again
    void cancelWriteBuffer();  // drops what was collected

    int readReply(const ReplyCodes& allowed = {});
    int sendCommand(std::string_view line, const ReplyCodes& allowed = {});

    bool closedGracefully() const { return m_closedGracefully; }
    std::size_t inputBufferSize() const { return m_input.size() - m_inputStart; }
    // True while an operation waits on this connection.
    bool isBusy() const { return m_busy > 0; }

protected:
    // Counts nested operations; raises ClientBusyError when entered during a wait of this connection.
    class Operation {
    public:
        explicit Operation(TcpConnection& owner);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        TcpConnection& m_owner;
    };
    // Starts operationTimeout for one public call when no time limit runs, and lifts what it started.
    class OperationLimit {
    public:
        explicit OperationLimit(TcpConnection& owner);
        ~OperationLimit();
        OperationLimit(const OperationLimit&) = delete;
        OperationLimit& operator=(const OperationLimit&) = delete;

    private:
        TcpConnection& m_owner;
        bool m_started = false;
    };
    void status(const char* format, const std::string& arg = {});
    // Takes n bytes off the front of the input buffer ("Not enough data in buffer." if short).
    std::string takeInput(std::size_t n);
    // Appends n buffered bytes to sink without an intermediate copy. The sink's capacity grows in powers
    // of two but never past growthLimit (when more is needed, exactly that), so a sink bounded by a limit
    // is not left holding a block of twice the limit.
    void moveInputTo(std::string& sink, std::size_t n, std::size_t growthLimit = std::string::npos);
    bool waitingInHook() const { return m_waiting; }

private:
    void createOwnedHandler();
    void freeOwnedHandler();
    void closeSocketAfterPeerClose();
    bool readLineFromBuffer(const std::string& terminator, std::size_t maxLength, std::string& line);
    void sendAll(const char* data, std::size_t length);
    void compactInput();
    int receiveIntoBuffer();

    Transport* m_transport = nullptr;
    bool m_ownsTransport = false;
    std::string m_input;           // received bytes; the unread part starts at m_inputStart
    std::size_t m_inputStart = 0;
    std::size_t m_searchFrom = 0;  // line search resumes here (relative to m_inputStart)
    std::vector<char> m_recvBuffer;
    std::string m_writeBuffer;
    bool m_writeBufferOpen = false;
    int m_writeBufferThreshold = -1;
    bool m_closedGracefully = false;
    bool m_readLnTimedOut = false;
    bool m_readLnSplit = false;
    int m_busy = 0;
    bool m_waiting = false;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
};

// The client form of the connection; the protocol clients derive from it.
class TcpClient : public TcpConnection {};

} // namespace kestrune::net
