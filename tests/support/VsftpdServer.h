#pragma once

#include "TempDir.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A real vsftpd on 127.0.0.1 that takes anonymous uploads into a fresh folder over explicit TLS only,
// with its default demand that data connections resume the control connection's TLS session. Each
// connection to port() is served by its own vsftpd process (its inetd mode), so no fixed port is needed.
class VsftpdServer {
public:
    static const char* executable() { return "/usr/sbin/vsftpd"; }
    static bool available();

    // The server's certificate chain and key (PEM).
    VsftpdServer(const std::filesystem::path& certFile, const std::filesystem::path& keyFile);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    uint16_t port() const { return m_port; }
    // The bytes of an uploaded file; throws when there is none.
    std::string readStored(const std::string& name) const;
    // vsftpd's own log (logins, uploads, refusals) for failure messages.
    std::string log() const;

private:
    void serve();

    TempDir m_folder{"kestrune-vsftpd"};
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::thread m_acceptor;
    mutable std::mutex m_lock;
    std::vector<pid_t> m_children;
};

} // namespace testsupport
