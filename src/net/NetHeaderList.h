#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Ordered "Name: value" lines. Name lookup ignores case; a line that starts with a blank or tab
// continues the line before it.
class TNetHeaderList {
public:
    explicit TNetHeaderList(std::size_t foldLength = 1024) : FoldLength(foldLength) {}

    std::size_t FoldLength;

    void Clear() { fLines.clear(); }
    std::size_t Count() const { return fLines.size(); }
    bool Empty() const { return fLines.empty(); }
    const std::string& Line(std::size_t index) const { return fLines[index]; }
    const std::vector<std::string>& Lines() const { return fLines; }
    // Appends one raw line as received (a continuation line included).
    void AddLine(std::string line) { fLines.push_back(std::move(line)); }
    // Appends "name: value", folded.
    void Add(std::string_view name, std::string_view value);

    int IndexOfName(std::string_view name, std::size_t startAt = 0) const;
    bool HasName(std::string_view name) const { return IndexOfName(name) >= 0; }
    // The trimmed value of the first line of that name with its continuation lines joined by one blank.
    std::string Value(std::string_view name) const;
    // Every value of that name, in order.
    std::vector<std::string> Values(std::string_view name) const;
    // Replaces the first line of that name in place (dropping its continuation lines) or appends;
    // an empty value removes the line.
    void SetValue(std::string_view name, std::string_view value);
    void Remove(std::string_view name);
    // Every line followed by CR LF.
    std::string Text() const;

private:
    std::string ValueAt(std::size_t index) const;
    std::size_t ContinuationEnd(std::size_t index) const;
    std::vector<std::string> Fold(const std::string& line) const;
    std::vector<std::string> fLines;
};
