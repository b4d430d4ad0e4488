#pragma once

#include <string>
#include <string_view>

namespace kestrune::core {

// Scrambles or unscrambles a stored password: every byte becomes its bitwise complement, so applying it twice
// gives the text back.
std::string enDeCrypt(std::string_view text);

} // namespace kestrune::core
