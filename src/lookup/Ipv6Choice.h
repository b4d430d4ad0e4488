#pragma once

#include "InterfaceAddresses.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::lookup {

// The address an interface lookup publishes, and why.
struct Ipv6Choice {
    std::string address;              // empty when none qualifies
    std::string reason;               // with no address: why, in one sentence
    std::vector<std::string> lines;   // what was chosen and why each other address was skipped, one line each
};

// The choice rules: only global unicast addresses (2000::/3) of interfaceName (empty = every interface)
// count, never a temporary, deprecated, tentative or DAD-failed one. The one published last stays while it
// qualifies; otherwise the longest preferred lifetime wins, then the lowest address.
Ipv6Choice chooseIpv6Address(const std::vector<InterfaceAddress>& addresses, std::string_view interfaceName,
                             std::string_view lastPublished);

} // namespace kestrune::lookup
