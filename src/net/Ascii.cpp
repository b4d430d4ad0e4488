#include "Ascii.h"

#include <cctype>
#include <limits>

namespace kestrune::net {

namespace ascii {

std::string trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return std::string(text.substr(begin, end - begin));
}

static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

long long toInt64Def(std::string_view text, long long fallback) {
    std::string t = trim(text);
    if (t.empty())
        return fallback;
    std::size_t i = 0;
    bool negative = false;
    if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        i = 1;
    }
    if (i == t.size())
        return fallback;
    unsigned long long value = 0;
    const unsigned long long limit = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return fallback;
        unsigned long long digit = static_cast<unsigned long long>(t[i] - '0');
        if (value > (limit - digit) / 10)
            return fallback;
        value = value * 10 + digit;
    }
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

bool hasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace ascii

} // namespace kestrune::net
