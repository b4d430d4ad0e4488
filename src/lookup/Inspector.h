#pragma once

#include "PageText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

// The page inspector's searches. Every offset here is a byte offset into the page, the unit the lookup scans;
// PageText carries them to and from the page view.

// Find-next: from the end of the selection (offset 0 when it is empty) to the end of the page, case-sensitive,
// no wrap. nullopt when there is no hit or the search text is empty.
std::optional<ByteRange> findNext(const PageText& page, std::string_view text, ByteRange selection);

struct MarkKeywordResult {
    enum Kind {
        Marked,        // Keyword and charToSkip are set
        NotUnique,     // the text occurs earlier; Earlier is its first occurrence, to be selected
        Empty,         // nothing selected: nothing changes
        NotText,       // the selection holds bytes that are not UTF-8: nothing changes
    } kind = Empty;
    std::string keyword;
    std::int64_t charToSkip = 0;  // IP mark minus the selection's end; negative when the keyword follows
    ByteRange earlier;
};

// Mark keyword with the selection as keyword and ipMark the address's byte offset.
MarkKeywordResult markKeyword(const PageText& page, ByteRange selection, std::size_t ipMark);

struct AutoResult {
    bool found = false;
    std::string keyword;
    std::int64_t charToSkip = 0;  // bytes between the keyword's end and the address
    ByteRange window;            // the accepted keyword, to be selected
    std::size_t ipMark = 0;       // the address's start (the selection start after the address search)
    std::string_view message;     // without Found: the text to show
};

// The automatic keyword search. address is A (empty in the debug view, where selection is the user's); it is
// searched as find-next does from selection. A window of 14 view characters ending one character before the
// address walks left until its text first occurs where it stands and holds no ",", ".", byte 0xAC or
// undecodable byte. The walk ends at the page's start: an address not found, or one within the first 15
// characters, or no acceptable window, all end with a message.
AutoResult autoKeyword(const PageText& page, std::string_view address, ByteRange selection);

} // namespace kestrune::lookup
