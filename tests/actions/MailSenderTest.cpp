#include "MailDate.h"
#include "NetworkTexts.h"
#include "NginxServer.h"
#include "ScriptedServer.h"
#include "SmtpServer.h"
#include "TestCertificates.h"
#include "Waiting.h"
#include "MailSender.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

using namespace kestrune::actions;
using namespace kestrune::net;

using testsupport::ActOnFirstWait;
using testsupport::MillisecondsSince;
using testsupport::NginxServer;
using testsupport::ScriptedServer;
using testsupport::TestCertificates;
using testsupport::TrustTestAuthority;

namespace {

class WebmailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC0", 1);
        tzset();
        std::setlocale(LC_TIME, "C");
        settings.smtpServer = "127.0.0.1";
        settings.from = "kestrune@home.example";
        settings.to = "a@x.org";
        settings.subject = "New IP";
    }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }

    MailSendResult Send(std::string_view text)
    {
        before = std::time(nullptr);
        const MailSendResult result = webmail.send(settings, text);
        after = std::time(nullptr);
        return result;
    }

    // The stored data with its two clock-dependent lines checked against the time of sending and
    // replaced by markers, so the rest can be compared byte for byte.
    std::string WithoutClock(std::string data) const
    {
        bool dateHeader = false;
        bool dateLine = false;
        for (std::time_t t = before; t <= after; ++t) {
            const std::string header = "Date: " + mailcoding::dateHeaderText(t) + "\r\n";
            if (const auto pos = data.find(header); !dateHeader && pos != std::string::npos) {
                data.replace(pos, header.size(), "Date: <sent>\r\n");
                dateHeader = true;
            }
            const std::string line = "\r\n\r\n" + webmailDateLine(t) + "\r\n";
            if (const auto pos = data.find(line); !dateLine && pos != std::string::npos) {
                data.replace(pos, line.size(), "\r\n\r\n<composed>\r\n");
                dateLine = true;
            }
        }
        EXPECT_TRUE(dateHeader && dateLine) << data;
        return data;
    }

    MailSenderSettings settings;
    MailSender webmail;
    std::time_t before = 0;
    std::time_t after = 0;
};

} // namespace

TEST_F(WebmailTest, APlainMailWithLoginReachesEveryRecipient)
{
    SmtpServer server({false, "mailuser", "pa ss"});
    settings.portText = std::to_string(server.Port());
    settings.to = "a@x.org, Bea Lee <b@y.org>; c@z.org";
    settings.subject = "IP-Adresse geändert";
    settings.loginRequired = true;
    settings.user = "mailuser";
    settings.password = "pa ss";

    const MailSendResult result = Send("198.51.100.7\r\n.dot line");
    EXPECT_TRUE(result.sent) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_FALSE(webmail.smtp.isConnected());

    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>", "RCPT TO:<a@x.org>",
                                                            "RCPT TO:<b@y.org>", "RCPT TO:<c@z.org>", "LOGIN mailuser"}));
    EXPECT_EQ(WithoutClock(stored[0].Data), "From: kestrune@home.example\r\n"
                                            "Subject: IP-Adresse =?UTF-8?Q?ge=C3=A4ndert?=\r\n"
                                            "To: a@x.org, \"Bea Lee\" <b@y.org>, c@z.org\r\n"
                                            "Date: <sent>\r\n"
                                            "X-Priority: 3\r\n"
                                            "X-Library: Kestrune 1.1\r\n"
                                            "\r\n"
                                            "<composed>\r\n"
                                            "Kestrune IP-check has detected the following IP address: \r\n"
                                            "198.51.100.7\r\n"
                                            ".dot line\r\n"
                                            "-----------------------------------\r\n");
}

