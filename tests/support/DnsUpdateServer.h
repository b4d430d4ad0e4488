#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A dynamic-DNS update server of the tests' own (Python, plain HTTP on 127.0.0.1): every GET gets the answer
// last set, and every request is recorded. Stopped by its process id.
class DnsUpdateServer {
public:
    struct Request {
        std::string path;           // with the query
        std::string authorization;  // the header's value, or empty
        std::string agent;
    };

    DnsUpdateServer();
    uint16_t port() const { return m_process.Port(); }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port()); }
    void answer(int status, const std::string& body) const;
    std::vector<Request> requests() const;

private:
    TempDir m_folder{"kestrune-dns"};
    PeerProcess m_process;
};

} // namespace testsupport
