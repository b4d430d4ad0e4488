#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "SmtpClient.h"
#include "TlsTransport.h"
#include "ScriptedServer.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace kestrune::net;

using testsupport::ActOnFirstWait;
using testsupport::ExpectRaise;
using testsupport::MillisecondsSince;
using testsupport::ScriptedServer;

namespace {

constexpr std::time_t kSentAt = 1736057228; // Sun, 5 Jan 2025 06:07:08 UTC

class SmtpDialogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC0", 1);
        tzset();
        message.from.address = "me@x.org";
        message.recipients.setEMailAddresses("a@x.org, \"Bea\" <b@y.org>");
        message.subject = "IP";
        message.setBodyText("hello");
        message.useNowForDate = false;
        message.date = kSentAt;
    }
    void TearDown() override
    {
        unsetenv("TZ");
        tzset();
    }

    // The server side of greeting and EHLO with the given EHLO reply.
    static void Greeting(ScriptedServer &server, const std::string &ehloReply)
    {
        server.Accept().Send("220 test ESMTP\r\n").ExpectLine("EHLO client.test").Send(ehloReply);
    }
    // Greeting, then the RSET every message starts with.
    static void Opening(ScriptedServer &server, const std::string &ehloReply)
    {
        Greeting(server, ehloReply);
        server.ExpectLine("RSET").Send("250 ok\r\n");
    }
    static void Login(ScriptedServer &server, const std::string &user64, const std::string &password64)
    {
        server.ExpectLine("AUTH LOGIN").Send("334 VXNlcm5hbWU6\r\n").ExpectLine(user64);
        server.Send("334 UGFzc3dvcmQ6\r\n").ExpectLine(password64).Send("235 2.7.0 ok\r\n");
    }
    // The server side of one transaction for the fixture's message, from MAIL FROM to the final reply.
    static void Envelope(ScriptedServer &server)
    {
        server.ExpectLine("MAIL FROM:<me@x.org>").Send("250 ok\r\n");
        server.ExpectLine("RCPT TO:<a@x.org>").Send("250 ok\r\n");
        server.ExpectLine("RCPT TO:<b@y.org>").Send("251 will forward\r\n");
    }
    static void Transaction(ScriptedServer &server)
    {
        Envelope(server);
        server.ExpectLine("DATA").Send("354 go ahead\r\n").ReadUntil("\r\n.\r\n").Send("250 queued\r\n");
    }
    static void Quit(ScriptedServer &server) { server.ExpectLine("QUIT").ReadUntilClose(); }

    // A client that logs in as "u" with "p" when the server offers it.
    static void LogInAsU(SmtpClient &client)
    {
        client.setAuthenticationType(SmtpAuthentication::Login);
        client.username = "u";
        client.password = "p";
    }
    // Starts the server and points the client at it.
    static void Aim(SmtpClient &client, ScriptedServer &server)
    {
        client.host = "127.0.0.1";
        client.heloName = "client.test";
        server.Start();
        client.port = server.Port();
    }
    void Connect(ScriptedServer &server)
    {
        Aim(smtp, server);
        smtp.connect(5000);
    }

    static std::string Data()
    {
        return "From: me@x.org\r\n"
               "Subject: IP\r\n"
               "To: a@x.org, \"Bea\" <b@y.org>\r\n"
               "Date: Sun, 5 Jan 2025 06:07:08 +0000\r\n"
               "X-Priority: 3\r\n"
               "X-Library: Kestrune 1.1\r\n"
               "\r\n"
               "hello\r\n"
               ".\r\n";
    }

    SmtpClient smtp;
    MailMessage message;
};

} // namespace