TEST_F(WebmailTest, ATlsMailGoesToTheRecipientsOfEachCall)
{
    const TrustTestAuthority trust;
    SmtpServer::Options options;
    options.Tls = true;
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    SmtpServer server(options);
    settings.portText = std::to_string(server.Port());
    settings.ssl = true;
    EXPECT_TRUE(Send(webmailTestText("203.0.113.9")).sent);
    settings.to = "second@x.org";
    EXPECT_TRUE(Send(webmailTestText("203.0.113.10")).sent);

    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>", "RCPT TO:<second@x.org>"}));
    EXPECT_NE(stored[0].Data.find("\r\nTest message. IP address: 203.0.113.9\r\n"), std::string::npos) << stored[0].Data;
    EXPECT_NE(stored[1].Data.find("\r\nTo: second@x.org\r\n"), std::string::npos) << stored[1].Data;
}

TEST_F(WebmailTest, AStartTlsMailLogsInWithPlainOnlyAfterTheHandshake)
{
    const TrustTestAuthority trust;
    SmtpServer::Options options;
    options.StartTls = true;
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    options.User = "mailuser";
    options.Password = "pa ss";
    options.Mechanism = "PLAIN";
    SmtpServer server(options);
    settings.smtpServer = "localhost";
    settings.portText = std::to_string(server.Port());
    settings.startTls = true;
    settings.loginRequired = true;
    settings.user = "mailuser";
    settings.password = "pa ss";
    const MailSendResult result = Send(webmailTestText("203.0.113.9"));
    EXPECT_TRUE(result.sent) << result.error;

    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>", "RCPT TO:<a@x.org>",
                                                            "PLAIN mailuser"}));
}

TEST_F(WebmailTest, AnUntrustedCertificateStopsTheMailUnlessAnyIsAccepted)
{
    const TrustTestAuthority trust;
    SmtpServer::Options options;
    options.StartTls = true;
    SmtpServer selfSigned(options); // a certificate of its own that nobody trusts
    options.StartTls = false;
    options.Tls = true;
    SmtpServer implicit(options);
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    SmtpServer trusted(options);
    struct CertCase {
        const SmtpServer &server;
        bool startTls;
        std::string host;
        bool anyCertificate;
        std::string error; // empty: sent
    };
    const std::vector<CertCase> cases = {
        {selfSigned, true, "localhost", false, "certificate verify failed: self-signed certificate"},
        {implicit, false, "127.0.0.1", false, "certificate verify failed: self-signed certificate"},
        {selfSigned, true, "localhost", true, ""},
        {implicit, false, "127.0.0.1", true, ""},
        {trusted, false, "127.0.0.1", false, ""},
    };
    std::size_t sent = 0;
    for (const auto &c : cases) {
        settings.smtpServer = c.host;
        settings.portText = std::to_string(c.server.Port());
        settings.startTls = c.startTls;
        settings.ssl = !c.startTls;
        settings.anyCertificate = c.anyCertificate;
        const MailSendResult result = Send("1.2.3.4");
        EXPECT_EQ(result.error, c.error) << c.host << c.anyCertificate;
        sent += result.sent ? 1 : 0;
    }
    EXPECT_EQ(selfSigned.Stored().size() + implicit.Stored().size() + trusted.Stored().size(), sent);
    EXPECT_EQ(sent, 3u);
}

TEST_F(WebmailTest, AnEightBitBodyIsLabelledUtf8)
{
    SmtpServer server({false, "", ""});
    settings.portText = std::to_string(server.Port());
    ASSERT_TRUE(Send(webmailLookupErrorText("Zeitüberschreitung")).sent);
    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 1u);
    const std::string data = WithoutClock(stored[0].Data);
    EXPECT_NE(data.find("To: a@x.org\r\n"
                        "Content-Type: text/plain;\r\n"
                        "\tcharset=\"UTF-8\"\r\n"
                        "Content-Transfer-Encoding: 8bit\r\n"
                        "Date: <sent>\r\n"
                        "X-Priority: 3\r\n"
                        "X-Library: Kestrune 1.1\r\n"
                        "MIME-Version: 1.0\r\n\r\n"),
              std::string::npos)
        << data;
    EXPECT_NE(data.find("\r\nThe Lookup Service has reported an error: Zeitüberschreitung\r\n"), std::string::npos);
}

