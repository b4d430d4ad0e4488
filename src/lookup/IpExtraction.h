#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

// What a lookup shows when the page did not yield a usable address.
inline constexpr std::string_view kPlaceholderAddress = "---.---.---.---";

// Three "." and nothing but digits otherwise; group sizes and values are not checked. Empty is invalid.
bool isValidIp(std::string_view text);

// Drops leading and trailing bytes of code 0x20 or less (blanks, line breaks, tabs).
std::string_view trimControlChars(std::string_view text);

// The trimmed text when it is a valid address, else the placeholder.
std::string addressOrPlaceholder(std::string_view collected);

// The skip count as typed: leading blanks, an optional sign, decimal digits, or hexadecimal digits after
// "$", "x" or "0x". Anything else (empty, trailing text, outside the 32-bit range) is not a number.
std::optional<std::int32_t> parseSkipCount(std::string_view text);

// The raw texts the two external services' rules collect (before trimming and validation).
std::string collectFirstService(std::string_view page);
std::string collectSecondService(std::string_view page);

// The plain-text rule of every other service: the first run of digits and "." that, without dots at its ends,
// is four groups of one to three digits; empty when there is none.
std::string collectFirstDottedQuad(std::string_view page);

// Byte offset at which the user-defined rule starts its scan: keyword position + keyword length + skip
// (a skip text that is not a number counts as the keyword's length). nullopt when the keyword is empty or
// absent, or when the start lies outside the page (before its first byte, or past its end).
std::optional<std::size_t> userDefinedStart(std::string_view page, std::string_view keyword,
                                            std::string_view skipText);

// The user-defined rule: from the start, pass over non-digits, then collect digits, "." and blanks.
std::string collectUserDefined(std::string_view page, std::string_view keyword, std::string_view skipText);

} // namespace kestrune::lookup
