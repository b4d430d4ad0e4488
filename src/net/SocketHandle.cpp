#include "SocketHandle.h"

#include "DatagramSocket.h"

#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "NetworkTexts.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <system_error>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kestrune::net {

namespace {
constexpr int kHostNotFound = 11001;

const std::map<int, const char*>& errorTexts() {
    static const std::map<int, const char*> texts = {
        {10004, "Interrupted system call."},
        {10009, "Bad file number."},
        {10013, "Access denied."},
        {10014, "Bad address."},
        {10022, "Invalid argument."},
        {10024, "Too many open files."},
        {10035, "Operation would block. "},
        {10036, "Operation now in progress."},
        {10037, "Operation already in progress."},
        {10038, "Socket operation on non-socket."},
        {10039, "Destination address required."},
        {10040, "Message too long."},
        {10041, "Protocol wrong type for socket."},
        {10042, "Bad protocol option."},
        {10043, "Protocol not supported."},
        {10044, "Socket type not supported."},
        {10045, "Operation not supported on socket."},
        {10046, "Protocol family not supported."},
        {10047, "Address family not supported by protocol family."},
        {10048, "Address already in use."},
        {10049, "Cannot assign requested address."},
        {10050, "Network is down."},
        {10051, "Network is unreachable."},
        {10052, "Net dropped connection or reset."},
        {10053, "Software caused connection abort."},
        {10054, "Connection reset by peer."},
        {10055, "No buffer space available."},
        {10056, "Socket is already connected."},
        {10057, "Socket is not connected."},
        {10058, "Cannot send or receive after socket is closed."},
        {10059, "Too many references, cannot splice."},
        {10060, "Connection timed out."},
        {10061, "Connection refused."},
        {10062, "Too many levels of symbolic links."},
        {10063, "File name too long."},
        {10064, "Host is down."},
        {10065, "No route to host."},
        {10066, "Directory not empty"},
        {kHostNotFound, "Host not found."},
    };
    return texts;
}

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
};

SocketAddress makeAddress(IpFamily family, const std::string& ip, uint16_t port) {
    SocketAddress result;
    if (family == IpFamily::V6) {
        auto& addr = reinterpret_cast<sockaddr_in6&>(result.storage);
        addr.sin6_family = AF_INET6;
        addr.sin6_port = htons(port);
        if (ip.empty() || ::inet_pton(AF_INET6, ip.c_str(), &addr.sin6_addr) != 1)
            addr.sin6_addr = in6addr_any;
        result.length = sizeof addr;
        return result;
    }
    auto& addr = reinterpret_cast<sockaddr_in&>(result.storage);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (ip.empty() || ::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1)
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    result.length = sizeof addr;
    return result;
}

void readAddress(const sockaddr_storage& storage, std::string& ip, uint16_t& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET6) {
        const auto& addr = reinterpret_cast<const sockaddr_in6&>(storage);
        ::inet_ntop(AF_INET6, &addr.sin6_addr, text, sizeof text);
        port = ntohs(addr.sin6_port);
    } else {
        const auto& addr = reinterpret_cast<const sockaddr_in&>(storage);
        ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
        port = ntohs(addr.sin_port);
    }
    ip = text;
}

// Leaves ip and port as they are when the socket has no name yet.
void readLocalAddress(int fd, std::string& ip, uint16_t& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        readAddress(addr, ip, port);
}

int lastSocketError() { return sockets::errnoToSocketError(errno); }

// One family only: an IPv6 lookup takes AAAA records alone (no mapped IPv4), an IPv4 one A records alone.
bool systemResolve(int family, const std::string& host, std::string& ip) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
        return false;
    sockaddr_storage storage{};
    std::memcpy(&storage, result->ai_addr, std::min<std::size_t>(result->ai_addrlen, sizeof storage));
    uint16_t unused = 0;
    readAddress(storage, ip, unused);
    ::freeaddrinfo(result);
    return true;
}

std::mutex gResolveLock;
sockets::ResolveFunction gResolve;
sockets::ResolveFunction gResolve6;

// Shared by the waiting caller and the worker, so whichever ends last frees it; the worker writes one
// byte to the pipe when its work is done.
struct WorkerJob {
    int fds[2] = {-1, -1};
    std::mutex lock;
    bool done = false;
    ~WorkerJob() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};
} // namespace

namespace sockets {

int errnoToSocketError(int err) {
    switch (err) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES:
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case EPIPE:
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return err;
    }
}

std::string socketErrorText(int code) {
    auto it = errorTexts().find(code);
    return it == errorTexts().end() ? std::string() : std::string(it->second);
}

std::string socketErrorMessage(int code) {
    return "Socket Error # " + std::to_string(code) + "\r\n" + socketErrorText(code);
}

void raiseSocketError(int code) { throw SocketError(code); }

bool isDottedQuad(const std::string& text) {
    int parts = 0;
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t start = i;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3)
            value = value * 10 + (text[i++] - '0');
        if (i == start || value > 255)
            return false;
        ++parts;
        if (i == text.size())
            return parts == 4;
        if (text[i] != '.' || parts == 4)
            return false;
        ++i;
    }
    return false;
}

