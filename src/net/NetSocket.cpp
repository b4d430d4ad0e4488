#include "NetSocket.h"

#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetMessages.h"

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

namespace {
constexpr int HostNotFound = 11001;

const std::map<int, const char*>& ErrorTexts() {
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
        {HostNotFound, "Host not found."},
    };
    return texts;
}

sockaddr_in MakeAddress(const std::string& ip, uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (ip.empty() || ::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1)
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
    return addr;
}

void ReadAddress(const sockaddr_in& addr, std::string& ip, uint16_t& port) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(addr.sin_port);
}

int LastSocketError() { return NetSock::ErrnoToSocketError(errno); }

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool SystemResolve(const std::string& host, std::string& ip) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
        return false;
    uint16_t unused = 0;
    ReadAddress(*reinterpret_cast<sockaddr_in*>(result->ai_addr), ip, unused);
    ::freeaddrinfo(result);
    return true;
}

std::mutex gResolveLock;
NetSock::TResolveFunction gResolve;

// Shared by the waiting caller and the worker, so whichever ends last frees it; the worker writes one
// byte to the pipe when the answer stands.
struct TResolveJob {
    int fds[2] = {-1, -1};
    std::mutex lock;
    bool found = false;
    std::string ip;
    ~TResolveJob() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};
} // namespace

