#include "Inspector.h"

#include "LookupTexts.h"

namespace {

constexpr std::size_t kWindowLength = 14;
// The window's first unit lies this far before the address: 14 units of window and one between.
constexpr std::size_t kWindowLead = kWindowLength + 1;

std::string_view Slice(const TPageText& page, TByteRange range)
{
    return std::string_view(page.Bytes()).substr(std::min(range.Start, page.Bytes().size()), range.Length);
}

bool HoldsUndecodable(const TPageText& page, TViewRange range)
{
    for (std::size_t i = range.Start; i < range.End(); ++i) {
        if (page.IsUndecodable(i))
            return true;
    }
    return false;
}

// True when text occurs in the page at an offset before start.
bool OccursBefore(std::string_view bytes, std::string_view text, std::size_t start)
{
    // Only an occurrence beginning before start matters, so the search can stop where one could last begin.
    std::string_view head = bytes.substr(0, std::min(bytes.size(), start + text.size() - 1));
    return head.find(text) != std::string_view::npos;
}

bool AcceptableWindow(const TPageText& page, TViewRange view, TByteRange bytes)
{
    std::string_view candidate = Slice(page, bytes);
    if (candidate.find_first_of(",.\xAC") != std::string_view::npos || HoldsUndecodable(page, view))
        return false;
    return !OccursBefore(page.Bytes(), candidate, bytes.Start);
}

} // namespace

std::optional<TByteRange> FindNext(const TPageText& page, std::string_view text, TByteRange selection)
{
    std::size_t from = selection.Length == 0 ? 0 : selection.End();
    if (text.empty() || from > page.Bytes().size())
        return std::nullopt;
    std::size_t hit = std::string_view(page.Bytes()).find(text, from);
    if (hit == std::string_view::npos)
        return std::nullopt;
    return TByteRange{hit, text.size()};
}

TMarkKeywordResult MarkKeyword(const TPageText& page, TByteRange selection, std::size_t ipMark)
{
    TMarkKeywordResult result;
    std::string_view keyword = Slice(page, selection);
    if (keyword.empty())
        return result;
    std::size_t start = std::min(selection.Start, page.Bytes().size());
    std::size_t first = std::string_view(page.Bytes()).find(keyword);
    if (first < start) {
        result.Kind = TMarkKeywordResult::NotUnique;
        result.Earlier = {first, keyword.size()};
        return result;
    }
    if (HoldsUndecodable(page, page.PageToView(TByteRange{start, keyword.size()}))) {
        result.Kind = TMarkKeywordResult::NotText;
        return result;
    }
    result.Kind = TMarkKeywordResult::Marked;
    result.Keyword = std::string(keyword);
    result.CharToSkip = static_cast<std::int64_t>(ipMark) - static_cast<std::int64_t>(start + keyword.size());
    return result;
}

TAutoResult AutoKeyword(const TPageText& page, std::string_view address, TByteRange selection)
{
    TAutoResult result;
    result.IPMark = selection.Start;
    if (page.Bytes().empty()) {
        result.Message = LookupText::IPNotFound;
        return result;
    }
    if (!address.empty()) {
        std::optional<TByteRange> hit = FindNext(page, address, selection);
        if (!hit) {
            // No window can stand before an address that is not there: the walk has nothing to find.
            result.Message = LookupText::NoSuitableKeyword;
            return result;
        }
        result.IPMark = hit->Start;
    }

    std::size_t addressUnit = page.PageToView(result.IPMark);
    for (std::size_t lead = kWindowLead; lead <= addressUnit; ++lead) {
        TViewRange view{addressUnit - lead, kWindowLength};
        TByteRange bytes = page.ViewToPage(view);
        if (bytes.Length == 0 || !AcceptableWindow(page, view, bytes))
            continue;
        result.Found = true;
        result.Keyword = std::string(Slice(page, bytes));
        result.CharToSkip = static_cast<std::int64_t>(result.IPMark) - static_cast<std::int64_t>(bytes.End());
        result.Window = bytes;
        return result;
    }
    result.Message = LookupText::NoSuitableKeyword;
    return result;
}