bool isIpv6Literal(const std::string& text) {
    in6_addr addr{};
    return ::inet_pton(AF_INET6, text.c_str(), &addr) == 1;
}

void setResolveFunction(ResolveFunction resolve, IpFamily family) {
    std::lock_guard lock(gResolveLock);
    (family == IpFamily::V6 ? gResolve6 : gResolve) = std::move(resolve);
}

std::string resolveHost(const std::string& host, int timeoutMs, IpFamily family) {
    const bool v6 = family == IpFamily::V6;
    if (strcasecmp(host.c_str(), "LOCALHOST") == 0)
        return v6 ? "::1" : "127.0.0.1";
    if (v6 ? isIpv6Literal(host) : isDottedQuad(host))
        return host;
    if (host.empty() || (v6 ? isDottedQuad(host) : isIpv6Literal(host)))
        raiseSocketError(kHostNotFound);
    ResolveFunction resolve;
    {
        std::lock_guard lock(gResolveLock);
        const ResolveFunction& chosen = v6 ? gResolve6 : gResolve;
        resolve = chosen ? chosen : ResolveFunction([v6](const std::string& name, std::string& ip) {
            return systemResolve(v6 ? AF_INET6 : AF_INET, name, ip);
        });
    }
    struct Answer {
        bool found = false;
        std::string ip;
    };
    auto answer = std::make_shared<Answer>();
    runBounded([answer, resolve = std::move(resolve), host] {
        try {
            answer->found = resolve(host, answer->ip);
        } catch (...) {
            answer->found = false;
        }
    }, timeoutMs);
    if (!answer->found)
        raiseSocketError(kHostNotFound);
    return answer->ip;
}

void runBounded(std::function<void()> work, int timeoutMs) {
    auto job = std::make_shared<WorkerJob>();
    if (::pipe2(job->fds, O_CLOEXEC | O_NONBLOCK) != 0)
        raiseSocketError(lastSocketError());
    try {
        std::thread([job, work = std::move(work)] {
            work();
            {
                std::lock_guard lock(job->lock);
                job->done = true;
            }
            const char done = 1;
            [[maybe_unused]] ssize_t written = ::write(job->fds[1], &done, 1);
        }).detach();
    } catch (const std::system_error&) {
        raiseSocketError(10055);
    }
    const bool limited = timeoutMs > 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    while (NetworkWait::wait(job->fds[0], POLLIN, limited ? remainingMs(deadline) : -1) == 0) {
        if (limited && remainingMs(deadline) == 0)
            throw ConnectTimeoutError(texts::kConnectTimedOut);
    }
    // Taking the lock orders the worker's writes before the caller's reads.
    std::lock_guard lock(job->lock);
}

short pollFd(int fd, short pollEvents, int timeoutMs, int wakeFd) {
    const bool unlimited = timeoutMs < 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        pollfd p[2] = {{fd, pollEvents, 0}, {wakeFd, POLLIN, 0}};
        int n = ::poll(p, wakeFd >= 0 ? 2 : 1, unlimited ? -1 : remainingMs(deadline));
        if (n > 0)
            return p[0].revents;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

} // namespace sockets

SocketHandle::~SocketHandle() { closeSocket(false); }