TEST_F(WebmailTest, FailuresComeBackInsteadOfBeingRaised)
{
    SmtpServer loginServer({false, "mailuser", "right"});
    SmtpServer plainServer({false, "", ""});
    struct FailCase {
        std::string name;
        std::function<void(MailSenderSettings &)> set;
        std::string error;
    };
    const std::vector<FailCase> cases = {
        {"wrong password",
         [&](MailSenderSettings &s) {
             s.portText = std::to_string(loginServer.Port());
             s.loginRequired = true;
             s.user = "mailuser";
             s.password = "wrong";
         },
         "5.7.8 Authentication credentials invalid\r\n"},
        {"TLS against a plain server", [&](MailSenderSettings &s) {
             s.portText = std::to_string(plainServer.Port());
             s.ssl = true;
         },
         "Error connecting with SSL."},
        {"STARTTLS against a server without it", [&](MailSenderSettings &s) {
             s.portText = std::to_string(loginServer.Port());
             s.startTls = true;
             s.loginRequired = true;
             s.user = "mailuser";
             s.password = "right";
         },
         "The server does not offer STARTTLS; the mail was not sent in plain text."},
        {"unreadable recipients", [&](MailSenderSettings &s) {
             s.portText = std::to_string(plainServer.Port());
             s.to = "<a@x.org> b@y.org";
         },
         "@ Outside address"},
        {"nothing listens", [&](MailSenderSettings &s) { s.portText = std::to_string(NginxServer::FreePort()); },
         "Socket Error # 10061\r\nConnection refused."},
        {"line break in the subject", [&](MailSenderSettings &s) {
             s.portText = std::to_string(plainServer.Port());
             s.subject = "IP\r\nBcc: victim@x.org";
         },
         "Line break or NUL in mail subject."},
    };
    for (const auto &c : cases) {
        MailSenderSettings attempt = settings;
        c.set(attempt);
        MailSendResult result;
        EXPECT_NO_THROW(result = webmail.send(attempt, "1.2.3.4")) << c.name;
        EXPECT_FALSE(result.sent) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_FALSE(webmail.smtp.isConnected()) << c.name;
    }
    EXPECT_TRUE(loginServer.Stored().empty());
    EXPECT_TRUE(plainServer.Stored().empty());
}

TEST_F(WebmailTest, AConnectionLeftOpenByAFailureIsClosedWithQuit)
{
    ScriptedServer server;
    server.Accept().Send("220 hi\r\n").ReadLine().Send("250 hi\r\n").ExpectLine("RSET").Send("250 ok\r\n");
    server.ExpectLine("MAIL FROM:<kestrune@home.example>").Send("250 ok\r\n");
    server.ExpectLine("RCPT TO:<a@x.org>").Send("550 unknown\r\n").ExpectLine("QUIT").ReadUntilClose();
    server.Start();
    settings.portText = std::to_string(server.Port());
    const MailSendResult result = Send("1.2.3.4");
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.error, "unknown\r\n");
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

// A server that accepts and then stays silent: plain, it meets the send limit; with TLS the handshake
// meets the five-second connect limit.
TEST_F(WebmailTest, ASilentServerHoldsTheMailNoLongerThanTheLimit)
{
    struct SilentCase {
        bool tls;
        int sendLimitMs;
        std::string error;
        long long atLeastMs, belowMs;
    };
    const SilentCase cases[] = {
        {false, 500, "Read Timeout", 450, 3000},
        {true, webmail.sendTimeLimitMs, "Connect timed out.", 4900, 7000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        ScriptedServer server;
        server.Accept().StaySilent();
        server.Start();
        settings.portText = std::to_string(server.Port());
        settings.ssl = c.tls;
        webmail.sendTimeLimitMs = c.sendLimitMs;
        const auto start = std::chrono::steady_clock::now();
        const MailSendResult result = Send("1.2.3.4");
        const long long elapsed = MillisecondsSince(start);
        EXPECT_FALSE(result.sent);
        EXPECT_EQ(result.error, c.error);
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);
        EXPECT_FALSE(webmail.smtp.isConnected());
        EXPECT_TRUE(server.Finish()) << server.ErrorText();
    }
}

