#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A fetched page as bytes (what the lookup scans) and as the text the page view shows, with the offsets of
// one mapped onto the other. The view text is what PageToViewText gives: UTF-8 decoded to UTF-16 (a 4-byte
// sequence is two units), CR LF, a lone CR and LF each one "\n", and every byte that is not part of a valid
// UTF-8 sequence one U+FFFD. A text view given exactly this text (QPlainTextEdit::setPlainText) counts its
// cursor positions in the same units.
std::u16string PageToViewText(std::string_view page);

struct TByteRange {
    std::size_t Start = 0;
    std::size_t Length = 0;
    std::size_t End() const { return Start + Length; }
    bool operator==(const TByteRange&) const = default;
};

struct TViewRange {
    std::size_t Start = 0;
    std::size_t Length = 0;
    std::size_t End() const { return Start + Length; }
    bool operator==(const TViewRange&) const = default;
};

class TPageText {
public:
    TPageText() = default;
    explicit TPageText(std::string bytes);

    const std::string& Bytes() const { return fBytes; }
    const std::u16string& ViewText() const { return fView; }
    std::size_t ViewLength() const { return fView.size(); }

    // Byte offset where the view unit at index begins; the second unit of a surrogate pair maps to the start
    // of its sequence; index at or past the end gives the page size.
    std::size_t ViewToPage(std::size_t viewIndex) const;
    // Index of the view unit holding the byte (a byte inside a sequence or the LF of CR LF gives that unit);
    // an offset at or past the end gives the view length.
    std::size_t PageToView(std::size_t byteOffset) const;
    // Index just past the view unit that holds byteOffset - 1: the view end of a byte range ending there.
    std::size_t PageEndToView(std::size_t byteEnd) const;

    TByteRange ViewToPage(TViewRange range) const;
    // The smallest view range covering the bytes.
    TViewRange PageToView(TByteRange range) const;

    // True when the view unit stands for one byte that is not valid UTF-8.
    bool IsUndecodable(std::size_t viewIndex) const;

private:
    std::string fBytes;
    std::u16string fView;
    std::vector<std::uint32_t> fUnitStart;  // per view unit, plus one entry for the end
};
