#include "NetMailDate.h"
#include "NetMessages.h"
#include "NginxServer.h"
#include "ScriptedServer.h"
#include "SmtpServer.h"
#include "TestCertificates.h"
#include "Waiting.h"
#include "Webmail.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

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
        settings.SMTPServer = "127.0.0.1";
        settings.From = "kestrune@home.example";
        settings.To = "a@x.org";
        settings.Subject = "New IP";
    }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }

    TWebmailResult Send(std::string_view text)
    {
        before = std::time(nullptr);
        const TWebmailResult result = webmail.SendWebmail(settings, text);
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
            const std::string header = "Date: " + NetMail::DateHeaderText(t) + "\r\n";
            if (const auto pos = data.find(header); !dateHeader && pos != std::string::npos) {
                data.replace(pos, header.size(), "Date: <sent>\r\n");
                dateHeader = true;
            }
            const std::string line = "\r\n\r\n" + WebmailDateLine(t) + "\r\n";
            if (const auto pos = data.find(line); !dateLine && pos != std::string::npos) {
                data.replace(pos, line.size(), "\r\n\r\n<composed>\r\n");
                dateLine = true;
            }
        }
        EXPECT_TRUE(dateHeader && dateLine) << data;
        return data;
    }

    TWebmailSettings settings;
    TWebmail webmail;
    std::time_t before = 0;
    std::time_t after = 0;
};

} // namespace

TEST_F(WebmailTest, APlainMailWithLoginReachesEveryRecipient)
{
    TSmtpServer server({false, "mailuser", "pa ss"});
    settings.PortText = std::to_string(server.Port());
    settings.To = "a@x.org, Bea Lee <b@y.org>; c@z.org";
    settings.Subject = "IP-Adresse geändert";
    settings.LoginRequired = true;
    settings.User = "mailuser";
    settings.Password = "pa ss";

    const TWebmailResult result = Send("198.51.100.7\r\n.dot line");
    EXPECT_TRUE(result.Sent) << result.Error;
    EXPECT_EQ(result.Error, "");
    EXPECT_FALSE(webmail.SMTP.IsConnected());

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
    TSmtpServer::TOptions options;
    options.Tls = true;
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    TSmtpServer server(options);
    settings.PortText = std::to_string(server.Port());
    settings.SSL = true;
    EXPECT_TRUE(Send(WebmailTestText("203.0.113.9")).Sent);
    settings.To = "second@x.org";
    EXPECT_TRUE(Send(WebmailTestText("203.0.113.10")).Sent);

    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>", "RCPT TO:<second@x.org>"}));
    EXPECT_NE(stored[0].Data.find("\r\nTest message. IP address: 203.0.113.9\r\n"), std::string::npos) << stored[0].Data;
    EXPECT_NE(stored[1].Data.find("\r\nTo: second@x.org\r\n"), std::string::npos) << stored[1].Data;
}

TEST_F(WebmailTest, AStartTlsMailLogsInWithPlainOnlyAfterTheHandshake)
{
    const TrustTestAuthority trust;
    TSmtpServer::TOptions options;
    options.StartTls = true;
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    options.User = "mailuser";
    options.Password = "pa ss";
    options.Mechanism = "PLAIN";
    TSmtpServer server(options);
    settings.SMTPServer = "localhost";
    settings.PortText = std::to_string(server.Port());
    settings.StartTLS = true;
    settings.LoginRequired = true;
    settings.User = "mailuser";
    settings.Password = "pa ss";
    const TWebmailResult result = Send(WebmailTestText("203.0.113.9"));
    EXPECT_TRUE(result.Sent) << result.Error;

    const auto stored = server.Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].Envelope, (std::vector<std::string>{"MAIL FROM:<kestrune@home.example>", "RCPT TO:<a@x.org>",
                                                            "PLAIN mailuser"}));
}

TEST_F(WebmailTest, AnUntrustedCertificateStopsTheMailUnlessAnyIsAccepted)
{
    const TrustTestAuthority trust;
    TSmtpServer::TOptions options;
    options.StartTls = true;
    TSmtpServer selfSigned(options); // a certificate of its own that nobody trusts
    options.StartTls = false;
    options.Tls = true;
    TSmtpServer implicit(options);
    options.CertFile = TestCertificates::get().serverCert();
    options.KeyFile = TestCertificates::get().serverKey();
    TSmtpServer trusted(options);
    struct CertCase {
        const TSmtpServer &server;
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
        settings.SMTPServer = c.host;
        settings.PortText = std::to_string(c.server.Port());
        settings.StartTLS = c.startTls;
        settings.SSL = !c.startTls;
        settings.AnyCertificate = c.anyCertificate;
        const TWebmailResult result = Send("1.2.3.4");
        EXPECT_EQ(result.Error, c.error) << c.host << c.anyCertificate;
        sent += result.Sent ? 1 : 0;
    }
    EXPECT_EQ(selfSigned.Stored().size() + implicit.Stored().size() + trusted.Stored().size(), sent);
    EXPECT_EQ(sent, 3u);
}

