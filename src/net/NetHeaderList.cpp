#include "NetHeaderList.h"

#include "NetStrings.h"

namespace {
bool IsContinuation(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }
} // namespace

void TNetHeaderList::Add(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + value.size() + 2);
    line.append(name).append(": ").append(value);
    for (auto& part : Fold(line))
        fLines.push_back(std::move(part));
}

int TNetHeaderList::IndexOfName(std::string_view name, std::size_t startAt) const {
    for (std::size_t i = startAt; i < fLines.size(); ++i) {
        const std::string& line = fLines[i];
        if (IsContinuation(line))
            continue;
        const auto colon = line.find(':');
        if (colon != std::string::npos && NetStr::EqualsNoCase(NetStr::Trim(std::string_view(line).substr(0, colon)), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t TNetHeaderList::ContinuationEnd(std::size_t index) const {
    std::size_t end = index + 1;
    while (end < fLines.size() && IsContinuation(fLines[end]))
        ++end;
    return end;
}

std::string TNetHeaderList::ValueAt(std::size_t index) const {
    const std::string& line = fLines[index];
    const auto colon = line.find(':');
    std::string value = NetStr::Trim(std::string_view(line).substr(colon + 1));
    for (std::size_t i = index + 1; i < ContinuationEnd(index); ++i) {
        value += ' ';
        value += NetStr::Trim(fLines[i]);
    }
    return value;
}

std::string TNetHeaderList::Value(std::string_view name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueAt(static_cast<std::size_t>(index));
}

std::vector<std::string> TNetHeaderList::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (int i = IndexOfName(name); i >= 0; i = IndexOfName(name, static_cast<std::size_t>(i) + 1))
        values.push_back(ValueAt(static_cast<std::size_t>(i)));
    return values;
}

void TNetHeaderList::SetValue(std::string_view name, std::string_view value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        Remove(name);
        return;
    }
    std::string line;
    line.append(name).append(": ").append(value);
    auto folded = Fold(line);
    if (index < 0) {
        for (auto& part : folded)
            fLines.push_back(std::move(part));
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    fLines.erase(fLines.begin() + static_cast<std::ptrdiff_t>(at),
                 fLines.begin() + static_cast<std::ptrdiff_t>(ContinuationEnd(at)));
    fLines.insert(fLines.begin() + static_cast<std::ptrdiff_t>(at), folded.begin(), folded.end());
}

void TNetHeaderList::Remove(std::string_view name) {
    for (int index = IndexOfName(name); index >= 0; index = IndexOfName(name)) {
        const auto at = static_cast<std::size_t>(index);
        fLines.erase(fLines.begin() + static_cast<std::ptrdiff_t>(at),
                     fLines.begin() + static_cast<std::ptrdiff_t>(ContinuationEnd(at)));
    }
}

std::string TNetHeaderList::Text() const {
    std::string text;
    for (const auto& line : fLines)
        text.append(line).append("\r\n");
    return text;
}

std::vector<std::string> TNetHeaderList::Fold(const std::string& line) const {
    std::vector<std::string> parts;
    std::string rest = line;
    const std::size_t nameEnd = rest.find(':');
    bool first = true;
    while (FoldLength > 0 && rest.size() > FoldLength) {
        // Fold at the last blank that fits, past the name (and past the leading blank of a continuation).
        const std::size_t minPos = first ? (nameEnd == std::string::npos ? 1 : nameEnd + 2) : 1;
        std::size_t pos = rest.rfind(' ', FoldLength);
        if (pos == std::string::npos || pos < minPos) {
            pos = rest.find(' ', FoldLength);
            if (pos == std::string::npos)
                break;
        }
        parts.push_back(rest.substr(0, pos));
        rest = " " + rest.substr(pos + 1);
        first = false;
        if (rest == " ")
            return parts;
    }
    parts.push_back(rest);
    return parts;
}
