#include "EnDeCrypt.h"

namespace kestrune::core {

std::string enDeCrypt(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return result;
}

} // namespace kestrune::core
