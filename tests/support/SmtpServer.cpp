#include "SmtpServer.h"

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
#include <sstream>
#include <stdexcept>
#include <system_error>

extern char **environ;

namespace {

constexpr int kStartLimitMs = 30000;

std::filesystem::path MakeTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-smtp-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

pid_t Spawn(std::vector<std::string> args, int stdoutFd)
{
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else // the openssl command's progress output
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::system_error(rc, std::generic_category(), "posix_spawn " + args[0]);
    return pid;
}

// The server prints its port once it listens; read that line within a bound.
uint16_t ReadPortLine(int fd)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("SMTP test server did not report its port");
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            throw std::runtime_error("SMTP test server ended before it listened");
        line.append(buffer, static_cast<std::size_t>(n));
    }
    const int port = std::atoi(line.c_str());
    if (port <= 0 || port > 65535)
        throw std::runtime_error("SMTP test server reported no port: " + line);
    return static_cast<uint16_t>(port);
}

void ConfirmListening(uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    ::close(fd);
    if (rc != 0)
        throw std::runtime_error("SMTP test server does not accept connections");
}

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

void MakeSelfSignedCertificate(const std::filesystem::path &certFile, const std::filesystem::path &keyFile)
{
    const pid_t pid = Spawn({KESTRUNE_OPENSSL_COMMAND, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                             "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                             "-keyout", keyFile.string(), "-out", certFile.string()},
                            -1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("openssl could not make the test certificate");
}

TSmtpServer::TSmtpServer(const TOptions &options) : fFolder(MakeTempFolder())
{
    std::vector<std::string> args = {KESTRUNE_SYSTEM_PYTHON, KESTRUNE_SMTP_SERVER_SCRIPT, fFolder.string()};
    try {
        if (options.Tls) {
            MakeSelfSignedCertificate(fFolder / "cert.pem", fFolder / "key.pem");
            args.insert(args.end(), {"--tls", (fFolder / "cert.pem").string(), (fFolder / "key.pem").string()});
        }
        if (!options.User.empty())
            args.insert(args.end(), {"--login", options.User, options.Password});
    } catch (...) {
        std::filesystem::remove_all(fFolder);
        throw;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    try {
        fPid = Spawn(args, pipeFds[1]);
        ::close(pipeFds[1]);
        pipeFds[1] = -1;
        fPort = ReadPortLine(pipeFds[0]);
        ::close(pipeFds[0]);
        ConfirmListening(fPort);
    } catch (...) {
        ::close(pipeFds[0]);
        if (pipeFds[1] >= 0)
            ::close(pipeFds[1]);
        Stop();
        throw;
    }
}

TSmtpServer::~TSmtpServer() { Stop(); }

void TSmtpServer::Stop()
{
    if (fPid > 0) {
        ::kill(fPid, SIGTERM);
        int status = 0;
        ::waitpid(fPid, &status, 0);
        fPid = -1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(fFolder, ignored);
}

std::vector<TSmtpServer::TStoredMail> TSmtpServer::Stored() const
{
    std::vector<TStoredMail> mails;
    for (int n = 1;; ++n) {
        const std::filesystem::path data = fFolder / (std::to_string(n) + ".eml");
        if (!std::filesystem::exists(data))
            return mails;
        TStoredMail mail;
        mail.Data = ReadFile(data);
        std::istringstream envelope(ReadFile(fFolder / (std::to_string(n) + ".env")));
        for (std::string line; std::getline(envelope, line);)
            mail.Envelope.push_back(line);
        mails.push_back(std::move(mail));
    }
}
