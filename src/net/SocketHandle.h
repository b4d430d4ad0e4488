#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Transport.h"

namespace kestrune::net {

// Every socket call of the program lives behind this file. Errors use the Winsock numbers and texts
// (10061 "Connection refused.", 11001 "Host not found.", ...).
namespace sockets {
// Maps an errno value to its socket error number (unknown values keep a number outside the table).
int errnoToSocketError(int err);
// The text of a socket error number; empty for a number outside the table.
std::string socketErrorText(int code);
// "Socket Error # %d\r\n%s".
std::string socketErrorMessage(int code);
[[noreturn]] void raiseSocketError(int code);
// "LOCALHOST" (any case) → 127.0.0.1, a dotted quad unchanged, else the first IPv4 address of the name;
// for IpFamily::V6: "LOCALHOST" → ::1, an IPv6 literal unchanged, else the first AAAA address (never a
// mapped IPv4 one), and a literal of the other family is not found.
// A failed lookup raises socket error 11001. The name is looked up on a worker thread while the caller
// waits through the anti-freeze (so the window answers and a cancel ends the wait); timeoutMs > 0 bounds
// that wait ("Connect timed out."), else it has no limit.
std::string resolveHost(const std::string& host, int timeoutMs = -1, IpFamily family = IpFamily::V4);
// How a name is looked up: true with the address in ip, false when not found. Runs on a worker thread
// that may outlive the wait for it. An empty function restores the system's resolver. Each family has its own.
using ResolveFunction = std::function<bool(const std::string& host, std::string& ip)>;
void setResolveFunction(ResolveFunction resolve, IpFamily family = IpFamily::V4);
bool isDottedQuad(const std::string& text);
// Runs work on a worker thread while the caller waits through the anti-freeze (so a cancel ends the wait);
// timeoutMs > 0 bounds the wait ("Connect timed out."). For blocking calls of libraries; work may outlive
// the wait, so it must own everything it touches.
void runBounded(std::function<void()> work, int timeoutMs);
bool isIpv6Literal(const std::string& text);
// poll() on one descriptor, resumed after signals; timeoutMs -1 = no limit. Returns revents, 0 on time-out.
// A readable wakeFd (when >= 0) ends the wait early with 0.
short pollFd(int fd, short pollEvents, int timeoutMs, int wakeFd = -1);
} // namespace sockets

// One stream socket of one family: its handle and both ends' addresses.
class SocketHandle {
public:
    SocketHandle() = default;
    ~SocketHandle();
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    // socket(), non-blocking (IPv6 sockets take IPv6 peers only); failure raises "Cannot allocate socket.".
    void allocateSocket(IpFamily family = IpFamily::V4);
    bool handleAllocated() const { return m_handle >= 0; }
    int handle() const { return m_handle; }

    // bind(); an empty ip and port 0 mean any. Failure raises "Could not bind socket. ...".
    void bind(const std::string& ip, uint16_t port);
    void setPeer(const std::string& ip, uint16_t port);

    // Connects to the peer set before. timeoutMs > 0 limits the wait ("Connect timed out.", and a failure
    // raises ConnectError); timeoutMs <= 0 waits without a limit and raises SocketError.
    // The wait goes through the anti-freeze hook. On failure the socket is closed.
    void connect(int timeoutMs);

    // listen() with the given backlog; the bound port is known afterwards through Port().
    void listen(int backlog);
    // Waits (through the hook) for a peer; timeoutMs -1 = no limit. Returns the accepted socket, or
    // raises "Timed out waiting for the peer to connect." / the socket error. With onlyFromIP, a peer
    // from another address is closed at once and the wait goes on within the same limit.
    std::unique_ptr<SocketHandle> accept(int timeoutMs, const std::string& onlyFromIP = {});

    // Single calls that never wait (the socket is non-blocking): bytes (> 0), 0 at close (Recv), or minus
    // the socket error number; -10035 when nothing could be moved yet.
    int send(const void* buffer, std::size_t length);
    int recv(void* buffer, std::size_t length);
    // Wait until readable / writable or time-out; timeoutMs -1 = no limit. Returns poll revents, 0 on time-out.
    short waitReadable(int timeoutMs) const;
    short waitWritable(int timeoutMs) const;

    // Shuts down the sending side (when shutdownFirst), then closes. Safe when not allocated.
    void closeSocket(bool shutdownFirst = true);

    void updateBindingLocal();
    void updateBindingPeer();
    const std::string& ip() const { return m_ip; }
    uint16_t port() const { return m_port; }
    const std::string& peerIp() const { return m_peerIp; }
    uint16_t peerPort() const { return m_peerPort; }
    void setNoDelay(bool on);

private:
    int m_handle = -1;
    IpFamily m_family = IpFamily::V4;
    std::string m_ip, m_peerIp;
    uint16_t m_port = 0, m_peerPort = 0;
};

} // namespace kestrune::net
