#include "PageText.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace kestrune::lookup {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at i and its code point; 0 when the byte at i starts none.
std::size_t sequenceAt(std::string_view s, std::size_t i, char32_t& cp)
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
        if (!isContinuation(at(i + k)))
            return 0;
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    return length;
}

// Calls emit(unit, byteStart) for every view unit of the page.
template <typename Emit> void decodePage(std::string_view page, Emit emit)
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
            std::size_t length = sequenceAt(page, i, cp);
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

std::u16string pageToViewText(std::string_view page)
{
    std::u16string view;
    view.reserve(page.size());
    decodePage(page, [&](char16_t unit, std::size_t) { view += unit; });
    return view;
}

PageText::PageText(std::string bytes) : m_bytes(std::move(bytes))
{
    if (m_bytes.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("Page too large for the page view.");
    m_view.reserve(m_bytes.size());
    m_unitStart.reserve(m_bytes.size() + 1);
    decodePage(m_bytes, [&](char16_t unit, std::size_t start) {
        m_view += unit;
        m_unitStart.push_back(static_cast<std::uint32_t>(start));
    });
    m_unitStart.push_back(static_cast<std::uint32_t>(m_bytes.size()));
}

std::size_t PageText::viewToPage(std::size_t viewIndex) const
{
    return viewIndex >= m_view.size() ? m_bytes.size() : m_unitStart[viewIndex];
}

std::size_t PageText::pageToView(std::size_t byteOffset) const
{
    if (byteOffset >= m_bytes.size())
        return m_view.size();
    auto after = std::upper_bound(m_unitStart.begin(), m_unitStart.end(), byteOffset);
    auto unit = static_cast<std::size_t>(after - m_unitStart.begin()) - 1;
    if (unit > 0 && m_unitStart[unit - 1] == m_unitStart[unit])
        --unit;  // the low half of a surrogate pair
    return unit;
}

std::size_t PageText::pageEndToView(std::size_t byteEnd) const
{
    if (byteEnd >= m_bytes.size())
        return m_view.size();
    return static_cast<std::size_t>(std::lower_bound(m_unitStart.begin(), m_unitStart.end(), byteEnd) -
                                    m_unitStart.begin());
}

ByteRange PageText::viewToPage(ViewRange range) const
{
    std::size_t start = viewToPage(range.start);
    std::size_t end = viewToPage(range.end());
    return {start, end - start};
}

ViewRange PageText::pageToView(ByteRange range) const
{
    std::size_t start = pageToView(range.start);
    if (range.length == 0)
        return {start, 0};
    return {start, pageEndToView(range.end()) - start};
}

bool PageText::isUndecodable(std::size_t viewIndex) const
{
    return viewIndex < m_view.size() && m_view[viewIndex] == kReplacement &&
           m_unitStart[viewIndex + 1] - m_unitStart[viewIndex] == 1;
}

} // namespace kestrune::lookup