TEST_F(WebmailTest, AnEightBitBodyIsLabelledUtf8)
{
    TSmtpServer server({false, "", ""});
    settings.PortText = std::to_string(server.Port());
    ASSERT_TRUE(Send(WebmailLookupErrorText("Zeitüberschreitung")).Sent);
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
    TSmtpServer loginServer({false, "mailuser", "right"});
    TSmtpServer plainServer({false, "", ""});
    struct FailCase {
        std::string name;
        std::function<void(TWebmailSettings &)> set;
        std::string error;
    };
    const std::vector<FailCase> cases = {
        {"wrong password",
         [&](TWebmailSettings &s) {
             s.PortText = std::to_string(loginServer.Port());
             s.LoginRequired = true;
             s.User = "mailuser";
             s.Password = "wrong";
         },
         "5.7.8 Authentication credentials invalid\r\n"},
        {"TLS against a plain server", [&](TWebmailSettings &s) {
             s.PortText = std::to_string(plainServer.Port());
             s.SSL = true;
         },
         "Error connecting with SSL."},
        {"STARTTLS against a server without it", [&](TWebmailSettings &s) {
             s.PortText = std::to_string(loginServer.Port());
             s.StartTLS = true;
             s.LoginRequired = true;
             s.User = "mailuser";
             s.Password = "right";
         },
         "The server does not offer STARTTLS; the mail was not sent in plain text."},
        {"unreadable recipients", [&](TWebmailSettings &s) {
             s.PortText = std::to_string(plainServer.Port());
             s.To = "<a@x.org> b@y.org";
         },
         "@ Outside address"},
        {"nothing listens", [&](TWebmailSettings &s) { s.PortText = std::to_string(NginxServer::FreePort()); },
         "Socket Error # 10061\r\nConnection refused."},
        {"line break in the subject", [&](TWebmailSettings &s) {
             s.PortText = std::to_string(plainServer.Port());
             s.Subject = "IP\r\nBcc: victim@x.org";
         },
         "Line break or NUL in mail subject."},
    };
    for (const auto &c : cases) {
        TWebmailSettings attempt = settings;
        c.set(attempt);
        TWebmailResult result;
        EXPECT_NO_THROW(result = webmail.SendWebmail(attempt, "1.2.3.4")) << c.name;
        EXPECT_FALSE(result.Sent) << c.name;
        EXPECT_EQ(result.Error, c.error) << c.name;
        EXPECT_FALSE(webmail.SMTP.IsConnected()) << c.name;
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
    settings.PortText = std::to_string(server.Port());
    const TWebmailResult result = Send("1.2.3.4");
    EXPECT_FALSE(result.Sent);
    EXPECT_EQ(result.Error, "unknown\r\n");
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
        {true, webmail.SendTimeLimitMs, "Connect timed out.", 4900, 7000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        ScriptedServer server;
        server.Accept().StaySilent();
        server.Start();
        settings.PortText = std::to_string(server.Port());
        settings.SSL = c.tls;
        webmail.SendTimeLimitMs = c.sendLimitMs;
        const auto start = std::chrono::steady_clock::now();
        const TWebmailResult result = Send("1.2.3.4");
        const long long elapsed = MillisecondsSince(start);
        EXPECT_FALSE(result.Sent);
        EXPECT_EQ(result.Error, c.error);
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);
        EXPECT_FALSE(webmail.SMTP.IsConnected());
        EXPECT_TRUE(server.Finish()) << server.ErrorText();
    }
}

TEST_F(WebmailTest, ASecondMailWhileOneWaitsIsRefused)
{
    TSmtpServer server({false, "", ""});
    settings.PortText = std::to_string(server.Port());
    TNetAntiFreeze antiFreeze;
    ActOnFirstWait hook;
    TWebmailResult inner;
    hook.during = [&] {
        TWebmailSettings other = settings;
        other.SMTPServer = "other.invalid";
        inner = webmail.SendWebmail(other, "inner");
    };
    TNetAntiFreeze::InstallHook(&hook);
    const TWebmailResult outer = Send("outer");
    TNetAntiFreeze::InstallHook(nullptr);
    EXPECT_TRUE(outer.Sent) << outer.Error;
    EXPECT_FALSE(inner.Sent);
    EXPECT_EQ(inner.Error, NetMsg::ClientBusy);
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
        EXPECT_EQ(WebmailPort(text), port) << text;
}

TEST(WebmailFieldsTest, TheTestButtonShowsOnlyTheLastFailedCheck)
{
    struct CheckCase {
        std::string name;
        TWebmailSettings settings;
        std::string message;
    };
    auto make = [](std::string to, std::string server, bool login, std::string user, std::string password) {
        TWebmailSettings s;
        s.To = std::move(to);
        s.SMTPServer = std::move(server);
        s.LoginRequired = login;
        s.User = std::move(user);
        s.Password = std::move(password);
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
        EXPECT_EQ(WebmailFieldCheckMessage(c.settings), c.message) << c.name;
    EXPECT_EQ(WebmailDefaultPortText(true), "465");
    EXPECT_EQ(WebmailDefaultPortText(false), "25");
    EXPECT_EQ(WebmailDefaultPortText(false, true), "587");
    EXPECT_EQ(WebmailDefaultPortText(true, true), "465");
}

TEST(WebmailFieldsTest, TheBodyHasFourLines)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(WebmailBodyText("1.2.3.4", 1736057228), "Sun 05 Jan  06:07:08\r\n"
                                                      "Kestrune IP-check has detected the following IP address: \r\n"
                                                      "1.2.3.4\r\n"
                                                      "-----------------------------------");
    EXPECT_EQ(WebmailTestText("1.2.3.4"), "Test message. IP address: 1.2.3.4");
    EXPECT_EQ(WebmailLookupErrorText("Read Timeout"), "The Lookup Service has reported an error: Read Timeout");
    unsetenv("TZ");
    tzset();
}
