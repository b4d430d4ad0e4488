#pragma once

#include "Ldns.h"

#include <string>
#include <vector>

namespace kestrune::actions {

using DnsPacket = net::LdnsPacket;

// "host", "host:port", "[v6]:port" or a bare IPv6 literal; port 53 unless named.
struct DnsServerAddress {
    std::string host;
    unsigned short port = 53;
};
DnsServerAddress parseDnsServer(const std::string& text);

// One message and its answer over TCP (length-prefixed, RFC 1035 4.2.2) through the network layer's bounded
// and cancellable waits. Raises the network layer's errors, or std::runtime_error for an answer that is not
// DNS or does not match the query's id; wire is the answer's bytes for a TSIG check.
DnsPacket exchangeDnsMessage(const DnsServerAddress& server, ldns_struct_pkt* query, int timeoutMs,
                             std::vector<unsigned char>* wire = nullptr);

// The answer section's addresses of the given type (LDNS_RR_TYPE_A or _AAAA) owned by name, as text.
std::vector<std::string> answerAddresses(ldns_struct_pkt* answer, const std::string& name, int type);
// The same address in one canonical text form (so "2001:DB8:0::1" equals "2001:db8::1"); empty if not one.
std::string canonicalAddress(const std::string& text);

} // namespace kestrune::actions