TEST_F(SmtpDialogueTest, LoginDialogueAndMessageAreByteExact)
{
    ScriptedServer server;
    Greeting(server, "250-test\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n");
    server.ExpectLine("RSET").Send("250 flushed\r\n");
    Login(server, "dXNlckB4Lm9yZw==", "c8OpY3JldA==");
    server.ExpectLine("MAIL FROM:<me@x.org>").Send("250 ok\r\n");
    for (const char *rcpt : {"a@x.org", "b@y.org", "cc@x.org", "hidden@x.org"})
        server.ExpectLine(std::string("RCPT TO:<") + rcpt + ">").Send("250 ok\r\n");
    server.ExpectLine("DATA").Send("354 go ahead\r\n").ReadUntil("\r\n.\r\n").Send("250 queued\r\n");
    Quit(server);

    smtp.setAuthenticationType(SmtpAuthentication::Login);
    smtp.username = "user@x.org";
    smtp.password = "sécret";
    message.ccList.setEMailAddresses("cc@x.org");
    message.bccList.setEMailAddresses("hidden@x.org");
    Connect(server);
    smtp.sendMessage(message);
    EXPECT_TRUE(smtp.didAuthenticate());
    EXPECT_EQ(smtp.greeting.numericCode, 220);
    smtp.disconnect();
    EXPECT_FALSE(smtp.didAuthenticate());

    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "EHLO client.test\r\n"
                                 "RSET\r\n"
                                 "AUTH LOGIN\r\n"
                                 "dXNlckB4Lm9yZw==\r\n"
                                 "c8OpY3JldA==\r\n"
                                 "MAIL FROM:<me@x.org>\r\n"
                                 "RCPT TO:<a@x.org>\r\n"
                                 "RCPT TO:<b@y.org>\r\n"
                                 "RCPT TO:<cc@x.org>\r\n"
                                 "RCPT TO:<hidden@x.org>\r\n"
                                 "DATA\r\n"
                                 "From: me@x.org\r\n"
                                 "Subject: IP\r\n"
                                 "To: a@x.org, \"Bea\" <b@y.org>\r\n"
                                 "Cc: cc@x.org\r\n"
                                 "Date: Sun, 5 Jan 2025 06:07:08 +0000\r\n"
                                 "X-Priority: 3\r\n"
                                 "X-Library: Kestrune 1.1\r\n"
                                 "\r\n"
                                 "hello\r\n"
                                 ".\r\n"
                                 "QUIT\r\n");
}

TEST_F(SmtpDialogueTest, AnnouncedSchemesDecideWhetherToLogIn)
{
    struct SchemeCase {
        std::string ehloReply;
        std::vector<std::string> schemes;
        std::string login; // the scheme used: LOGIN is preferred, PLAIN next, else none
    };
    const std::vector<SchemeCase> cases = {
        {"250-test\r\n250 AUTH LOGIN PLAIN\r\n", {"LOGIN", "PLAIN"}, "LOGIN"},
        {"250-test\r\n250-AUTH=LOGIN\r\n250 SIZE 100\r\n", {"LOGIN"}, "LOGIN"},
        {"250-test\r\n250-AUTH PLAIN CRAM-MD5\r\n250-auth=login\r\n250 AUTH LOGIN\r\n", {"PLAIN", "CRAM-MD5", "LOGIN"}, "LOGIN"},
        {"250-test\r\n250 AUTH PLAIN\r\n", {"PLAIN"}, "PLAIN"},
        {"250-test\r\n250 AUTH CRAM-MD5 plain\r\n", {"CRAM-MD5", "PLAIN"}, "PLAIN"},
        {"250 test\r\n", {}, ""},
        {"250-test\r\n250 AUTHENTICATE LOGIN\r\n", {}, ""},
    };
    for (const auto &c : cases) {
        ScriptedServer server;
        Opening(server, c.ehloReply);
        if (c.login == "LOGIN")
            Login(server, "dQ==", "cA==");
        if (c.login == "PLAIN")
            server.ExpectLine("AUTH PLAIN AHUAcA==").Send("235 2.7.0 ok\r\n");
        Transaction(server);
        Quit(server);

        SmtpClient client;
        LogInAsU(client);
        server.SetReadLimit(3000);
        Aim(client, server);
        // A client that strays from the script meets a closed connection and fails this case only.
        try {
            client.connect(5000);
            EXPECT_EQ(client.authSchemesSupported(), c.schemes) << c.ehloReply;
            client.sendMessage(message);
            EXPECT_EQ(client.didAuthenticate(), !c.login.empty()) << c.ehloReply;
            client.disconnect();
        } catch (const NetworkError &e) {
            ADD_FAILURE() << c.ehloReply << e.what();
        }
        EXPECT_TRUE(server.Finish()) << c.ehloReply << server.ErrorText();
    }
}

TEST_F(SmtpDialogueTest, EhloRefusedFallsBackToHeloWithoutLogin)
{
    ScriptedServer server;
    Greeting(server, "500 5.5.1 unknown command\r\n");
    server.ExpectLine("HELO client.test").Send("250 hello\r\n");
    server.ExpectLine("RSET").Send("250 ok\r\n");
    Transaction(server);
    Quit(server);

    LogInAsU(smtp);
    Connect(server);
    smtp.sendMessage(message);
    EXPECT_FALSE(smtp.didAuthenticate());
    EXPECT_TRUE(smtp.authSchemesSupported().empty());
    smtp.disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "EHLO client.test\r\nHELO client.test\r\nRSET\r\nMAIL FROM:<me@x.org>\r\n"
                                 "RCPT TO:<a@x.org>\r\nRCPT TO:<b@y.org>\r\nDATA\r\n" +
                                     Data() + "QUIT\r\n");
}

