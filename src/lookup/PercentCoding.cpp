#include "PercentCoding.h"

#include "Ascii.h"

using namespace kestrune::net;

namespace kestrune::lookup {

std::string percentEncode(std::string_view text, bool (*mustEscape)(unsigned char))
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '%' || mustEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && ascii::hexDigitValue(text[i + 1]) >= 0 && ascii::hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(ascii::hexDigitValue(text[i + 1]) * 16 + ascii::hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace kestrune::lookup
