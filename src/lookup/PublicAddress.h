#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

// Why an address that passed isValidIp must not be published, in one sentence; nullopt for a public address.
// Refused: a group above 255 (or empty), 0.0.0.0/8, 10.0.0.0/8, 100.64.0.0/10 (carrier-grade NAT), 127.0.0.0/8,
// 169.254.0.0/16, 172.16.0.0/12, 192.168.0.0/16, 224.0.0.0/4 and 240.0.0.0/4. Documentation ranges pass.
// An IPv6 text (one with a colon): the unspecified, loopback, link-local, ULA, multicast and IPv4-mapped
// addresses are refused.
std::optional<std::string> publicAddressProblem(std::string_view address);

} // namespace kestrune::lookup
