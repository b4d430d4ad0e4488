#include "ServerReply.h"

#include "Ascii.h"

namespace kestrune::net {

void ServerReply::clear() {
    numericCode = 0;
    textCode.clear();
    text.clear();
}

void ServerReply::parseLines(const std::vector<std::string>& lines) {
    clear();
    if (lines.empty())
        return;
    textCode = ascii::trim(lines.front().substr(0, 4));
    if (!textCode.empty() && textCode.back() == '-')
        textCode.pop_back();
    int value = 0;
    bool digits = !textCode.empty();
    for (char c : textCode) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    numericCode = static_cast<int16_t>(digits ? value : 0);
    for (const auto& line : lines)
        text.push_back(line.size() > 4 ? line.substr(4) : std::string());
}

std::string ServerReply::textWithLineEnds() const {
    std::string result;
    for (const auto& line : text)
        result += line + "\r\n";
    return result;
}

} // namespace kestrune::net
