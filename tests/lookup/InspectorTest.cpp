#include "IpExtraction.h"
#include "Inspector.h"
#include "LookupTexts.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestrune::lookup;

namespace {

std::string LookupWith(const PageText& page, const std::string& keyword, std::int64_t skip)
{
    return addressOrPlaceholder(collectUserDefined(page.bytes(), keyword, std::to_string(skip)));
}

TEST(Inspector, MarkAddressThenKeyword)
{
    PageText page("WAN IP: 10.1.2.3 Mask");
    auto hit = findNext(page, "10.1.2.3", {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(*hit, (ByteRange{8, 8}));
    MarkKeywordResult marked = markKeyword(page, {0, 7}, hit->start);
    ASSERT_EQ(marked.kind, MarkKeywordResult::Marked);
    EXPECT_EQ(marked.keyword, "WAN IP:");
    EXPECT_EQ(marked.charToSkip, 1);
    EXPECT_EQ(LookupWith(page, marked.keyword, marked.charToSkip), "10.1.2.3");

    // A keyword after the address gives a negative skip that still lands on it.
    marked = markKeyword(page, {17, 4}, hit->start);
    ASSERT_EQ(marked.kind, MarkKeywordResult::Marked);
    EXPECT_EQ(marked.charToSkip, -13);
    EXPECT_EQ(LookupWith(page, "Mask", marked.charToSkip), "10.1.2.3");
}

TEST(Inspector, MarkKeywordRefusals)
{
    PageText page("abc xx abc 1.2.3.4 \xFFq");
    MarkKeywordResult second = markKeyword(page, {7, 3}, 11);
    EXPECT_EQ(second.kind, MarkKeywordResult::NotUnique);
    EXPECT_EQ(second.earlier, (ByteRange{0, 3}));
    EXPECT_EQ(markKeyword(page, {7, 0}, 11).kind, MarkKeywordResult::Empty);
    EXPECT_EQ(markKeyword(page, {19, 2}, 11).kind, MarkKeywordResult::NotText);
    EXPECT_EQ(markKeyword(page, {0, 3}, 11).kind, MarkKeywordResult::Marked);
}

TEST(Inspector, FindNextRunsForwardWithoutWrap)
{
    PageText page("ip 1.1.1.1 IP 1.1.1.1");
    auto first = findNext(page, "1.1.1.1", {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->start, 3u);
    auto second = findNext(page, "1.1.1.1", *first);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->start, 14u);
    EXPECT_EQ(findNext(page, "1.1.1.1", *second), std::nullopt);
    EXPECT_EQ(findNext(page, "1.1.1.1", ByteRange{20, 0}), first);  // an empty selection searches from 0
    EXPECT_EQ(findNext(page, "Ip", {}), std::nullopt);
    EXPECT_EQ(findNext(page, "", {}), std::nullopt);
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
        PageText page(c.Page);
        AutoResult result = autoKeyword(page, c.Address, {});
        ASSERT_TRUE(result.found) << c.Page;
        EXPECT_EQ(result.keyword, c.Keyword) << c.Page;
        EXPECT_EQ(result.charToSkip, c.Skip) << c.Page;
        EXPECT_EQ(c.Page.substr(result.window.start, result.window.length), c.Keyword);
        EXPECT_EQ(LookupWith(page, result.keyword, result.charToSkip), c.Address) << c.Page;
    }
}

TEST(Inspector, AutoEndsOnEveryPage)
{
    const std::tuple<std::string, std::string, std::string_view> cases[] = {
        {"IP: 10.1.2.3", "10.1.2.3", lookuptexts::kNoSuitableKeyword},        // address within the first 15
        {"abcdefghijklmn1.2.3.4", "1.2.3.4", lookuptexts::kNoSuitableKeyword},
        {std::string(40, '.') + " 1.2.3.4", "1.2.3.4", lookuptexts::kNoSuitableKeyword},
        {"a page without it", "1.2.3.4", lookuptexts::kNoSuitableKeyword},
        {"", "1.2.3.4", lookuptexts::kIpNotFound},
    };
    for (const auto& [text, address, message] : cases) {
        AutoResult result = autoKeyword(PageText(text), address, {});
        EXPECT_FALSE(result.found) << text;
        EXPECT_EQ(result.message, message) << text;
    }
    // The first window that fits exactly (address at 15) is still tried.
    EXPECT_TRUE(autoKeyword(PageText("abcdefghijklmno1.2.3.4"), "", {15, 7}).found);
    EXPECT_TRUE(autoKeyword(PageText("xabcdefghijklmno1.2.3.4"), "1.2.3.4", {}).found);
}

TEST(Inspector, AutoInDebugViewUsesTheSelection)
{
    PageText page("first 9.9.9.9 <td>WAN IP</td><td>10.1.2.3</td>");
    AutoResult result = autoKeyword(page, "", {33, 8});
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.ipMark, 33u);
    EXPECT_EQ(result.keyword, "WAN IP</td><td");
    EXPECT_EQ(autoKeyword(page, "", {0, 0}).message, lookuptexts::kNoSuitableKeyword);
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
        PageText page(text);
        const std::u16string& view = page.viewText();
        std::size_t viewAddress = view.find(u"203.0.113.9");
        ASSERT_NE(viewAddress, std::u16string::npos);

        // Mark IP from a view selection, then a keyword of view characters right before it.
        std::size_t ipMark = page.viewToPage(ViewRange{viewAddress, 11}).start;
        ASSERT_EQ(ipMark, text.find("203.0.113.9"));
        int keywordsMarked = 0;
        for (std::size_t length : {3u, 6u, 9u}) {
            ViewRange keywordView{viewAddress - length - 2, length};
            MarkKeywordResult marked = markKeyword(page, page.viewToPage(keywordView), ipMark);
            if (marked.kind != MarkKeywordResult::Marked)
                continue;
            ++keywordsMarked;
            EXPECT_EQ(LookupWith(page, marked.keyword, marked.charToSkip), "203.0.113.9") << length;
        }
        EXPECT_GT(keywordsMarked, 0);

        AutoResult result = autoKeyword(page, "203.0.113.9", {});
        ASSERT_TRUE(result.found);
        EXPECT_EQ(result.ipMark, ipMark);
        EXPECT_EQ(LookupWith(page, result.keyword, result.charToSkip), "203.0.113.9");
        ViewRange window = page.pageToView(result.window);
        EXPECT_EQ(window.length, 14u);
        for (std::size_t i = window.start; i < window.end(); ++i)
            EXPECT_FALSE(page.isUndecodable(i));
    }
}

TEST(Inspector, AutoOnALargeRepetitivePageEnds)
{
    std::string text;
    while (text.size() < 24000)
        text += "<td>row</td>";
    text += "1.2.3.4";
    AutoResult result = autoKeyword(PageText(text), "1.2.3.4", {});
    ASSERT_TRUE(result.found);
    EXPECT_LT(result.window.start, 12u);  // only a window at the very start occurs first there
    EXPECT_EQ(LookupWith(PageText(text), result.keyword, result.charToSkip), "1.2.3.4");
}

} // namespace
