#include "VsftpdServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace testsupport {

namespace {

std::string readWhole(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("no file " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The control connection becomes the child's standard input and output, as inetd hands it over.
pid_t spawnOnConnection(int connection, const std::string& config)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, connection, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, connection, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = VsftpdServer::executable();
    std::string argument = config;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

} // namespace

bool VsftpdServer::available() { return ::access(executable(), X_OK) == 0; }

VsftpdServer::VsftpdServer(const std::filesystem::path& certFile, const std::filesystem::path& keyFile)
{
    const std::string dir = m_folder.Path();
    std::filesystem::create_directories(dir + "/root");
    std::filesystem::create_directories(dir + "/empty");
    // run_as_launching_user: no privilege separation and no chroot, so no system account or root is needed.
    m_folder.Write("vsftpd.conf", "listen=NO\nlisten_ipv6=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
                                  "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
                                  "write_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
                                  "anon_umask=022\nanon_root=" + dir + "/root\nsecure_chroot_dir=" + dir + "/empty\n"
                                  "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
                                  "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                                  "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
                                  "rsa_cert_file=" + certFile.string() + "\nrsa_private_key_file=" +
                                  keyFile.string() + "\n"
                                  "xferlog_enable=YES\nvsftpd_log_file=" + dir + "/vsftpd.log\n");
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        if (m_listen >= 0)
            ::close(m_listen);
        throw std::runtime_error("cannot listen for the vsftpd test server");
    }
    m_port = ntohs(addr.sin_port);
    m_acceptor = std::thread([this] { serve(); });
}

VsftpdServer::~VsftpdServer()
{
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
    m_acceptor.join();
    for (pid_t child : m_children) {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        ::close(fd);
}

void VsftpdServer::serve()
{
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0)
            return;
        const int connection = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        const pid_t child = spawnOnConnection(connection, m_folder.File("vsftpd.conf"));
        ::close(connection);
        if (child > 0) {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_children.push_back(child);
        }
    }
}

std::string VsftpdServer::readStored(const std::string& name) const
{
    return readWhole(std::filesystem::path(m_folder.Path()) / "root" / name);
}

std::string VsftpdServer::log() const
{
    std::error_code error;
    return std::filesystem::exists(m_folder.File("vsftpd.log"), error) ? m_folder.Read("vsftpd.log") : std::string();
}

} // namespace testsupport
