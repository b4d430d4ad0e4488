#pragma once

#include <string>
#include <vector>

namespace kestrune::actions {

// Whether the updated names answer the new addresses, asked of the zone's authoritative servers directly
// (non-recursive, so no cache stands in between).
struct DnsProofRequest {
    std::vector<std::string> names;
    std::string ipv4, ipv6;  // empty: that family is not checked
    std::string zone;        // where to look for the name servers; empty: found from the first name
    std::string servers;     // comma-separated servers to ask; empty: the zone's NS records, through the system's resolver
    int timeoutMs = 3000;    // each question
};

struct DnsProofAnswer {
    bool answering = false;
    std::string detail;  // which server answers what, when one does not answer the new address
};

DnsProofAnswer checkNamesAnswer(const DnsProofRequest& request);

} // namespace kestrune::actions