void SocketHandle::allocateSocket(IpFamily family) {
    closeSocket(false);
    m_family = family;
    // Non-blocking for good: every wait goes through the anti-freeze, bounded and cancellable.
    m_handle = ::socket(family == IpFamily::V6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK,
                        IPPROTO_TCP);
    if (m_handle < 0)
        throw NetworkError(texts::kCannotAllocateSocket);
    if (family == IpFamily::V6) {
        // A mapped IPv4 peer would answer for the wrong family.
        const int only = 1;
        ::setsockopt(m_handle, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    }
}

void SocketHandle::bind(const std::string& ip, uint16_t port) {
    SocketAddress addr = makeAddress(m_family, ip, port);
    if (::bind(m_handle, addr.get(), addr.length) != 0)
        throw NetworkError(texts::kCouldNotBindSocket);
    updateBindingLocal();
}

void SocketHandle::setPeer(const std::string& ip, uint16_t port) {
    m_peerIp = ip;
    m_peerPort = port;
}

void SocketHandle::connect(int timeoutMs) {
    const bool limited = timeoutMs > 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    auto fail = [&](int code) {
        closeSocket(false);
        if (limited)
            throw ConnectError(sockets::socketErrorMessage(code), code);
        sockets::raiseSocketError(code);
    };
    SocketAddress addr = makeAddress(m_family, m_peerIp, m_peerPort);
    if (::connect(m_handle, addr.get(), addr.length) != 0) {
        if (errno != EINPROGRESS && errno != EINTR)
            fail(lastSocketError());
        for (;;) {
            short revents = NetworkWait::wait(m_handle, POLLOUT, limited ? remainingMs(deadline) : -1);
            if (revents != 0)
                break;
            if (limited && remainingMs(deadline) == 0) {
                closeSocket(false);
                throw ConnectTimeoutError(texts::kConnectTimedOut);
            }
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(m_handle, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
        if (err != 0)
            fail(sockets::errnoToSocketError(err));
    }
    updateBindingLocal();
    updateBindingPeer();
}

void SocketHandle::listen(int backlog) {
    if (::listen(m_handle, backlog) != 0)
        sockets::raiseSocketError(lastSocketError());
    updateBindingLocal();
}

std::unique_ptr<SocketHandle> SocketHandle::accept(int timeoutMs, const std::string& onlyFromIP) {
    const bool limited = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        short revents = NetworkWait::wait(m_handle, POLLIN, limited ? remainingMs(deadline) : -1);
        if (revents & POLLNVAL)
            sockets::raiseSocketError(10038);
        if (revents == 0) {
            if (limited && remainingMs(deadline) == 0)
                throw NetworkError(texts::kListenTimedOut);
            continue;
        }
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        int fd = ::accept4(m_handle, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // The peer gave up between the poll and the accept: wait on within the same limit.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR)
                continue;
            sockets::raiseSocketError(lastSocketError());
        }
        auto accepted = std::make_unique<SocketHandle>();
        accepted->m_handle = fd;
        accepted->m_family = m_family;
        accepted->updateBindingLocal();
        accepted->updateBindingPeer();
        if (onlyFromIP.empty() || accepted->m_peerIp == onlyFromIP)
            return accepted;
    }
}

int SocketHandle::send(const void* buffer, std::size_t length) {
    for (;;) {
        ssize_t n = ::send(m_handle, buffer, length, MSG_NOSIGNAL);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -lastSocketError();
    }
}

int SocketHandle::recv(void* buffer, std::size_t length) {
    for (;;) {
        ssize_t n = ::recv(m_handle, buffer, length, 0);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -lastSocketError();
    }
}

short SocketHandle::waitReadable(int timeoutMs) const {
    return NetworkWait::wait(m_handle, POLLIN, timeoutMs < 0 ? -1 : timeoutMs);
}

short SocketHandle::waitWritable(int timeoutMs) const {
    return NetworkWait::wait(m_handle, POLLOUT, timeoutMs < 0 ? -1 : timeoutMs);
}

void SocketHandle::closeSocket(bool shutdownFirst) {
    if (m_handle < 0)
        return;
    if (shutdownFirst)
        ::shutdown(m_handle, SHUT_WR);
    ::close(m_handle);
    m_handle = -1;
}

void SocketHandle::updateBindingLocal() { readLocalAddress(m_handle, m_ip, m_port); }

void SocketHandle::updateBindingPeer() {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(m_handle, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        readAddress(addr, m_peerIp, m_peerPort);
}

void SocketHandle::setNoDelay(bool on) {
    int flag = on ? 1 : 0;
    ::setsockopt(m_handle, IPPROTO_TCP, TCP_NODELAY, &flag, sizeof flag);
}

DatagramSocket::~DatagramSocket() { close(); }

void DatagramSocket::open() {
    close();
    m_handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP);
    if (m_handle < 0)
        throw NetworkError(texts::kCannotAllocateSocket);
}

void DatagramSocket::bind(const std::string& ip, uint16_t port) {
    SocketAddress addr = makeAddress(IpFamily::V4, ip, port);
    if (::bind(m_handle, addr.get(), addr.length) != 0)
        throw NetworkError(texts::kCouldNotBindSocket);
}

uint16_t DatagramSocket::localPort() const {
    std::string ip;
    uint16_t port = 0;
    readLocalAddress(m_handle, ip, port);
    return port;
}

void DatagramSocket::sendTo(const std::string& ip, uint16_t port, std::span<const uint8_t> bytes) {
    SocketAddress addr = makeAddress(IpFamily::V4, ip, port);
    const ssize_t sent = ::sendto(m_handle, bytes.data(), bytes.size(), MSG_NOSIGNAL, addr.get(), addr.length);
    if (sent < 0)
        sockets::raiseSocketError(lastSocketError());
}

std::optional<Datagram> DatagramSocket::receive(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        Datagram datagram;
        datagram.bytes.resize(kMaxDatagram);
        sockaddr_storage from{};
        socklen_t len = sizeof from;
        const ssize_t got = ::recvfrom(m_handle, datagram.bytes.data(), datagram.bytes.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &len);
        if (got >= 0) {
            datagram.bytes.resize(static_cast<std::size_t>(got));
            readAddress(from, datagram.ip, datagram.port);
            return datagram;
        }
        // A refused earlier datagram (ICMP) says nothing about the one awaited now.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNREFUSED)
            sockets::raiseSocketError(lastSocketError());
        const int left = remainingMs(deadline);
        if (left == 0 || NetworkWait::wait(m_handle, POLLIN, left) == 0)
            return std::nullopt;
    }
}

void DatagramSocket::close() {
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

} // namespace kestrune::net
