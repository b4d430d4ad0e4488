#pragma once

#include <string>
#include <string_view>

namespace kestrune::net {

// Small text helpers of the network layer (ASCII only, bytes kept as they are).
namespace ascii {
// Removes leading and trailing bytes <= ' ' (blanks, tabs, control characters).
std::string trim(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);
std::string upper(std::string_view text);
// Decimal integer of the whole (trimmed) text; fallback when it is not one or overflows.
long long toInt64Def(std::string_view text, long long fallback);
// True when the text holds CR, LF or NUL, which would end a command or a header line early.
bool hasLineBreakOrNul(std::string_view text);
// Value of one hexadecimal digit (either case), or -1.
int hexDigitValue(char c);
} // namespace ascii

} // namespace kestrune::net
