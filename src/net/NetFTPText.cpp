#include "NetFTPText.h"

#include "NetExceptions.h"
#include "NetStrings.h"

#include <charconv>
#include <vector>

namespace NetFTPText {
namespace {
// Splits on "," and reads each part as a decimal number 0-255; false for anything else.
bool ReadByteList(std::string_view text, std::size_t expected, std::vector<int>& values) {
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

bool FitsOnCommandLine(std::string_view text) {
    return !NetStr::HasLineBreakOrNul(text);
}

std::string PortArgument(const std::string& ip, uint16_t port) {
    std::string dotted = ip;
    for (char& c : dotted)
        if (c == '.')
            c = ',';
    std::vector<int> parts;
    if (!ReadByteList(dotted, 4, parts))
        throw ENetException(BadDataAddress);
    return dotted + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

TPassiveAddress ParsePassiveReply(const std::string& line) {
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
    if (!ReadByteList(text, 6, v))
        throw ENetException(BadPassiveReply);
    TPassiveAddress result;
    result.Host = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                  std::to_string(v[3]);
    result.Port = static_cast<uint16_t>(v[4] * 256 + v[5]);
    return result;
}
} // namespace NetFTPText
