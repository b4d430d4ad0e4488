#pragma once

#include <string>
#include <string_view>

// Standard base64 (RFC 2045 alphabet), no line breaks.
std::string NetEncodeBase64(std::string_view bytes);
// Decodes; characters outside the alphabet are skipped.
std::string NetDecodeBase64(std::string_view text);
