#include "MailDate.h"
#include "MailMessage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

using namespace kestrune::net;

namespace {

// Sets the process time zone for one test and restores the previous one.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *old = std::getenv("TZ"))
            fOld = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (fOld)
            setenv("TZ", fOld->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> fOld;
};

constexpr std::time_t kSummer = 1751891696; // 2025-07-07 12:34:56 UTC
constexpr std::time_t kWinter = 1736057228; // 2025-01-05 06:07:08 UTC

} // namespace

TEST(MailMessageTest, DateCarriesTheLocalOffsetWithDaylightSaving)
{
    struct DateCase {
        const char *zone;
        std::time_t when;
        std::string text;
    };
    const std::vector<DateCase> cases = {
        {"UTC0", kSummer, "Mon, 7 Jul 2025 12:34:56 +0000"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kSummer, "Mon, 7 Jul 2025 14:34:56 +0200"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kWinter, "Sun, 5 Jan 2025 07:07:08 +0100"},
        {"EST5EDT,M3.2.0,M11.1.0", kSummer, "Mon, 7 Jul 2025 08:34:56 -0400"},
        {"EST5EDT,M3.2.0,M11.1.0", kWinter, "Sun, 5 Jan 2025 01:07:08 -0500"},
        {"NST3:30NDT,M3.2.0,M11.1.0", kWinter, "Sun, 5 Jan 2025 02:37:08 -0330"},
        {"IST-5:30", kWinter, "Sun, 5 Jan 2025 11:37:08 +0530"},
    };
    for (const auto &c : cases) {
        ScopedTimeZone zone(c.zone);
        EXPECT_EQ(mailcoding::dateHeaderText(c.when), c.text) << c.zone;
    }
}

TEST(MailMessageTest, TheProgramsMessageHasItsFixedHeaderBlock)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    MailMessage message;
    message.from.address = "kestrune@home.example";
    message.recipients.setEMailAddresses("a@x.org; Ann Lee <ann@y.org>, b@z.org");
    message.subject = "Adresse geändert";
    message.setBodyText("line 1\r\nline 2");
    EXPECT_EQ(message.headerBlock(kSummer), "From: kestrune@home.example\r\n"
                                            "Subject: Adresse =?UTF-8?Q?ge=C3=A4ndert?=\r\n"
                                            "To: a@x.org, \"Ann Lee\" <ann@y.org>, b@z.org\r\n"
                                            "Date: Mon, 7 Jul 2025 14:34:56 +0200\r\n"
                                            "X-Priority: 3\r\n"
                                            "X-Library: Kestrune 1.1\r\n");
}

TEST(MailMessageTest, EveryFieldGoesOutInItsPlaceAndBccNever)
{
    ScopedTimeZone zone("UTC0");
    MailMessage message;
    message.headers = {{"X-Base", "base"}};
    message.from = {"Me", "me@x.org"};
    message.subject = "Hi";
    message.recipients.setEMailAddresses("to@x.org");
    message.ccList.setEMailAddresses("cc@x.org");
    message.bccList.setEMailAddresses("hidden@x.org");
    message.newsGroups = "alt.test";
    message.contentType = "text/plain";
    message.charSet = "UTF-8";
    message.contentTransferEncoding = "8bit";
    message.sender = {"", "sender@x.org"};
    message.replyTo.setEMailAddresses("reply@x.org");
    message.organization = "Café Nord";
    message.receiptRecipient = {"", "receipt@x.org"};
    message.references = "<ref@x.org>";
    message.useNowForDate = false;
    message.date = kWinter;
    message.priority = MailPriority::Highest;
    setMailHeader(message.extraHeaders, "X-Mailer", "Agent");
    EXPECT_EQ(message.headerBlock(kSummer), "X-Base: base\r\n"
                                            "From: \"Me\" <me@x.org>\r\n"
                                            "Subject: Hi\r\n"
                                            "To: to@x.org\r\n"
                                            "Cc: cc@x.org\r\n"
                                            "Newsgroups: alt.test\r\n"
                                            "Content-Type: text/plain;\r\n"
                                            "\tcharset=\"UTF-8\"\r\n"
                                            "Content-Transfer-Encoding: 8bit\r\n"
                                            "Sender: sender@x.org\r\n"
                                            "Reply-To: reply@x.org\r\n"
                                            "Organization: =?UTF-8?Q?Caf=C3=A9?= Nord\r\n"
                                            "Disposition-Notification-To: receipt@x.org\r\n"
                                            "References: <ref@x.org>\r\n"
                                            "Date: Sun, 5 Jan 2025 06:07:08 +0000\r\n"
                                            "X-Priority: 1\r\n"
                                            "X-Library: Kestrune 1.1\r\n"
                                            "X-Mailer: Agent\r\n");
}

