#pragma once

#include <optional>
#include <string>
#include <string_view>

// The two "what is my IP" services the External Service tab offers, in the order of cboxDNS.
struct TExternalService {
    std::string_view URL;   // an entry of cboxDNS; the first is also the box's default text
    std::string_view Name;  // the service's own domain name, used in the rate message
};

inline constexpr TExternalService kExternalServices[2] = {
    {"http://checkip.dyndns.org/", "dyndns.org"},
    {"http://www.whatismyip.com/", "whatismyip.com"},
};

// 0 or 1 when text equals that service's URL exactly (case and whole text), else nullopt.
std::optional<int> ExternalServiceIndex(std::string_view cboxDNSText);

// Shown when the service was tested less than 10 minutes ago.
std::string RateMessage(const TExternalService& service);
