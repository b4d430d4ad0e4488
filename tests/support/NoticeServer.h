#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A notice server of the tests' own (Python, plain HTTP on 127.0.0.1) that answers as ntfy and Gotify document
// their publishing APIs and records webhook calls (notice_server.py). Stopped by its process id; for https an
// NginxServer with ProxyPort = port() stands in front of it.
class NoticeServer {
public:
    // The ntfy access token (empty: none needed) and the Gotify application token; port 0: the system's choice
    // (another port: one a server stopped before, for a peer that comes back).
    NoticeServer(const std::string& ntfyToken, const std::string& gotifyToken, uint16_t port = 0);
    uint16_t port() const { return m_process.Port(); }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port()); }
    // Every later request gets this status (0: the services' own answers again).
    void forceStatus(int status) const;
    // One JSON object per request: method, path, headers (names in lower case), body (hexadecimal) and "ntfy"
    // or "gotify" with what the service took.
    std::vector<nlohmann::json> requests() const;
    // A recorded body as bytes.
    static std::string body(const nlohmann::json& request);

private:
    TempDir m_folder{"kestrune-notice"};
    PeerProcess m_process;
};

} // namespace testsupport
