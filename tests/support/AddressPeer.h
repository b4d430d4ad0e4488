#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A peer of the address sources (address_peers.py): a DNS or STUN responder of the tests' own, coturn, or a
// router (only inside a private network namespace). Stopped by its process id.
class AddressPeer {
public:
    // args after the script, as address_peers.py takes them ("dns", "--answer", "203.0.113.7").
    explicit AddressPeer(std::vector<std::string> args);
    // coturn's turnserver answering STUN on 127.0.0.1.
    static std::vector<std::string> coturn(const TempDir& folder);
    uint16_t port() const { return m_process.Port(); }
    std::string server() const { return "127.0.0.1:" + std::to_string(port()); }

private:
    PeerProcess m_process;
};

} // namespace testsupport
