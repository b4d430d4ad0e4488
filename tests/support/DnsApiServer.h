#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The tests' own DNS provider API server (Python, plain HTTP on 127.0.0.1), answering Cloudflare's v4 and
// Porkbun's v3 shapes from a state the test gives (see dns_api_server.py); stopped by its process id.
class DnsApiServer {
public:
    explicit DnsApiServer(const nlohmann::json& state);
    uint16_t port() const { return m_process.Port(); }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port()); }
    // The next requests get these answers ({"status", "body", "headers"}) instead, one each, in order.
    void queue(const std::vector<nlohmann::json>& answers) const;
    // Each request: method, path, authorization, body.
    std::vector<nlohmann::json> requests() const;
    nlohmann::json state() const;

private:
    TempDir m_folder{"kestrune-dnsapi"};
    PeerProcess m_process;
};

} // namespace testsupport
