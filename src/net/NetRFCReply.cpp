#include "NetRFCReply.h"

#include "NetStrings.h"

void TNetRFCReply::Clear() {
    NumericCode = 0;
    TextCode.clear();
    Text.clear();
}

void TNetRFCReply::ParseLines(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty())
        return;
    TextCode = NetStr::Trim(lines.front().substr(0, 4));
    if (!TextCode.empty() && TextCode.back() == '-')
        TextCode.pop_back();
    int value = 0;
    bool digits = !TextCode.empty();
    for (char c : TextCode) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    NumericCode = static_cast<int16_t>(digits ? value : 0);
    for (const auto& line : lines)
        Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
}

std::string TNetRFCReply::TextWithLineEnds() const {
    std::string result;
    for (const auto& line : Text)
        result += line + "\r\n";
    return result;
}