namespace NetSock {

int ErrnoToSocketError(int err) {
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

std::string SocketErrorText(int code) {
    auto it = ErrorTexts().find(code);
    return it == ErrorTexts().end() ? std::string() : std::string(it->second);
}

std::string SocketErrorMessage(int code) {
    return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorText(code);
}

void RaiseSocketError(int code) { throw ENetSocketError(code); }

bool IsDottedQuad(const std::string& text) {
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

void SetResolveFunction(TResolveFunction resolve) {
    std::lock_guard lock(gResolveLock);
    gResolve = std::move(resolve);
}

std::string ResolveHost(const std::string& host, int timeoutMs) {
    if (strcasecmp(host.c_str(), "LOCALHOST") == 0)
        return "127.0.0.1";
    if (IsDottedQuad(host))
        return host;
    if (host.empty())
        RaiseSocketError(HostNotFound);
    TResolveFunction resolve;
    {
        std::lock_guard lock(gResolveLock);
        resolve = gResolve ? gResolve : TResolveFunction(SystemResolve);
    }
    auto job = std::make_shared<TResolveJob>();
    if (::pipe2(job->fds, O_CLOEXEC | O_NONBLOCK) != 0)
        RaiseSocketError(LastSocketError());
    try {
        std::thread([job, resolve = std::move(resolve), host] {
            std::string ip;
            bool found = false;
            try {
                found = resolve(host, ip);
            } catch (...) {
                found = false;
            }
            {
                std::lock_guard lock(job->lock);
                job->found = found;
                job->ip = std::move(ip);
            }
            const char done = 1;
            [[maybe_unused]] ssize_t written = ::write(job->fds[1], &done, 1);
        }).detach();
    } catch (const std::system_error&) {
        RaiseSocketError(10055);
    }
    const bool limited = timeoutMs > 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    while (TNetAntiFreeze::Wait(job->fds[0], POLLIN, limited ? RemainingMs(deadline) : -1) == 0) {
        if (limited && RemainingMs(deadline) == 0)
            throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
    }
    std::lock_guard lock(job->lock);
    if (!job->found)
        RaiseSocketError(HostNotFound);
    return job->ip;
}

short PollFd(int fd, short pollEvents, int timeoutMs, int wakeFd) {
    const bool unlimited = timeoutMs < 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        pollfd p[2] = {{fd, pollEvents, 0}, {wakeFd, POLLIN, 0}};
        int n = ::poll(p, wakeFd >= 0 ? 2 : 1, unlimited ? -1 : RemainingMs(deadline));
        if (n > 0)
            return p[0].revents;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

} // namespace NetSock

TNetSocketHandle::~TNetSocketHandle() { CloseSocket(false); }

void TNetSocketHandle::AllocateSocket() {
    CloseSocket(false);
    // Non-blocking for good: every wait goes through the anti-freeze, bounded and cancellable.
    fHandle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fHandle < 0)
        throw ENetException(NetMsg::CannotAllocateSocket);
}

void TNetSocketHandle::Bind(const std::string& ip, uint16_t port) {
    sockaddr_in addr = MakeAddress(ip, port);
    if (::bind(fHandle, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw ENetException(NetMsg::CouldNotBindSocket);
    UpdateBindingLocal();
}

void TNetSocketHandle::SetPeer(const std::string& ip, uint16_t port) {
    fPeerIP = ip;
    fPeerPort = port;
}

void TNetSocketHandle::Connect(int timeoutMs) {
    const bool limited = timeoutMs > 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    auto fail = [&](int code) {
        CloseSocket(false);
        if (limited)
            throw ENetConnectException(NetSock::SocketErrorMessage(code), code);
        NetSock::RaiseSocketError(code);
    };
    sockaddr_in addr = MakeAddress(fPeerIP, fPeerPort);
    if (::connect(fHandle, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS && errno != EINTR)
            fail(LastSocketError());
        for (;;) {
            short revents = TNetAntiFreeze::Wait(fHandle, POLLOUT, limited ? RemainingMs(deadline) : -1);
            if (revents != 0)
                break;
            if (limited && RemainingMs(deadline) == 0) {
                CloseSocket(false);
                throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
            }
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fHandle, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
        if (err != 0)
            fail(NetSock::ErrnoToSocketError(err));
    }
    UpdateBindingLocal();
    UpdateBindingPeer();
}

void TNetSocketHandle::Listen(int backlog) {
    if (::listen(fHandle, backlog) != 0)
        NetSock::RaiseSocketError(LastSocketError());
    UpdateBindingLocal();
}

std::unique_ptr<TNetSocketHandle> TNetSocketHandle::Accept(int timeoutMs, const std::string& onlyFromIP) {
    const bool limited = timeoutMs >= 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        short revents = TNetAntiFreeze::Wait(fHandle, POLLIN, limited ? RemainingMs(deadline) : -1);
        if (revents & POLLNVAL)
            NetSock::RaiseSocketError(10038);
        if (revents == 0) {
            if (limited && RemainingMs(deadline) == 0)
                throw ENetException(NetMsg::ListenTimedOut);
            continue;
        }
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        int fd = ::accept4(fHandle, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // The peer gave up between the poll and the accept: wait on within the same limit.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR)
                continue;
            NetSock::RaiseSocketError(LastSocketError());
        }
        auto accepted = std::make_unique<TNetSocketHandle>();
        accepted->fHandle = fd;
        accepted->UpdateBindingLocal();
        accepted->UpdateBindingPeer();
        if (onlyFromIP.empty() || accepted->fPeerIP == onlyFromIP)
            return accepted;
    }
}

int TNetSocketHandle::Send(const void* buffer, std::size_t length) {
    for (;;) {
        ssize_t n = ::send(fHandle, buffer, length, MSG_NOSIGNAL);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -LastSocketError();
    }
}

int TNetSocketHandle::Recv(void* buffer, std::size_t length) {
    for (;;) {
        ssize_t n = ::recv(fHandle, buffer, length, 0);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return -LastSocketError();
    }
}

short TNetSocketHandle::WaitReadable(int timeoutMs) const {
    return TNetAntiFreeze::Wait(fHandle, POLLIN, timeoutMs < 0 ? -1 : timeoutMs);
}

short TNetSocketHandle::WaitWritable(int timeoutMs) const {
    return TNetAntiFreeze::Wait(fHandle, POLLOUT, timeoutMs < 0 ? -1 : timeoutMs);
}

void TNetSocketHandle::CloseSocket(bool shutdownFirst) {
    if (fHandle < 0)
        return;
    if (shutdownFirst)
        ::shutdown(fHandle, SHUT_WR);
    ::close(fHandle);
    fHandle = -1;
}

void TNetSocketHandle::UpdateBindingLocal() {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fHandle, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        ReadAddress(addr, fIP, fPort);
}

void TNetSocketHandle::UpdateBindingPeer() {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(fHandle, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        ReadAddress(addr, fPeerIP, fPeerPort);
}

void TNetSocketHandle::SetNoDelay(bool on) {
    int flag = on ? 1 : 0;
    ::setsockopt(fHandle, IPPROTO_TCP, TCP_NODELAY, &flag, sizeof flag);
}
