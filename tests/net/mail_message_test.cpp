#include "NetMailDate.h"
#include "NetMessage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

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
        EXPECT_EQ(NetMail::DateHeaderText(c.when), c.text) << c.zone;
    }
}

TEST(MailMessageTest, TheProgramsMessageHasItsFixedHeaderBlock)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    TNetMessage message;
    message.From.Address = "kestrune@home.example";
    message.Recipients.SetEMailAddresses("a@x.org; Ann Lee <ann@y.org>, b@z.org");
    message.Subject = "Adresse geändert";
    message.SetBodyText("line 1\r\nline 2");
    EXPECT_EQ(message.HeaderBlock(kSummer), "From: kestrune@home.example\r\n"
                                            "Subject: Adresse =?UTF-8?Q?ge=C3=A4ndert?=\r\n"
                                            "To: a@x.org, \"Ann Lee\" <ann@y.org>, b@z.org\r\n"
                                            "Date: Mon, 7 Jul 2025 14:34:56 +0200\r\n"
                                            "X-Priority: 3\r\n"
                                            "X-Library: Kestrune 1.1\r\n");
}

TEST(MailMessageTest, EveryFieldGoesOutInItsPlaceAndBccNever)
{
    ScopedTimeZone zone("UTC0");
    TNetMessage message;
    message.Headers = {{"X-Base", "base"}};
    message.From = {"Me", "me@x.org"};
    message.Subject = "Hi";
    message.Recipients.SetEMailAddresses("to@x.org");
    message.CCList.SetEMailAddresses("cc@x.org");
    message.BccList.SetEMailAddresses("hidden@x.org");
    message.NewsGroups = "alt.test";
    message.ContentType = "text/plain";
    message.CharSet = "UTF-8";
    message.ContentTransferEncoding = "8bit";
    message.Sender = {"", "sender@x.org"};
    message.ReplyTo.SetEMailAddresses("reply@x.org");
    message.Organization = "Café Nord";
    message.ReceiptRecipient = {"", "receipt@x.org"};
    message.References = "<ref@x.org>";
    message.UseNowForDate = false;
    message.Date = kWinter;
    message.Priority = mpHighest;
    SetMailHeader(message.ExtraHeaders, "X-Mailer", "Agent");
    EXPECT_EQ(message.HeaderBlock(kSummer), "X-Base: base\r\n"
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
    const std::vector<std::pair<TNetMessagePriority, std::string>> cases = {
        {mpHighest, "1"}, {mpHigh, "2"}, {mpNormal, "3"}, {mpLow, "4"}, {mpLowest, "5"}};
    for (const auto &[priority, value] : cases) {
        TNetMessage message;
        message.Priority = priority;
        const TNetMailHeaders headers = message.GenerateHeader(kSummer);
        const auto found = std::find_if(headers.begin(), headers.end(), [](const auto &h) { return h.first == "X-Priority"; });
        ASSERT_NE(found, headers.end());
        EXPECT_EQ(found->second, value);
    }
}

TEST(MailMessageTest, ExtraHeaderIsReplacedInPlaceAndRemovedByAnEmptyValue)
{
    TNetMailHeaders headers = {{"A", "1"}, {"x-mailer", "old"}, {"B", "2"}};
    SetMailHeader(headers, "X-Mailer", "new");
    EXPECT_EQ(headers, (TNetMailHeaders{{"A", "1"}, {"x-mailer", "new"}, {"B", "2"}}));
    SetMailHeader(headers, "X-MAILER", "");
    EXPECT_EQ(headers, (TNetMailHeaders{{"A", "1"}, {"B", "2"}}));
    SetMailHeader(headers, "C", "3");
    EXPECT_EQ(headers.back(), (std::pair<std::string, std::string>{"C", "3"}));
}

TEST(MailMessageTest, ALongRecipientListIsFoldedAt78)
{
    TNetMessage message;
    message.Recipients.SetEMailAddresses("aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org, "
                                         "eeee@example.org");
    const std::string block = message.HeaderBlock(kSummer);
    EXPECT_NE(block.find("To: aaaa@example.org, bbbb@example.org, cccc@example.org, dddd@example.org,\r\n"
                         " eeee@example.org\r\n"),
              std::string::npos)
        << block;
}

TEST(MailMessageTest, BodyIsDotStuffedLineByLine)
{
    TNetMessage message;
    message.SetBodyText(".\r\n.hidden\nplain\r\n\r\nlast");
    EXPECT_EQ(message.BodyBlock(), "..\r\n..hidden\r\nplain\r\n\r\nlast\r\n");

    // A line holding its own breaks must not be able to end the data early.
    message.Body = {"a\r\n.\r\nMAIL FROM:<x@y>", "b"};
    EXPECT_EQ(message.BodyBlock(), "a\r\n..\r\nMAIL FROM:<x@y>\r\nb\r\n");
}

TEST(MailMessageTest, LineBreaksInHeaderTextsAreRefused)
{
    const auto clean = [] {
        TNetMessage message;
        message.From.Address = "me@x.org";
        message.Recipients.Add({"", "to@x.org"});
        message.Subject = "Subject";
        return message;
    };
    EXPECT_NO_THROW(clean().CheckNoLineBreaks());

    std::vector<std::pair<std::string, TNetMessage>> faulty;
    faulty.emplace_back("subject", clean());
    faulty.back().second.Subject = "IP\r\nBcc: victim@x.org";
    faulty.emplace_back("from", clean());
    faulty.back().second.From.Address = "me@x.org>\r\nRCPT TO:<victim@x.org";
    faulty.emplace_back("recipient", clean());
    faulty.back().second.Recipients.Add({"", "b@x.org\n"});
    faulty.emplace_back("bcc", clean());
    faulty.back().second.BccList.Add({"", "b@x.org\r"});
    faulty.emplace_back("from name", clean());
    faulty.back().second.From.Name = std::string("Me\0", 3);
    faulty.emplace_back("organization", clean());
    faulty.back().second.Organization = "Org\r\nX: y";
    faulty.emplace_back("extra header", clean());
    faulty.back().second.ExtraHeaders = {{"X-A", "1\r\nX-B: 2"}};
    for (const auto &[what, message] : faulty)
        EXPECT_THROW(message.CheckNoLineBreaks(), ENetException) << what;
}
