#pragma once

#include "NetIOHandler.h"
#include "NetRFCReply.h"

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

enum TNetMaxLineAction { maException, maSplit };

// The bounds the program's HTTP and FTP clients start with: one read, and one whole operation.
inline constexpr int NetDefaultReadTimeoutMs = 60000;
inline constexpr int NetDefaultOperationTimeoutMs = 120000;

// Allowed reply codes; empty, or the single code -1, accepts every code.
using TNetReplyCodes = std::vector<int>;

// The blocking, line-oriented TCP connection under the HTTP, SMTP and FTP clients.
// Not thread-safe; meant for one (GUI) thread. Any operation entered while another one on the same
// connection is waiting (re-entry through the wait hook) raises ENetClientBusy at once.
class TNetTCPConnection {
public:
    TNetTCPConnection();
    virtual ~TNetTCPConnection();
    TNetTCPConnection(const TNetTCPConnection&) = delete;
    TNetTCPConnection& operator=(const TNetTCPConnection&) = delete;

    std::string Host;
    uint16_t Port = 0;
    std::string BoundIP;
    uint16_t BoundPort = 0;
    uint16_t BoundPortMin = 0, BoundPortMax = 0;

    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    int MaxLineLength = 16384;
    std::size_t MaxReplySize = 1024u * 1024;  // all lines of one numeric reply, blank ones included
    TNetMaxLineAction MaxLineAction = maException;
    int ReadTimeout = 0;  // ms each read, and each write the peer takes nothing of, may wait; 0 = no limit
    // ms each public call of a protocol client may take in all, unless a time limit already runs; 0 = none.
    int OperationTimeout = 0;

    // Bounds every later wait of this connection (connect, name lookup, reads, writes) to end by limitMs from
    // now; a read past it raises "Read Timeout", a connect "Connect timed out.", a write socket error 10060
    // ("Connection timed out.", after which the connection is closed). ClearTimeLimit lifts the bound.
    void SetTimeLimit(int limitMs);
    void ClearTimeLimit() { fDeadline.reset(); }
    bool HasTimeLimit() const { return fDeadline.has_value(); }
    // ms left of the time limit (0 when past it); -1 without one.
    int TimeLimitLeftMs() const;

    TNetRFCReply Greeting;
    TNetRFCReply LastCmdResult;

    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;
    std::function<void(const std::string&)> OnStatus;

    // Attaches a transport the caller owns (TLS, in-memory); nullptr detaches. Without one, a plain
    // socket handler is created, owned and freed by the connection.
    void SetIOHandler(TNetIOHandler* handler);
    TNetIOHandler* IOHandler() const { return fIOHandler; }

    // timeoutMs: > 0 limit; -1 or 0 the default (120000 ms while a GUI wait hook is active, else none).
    void OpenConnection(int timeoutMs = NetTimeoutDefault);
    void Connect(int timeoutMs = NetTimeoutDefault) { OpenConnection(timeoutMs); }
    virtual void CloseConnection();
    void Disconnect() { CloseConnection(); }
    bool IsConnected();
    bool Connected() { return IsConnected(); }

    // Closes a socket the peer has closed; raises "Connection Closed Gracefully." when asked and nothing
    // (or, with ignoreBuffer, whatever) is buffered.
    void CheckForDisconnect(bool raiseIfDisconnected = true, bool ignoreBuffer = false);
    // A read step that does not wait and raises nothing; notices a peer that closed in the meantime.
    void CheckForGracefulDisconnect(bool raiseIfDisconnected = true);
    // One receive step; returns the bytes added to the input buffer, or -1 on a time-out not raised.
    int ReadFromStack(bool raiseIfDisconnected = true, int timeoutMs = NetTimeoutDefault,
                      bool raiseOnTimeout = true);

    // terminator "" = LF (a CR before the LF is dropped too); timeoutMs -1 = ReadTimeout;
    // maxLength -1 = MaxLineLength, 0 = no limit.
    std::string ReadLine(const std::string& terminator = "\n", int timeoutMs = NetTimeoutDefault,
                         int maxLength = -1);
    // The first line that is non-empty after trimming, skipping at most maxEmptyLines empty ones
    // (then an empty text is returned).
    std::string ReadLnWait(int maxEmptyLines = 2147483647);
    bool ReadLnTimedOut() const { return fReadLnTimedOut; }
    bool ReadLnSplit() const { return fReadLnSplit; }

