#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::lookup {

// A fetched page as bytes (what the lookup scans) and as the text the page view shows, with the offsets of
// one mapped onto the other. The view text is what pageToViewText gives: UTF-8 decoded to UTF-16 (a 4-byte
// sequence is two units), CR LF, a lone CR and LF each one "\n", and every byte that is not part of a valid
// UTF-8 sequence one U+FFFD. A text view given exactly this text (QPlainTextEdit::setPlainText) counts its
// cursor positions in the same units.
std::u16string pageToViewText(std::string_view page);

struct ByteRange {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t end() const { return start + length; }
    bool operator==(const ByteRange&) const = default;
};

struct ViewRange {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t end() const { return start + length; }
    bool operator==(const ViewRange&) const = default;
};

class PageText {
public:
    PageText() = default;
    explicit PageText(std::string bytes);

    const std::string& bytes() const { return m_bytes; }
    const std::u16string& viewText() const { return m_view; }
    std::size_t viewLength() const { return m_view.size(); }

    // Byte offset where the view unit at index begins; the second unit of a surrogate pair maps to the start
    // of its sequence; index at or past the end gives the page size.
    std::size_t viewToPage(std::size_t viewIndex) const;
    // Index of the view unit holding the byte (a byte inside a sequence or the LF of CR LF gives that unit);
    // an offset at or past the end gives the view length.
    std::size_t pageToView(std::size_t byteOffset) const;
    // Index just past the view unit that holds byteOffset - 1: the view end of a byte range ending there.
    std::size_t pageEndToView(std::size_t byteEnd) const;

    ByteRange viewToPage(ViewRange range) const;
    // The smallest view range covering the bytes.
    ViewRange pageToView(ByteRange range) const;

    // True when the view unit stands for one byte that is not valid UTF-8.
    bool isUndecodable(std::size_t viewIndex) const;

private:
    std::string m_bytes;
    std::u16string m_view;
    std::vector<std::uint32_t> m_unitStart;  // per view unit, plus one entry for the end
};

} // namespace kestrune::lookup
