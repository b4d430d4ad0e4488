#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune::lookup {

// One IPv6 address of an interface as the kernel reports it (RTM_NEWADDR).
struct InterfaceAddress {
    std::string interfaceName;
    std::string address;  // canonical text
    int prefixLength = 0;
    bool temporary = false;  // a privacy address (RFC 8981)
    bool deprecated = false;
    bool tentative = false;  // duplicate address detection still runs
    bool dadFailed = false;
    // Seconds left; kForever for an address without an end.
    std::uint32_t preferredLifetime = kForever;
    std::uint32_t validLifetime = kForever;

    static constexpr std::uint32_t kForever = 0xFFFFFFFFu;
};

// The kernel's IPv6 addresses of every interface, through a netlink dump (no external command). Raises
// std::runtime_error with the reason when the kernel cannot be asked.
std::vector<InterfaceAddress> readInterfaceAddresses();

// The netlink messages of an address dump, parsed; messages of other kinds and families are passed over.
// Interface names come from nameOf (index to name).
std::vector<InterfaceAddress> parseAddressMessages(const void* data, std::size_t length,
                                                   std::string (*nameOf)(unsigned index));

} // namespace kestrune::lookup
