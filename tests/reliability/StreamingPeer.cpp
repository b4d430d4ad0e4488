#include "StreamingPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The child's whole life: no allocation, only system calls on buffers made before the fork.
[[noreturn]] void Serve(int listener, const StreamingPeer::Script& script, const std::vector<char>& block) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0)
        ::_exit(1);
    if (!script.WaitFor.empty()) {
        char seen[8192];
        std::size_t have = 0;
        for (;;) {
            const ssize_t n = ::recv(fd, seen + have, sizeof seen - have, 0);
            if (n <= 0)
                ::_exit(0);
            have += static_cast<std::size_t>(n);
            if (::memmem(seen, have, script.WaitFor.data(), script.WaitFor.size()) || have == sizeof seen)
                break;
        }
    }
    bool open = SendAll(fd, script.Prefix.data(), script.Prefix.size());
    uint64_t left = script.UnitBytes;
    while (open && left > 0) {
        const std::size_t n = left < block.size() ? static_cast<std::size_t>(left) : block.size();
        open = SendAll(fd, block.data(), n);
        left -= n;
    }
    if (script.Reset) {
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else {
        ::shutdown(fd, SHUT_WR);
        char sink[4096];
        while (::recv(fd, sink, sizeof sink, 0) > 0) {
        }
    }
    ::close(fd);
    ::_exit(0);
}

} // namespace

StreamingPeer::StreamingPeer(const Script& script) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        throw std::system_error(errno, std::generic_category(), "socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        ::close(listener);
        throw std::system_error(errno, std::generic_category(), "listen");
    }
    fPort = ntohs(addr.sin_port);

    // Whole units in one block of about 64 KiB, so a unit is never cut except by the byte count.
    std::vector<char> block;
    if (!script.Unit.empty())
        while (block.size() < 65536)
            block.insert(block.end(), script.Unit.begin(), script.Unit.end());
    fPid = ::fork();
    if (fPid < 0) {
        ::close(listener);
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (fPid == 0)
        Serve(listener, script, block);
    // The listening socket stays open in the child only; a connect now reaches its backlog at once.
    ::close(listener);
}

StreamingPeer::~StreamingPeer() {
    if (fPid > 0) {
        ::kill(fPid, SIGKILL);
        ::waitpid(fPid, nullptr, 0);
    }
}
