#include "NginxServer.h"

#include "PeerProcess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {
sockaddr_in Loopback(uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    return addr;
}

bool ProcessEnded(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}
} // namespace

const char* NginxServer::Executable() { return "/usr/sbin/nginx"; }

bool NginxServer::Available() { return ::access(Executable(), X_OK) == 0; }

uint16_t NginxServer::FreePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("no free port");
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool NginxServer::WaitUntilAccepting(uint16_t port, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr = Loopback(port);
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (ok)
            return true;
        // Refused: nginx is not listening yet. Retry shortly (the deadline bounds the whole wait).
        ::poll(nullptr, 0, 10);
    }
    return false;
}

NginxServer::NginxServer(const Options& options) {
    fPort = FreePort();
    const std::string dir = fDir.Path();
    std::string conf;
    conf += "daemon off;\nmaster_process off;\nworker_processes 1;\n";
    conf += "pid " + dir + "/nginx.pid;\nerror_log " + dir + "/error.log warn;\n";
    conf += "events { worker_connections 256; }\n";
    conf += "http {\n";
    conf += "  access_log " + dir + "/access.log;\n";
    conf += "  client_body_temp_path " + dir + "/client_body;\n  proxy_temp_path " + dir + "/proxy;\n";
    conf += "  fastcgi_temp_path " + dir + "/fastcgi;\n  uwsgi_temp_path " + dir + "/uwsgi;\n";
    conf += "  scgi_temp_path " + dir + "/scgi;\n";
    conf += "  default_type text/html;\n";
    conf += "  keepalive_requests " + std::to_string(options.KeepaliveRequests) + ";\n";
    conf += "  keepalive_timeout " + std::to_string(options.KeepaliveTimeoutSeconds) + ";\n";
    conf += options.HttpConfig + "\n";
    conf += "  server {\n    listen 127.0.0.1:" + std::to_string(fPort) + ";\n";
    if (options.AlsoIpv6)
        conf += "    listen [::1]:" + std::to_string(fPort) + " ipv6only=on;\n";
    const bool tls = !options.TlsCertFile.empty() && !options.TlsKeyFile.empty();
    if (tls) {
        fTlsPort = FreePort();
        conf += "    listen 127.0.0.1:" + std::to_string(fTlsPort) + " ssl;\n";
        conf += "    ssl_certificate " + options.TlsCertFile + ";\n    ssl_certificate_key " + options.TlsKeyFile + ";\n";
    }
    conf += "    server_name localhost;\n";
    if (!options.DocumentRoot.empty())
        conf += "    root " + options.DocumentRoot + ";\n";
    if (options.ProxyPort != 0)
        conf += "    location / { proxy_pass http://127.0.0.1:" + std::to_string(options.ProxyPort) + "; }\n";
    conf += options.ServerConfig + "\n  }\n}\n";
    fDir.Write("nginx.conf", conf);

    fPid = ::fork();
    if (fPid < 0)
        throw std::runtime_error("cannot start nginx");
    if (fPid == 0) {
        // Ends with the test even when a sanitizer abort skips the destructor.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string confPath = dir + "/nginx.conf", errPath = dir + "/error.log";
        ::execl(Executable(), Executable(), "-p", dir.c_str(), "-c", confPath.c_str(), "-e", errPath.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!WaitUntilAccepting(fPort, 10000) || (fTlsPort != 0 && !WaitUntilAccepting(fTlsPort, 10000)) ||
        ProcessEnded(fPid)) {
        EndChild(fPid);
        fPid = -1;
        throw std::runtime_error("nginx did not start; see " + ErrorLog() + ": " + fDir.Read("error.log"));
    }
}

NginxServer::~NginxServer() {
    if (fPid > 0)
        EndChild(fPid);
}

std::string NginxServer::BaseURL() const { return "http://127.0.0.1:" + std::to_string(fPort); }

std::string NginxServer::TlsBaseURL() const { return "https://127.0.0.1:" + std::to_string(fTlsPort); }

std::string NginxServer::ErrorLog() const { return fDir.File("error.log"); }

std::string NginxServer::PasswordLine(const std::string& user, const std::string& password) {
    return user + ":{PLAIN}" + password + "\n";
}

} // namespace testsupport
