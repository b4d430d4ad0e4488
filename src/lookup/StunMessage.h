#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrune::lookup {

// The binding request and answer of STUN (RFC 8489), as much as asking for one's own address needs.
using StunTransactionId = std::array<uint8_t, 12>;

inline constexpr std::size_t kStunHeaderSize = 20;
inline constexpr uint32_t kStunMagicCookie = 0x2112A442;

// A binding request with no attributes.
std::vector<uint8_t> stunBindingRequest(const StunTransactionId& id);

// The IPv4 address of the XOR-MAPPED-ADDRESS of a binding success answer to the request with this id; nullopt
// for anything else: another type or transaction, a wrong cookie or length, an attribute running past the
// message, no IPv4 XOR-MAPPED-ADDRESS.
std::optional<std::string> stunMappedAddress(std::span<const uint8_t> message, const StunTransactionId& id);

} // namespace kestrune::lookup
