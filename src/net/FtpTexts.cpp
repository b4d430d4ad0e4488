#include "FtpTexts.h"

#include "NetworkErrors.h"
#include "Ascii.h"

#include <charconv>
#include <vector>

namespace kestrune::net {

namespace ftptexts {
namespace {
// Splits on "," and reads each part as a decimal number 0-255; false for anything else.
bool readByteList(std::string_view text, std::size_t expected, std::vector<int>& values) {
    values.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        std::string_view part = text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                     : comma - start);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ')
            part.remove_suffix(1);
        int value = -1;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || end != part.data() + part.size() || value < 0 || value > 255)
            return false;
        values.push_back(value);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return values.size() == expected;
}
} // namespace

bool fitsOnCommandLine(std::string_view text) {
    return !ascii::hasLineBreakOrNul(text);
}

std::string portArgument(const std::string& ip, uint16_t port) {
    std::string dotted = ip;
    for (char& c : dotted)
        if (c == '.')
            c = ',';
    std::vector<int> parts;
    if (!readByteList(dotted, 4, parts))
        throw NetworkError(kBadDataAddress);
    return dotted + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

PassiveAddress parsePassiveReply(const std::string& line) {
    std::string_view text = line;
    std::size_t open = text.find('(');
    std::size_t close = open == std::string_view::npos ? std::string_view::npos : text.find(')', open);
    if (open != std::string_view::npos && close != std::string_view::npos) {
        text = text.substr(open + 1, close - open - 1);
    } else {
        std::size_t blank = text.rfind(' ');
        if (blank != std::string_view::npos)
            text.remove_prefix(blank + 1);
    }
    std::vector<int> v;
    if (!readByteList(text, 6, v))
        throw NetworkError(kBadPassiveReply);
    PassiveAddress result;
    result.host = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                  std::to_string(v[3]);
    result.port = static_cast<uint16_t>(v[4] * 256 + v[5]);
    return result;
}

uint16_t parseExtendedPassiveReply(const std::string& line) {
    const std::size_t open = line.find('(');
    const std::size_t close = open == std::string::npos ? std::string::npos : line.find(')', open);
    if (close == std::string::npos || close - open < 6)
        throw NetworkError(kBadExtendedPassiveReply);
    const std::string_view inner = std::string_view(line).substr(open + 1, close - open - 1);
    const char d = inner.front();
    const std::string_view digits = inner.substr(3, inner.size() - 4);
    if (d < 33 || d > 126 || inner[1] != d || inner[2] != d || inner.back() != d || digits.empty() ||
        digits.size() > 5)
        throw NetworkError(kBadExtendedPassiveReply);
    long port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            throw NetworkError(kBadExtendedPassiveReply);
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        throw NetworkError(kBadExtendedPassiveReply);
    return static_cast<uint16_t>(port);
}
} // namespace ftptexts

} // namespace kestrune::net
