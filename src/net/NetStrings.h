#pragma once

#include <string>
#include <string_view>

// Small text helpers of the network layer (ASCII only, bytes kept as they are).
namespace NetStr {
// Removes leading and trailing bytes <= ' ' (blanks, tabs, control characters).
std::string Trim(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string Upper(std::string_view text);
// Decimal integer of the whole (trimmed) text; fallback when it is not one or overflows.
long long ToInt64Def(std::string_view text, long long fallback);
// True when the text holds CR, LF or NUL, which would end a command or a header line early.
bool HasLineBreakOrNul(std::string_view text);
// Value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);
} // namespace NetStr