    std::string ReadBytes(std::size_t count);
    // Counted: exactly count bytes (a close raises). Until close: count < 0, ends at the peer's close.
    void ReadToStream(std::ostream& sink, int64_t count);
    void ReadToStream(std::string& sink, int64_t count);
    // Byte limit for the until-close and counted forms; exceeding it raises tooLargeMessage.
    void ReadToStreamLimited(std::string& sink, int64_t count, std::size_t limit, const char* tooLargeMessage);

    void WriteBytes(const void* buffer, std::size_t length);
    void WriteBytes(std::string_view bytes) { WriteBytes(bytes.data(), bytes.size()); }
    void WriteLine(std::string_view text);  // CR LF appended
    // Sends size bytes of the stream (size < 0: up to its end) in blocks of SendBufferSize;
    // a stream that ends early raises "No data to read.".
    void WriteStream(std::istream& source, int64_t size = -1);

    // threshold -1: flushed only by Flush/Close; else flushed whenever it reaches threshold bytes.
    void OpenWriteBuffer(int threshold = -1);
    void FlushWriteBuffer();
    void CloseWriteBuffer();   // flushes, then writes go straight out again
    void CancelWriteBuffer();  // drops what was collected

    int ReadReply(const TNetReplyCodes& allowed = {});
    int SendCommand(std::string_view line, const TNetReplyCodes& allowed = {});

    bool ClosedGracefully() const { return fClosedGracefully; }
    std::size_t InputBufferSize() const { return fInput.size() - fInputStart; }
    // True while an operation waits on this connection.
    bool IsBusy() const { return fBusy > 0; }

protected:
    // Counts nested operations; raises ENetClientBusy when entered during a wait of this connection.
    class TOperation {
    public:
        explicit TOperation(TNetTCPConnection& owner);
        ~TOperation();
        TOperation(const TOperation&) = delete;
        TOperation& operator=(const TOperation&) = delete;

    private:
        TNetTCPConnection& fOwner;
    };
    // Starts OperationTimeout for one public call when no time limit runs, and lifts what it started.
    class TOperationLimit {
    public:
        explicit TOperationLimit(TNetTCPConnection& owner);
        ~TOperationLimit();
        TOperationLimit(const TOperationLimit&) = delete;
        TOperationLimit& operator=(const TOperationLimit&) = delete;

    private:
        TNetTCPConnection& fOwner;
        bool fStarted = false;
    };
    void Status(const char* format, const std::string& arg = {});
    // Takes n bytes off the front of the input buffer ("Not enough data in buffer." if short).
    std::string TakeInput(std::size_t n);
    // Appends n buffered bytes to sink without an intermediate copy. The sink's capacity grows in powers
    // of two but never past growthLimit (when more is needed, exactly that), so a sink bounded by a limit
    // is not left holding a block of twice the limit.
    void MoveInputTo(std::string& sink, std::size_t n, std::size_t growthLimit = std::string::npos);
    bool WaitingInHook() const { return fWaiting; }

private:
    void CreateOwnedHandler();
    void FreeOwnedHandler();
    void CloseSocketAfterPeerClose();
    bool ReadLineFromBuffer(const std::string& terminator, std::size_t maxLength, std::string& line);
    void SendAll(const char* data, std::size_t length);
    void CompactInput();
    int ReceiveIntoBuffer();

    TNetIOHandler* fIOHandler = nullptr;
    bool fOwnsIOHandler = false;
    std::string fInput;           // received bytes; the unread part starts at fInputStart
    std::size_t fInputStart = 0;
    std::size_t fSearchFrom = 0;  // line search resumes here (relative to fInputStart)
    std::vector<char> fRecvBuffer;
    std::string fWriteBuffer;
    bool fWriteBufferOpen = false;
    int fWriteBufferThreshold = -1;
    bool fClosedGracefully = false;
    bool fReadLnTimedOut = false;
    bool fReadLnSplit = false;
    int fBusy = 0;
    bool fWaiting = false;
    std::optional<std::chrono::steady_clock::time_point> fDeadline;
};

// The client form of the connection; the protocol clients derive from it.
class TNetTCPClient : public TNetTCPConnection {};
