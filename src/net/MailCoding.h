#pragma once

#include "Ascii.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::net {

// Text codings of an outgoing mail: RFC 2047 encoded words, header folding, dot-stuffing.
namespace mailcoding {

// Writes each run of blank-separated words holding a byte outside printable ASCII as encoded words
// ("=?UTF-8?Q?...?="); plain words stay as they are. An encoded word never passes 75 characters:
// a longer run continues in a further word after CR LF TAB, always at a whole UTF-8 character.
std::string encodeHeaderWords(std::string_view text);

// The whole text as encoded words, its blanks included.
std::string encodeAsWords(std::string_view text);

// True when the text holds a byte outside printable ASCII (blank to "~").
bool hasNonPrintableAscii(std::string_view text);

// Splits one "Name: value" line at blanks so no piece passes foldLength where a blank allows it;
// each continuation piece starts with the blank it was split at. Line breaks already in the line
// (from encoded words) end a piece.
std::vector<std::string> foldHeaderLine(std::string_view line, std::size_t foldLength = 78);

// A body line as it goes out after DATA: a leading "." is doubled.
std::string dotStuff(std::string_view line);

// Splits a text into lines at CR LF, LF or a lone CR; a break at the very end makes no empty line.
std::vector<std::string> splitLines(std::string_view text);

// CR, LF or NUL would end a command or a header line early.
using ascii::hasLineBreakOrNul;
// Raises NetworkError ("Line break or NUL in mail <what>.") when the text holds CR, LF or NUL.
void checkNoLineBreak(std::string_view text, std::string_view what);

} // namespace mailcoding

} // namespace kestrune::net