TEST(MailMessageTest, PriorityCountsFromOneToFive)
{
    const std::vector<std::pair<MailPriority, std::string>> cases = {
        {MailPriority::Highest, "1"}, {MailPriority::High, "2"}, {MailPriority::Normal, "3"}, {MailPriority::Low, "4"}, {MailPriority::Lowest, "5"}};
    for (const auto &[priority, value] : cases) {
        MailMessage message;
        message.priority = priority;
        const MailHeaders headers = message.generateHeader(kSummer);
        const auto found = std::find_if(headers.begin(), headers.end(), [](const auto &h) { return h.first == "X-Priority"; });
        ASSERT_NE(found, headers.end());
        EXPECT_EQ(found->second, value);
    }
}

TEST(MailMessageTest, ExtraHeaderIsReplacedInPlaceAndRemovedByAnEmptyValue)
{
    MailHeaders headers = {{"A", "1"}, {"x-mailer", "old"}, {"B", "2"}};
    setMailHeader(headers, "X-Mailer", "new");
    EXPECT_EQ(headers, (MailHeaders{{"A", "1"}, {"x-mailer", "new"}, {"B", "2"}}));
    setMailHeader(headers, "X-MAILER", "");
    EXPECT_EQ(headers, (MailHeaders{{"A", "1"}, {"B", "2"}}));
    setMailHeader(headers, "C", "3");
    EXPECT_EQ(headers.back(), (std::pair<std::string, std::string>{"C", "3"}));
}

TEST(MailMessageTest, ALongRecipientListIsFoldedAt78)
{
    MailMessage message;
    message.recipients.setEMailAddresses("aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org, "
                                         "eeee@example.org");
    const std::string block = message.headerBlock(kSummer);
    EXPECT_NE(block.find("To: aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org,\r\n"
                         " eeee@example.org\r\n"),
              std::string::npos)
        << block;
}

TEST(MailMessageTest, BodyIsDotStuffedLineByLine)
{
    MailMessage message;
    message.setBodyText(".\r\n.hidden\nplain\r\n\r\nlast");
    EXPECT_EQ(message.bodyBlock(), "..\r\n..hidden\r\nplain\r\n\r\nlast\r\n");

    // A line holding its own breaks must not be able to end the data early.
    message.body = {"a\r\n.\r\nMAIL FROM:<x@y>", "b"};
    EXPECT_EQ(message.bodyBlock(), "a\r\n..\r\nMAIL FROM:<x@y>\r\nb\r\n");
}

TEST(MailMessageTest, LineBreaksInHeaderTextsAreRefused)
{
    const auto clean = [] {
        MailMessage message;
        message.from.address = "me@x.org";
        message.recipients.add({"", "to@x.org"});
        message.subject = "Subject";
        return message;
    };
    EXPECT_NO_THROW(clean().checkNoLineBreaks());

    std::vector<std::pair<std::string, MailMessage>> faulty;
    faulty.emplace_back("subject", clean());
    faulty.back().second.subject = "IP\r\nBcc: victim@x.org";
    faulty.emplace_back("from", clean());
    faulty.back().second.from.address = "me@x.org>\r\nRCPT TO:<victim@x.org";
    faulty.emplace_back("recipient", clean());
    faulty.back().second.recipients.add({"", "b@x.org\n"});
    faulty.emplace_back("bcc", clean());
    faulty.back().second.bccList.add({"", "b@x.org\r"});
    faulty.emplace_back("from name", clean());
    faulty.back().second.from.name = std::string("Me\0", 3);
    faulty.emplace_back("organization", clean());
    faulty.back().second.organization = "Org\r\nX: y";
    faulty.emplace_back("extra header", clean());
    faulty.back().second.extraHeaders = {{"X-A", "1\r\nX-B: 2"}};
    for (const auto &[what, message] : faulty)
        EXPECT_THROW(message.checkNoLineBreaks(), NetworkError) << what;
}
