#include "EnDeCrypt.h"

std::string EnDeCrypt(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return result;
}
