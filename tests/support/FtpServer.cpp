#include "FtpServer.h"

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
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <vector>

extern char** environ;

namespace {
constexpr int StartLimitMs = 30000;

std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-ftp-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

// The server prints its port once it listens; read that line within a bound.
uint16_t ReadPortLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StartLimitMs);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                               std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("FTP test server did not report its port");
        char buffer[64];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error("FTP test server ended before it listened");
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const int port = std::atoi(line.c_str());
    if (port <= 0 || port > 65535)
        throw std::runtime_error("FTP test server reported no port: " + line);
    return static_cast<uint16_t>(port);
}

void ConfirmListening(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::close(fd);
    if (rc != 0)
        throw std::runtime_error("FTP test server does not accept connections");
}
} // namespace

TFtpServer::TFtpServer(const std::string& user, const std::string& password, const std::string& readerUser,
                       const std::string& readerPassword)
    : fRoot(MakeTempFolder()) {
    std::vector<std::string> args = {KESTRUNE_SYSTEM_PYTHON, KESTRUNE_FTP_SERVER_SCRIPT, fRoot.string(), user,
                                     password};
    if (!readerUser.empty())
        args.insert(args.end(), {"--reader", readerUser, readerPassword});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&fPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        std::filesystem::remove_all(fRoot);
        throw std::system_error(rc, std::generic_category(), "posix_spawn " + args[0]);
    }
    try {
        fPort = ReadPortLine(pipeFds[0]);
        ::close(pipeFds[0]);
        ConfirmListening(fPort);
    } catch (...) {
        ::close(pipeFds[0]);
        Stop();
        throw;
    }
}

TFtpServer::~TFtpServer() { Stop(); }

void TFtpServer::Stop() {
    if (fPid > 0) {
        ::kill(fPid, SIGTERM);
        int status = 0;
        ::waitpid(fPid, &status, 0);
        fPid = -1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(fRoot, ignored);
}

std::string TFtpServer::ReadStored(const std::string& name) const {
    std::ifstream in(fRoot / name, std::ios::binary);
    if (!in)
        throw std::runtime_error("no stored file " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
