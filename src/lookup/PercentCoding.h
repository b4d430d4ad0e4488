#pragma once

#include <string>
#include <string_view>

namespace kestrune::lookup {

// "%XX" for every byte that mustEscape picks; used by the stored forms of lookup records and names.
std::string percentEncode(std::string_view text, bool (*mustEscape)(unsigned char));
// "%XX" with two hexadecimal digits becomes that byte; any other "%" stands for itself.
std::string percentDecode(std::string_view text);

} // namespace kestrune::lookup
