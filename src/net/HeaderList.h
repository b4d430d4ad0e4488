#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::net {

// Ordered "Name: value" lines. Name lookup ignores case; a line that starts with a blank or tab
// continues the line before it.
class HeaderList {
public:
    explicit HeaderList(std::size_t foldLength = 1024) : foldLength(foldLength) {}

    std::size_t foldLength;

    void clear() { m_lines.clear(); }
    std::size_t count() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    const std::string& line(std::size_t index) const { return m_lines[index]; }
    const std::vector<std::string>& lines() const { return m_lines; }
    // Appends one raw line as received (a continuation line included).
    void addLine(std::string line) { m_lines.push_back(std::move(line)); }
    // Appends "name: value", folded.
    void add(std::string_view name, std::string_view value);

    int indexOfName(std::string_view name, std::size_t startAt = 0) const;
    bool hasName(std::string_view name) const { return indexOfName(name) >= 0; }
    // The trimmed value of the first line of that name with its continuation lines joined by one blank.
    std::string value(std::string_view name) const;
    // Every value of that name, in order.
    std::vector<std::string> values(std::string_view name) const;
    // Replaces the first line of that name in place (dropping its continuation lines) or appends;
    // an empty value removes the line.
    void setValue(std::string_view name, std::string_view value);
    void remove(std::string_view name);
    // Every line followed by CR LF.
    std::string text() const;

private:
    std::string valueAt(std::size_t index) const;
    std::size_t continuationEnd(std::size_t index) const;
    std::vector<std::string> fold(const std::string& line) const;
    std::vector<std::string> m_lines;
};

} // namespace kestrune::net