TEST_F(WebmailTest, ASecondMailWhileOneWaitsIsRefused)
{
    SmtpServer server({false, "", ""});
    settings.portText = std::to_string(server.Port());
    NetworkWait antiFreeze;
    ActOnFirstWait hook;
    MailSendResult inner;
    hook.during = [&] {
        MailSenderSettings other = settings;
        other.smtpServer = "other.invalid";
        inner = webmail.send(other, "inner");
    };
    NetworkWait::installHook(&hook);
    const MailSendResult outer = Send("outer");
    NetworkWait::installHook(nullptr);
    EXPECT_TRUE(outer.sent) << outer.error;
    EXPECT_FALSE(inner.sent);
    EXPECT_EQ(inner.error, texts::kClientBusy);
    ASSERT_EQ(server.Stored().size(), 1u);
    EXPECT_NE(server.Stored()[0].Data.find("\r\nouter\r\n"), std::string::npos);
}

TEST(WebmailFieldsTest, PortTextGivesTheNumberOr25)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"25", 25}, {"465", 465}, {"587", 587}, {" 2525 ", 2525}, {"abc", 25}, {"", 25},
        {"12ab", 25}, {"0", 25}, {"-1", 25}, {"65535", 65535}, {"65536", 25}, {"99999999999999999999", 25},
    };
    for (const auto &[text, port] : cases)
        EXPECT_EQ(webmailPort(text), port) << text;
}

TEST(WebmailFieldsTest, TheTestButtonShowsOnlyTheLastFailedCheck)
{
    struct CheckCase {
        std::string name;
        MailSenderSettings settings;
        std::string message;
    };
    auto make = [](std::string to, std::string server, bool login, std::string user, std::string password) {
        MailSenderSettings s;
        s.to = std::move(to);
        s.smtpServer = std::move(server);
        s.loginRequired = login;
        s.user = std::move(user);
        s.password = std::move(password);
        return s;
    };
    const std::vector<CheckCase> cases = {
        {"all set", make("a@x.org", "smtp", true, "u", "p"), ""},
        {"no recipient", make("", "smtp", false, "", ""), "A To: address needs to be specified."},
        {"no recipient, no server", make("", "", false, "", ""), "An SMTP server needs to be specified."},
        {"no user", make("a@x.org", "smtp", true, "", "p"), "Username needs to be specified."},
        {"no user, no password", make("a@x.org", "smtp", true, "", ""), "Password needs to be specified."},
        {"no login asked", make("a@x.org", "smtp", false, "", ""), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(webmailFieldCheckMessage(c.settings), c.message) << c.name;
    EXPECT_EQ(webmailDefaultPortText(true), "465");
    EXPECT_EQ(webmailDefaultPortText(false), "25");
    EXPECT_EQ(webmailDefaultPortText(false, true), "587");
    EXPECT_EQ(webmailDefaultPortText(true, true), "465");
}

TEST(WebmailFieldsTest, TheBodyHasFourLines)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(webmailBodyText("1.2.3.4", 1736057228), "Sun 05 Jan  06:07:08\r\n"
                                                      "Kestrune IP-check has detected the following IP address: \r\n"
                                                      "1.2.3.4\r\n"
                                                      "-----------------------------------");
    EXPECT_EQ(webmailTestText("1.2.3.4"), "Test message. IP address: 1.2.3.4");
    EXPECT_EQ(webmailLookupErrorText("Read Timeout"), "The Lookup Service has reported an error: Read Timeout");
    unsetenv("TZ");
    tzset();
}
