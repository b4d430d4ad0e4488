#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::lookup {

// The "what is my IP" services the External Service tab offers, in the order of cboxDNS. The first two are the
// classic services with their own page rules and the ten-minute rate rule; every later one answers with the
// address as plain text.
struct ExternalService {
    std::string_view url;   // an entry of cboxDNS; the first is also the box's default text
    std::string_view name;  // the service's own domain name, used in the rate message and the status line
};

inline constexpr ExternalService kExternalServices[6] = {
    {"http://checkip.dyndns.org/", "dyndns.org"},
    {"http://www.whatismyip.com/", "whatismyip.com"},
    {"https://api.ipify.org", "api.ipify.org"},
    {"https://ipv4.icanhazip.com", "ipv4.icanhazip.com"},
    {"https://checkip.amazonaws.com", "checkip.amazonaws.com"},
    {"https://ifconfig.me/ip", "ifconfig.me"},
};

// The services at these positions of the box keep the classic rules (page rule, rate rule).
inline constexpr std::size_t kClassicServiceCount = 2;

// The index of the service whose URL equals text exactly (case and whole text), else nullopt.
std::optional<int> externalServiceIndex(std::string_view cboxDNSText);

// The services the fallback asks after the chosen one failed: those after it in the box, then those before it;
// every service when none was chosen (a typed URL).
std::vector<std::size_t> fallbackOrder(std::size_t count, std::optional<std::size_t> chosen);

// The status line after another service answered for the chosen one.
std::string fallbackStatus(std::string_view answeredBy);

// Shown when the service was tested less than 10 minutes ago.
std::string rateMessage(const ExternalService& service);

} // namespace kestrune::lookup