TEST_F(SmtpDialogueTest, ARefusedRecipientStopsTheTransaction)
{
    ScriptedServer server;
    Opening(server, "250 test\r\n");
    server.ExpectLine("MAIL FROM:<me@x.org>").Send("250 ok\r\n");
    server.ExpectLine("RCPT TO:<a@x.org>").Send("550 5.1.1 no such user\r\n");
    Quit(server);

    Connect(server);
    if (const auto e = ExpectRaise<ReplyError>([&] { smtp.sendMessage(message); },
                                                           "5.1.1 no such user\r\n")) {
        EXPECT_EQ(e->replyErrorCode, 550);
    }
    EXPECT_TRUE(smtp.isConnected());
    smtp.disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "EHLO client.test\r\nRSET\r\nMAIL FROM:<me@x.org>\r\nRCPT TO:<a@x.org>\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, EachStepRefusesOtherReplyCodes)
{
    struct StepCase {
        std::string name;
        std::function<void(ScriptedServer &)> script; // up to and including the refusal
        int code;
        bool stillConnected;
    };
    const std::vector<StepCase> cases = {
        {"greeting", [](ScriptedServer &s) { s.Accept().Send("554 go away\r\n"); }, 554, false},
        {"HELO",
         [](ScriptedServer &s) {
             Greeting(s, "502 no\r\n");
             s.ExpectLine("HELO client.test").Send("501 bad name\r\n");
         },
         501, false},
        {"AUTH LOGIN",
         [](ScriptedServer &s) {
             Opening(s, "250 AUTH LOGIN\r\n");
             s.ExpectLine("AUTH LOGIN").Send("504 not now\r\n");
         },
         504, true},
        {"password",
         [](ScriptedServer &s) {
             Opening(s, "250 AUTH LOGIN\r\n");
             s.ExpectLine("AUTH LOGIN").Send("334 x\r\n").ExpectLine("dQ==").Send("334 y\r\n");
             s.ExpectLine("cA==").Send("535 5.7.8 bad credentials\r\n");
         },
         535, true},
        {"MAIL FROM",
         [](ScriptedServer &s) {
             Opening(s, "250 test\r\n");
             s.ExpectLine("MAIL FROM:<me@x.org>").Send("553 sender refused\r\n");
         },
         553, true},
        {"DATA",
         [](ScriptedServer &s) {
             Opening(s, "250 test\r\n");
             Envelope(s);
             s.ExpectLine("DATA").Send("250 not 354\r\n");
         },
         250, true},
        {"final dot",
         [](ScriptedServer &s) {
             Opening(s, "250 test\r\n");
             Envelope(s);
             s.ExpectLine("DATA").Send("354 go\r\n").ReadUntil("\r\n.\r\n").Send("552 too big\r\n");
         },
         552, true},
    };
    for (const auto &c : cases) {
        ScriptedServer server;
        c.script(server);
        if (c.stillConnected)
            server.ExpectLine("QUIT");
        server.ReadUntilClose();
        SmtpClient client;
        LogInAsU(client);
        Aim(client, server);
        try {
            client.connect(5000);
            client.sendMessage(message);
            ADD_FAILURE() << c.name << " accepted";
        } catch (const ReplyError &e) {
            EXPECT_EQ(e.replyErrorCode, c.code) << c.name;
        }
        EXPECT_EQ(client.isConnected(), c.stillConnected) << c.name;
        client.disconnect();
        EXPECT_TRUE(server.Finish()) << c.name << ": " << server.ErrorText();
    }
}

TEST_F(SmtpDialogueTest, LineBreaksAreRefusedBeforeTheTransactionStarts)
{
    const std::vector<std::pair<std::string, std::function<void(SmtpClient &, MailMessage &)>>> cases = {
        {"subject", [](SmtpClient &, MailMessage &m) { m.subject = "IP\r\nBcc: victim@x.org"; }},
        {"recipient", [](SmtpClient &, MailMessage &m) { m.recipients.add({"", "a@x.org>\r\nRCPT TO:<victim@x.org"}); }},
        {"sender", [](SmtpClient &, MailMessage &m) { m.from.address = "me@x.org\nDATA"; }},
        {"user name", [](SmtpClient &c, MailMessage &) { c.username = "u\r\nQUIT"; }},
    };
    for (const auto &[name, spoil] : cases) {
        ScriptedServer server;
        Greeting(server, "250 AUTH LOGIN\r\n");
        Quit(server);
        SmtpClient client;
        MailMessage faulty = message;
        LogInAsU(client);
        spoil(client, faulty);
        Aim(client, server);
        client.connect(5000);
        EXPECT_THROW(client.sendMessage(faulty), NetworkError) << name;
        client.disconnect();
        ASSERT_TRUE(server.Finish()) << name << ": " << server.ErrorText();
        EXPECT_EQ(server.Received(), "EHLO client.test\r\nQUIT\r\n") << name;
    }
}

TEST_F(SmtpDialogueTest, BodyLinesStartingWithADotAreStuffedOnTheWire)
{
    ScriptedServer server;
    Opening(server, "250 test\r\n");
    Transaction(server);
    Quit(server);
    message.setBodyText(".\r\n.hidden\r\n..two\r\nend.");
    Connect(server);
    smtp.sendMessage(message);
    smtp.disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_NE(server.Received().find("X-Library: Kestrune 1.1\r\n\r\n..\r\n..hidden\r\n...two\r\nend.\r\n.\r\nQUIT\r\n"),
              std::string::npos)
        << server.Received();
}

TEST_F(SmtpDialogueTest, ASecondMessageOnTheConnectionDoesNotLogInAgain)
{
    ScriptedServer server;
    Opening(server, "250 AUTH LOGIN\r\n");
    Login(server, "dQ==", "cA==");
    Transaction(server);
    server.ExpectLine("RSET").Send("250 ok\r\n");
    Transaction(server);
    Quit(server);
    LogInAsU(smtp);
    Connect(server);
    smtp.sendMessage(message);
    smtp.sendMessage(message);
    smtp.disconnect();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(SmtpDialogueTest, TheTimeLimitEndsAWaitForASilentServer)
{
    struct SilentCase {
        std::string name;
        std::function<void(ScriptedServer &)> script;
    };
    const std::vector<SilentCase> cases = {
        {"no greeting", [](ScriptedServer &s) { s.Accept().StaySilent(); }},
        {"no EHLO reply", [](ScriptedServer &s) { s.Accept().Send("220 hi\r\n").ExpectLine("EHLO client.test").StaySilent(); }},
    };
    for (const auto &c : cases) {
        ScriptedServer server;
        c.script(server);
        SmtpClient client;
        Aim(client, server);
        client.setTimeLimit(400);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(client.connect(5000), ReadTimeoutError) << c.name;
        const long long elapsed = MillisecondsSince(start);
        EXPECT_GE(elapsed, 350) << c.name;
        EXPECT_LT(elapsed, 3000) << c.name;
        EXPECT_FALSE(client.isConnected()) << c.name;
        EXPECT_TRUE(server.Finish()) << c.name << ": " << server.ErrorText();
    }
}

TEST_F(SmtpDialogueTest, TheClientRefusesToBeEnteredWhileItWaits)
{
    ScriptedServer server;
    Opening(server, "250 test\r\n");
    Transaction(server);
    Quit(server);
    Connect(server);

    NetworkWait antiFreeze;
    ActOnFirstWait hook;
    bool refused = false;
    hook.during = [&] {
        try {
            smtp.sendMessage(message);
        } catch (const ClientBusyError &) {
            refused = true;
        }
    };
    NetworkWait::installHook(&hook);
    EXPECT_NO_THROW(smtp.sendMessage(message));
    NetworkWait::installHook(nullptr);
    EXPECT_TRUE(refused);
    smtp.disconnect();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(SmtpDialogueTest, StartTlsIsRequiredAndPlainTextBehindItsReplyRefused)
{
    // Not offered: the client stops before any command that could carry the mail or a password.
    ScriptedServer refused;
    Greeting(refused, "250-test\r\n250 AUTH LOGIN\r\n");
    refused.ReadUntilClose();
    // Offered, but a reply smuggled in behind the go-ahead would later pass for a protected one.
    ScriptedServer injected;
    Greeting(injected, "250-test\r\n250 STARTTLS\r\n");
    injected.ExpectLine("STARTTLS").Send("220 go ahead\r\n250 injected\r\n").ReadUntilClose();
    const std::vector<std::pair<ScriptedServer *, std::string>> cases = {
        {&refused, "The server does not offer STARTTLS; the mail was not sent in plain text."},
        {&injected, "The server sent data before the TLS handshake; the connection was closed."}};
    for (const auto &[server, error] : cases) {
        TlsTransport tls;
        tls.passThrough = true;
        SmtpClient client;
        client.setTransport(&tls);
        client.requireStartTls = true;
        Aim(client, *server);
        ExpectRaise<NetworkError>([&] { client.connect(5000); }, error.c_str());
        EXPECT_FALSE(client.isConnected());
        EXPECT_TRUE(server->Finish()) << server->ErrorText();
    }
}

TEST(SmtpSettingsTest, LoginSwitchesEhloOnAndNoEhloSwitchesLoginOff)
{
    SmtpClient smtp;
    EXPECT_EQ(smtp.port, 25);
    EXPECT_TRUE(smtp.useEhlo());
    EXPECT_EQ(smtp.authenticationType(), SmtpAuthentication::None);
    smtp.setUseEhlo(false);
    smtp.setAuthenticationType(SmtpAuthentication::Login);
    EXPECT_TRUE(smtp.useEhlo());
    smtp.setUseEhlo(false);
    EXPECT_EQ(smtp.authenticationType(), SmtpAuthentication::None);
}
