#include "HeaderList.h"

#include "Ascii.h"

namespace kestrune::net {

namespace {
bool isContinuation(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }
} // namespace

void HeaderList::add(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + value.size() + 2);
    line.append(name).append(": ").append(value);
    for (auto& part : fold(line))
        m_lines.push_back(std::move(part));
}

int HeaderList::indexOfName(std::string_view name, std::size_t startAt) const {
    for (std::size_t i = startAt; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        if (isContinuation(line))
            continue;
        const auto colon = line.find(':');
        if (colon != std::string::npos && ascii::equalsNoCase(ascii::trim(std::string_view(line).substr(0, colon)), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t HeaderList::continuationEnd(std::size_t index) const {
    std::size_t end = index + 1;
    while (end < m_lines.size() && isContinuation(m_lines[end]))
        ++end;
    return end;
}

std::string HeaderList::valueAt(std::size_t index) const {
    const std::string& line = m_lines[index];
    const auto colon = line.find(':');
    std::string value = ascii::trim(std::string_view(line).substr(colon + 1));
    for (std::size_t i = index + 1; i < continuationEnd(index); ++i) {
        value += ' ';
        value += ascii::trim(m_lines[i]);
    }
    return value;
}

std::string HeaderList::value(std::string_view name) const {
    const int index = indexOfName(name);
    return index < 0 ? std::string() : valueAt(static_cast<std::size_t>(index));
}

std::vector<std::string> HeaderList::values(std::string_view name) const {
    std::vector<std::string> values;
    for (int i = indexOfName(name); i >= 0; i = indexOfName(name, static_cast<std::size_t>(i) + 1))
        values.push_back(valueAt(static_cast<std::size_t>(i)));
    return values;
}

void HeaderList::setValue(std::string_view name, std::string_view value) {
    const int index = indexOfName(name);
    if (value.empty()) {
        remove(name);
        return;
    }
    std::string line;
    line.append(name).append(": ").append(value);
    auto folded = fold(line);
    if (index < 0) {
        for (auto& part : folded)
            m_lines.push_back(std::move(part));
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                 m_lines.begin() + static_cast<std::ptrdiff_t>(continuationEnd(at)));
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), folded.begin(), folded.end());
}

void HeaderList::remove(std::string_view name) {
    for (int index = indexOfName(name); index >= 0; index = indexOfName(name)) {
        const auto at = static_cast<std::size_t>(index);
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                     m_lines.begin() + static_cast<std::ptrdiff_t>(continuationEnd(at)));
    }
}

std::string HeaderList::text() const {
    std::string text;
    for (const auto& line : m_lines)
        text.append(line).append("\r\n");
    return text;
}

std::vector<std::string> HeaderList::fold(const std::string& line) const {
    std::vector<std::string> parts;
    std::string rest = line;
    const std::size_t nameEnd = rest.find(':');
    bool first = true;
    while (foldLength > 0 && rest.size() > foldLength) {
        // Fold at the last blank that fits, past the name (and past the leading blank of a continuation).
        const std::size_t minPos = first ? (nameEnd == std::string::npos ? 1 : nameEnd + 2) : 1;
        std::size_t pos = rest.rfind(' ', foldLength);
        if (pos == std::string::npos || pos < minPos) {
            pos = rest.find(' ', foldLength);
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

} // namespace kestrune::net
