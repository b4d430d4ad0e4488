#pragma once

#include "TempDir.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace testsupport {

// A private nginx on 127.0.0.1 at a free port, its configuration and logs in a temporary folder,
// stopped by PID at the end.
class NginxServer {
public:
    struct Options {
        std::string DocumentRoot;       // served at "/"; required unless ProxyPort is set
        std::string ServerConfig;       // extra directives inside server { } (locations, ...)
        std::string HttpConfig;         // extra directives inside http { }
        int KeepaliveRequests = 1000;
        int KeepaliveTimeoutSeconds = 60;
        // With both set, the same site is served over TLS on a second port too.
        std::string TlsCertFile;
        std::string TlsKeyFile;
        // When set, every request is passed on to http://127.0.0.1:<ProxyPort> instead.
        uint16_t ProxyPort = 0;
        // The plain site also listens on [::1] at the same port.
        bool AlsoIpv6 = false;
    };

    explicit NginxServer(const Options& options);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    uint16_t Port() const { return fPort; }
    std::string BaseURL() const;  // "http://127.0.0.1:<port>"
    uint16_t TlsPort() const { return fTlsPort; }
    std::string TlsBaseURL() const;  // "https://127.0.0.1:<TLS port>"
    const std::string& Folder() const { return fDir.Path(); }
    std::string ErrorLog() const;
    // One line of an auth_basic_user_file ("user:{PLAIN}password").
    static std::string PasswordLine(const std::string& user, const std::string& password);

    static const char* Executable();
    static bool Available();
    // A port the system reports free (bound to 0, then released).
    static uint16_t FreePort();
    // Waits until a connect to 127.0.0.1:port succeeds; false after timeoutMs.
    static bool WaitUntilAccepting(uint16_t port, int timeoutMs);

private:
    TempDir fDir{"kestrune-nginx"};
    uint16_t fPort = 0;
    uint16_t fTlsPort = 0;
    pid_t fPid = -1;
};

} // namespace testsupport
