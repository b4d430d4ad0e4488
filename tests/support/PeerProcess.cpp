#include "PeerProcess.h"

#include <fstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace testsupport {
namespace {

constexpr int kStartLimitMs = 30000;

// stdoutFd < 0: the program's error output (progress texts) is discarded instead.
pid_t Spawn(std::vector<std::string>& args, int stdoutFd) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::system_error(rc, std::generic_category(), "posix_spawn " + args[0]);
    return pid;
}

uint16_t ReadPortLine(int fd, const std::string& name) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error(name + " did not report its port");
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error(name + " ended before it listened");
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const int port = std::atoi(line.c_str());
    if (port <= 0 || port > 65535)
        throw std::runtime_error(name + " reported no port: " + line);
    return static_cast<uint16_t>(port);
}

void ConfirmListening(uint16_t port, const std::string& name) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::close(fd);
    if (rc != 0)
        throw std::runtime_error(name + " does not accept connections");
}

} // namespace

void PeerProcess::Start(std::vector<std::string> args, const std::string& name) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    try {
        fPid = Spawn(args, pipeFds[1]);
        ::close(pipeFds[1]);
        pipeFds[1] = -1;
        fPort = ReadPortLine(pipeFds[0], name);
        ::close(pipeFds[0]);
        pipeFds[0] = -1;
        ConfirmListening(fPort, name);
    } catch (...) {
        for (int fd : pipeFds)
            if (fd >= 0)
                ::close(fd);
        Stop();
        throw;
    }
}

void PeerProcess::Stop() {
    if (fPid > 0) {
        ::kill(fPid, SIGTERM);
        int status = 0;
        ::waitpid(fPid, &status, 0);
        fPid = -1;
    }
}

bool RunToEnd(std::vector<std::string> args) {
    const pid_t pid = Spawn(args, -1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void EndChild(pid_t pid)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        ::poll(nullptr, 0, 10);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

std::vector<nlohmann::json> ReadJsonLines(const std::string& file)
{
    std::vector<nlohmann::json> result;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        result.push_back(nlohmann::json::parse(line));
    return result;
}

} // namespace testsupport
