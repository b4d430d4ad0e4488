#pragma once

#include "IpExtraction.h"

#include <string>
#include <string_view>

namespace kestrune::core {

// What the address display holds besides an address: nothing found yet, or a failed upload.
using lookup::kPlaceholderAddress;
inline constexpr std::string_view kErrorAddress = "Error";
inline constexpr char kEllipsis[] = "\xE2\x80\xA6";

// A reason that reads as a sentence of its own ("Connection refused.") put before "; ..." of a longer one.
inline std::string asClause(std::string_view reason)
{
    if (reason.ends_with('.'))
        reason.remove_suffix(1);
    return std::string(reason);
}

// text with every occurrence of secret (when there is one) replaced by asterisks.
inline std::string masked(std::string text, const std::string& secret)
{
    if (secret.empty())
        return text;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 8))
        text.replace(at, secret.size(), "********");
    return text;
}

} // namespace kestrune::core
