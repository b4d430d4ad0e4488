#pragma once

#include <string>
#include <string_view>

namespace kestrune::net {

// Standard base64 (RFC 2045 alphabet), no line breaks.
std::string encodeBase64(std::string_view bytes);
// Decodes; characters outside the alphabet are skipped.
std::string decodeBase64(std::string_view text);

} // namespace kestrune::net
