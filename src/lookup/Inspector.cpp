#include "Inspector.h"

#include "LookupTexts.h"

namespace kestrune::lookup {

namespace {

constexpr std::size_t kWindowLength = 14;
// The window's first unit lies this far before the address: 14 units of window and one between.
constexpr std::size_t kWindowLead = kWindowLength + 1;

std::string_view slice(const PageText& page, ByteRange range)
{
    return std::string_view(page.bytes()).substr(std::min(range.start, page.bytes().size()), range.length);
}

bool holdsUndecodable(const PageText& page, ViewRange range)
{
    for (std::size_t i = range.start; i < range.end(); ++i) {
        if (page.isUndecodable(i))
            return true;
    }
    return false;
}

// True when text occurs in the page at an offset before start.
bool occursBefore(std::string_view bytes, std::string_view text, std::size_t start)
{
    // Only an occurrence beginning before start matters, so the search can stop where one could last begin.
    std::string_view head = bytes.substr(0, std::min(bytes.size(), start + text.size() - 1));
    return head.find(text) != std::string_view::npos;
}

bool acceptableWindow(const PageText& page, ViewRange view, ByteRange bytes)
{
    std::string_view candidate = slice(page, bytes);
    if (candidate.find_first_of(",.\xAC") != std::string_view::npos || holdsUndecodable(page, view))
        return false;
    return !occursBefore(page.bytes(), candidate, bytes.start);
}

} // namespace

std::optional<ByteRange> findNext(const PageText& page, std::string_view text, ByteRange selection)
{
    std::size_t from = selection.length == 0 ? 0 : selection.end();
    if (text.empty() || from > page.bytes().size())
        return std::nullopt;
    std::size_t hit = std::string_view(page.bytes()).find(text, from);
    if (hit == std::string_view::npos)
        return std::nullopt;
    return ByteRange{hit, text.size()};
}

MarkKeywordResult markKeyword(const PageText& page, ByteRange selection, std::size_t ipMark)
{
    MarkKeywordResult result;
    std::string_view keyword = slice(page, selection);
    if (keyword.empty())
        return result;
    std::size_t start = std::min(selection.start, page.bytes().size());
    std::size_t first = std::string_view(page.bytes()).find(keyword);
    if (first < start) {
        result.kind = MarkKeywordResult::NotUnique;
        result.earlier = {first, keyword.size()};
        return result;
    }
    if (holdsUndecodable(page, page.pageToView(ByteRange{start, keyword.size()}))) {
        result.kind = MarkKeywordResult::NotText;
        return result;
    }
    result.kind = MarkKeywordResult::Marked;
    result.keyword = std::string(keyword);
    result.charToSkip = static_cast<std::int64_t>(ipMark) - static_cast<std::int64_t>(start + keyword.size());
    return result;
}

AutoResult autoKeyword(const PageText& page, std::string_view address, ByteRange selection)
{
    AutoResult result;
    result.ipMark = selection.start;
    if (page.bytes().empty()) {
        result.message = lookuptexts::kIpNotFound;
        return result;
    }
    if (!address.empty()) {
        std::optional<ByteRange> hit = findNext(page, address, selection);
        if (!hit) {
            // No window can stand before an address that is not there: the walk has nothing to find.
            result.message = lookuptexts::kNoSuitableKeyword;
            return result;
        }
        result.ipMark = hit->start;
    }

    std::size_t addressUnit = page.pageToView(result.ipMark);
    for (std::size_t lead = kWindowLead; lead <= addressUnit; ++lead) {
        ViewRange view{addressUnit - lead, kWindowLength};
        ByteRange bytes = page.viewToPage(view);
        if (bytes.length == 0 || !acceptableWindow(page, view, bytes))
            continue;
        result.found = true;
        result.keyword = std::string(slice(page, bytes));
        result.charToSkip = static_cast<std::int64_t>(result.ipMark) - static_cast<std::int64_t>(bytes.end());
        result.window = bytes;
        return result;
    }
    result.message = lookuptexts::kNoSuitableKeyword;
    return result;
}

} // namespace kestrune::lookup
