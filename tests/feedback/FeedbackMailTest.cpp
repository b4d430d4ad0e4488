#include "FeedbackMail.h"
#include "PercentCoding.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace kestrune::feedback;
using namespace kestrune::lookup;

namespace {

// Splits a mailto: link the way a mail program does: address, then "&"-separated fields, each percent-decoded.
struct ParsedLink {
    std::string Address;
    std::vector<std::pair<std::string, std::string>> Fields;
};

ParsedLink ParseMailto(std::string_view link)
{
    ParsedLink parsed;
    EXPECT_TRUE(link.starts_with("mailto:")) << link;
    link.remove_prefix(7);
    std::size_t query = link.find('?');
    parsed.Address = percentDecode(link.substr(0, query));
    if (query == std::string_view::npos)
        return parsed;
    std::string_view rest = link.substr(query + 1);
    while (!rest.empty()) {
        std::size_t amp = rest.find('&');
        std::string_view field = rest.substr(0, amp);
        std::size_t eq = field.find('=');
        parsed.Fields.emplace_back(percentDecode(field.substr(0, eq)),
                                   eq == std::string_view::npos ? "" : percentDecode(field.substr(eq + 1)));
        rest.remove_prefix(amp == std::string_view::npos ? rest.size() : amp + 1);
    }
    return parsed;
}

FeedbackData Sample()
{
    FeedbackData d;
    d.url = "192.168.1.1/Status.htm";
    d.manufacturer = "Netgear";
    d.model = "DG834G";
    d.keyword = "IP Address";
    d.skipCount = "13";
    return d;
}

const std::string kDashes(42, '-');

TEST(FeedbackMail, LinkWithoutDefaultLogin)
{
    ParsedLink link = ParseMailto(feedbackMailtoLink(Sample()));
    EXPECT_EQ(link.Address, kFeedbackAddress);
    ASSERT_EQ(link.Fields.size(), 2u);
    EXPECT_EQ(link.Fields[0], (std::pair<std::string, std::string>{"subject", "Router Date Returned From Kestrune"}));
    EXPECT_EQ(link.Fields[1].first, "body");
    EXPECT_EQ(link.Fields[1].second, "Manufacturer: Netgear\r\nModel: DG834G\r\n"
                                     "Default URL: http://192.168.1.1/Status.htm\r\nKeywords: IP Address\r\n"
                                     "Search Value: 13\r\n" + kDashes + "\r\n"
                                     "Please add a comment here if you wish... Thanks.\r\n\r\n");
}

TEST(FeedbackMail, LinkWithDefaultLoginHasEightDataLines)
{
    FeedbackData d = Sample();
    d.defaultLoginRequired = true;
    d.defaultUsername = "admin";
    d.defaultPassword = "password";
    ParsedLink link = ParseMailto(feedbackMailtoLink(d));
    ASSERT_EQ(link.Fields.size(), 2u);
    EXPECT_EQ(link.Fields[1].second, "Manufacturer: Netgear\r\nModel: DG834G\r\n"
                                     "Default URL: http://192.168.1.1/Status.htm\r\n"
                                     "A default username and password is required.\r\n"
                                     "Default Username: admin\r\nDefault password: password\r\n"
                                     "Keywords: IP Address\r\nSearch Value: 13\r\n" + kDashes + "\r\n"
                                     "Please add a comment here if you wish... Thanks.\r\n\r\n");
}

TEST(FeedbackMail, LineBreaksAreEncodedAsCrLf)
{
    std::string link = feedbackMailtoLink(Sample());
    EXPECT_TRUE(link.starts_with("mailto:kestrune-feedback@users.noreply.github.com?subject="
                                 "Router%20Date%20Returned%20From%20Kestrune&body=Manufacturer:%20Netgear%0D%0A"))
        << link;
    EXPECT_TRUE(link.ends_with("Thanks.%0D%0A%0D%0A")) << link;
}

TEST(FeedbackMail, TypedDelimitersAndNonAsciiArriveWhole)
{
    FeedbackData d = Sample();
    d.manufacturer = "AT&T & Co";
    d.model = "50% #1? a=b+c";
    d.url = "10.0.0.1/cgi?page=status&x=1#top";
    d.keyword = "Adresse IP \xC3\xB6" "ffentlich:";
    d.skipCount = "\"7\" <tab>\t";
    d.defaultLoginRequired = true;
    d.defaultUsername = "us&er";
    d.defaultPassword = "p@ss%20word";
    std::string raw = feedbackMailtoLink(d);
    for (char forbidden : {' ', '#', '"', '<', '>', '\t', '\r', '\n'})
        EXPECT_EQ(raw.find(forbidden), std::string::npos) << "raw '" << forbidden << "' in " << raw;
    for (unsigned char c : raw)
        EXPECT_LT(c, 0x80) << raw;

    ParsedLink link = ParseMailto(raw);
    ASSERT_EQ(link.Fields.size(), 2u) << raw;
    std::map<std::string, std::string> lines;
    std::string body = link.Fields[1].second;
    for (std::size_t start = 0, end; (end = body.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = body.substr(start, end - start);
        std::size_t colon = line.find(": ");
        if (colon != std::string::npos)
            lines[line.substr(0, colon)] = line.substr(colon + 2);
    }
    EXPECT_EQ(lines["Manufacturer"], d.manufacturer);
    EXPECT_EQ(lines["Model"], d.model);
    EXPECT_EQ(lines["Default URL"], "http://" + d.url);
    EXPECT_EQ(lines["Keywords"], d.keyword);
    EXPECT_EQ(lines["Search Value"], d.skipCount);
    EXPECT_EQ(lines["Default Username"], d.defaultUsername);
    EXPECT_EQ(lines["Default password"], d.defaultPassword);
}

TEST(FeedbackMail, EncodingTable)
{
    EXPECT_EQ(percentEncodeMailtoValue("a&b=c"), "a%26b%3Dc");
    EXPECT_EQ(percentEncodeMailtoValue("100% #1?"), "100%25%20%231%3F");
    EXPECT_EQ(percentEncodeMailtoValue("a+b"), "a%2Bb");
    EXPECT_EQ(percentEncodeMailtoValue("\xC3\xA9"), "%C3%A9");
    EXPECT_EQ(percentEncodeMailtoValue("\r\n"), "%0D%0A");
    EXPECT_EQ(percentEncodeMailtoValue("user@host:8080/a-b_c.d~(x),y;z!$*'"), "user@host:8080/a-b_c.d~(x),y;z!$*'");
    EXPECT_EQ(percentEncodeMailtoValue(""), "");
}

} // namespace
