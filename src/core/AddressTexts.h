#pragma once

#include "IpExtraction.h"

#include <string_view>

namespace kestrune::core {

// What the address display holds besides an address: nothing found yet, or a failed upload.
using lookup::kPlaceholderAddress;
inline constexpr std::string_view kErrorAddress = "Error";
inline constexpr char kEllipsis[] = "\xE2\x80\xA6";

} // namespace kestrune::core
