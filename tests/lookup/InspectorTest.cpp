#include "IPExtraction.h"
#include "Inspector.h"
#include "LookupTexts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string LookupWith(const TPageText& page, const std::string& keyword, std::int64_t skip)
{
    return AddressOrPlaceholder(CollectUserDefined(page.Bytes(), keyword, std::to_string(skip)));
}

TEST(Inspector, MarkAddressThenKeyword)
{
    TPageText page("WAN IP: 10.1.2.3 Mask");
    auto hit = FindNext(page, "10.1.2.3", {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(*hit, (TByteRange{8, 8}));
    TMarkKeywordResult marked = MarkKeyword(page, {0, 7}, hit->Start);
    ASSERT_EQ(marked.Kind, TMarkKeywordResult::Marked);
    EXPECT_EQ(marked.Keyword, "WAN IP:");
    EXPECT_EQ(marked.CharToSkip, 1);
    EXPECT_EQ(LookupWith(page, marked.Keyword, marked.CharToSkip), "10.1.2.3");

    // A keyword after the address gives a negative skip that still lands on it.
    marked = MarkKeyword(page, {17, 4}, hit->Start);
    ASSERT_EQ(marked.Kind, TMarkKeywordResult::Marked);
    EXPECT_EQ(marked.CharToSkip, -13);
    EXPECT_EQ(LookupWith(page, "Mask", marked.CharToSkip), "10.1.2.3");
}

TEST(Inspector, MarkKeywordRefusals)
{
    TPageText page("abc xx abc 1.2.3.4 \xFFq");
    TMarkKeywordResult second = MarkKeyword(page, {7, 3}, 11);
    EXPECT_EQ(second.Kind, TMarkKeywordResult::NotUnique);
    EXPECT_EQ(second.Earlier, (TByteRange{0, 3}));
    EXPECT_EQ(MarkKeyword(page, {7, 0}, 11).Kind, TMarkKeywordResult::Empty);
    EXPECT_EQ(MarkKeyword(page, {19, 2}, 11).Kind, TMarkKeywordResult::NotText);
    EXPECT_EQ(MarkKeyword(page, {0, 3}, 11).Kind, TMarkKeywordResult::Marked);
}

TEST(Inspector, FindNextRunsForwardWithoutWrap)
{
    TPageText page("ip 1.1.1.1 IP 1.1.1.1");
    auto first = FindNext(page, "1.1.1.1", {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Start, 3u);
    auto second = FindNext(page, "1.1.1.1", *first);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Start, 14u);
    EXPECT_EQ(FindNext(page, "1.1.1.1", *second), std::nullopt);
    EXPECT_EQ(FindNext(page, "1.1.1.1", TByteRange{20, 0}), first);  // an empty selection searches from 0
    EXPECT_EQ(FindNext(page, "Ip", {}), std::nullopt);
    EXPECT_EQ(FindNext(page, "", {}), std::nullopt);
}

struct AutoCase {
    std::string Page;
    std::string Address;
    std::string Keyword;
    std::int64_t Skip;
};

TEST(Inspector, AutoWalksLeftPastUnsuitableWindows)
{
    const AutoCase cases[] = {
        {"<td>WAN IP</td><td>10.1.2.3</td>", "10.1.2.3", "WAN IP</td><td", 1},
        {"ABCDEFGHIJKLMNOP.QR 10.0.0.1", "10.0.0.1", "CDEFGHIJKLMNOP", 4},
        {"ABCDEFGHIJKLMNOP,QR 10.0.0.1", "10.0.0.1", "CDEFGHIJKLMNOP", 4},
        {"ABCDEFGHIJKLMNOP\xC2\xACQR 10.0.0.1", "10.0.0.1", "CDEFGHIJKLMNOP", 5},  // "¬" is one character
        {"ABCDEFGHIJKLMNOP\xFFQR 10.0.0.1", "10.0.0.1", "CDEFGHIJKLMNOP", 4},    // a byte that is not UTF-8
        {"XYZXYZXYZXYZXYZXYZXYZXYZXYZ 1.2.3.4", "1.2.3.4", "ZXYZXYZXYZXYZX", 12},
    };
    for (const auto& c : cases) {
        TPageText page(c.Page);
        TAutoResult result = AutoKeyword(page, c.Address, {});
        ASSERT_TRUE(result.Found) << c.Page;
        EXPECT_EQ(result.Keyword, c.Keyword) << c.Page;
        EXPECT_EQ(result.CharToSkip, c.Skip) << c.Page;
        EXPECT_EQ(c.Page.substr(result.Window.Start, result.Window.Length), c.Keyword);
        EXPECT_EQ(LookupWith(page, result.Keyword, result.CharToSkip), c.Address) << c.Page;
    }
}

TEST(Inspector, AutoEndsOnEveryPage)
{
    const std::tuple<std::string, std::string, std::string_view> cases[] = {
        {"IP: 10.1.2.3", "10.1.2.3", LookupText::NoSuitableKeyword},        // address within the first 15
        {"abcdefghijklmn1.2.3.4", "1.2.3.4", LookupText::NoSuitableKeyword},
        {std::string(40, '.') + " 1.2.3.4", "1.2.3.4", LookupText::NoSuitableKeyword},
        {"a page without it", "1.2.3.4", LookupText::NoSuitableKeyword},
        {"", "1.2.3.4", LookupText::IPNotFound},
    };
    for (const auto& [text, address, message] : cases) {
        TAutoResult result = AutoKeyword(TPageText(text), address, {});
        EXPECT_FALSE(result.Found) << text;
        EXPECT_EQ(result.Message, message) << text;
    }
    // The first window that fits exactly (address at 15) is still tried.
    EXPECT_TRUE(AutoKeyword(TPageText("abcdefghijklmno1.2.3.4"), "", {15, 7}).Found);
    EXPECT_TRUE(AutoKeyword(TPageText("xabcdefghijklmno1.2.3.4"), "1.2.3.4", {}).Found);
}

TEST(Inspector, AutoInDebugViewUsesTheSelection)
{
    TPageText page("first 9.9.9.9 <td>WAN IP</td><td>10.1.2.3</td>");
    TAutoResult result = AutoKeyword(page, "", {33, 8});
    ASSERT_TRUE(result.Found);
    EXPECT_EQ(result.IPMark, 33u);
    EXPECT_EQ(result.Keyword, "WAN IP</td><td");
    EXPECT_EQ(AutoKeyword(page, "", {0, 0}).Message, LookupText::NoSuitableKeyword);
}

// Pages as routers send them: CR LF and lone CR line ends, tabs, 2-, 3- and 4-byte UTF-8, stray bytes.
const std::string kRouterPages[] = {
    "<tr>\r\n\t<td>Adresse IP publique (WAN) \xE2\x80\x94 \xC3\xA9tat</td>\r\n\t<td>\t203.0.113.9</td>\r\n</tr>\r\n",
    "<p>\xF0\x9F\x8C\x90 Internet\r\rIP-Adresse:\t\t203.0.113.9<br>\r\n",
    "<td>Gr\xF6\xDF" "e</td>\r\n<td>WAN \xC3\xA7\xC3\xA7\xC3\xA7 \xC3\xA9tat :\r\n\t203.0.113.9\r\n",
};

TEST(Inspector, SkipCountsFromTheViewLandOnTheAddress)
{
    for (const std::string& text : kRouterPages) {
        TPageText page(text);
        const std::u16string& view = page.ViewText();
        std::size_t viewAddress = view.find(u"203.0.113.9");
        ASSERT_NE(viewAddress, std::u16string::npos);

        // Mark IP from a view selection, then a keyword of view characters right before it.
        std::size_t ipMark = page.ViewToPage(TViewRange{viewAddress, 11}).Start;
        ASSERT_EQ(ipMark, text.find("203.0.113.9"));
        int keywordsMarked = 0;
        for (std::size_t length : {3u, 6u, 9u}) {
            TViewRange keywordView{viewAddress - length - 2, length};
            TMarkKeywordResult marked = MarkKeyword(page, page.ViewToPage(keywordView), ipMark);
            if (marked.Kind != TMarkKeywordResult::Marked)
                continue;
            ++keywordsMarked;
            EXPECT_EQ(LookupWith(page, marked.Keyword, marked.CharToSkip), "203.0.113.9") << length;
        }
        EXPECT_GT(keywordsMarked, 0);

        TAutoResult result = AutoKeyword(page, "203.0.113.9", {});
        ASSERT_TRUE(result.Found);
        EXPECT_EQ(result.IPMark, ipMark);
        EXPECT_EQ(LookupWith(page, result.Keyword, result.CharToSkip), "203.0.113.9");
        TViewRange window = page.PageToView(result.Window);
        EXPECT_EQ(window.Length, 14u);
        for (std::size_t i = window.Start; i < window.End(); ++i)
            EXPECT_FALSE(page.IsUndecodable(i));
    }
}

TEST(Inspector, AutoOnALargeRepetitivePageEnds)
{
    std::string text;
    while (text.size() < 24000)
        text += "<td>row</td>";
    text += "1.2.3.4";
    TAutoResult result = AutoKeyword(TPageText(text), "1.2.3.4", {});
    ASSERT_TRUE(result.Found);
    EXPECT_LT(result.Window.Start, 12u);  // only a window at the very start occurs first there
    EXPECT_EQ(LookupWith(TPageText(text), result.Keyword, result.CharToSkip), "1.2.3.4");
}

} // namespace
