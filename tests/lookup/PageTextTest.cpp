#include "PageText.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kestrune::lookup;

namespace {

// a CRLF b TAB ç € 😀 0xFF z CR q LF
const std::string kMixed = "a\r\nb\t\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80\xFFz\rq\n";

TEST(PageText, ViewTextFoldsLineBreaksAndDecodesUtf8)
{
    EXPECT_EQ(pageToViewText(kMixed), u"a\nb\t\u00E7\u20AC\U0001F600\uFFFDz\nq\n");
    EXPECT_EQ(pageToViewText(""), u"");
    EXPECT_EQ(pageToViewText("\r\r\n\n\r"), u"\n\n\n\n");
    // Overlong, surrogate, beyond U+10FFFF and cut-off sequences: one U+FFFD per byte.
    EXPECT_EQ(pageToViewText("\xC0\xAF" "\xED\xA0\x80" "\xF4\x90\x80\x80" "\xE2\x82"),
              std::u16string(2 + 3 + 4 + 2, u'\uFFFD'));
    EXPECT_EQ(pageToViewText("\xEF\xBF\xBD"), u"\uFFFD");
}

TEST(PageText, MapsEveryViewUnitToItsBytes)
{
    PageText page(kMixed);
    ASSERT_EQ(page.viewLength(), 13u);
    const std::vector<std::size_t> unitStart = {0, 1, 3, 4, 5, 7, 10, 10, 14, 15, 16, 17, 18, 19};
    for (std::size_t unit = 0; unit < unitStart.size(); ++unit)
        EXPECT_EQ(page.viewToPage(unit), unitStart[unit]) << unit;
    EXPECT_EQ(page.viewToPage(1000), kMixed.size());

    // Byte -> unit holding it: the LF of CR LF and bytes inside a sequence belong to their unit.
    const std::vector<std::size_t> unitOfByte = {0, 1, 1, 2, 3, 4, 4, 5, 5, 5, 6, 6, 6, 6, 8, 9, 10, 11, 12, 13};
    for (std::size_t byte = 0; byte < unitOfByte.size(); ++byte)
        EXPECT_EQ(page.pageToView(byte), unitOfByte[byte]) << byte;
    // A range ending inside a unit covers all of it.
    const std::vector<std::size_t> endUnit = {0, 1, 2, 2, 3, 4, 5, 5, 6, 6, 6, 8, 8, 8, 8, 9, 10, 11, 12, 13};
    for (std::size_t byte = 0; byte < endUnit.size(); ++byte)
        EXPECT_EQ(page.pageEndToView(byte), endUnit[byte]) << byte;

    for (std::size_t unit = 0; unit < page.viewLength(); ++unit)
        EXPECT_EQ(page.isUndecodable(unit), unit == 8) << unit;
}

TEST(PageText, RangesRoundTripBetweenViewAndBytes)
{
    PageText page(kMixed);
    EXPECT_EQ(page.viewToPage(ViewRange{1, 2}), (ByteRange{1, 3}));    // CR LF and "b"
    EXPECT_EQ(page.pageToView(ByteRange{1, 3}), (ViewRange{1, 2}));
    EXPECT_EQ(page.viewToPage(ViewRange{6, 2}), (ByteRange{10, 4}));   // the emoji's two units
    EXPECT_EQ(page.pageToView(ByteRange{11, 1}), (ViewRange{6, 2}));   // a byte inside it selects it whole
    EXPECT_EQ(page.pageToView(ByteRange{2, 0}), (ViewRange{1, 0}));
    for (std::size_t start = 0; start <= page.viewLength(); ++start) {
        for (std::size_t length = 0; start + length <= page.viewLength(); ++length) {
            bool splitsPair = (start == 7) || (start + length == 7);
            if (splitsPair)
                continue;
            ViewRange view{start, length};
            EXPECT_EQ(page.pageToView(page.viewToPage(view)), view) << start << "+" << length;
        }
    }
}

} // namespace
