#include "PageText.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at i and its code point; 0 when the byte at i starts none.
std::size_t SequenceAt(std::string_view s, std::size_t i, char32_t& cp)
{
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = at(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
        if (b == 0xE0)
            low = 0xA0;  // no overlong forms
        if (b == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
        if (b == 0xF0)
            low = 0x90;
        if (b == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > s.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuation(at(i + k)))
            return 0;
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    return length;
}

// Calls emit(unit, byteStart) for every view unit of the page.
template <typename Emit> void DecodePage(std::string_view page, Emit emit)
{
    std::size_t i = 0;
    while (i < page.size()) {
        auto b = static_cast<unsigned char>(page[i]);
        if (b == '\r') {
            emit(u'\n', i);
            i += (i + 1 < page.size() && page[i + 1] == '\n') ? 2 : 1;
        } else if (b < 0x80) {
            emit(static_cast<char16_t>(b), i);
            ++i;
        } else {
            char32_t cp = 0;
            std::size_t length = SequenceAt(page, i, cp);
            if (length == 0) {
                emit(kReplacement, i);
                ++i;
            } else if (cp >= 0x10000) {
                cp -= 0x10000;
                emit(static_cast<char16_t>(0xD800 + (cp >> 10)), i);
                emit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)), i);
                i += length;
            } else {
                emit(static_cast<char16_t>(cp), i);
                i += length;
            }
        }
    }
}

} // namespace

std::u16string PageToViewText(std::string_view page)
{
    std::u16string view;
    view.reserve(page.size());
    DecodePage(page, [&](char16_t unit, std::size_t) { view += unit; });
    return view;
}

TPageText::TPageText(std::string bytes) : fBytes(std::move(bytes))
{
    if (fBytes.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("Page too large for the page view.");
    fView.reserve(fBytes.size());
    fUnitStart.reserve(fBytes.size() + 1);
    DecodePage(fBytes, [&](char16_t unit, std::size_t start) {
        fView += unit;
        fUnitStart.push_back(static_cast<std::uint32_t>(start));
    });
    fUnitStart.push_back(static_cast<std::uint32_t>(fBytes.size()));
}

std::size_t TPageText::ViewToPage(std::size_t viewIndex) const
{
    return viewIndex >= fView.size() ? fBytes.size() : fUnitStart[viewIndex];
}

std::size_t TPageText::PageToView(std::size_t byteOffset) const
{
    if (byteOffset >= fBytes.size())
        return fView.size();
    auto after = std::upper_bound(fUnitStart.begin(), fUnitStart.end(), byteOffset);
    auto unit = static_cast<std::size_t>(after - fUnitStart.begin()) - 1;
    if (unit > 0 && fUnitStart[unit - 1] == fUnitStart[unit])
        --unit;  // the low half of a surrogate pair
    return unit;
}

std::size_t TPageText::PageEndToView(std::size_t byteEnd) const
{
    if (byteEnd >= fBytes.size())
        return fView.size();
    return static_cast<std::size_t>(std::lower_bound(fUnitStart.begin(), fUnitStart.end(), byteEnd) -
                                    fUnitStart.begin());
}

TByteRange TPageText::ViewToPage(TViewRange range) const
{
    std::size_t start = ViewToPage(range.Start);
    std::size_t end = ViewToPage(range.End());
    return {start, end - start};
}

TViewRange TPageText::PageToView(TByteRange range) const
{
    std::size_t start = PageToView(range.Start);
    if (range.Length == 0)
        return {start, 0};
    return {start, PageEndToView(range.End()) - start};
}

bool TPageText::IsUndecodable(std::size_t viewIndex) const
{
    return viewIndex < fView.size() && fView[viewIndex] == kReplacement &&
           fUnitStart[viewIndex + 1] - fUnitStart[viewIndex] == 1;
}
