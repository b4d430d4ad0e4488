#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

using Ipv6Bytes = std::array<std::uint8_t, 16>;

// An IPv6 literal (no brackets, no zone); nullopt for anything else, dotted quads included.
std::optional<Ipv6Bytes> parseIpv6(std::string_view text);
// The canonical text (RFC 5952: lower case, the longest run of zero groups shortened).
std::string ipv6Text(const Ipv6Bytes& address);

// Why an address is not a global unicast one, completing "... is <kind> (<range>)"; nullopt for 2000::/3.
struct Ipv6Kind {
    std::string_view kind;
    std::string_view range;
};
std::optional<Ipv6Kind> nonGlobalIpv6Kind(const Ipv6Bytes& address);

// The found address's /64 prefix with the interface identifier of suffix ("::1", "::5054:ff:fe12:3456");
// nullopt when the suffix is no IPv6 literal or reaches into the prefix.
std::optional<Ipv6Bytes> withInterfaceIdentifier(const Ipv6Bytes& address, std::string_view suffix);

// The first IPv6 literal in a page: the first run of hexadecimal digits, ":" and "." holding two colons or
// more that reads as an address; empty when there is none.
std::string collectFirstIpv6(std::string_view page);

} // namespace kestrune::lookup
