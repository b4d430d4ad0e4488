#include "ExternalServices.h"
#include "IpExtraction.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestrune::lookup;

namespace {

struct TextCase {
    std::string Input;
    bool Expected;
};

TEST(ValidIP, AcceptsThreeDotsAndDigitsOnly)
{
    const TextCase cases[] = {
        {"1.2.3.4", true},   {"999.1.1.1", true},   {"...", true},      {"10.0.0.1", true},
        {"1.2.3", false},    {"1.2.3.4.5", false},  {"1.2.3.a", false}, {"", false},
        {" 1.2.3.4", false}, {"1.2.3.4 ", false},   {"1,2.3.4", false}, {"10.0.0.1 255.255.255.0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isValidIp(c.Input), c.Expected) << "'" << c.Input << "'";
}

TEST(ParseSkipCount, ReadsSignedDecimalAndHexadecimal)
{
    const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
        {"0", 0},
        {"25", 25},
        {"   365", 365},
        {"+7", 7},
        {"-12", -12},
        {"$1F", 31},
        {"x10", 16},
        {"0x10", 16},
        {"0XfF", 255},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12 ", std::nullopt},
        {"1 2", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"0x1g", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999999", std::nullopt},
        {"$FFFFFFFFFFFFFFFFF", std::nullopt},
        {"\t5", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseSkipCount(text), expected) << "'" << text << "'";
}

struct ExtractCase {
    std::string Page;
    std::string Keyword;
    std::string Skip;
    std::string Address;
};

TEST(UserDefinedRule, ExtractsByKeywordAndSkip)
{
    const std::string wan = "WAN IP: 10.1.2.3 Mask";
    const ExtractCase cases[] = {
        {wan, "WAN IP:", "0", "10.1.2.3"},
        {wan, "WAN IP:", "1", "10.1.2.3"},
        {wan, "WAN IP:", "", "---.---.---.---"},     // skip = keyword length: lands on ".", only "3" follows
        {wan, "WAN IP:", "abc", "---.---.---.---"},
        {wan, "WAN IP:", "0x1", "10.1.2.3"},
        {wan, "Mask", "-13", "10.1.2.3"},            // keyword after the address
        {wan, "Nothing", "0", "---.---.---.---"},
        {wan, "", "0", "---.---.---.---"},
        {wan, "wan ip:", "0", "---.---.---.---"},    // case-sensitive
        {"IP 10.0.0.1 255.255.255.0 end", "IP", "0", "---.---.---.---"},
        {"a:x\r\n\t 192.0.2.1\r\n", "a:", "0", "192.0.2.1"},
        {"IP 1.2.3.4", "IP", "5", "---.---.---.---"}, // starts at "4": too short
        {"IP 1.2.3.4", "IP", "100", "---.---.---.---"},
        {"K 1.1.1.1 K 2.2.2.2", "K", "0", "1.1.1.1"}, // first occurrence
        {"K1.2.3.4", "K", "0", "1.2.3.4"},            // address right at the end of the page
    };
    for (const auto& c : cases)
        EXPECT_EQ(addressOrPlaceholder(collectUserDefined(c.Page, c.Keyword, c.Skip)), c.Address)
            << "'" << c.Page << "' keyword '" << c.Keyword << "' skip '" << c.Skip << "'";
}

TEST(UserDefinedRule, StartBeforeThePageReadsNothing)
{
    // "KEY" ends at offset 11, so skip -11 starts on the first byte and anything lower before the page.
    // Sanitizer builds catch any read outside the page's buffer.
    const std::string page = "9.9.9.9 KEY";
    const std::pair<const char*, std::optional<std::size_t>> starts[] = {
        {"-11", 0u}, {"-10", 1u}, {"-8", 3u}, {"-12", std::nullopt}, {"-1000", std::nullopt},
        {"-2147483648", std::nullopt}, {"-$7FFFFFFF", std::nullopt}, {"2147483647", std::nullopt},
    };
    for (const auto& [skip, start] : starts)
        EXPECT_EQ(userDefinedStart(page, "KEY", skip), start) << skip;
    EXPECT_EQ(collectUserDefined(page, "KEY", "-11"), "9.9.9.9 ");
    EXPECT_EQ(collectUserDefined(page, "KEY", "-8"), "9.9 ");
    EXPECT_EQ(collectUserDefined(page, "KEY", "-12"), "");
    EXPECT_EQ(addressOrPlaceholder(collectUserDefined(page, "KEY", "-2147483648")), kPlaceholderAddress);
}

TEST(ExternalRules, FollowEachServicesPage)
{
    const std::pair<std::string, std::string> first[] = {
        {"<html><body>Current IP Address: 203.0.113.7</body></html>", "203.0.113.7"},
        {"Address:203.0.113.7<", "03.0.113.7"},          // the character after the colon is passed over
        {"Address: 203.0.113.7", "203.0.113.7"},          // no "<": up to the page's end
        {"Address: 203.0.113.7 </body>", "203.0.113.7"},  // trailing blank trimmed
        {"address: 203.0.113.7<", "---.---.---.---"},
        {"Address:", "---.---.---.---"},
        {"", "---.---.---.---"},
    };
    for (const auto& [page, address] : first)
        EXPECT_EQ(addressOrPlaceholder(collectFirstService(page)), address) << page;

    const std::pair<std::string, std::string> second[] = {
        {"Your IP  Is 198.51.100.2 (more)", "198.51.100.2"},
        {"<h1>Your IP  Is 198.51.100.2</h1>\n", "---.---.---.---"},  // runs to the first blank
        {"Your IP  Is 198.51.100.2", "198.51.100.2"},
        {"Your IP Is 198.51.100.2 ", "---.---.---.---"},              // one blank only: no marker
        {"Your IP  Is ", "---.---.---.---"},
    };
    for (const auto& [page, address] : second)
        EXPECT_EQ(addressOrPlaceholder(collectSecondService(page)), address) << page;
}

TEST(ExternalServices, MatchWholeTextExactlyAndNameTheRateMessage)
{
    EXPECT_EQ(externalServiceIndex(kExternalServices[0].url), 0);
    EXPECT_EQ(externalServiceIndex(kExternalServices[1].url), 1);
    EXPECT_EQ(externalServiceIndex(""), std::nullopt);
    EXPECT_EQ(externalServiceIndex(std::string(kExternalServices[0].url) + " "), std::nullopt);
    EXPECT_EQ(externalServiceIndex("HTTP://CHECKIP.DYNDNS.ORG/"), std::nullopt);
    EXPECT_EQ(rateMessage(kExternalServices[1]),
              "whatismyip.com requests that their lookup services\r\nare not requested at less than 10 minute intervals.");
}

} // namespace

TEST(PlainTextServices, FirstDottedQuadAndTheFallbackOrder)
{
    const std::pair<std::string, std::string> cases[] = {
        {"203.0.113.7\n", "203.0.113.7"},
        {"HTTP/1.1 says 1.1, then 198.51.100.23.", "198.51.100.23"},
        {"1234.5.6.7 8.9.10.11", "8.9.10.11"},
        {"v1.2.3.4.5 and 999.1.2.3", "999.1.2.3"},  // values are judged later, by the public-address rule
        {"..10.0.0.1..", "10.0.0.1"},
        {"no address 1.2.3", ""},
        {"", ""},
    };
    for (const auto& [page, address] : cases)
        EXPECT_EQ(collectFirstDottedQuad(page), address) << page;

    EXPECT_EQ(fallbackOrder(6, 3), (std::vector<std::size_t>{4, 5, 0, 1, 2}));
    EXPECT_EQ(fallbackOrder(6, 5), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(fallbackOrder(3, std::nullopt), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(externalServiceIndex("https://ifconfig.me/ip"), 5);
}
