#pragma once

#include <string>
#include <string_view>

// Scrambles or unscrambles a stored password: every byte becomes its bitwise complement, so applying it twice
// gives the text back.
std::string EnDeCrypt(std::string_view text);
