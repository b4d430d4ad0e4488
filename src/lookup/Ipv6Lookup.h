#pragma once

#include "ExternalServices.h"
#include "InterfaceAddresses.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrune::net { class HttpClient; }

namespace kestrune::lookup {

// Plain-text IPv6 echo services reached over IPv6 only, in the order the settings offer them; the first is
// the default.
inline constexpr ExternalService kIpv6Services[3] = {
    {"https://api6.ipify.org", "api6.ipify.org"},
    {"https://ipv6.icanhazip.com", "ipv6.icanhazip.com"},
    {"https://v6.ident.me", "v6.ident.me"},
};

enum class Ipv6Source { Interface, Service };

struct Ipv6LookupFields {
    Ipv6Source source = Ipv6Source::Interface;
    std::string interfaceName;  // empty = every interface
    std::string serviceUrl;
    bool fallback = false;      // ask the other services when this one fails
    std::string suffix;         // an interface identifier put after the found /64 prefix; empty = none
    std::string lastPublished;  // kept while still valid, so the address does not flip
};

struct Ipv6LookupResult {
    std::string address;              // empty when none was found
    std::string reason;               // with no address: why, in one sentence
    std::vector<std::string> lines;   // the lookup's reasoning, one line each
    std::string answeredBy;           // the service that answered (the service source)
};

using AddressReader = std::function<std::vector<InterfaceAddress>()>;

// One IPv6 lookup. The service source fetches over IPv6 alone (http's family is set to it), so a service
// reached over IPv4 can never answer; the first IPv6 literal of the answer is the address. Never throws.
Ipv6LookupResult lookUpIpv6(net::HttpClient& http, const Ipv6LookupFields& fields,
                            std::span<const ExternalService> services = kIpv6Services,
                            const AddressReader& readAddresses = readInterfaceAddresses);

} // namespace kestrune::lookup
