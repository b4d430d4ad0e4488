#include "NetExceptions.h"
#include "NetMessages.h"
#include "NetSMTP.h"
#include "NetSSLIOHandlerSocket.h"
#include "NetTCPConnection.h"
#include "ScriptedServer.h"
#include "SmtpServer.h"
#include "TempDir.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <fcntl.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

using testsupport::ExpectRaise;
using testsupport::MillisecondsSince;
using testsupport::ScriptedServer;
using testsupport::TempDir;

namespace {

// One certificate for the whole run; made by the openssl command, never kept.
class TestCertificate {
public:
    static const TestCertificate &Get()
    {
        static const TestCertificate certificate;
        return certificate;
    }
    std::string Cert() const { return fFolder.File("cert.pem"); }
    std::string Key() const { return fFolder.File("key.pem"); }

private:
    TestCertificate() { MakeSelfSignedCertificate(Cert(), Key()); }
    TempDir fFolder{"kestrune-tls"};
};

// Runs the server end of a TLS session on an accepted socket (on the scripted server's thread).
void ServeTls(int fd, const std::function<void(SSL *)> &body)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) & ~O_NONBLOCK);
    SSL_CTX *context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_file(context, TestCertificate::Get().Cert().c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_use_PrivateKey_file(context, TestCertificate::Get().Key().c_str(), SSL_FILETYPE_PEM);
    SSL *session = SSL_new(context);
    SSL_set_fd(session, fd);
    if (SSL_accept(session) == 1)
        body(session);
    SSL_free(session);
    SSL_CTX_free(context);
}

void WriteAll(SSL *session, const std::string &text) { SSL_write(session, text.data(), static_cast<int>(text.size())); }

// Reads until the client ends the session; tells whether it sent a close notify first.
std::string ReadUntilEnd(SSL *session, bool &closeNotify)
{
    std::string received;
    char buffer[4096];
    for (;;) {
        const int n = SSL_read(session, buffer, sizeof buffer);
        if (n <= 0) {
            closeNotify = SSL_get_error(session, n) == SSL_ERROR_ZERO_RETURN;
            return received;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

class TlsTransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestCertificate::Get();
        connection.Host = "127.0.0.1";
        connection.SetIOHandler(&handler);
    }
    void Start(ScriptedServer &server)
    {
        server.Start();
        connection.Port = server.Port();
    }

    TNetSSLIOHandlerSocket handler;
    TNetTCPClient connection;
};

} // namespace

TEST_F(TlsTransportTest, LinesTravelEncryptedAndCloseSendsCloseNotify)
{
    std::string received;
    bool closeNotify = false;
    std::string status;
    handler.OnStatusInfo = [&](const std::string &text) { status = text; };
    ScriptedServer server;
    server.Accept().Do([&](int fd) {
        ServeTls(fd, [&](SSL *session) {
            WriteAll(session, "220 hello\r\n");
            received = ReadUntilEnd(session, closeNotify);
        });
    });
    Start(server);
    connection.Connect(5000);
    EXPECT_EQ(connection.ReadLine(), "220 hello");
    connection.WriteLine("QUIT");
    connection.Disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "QUIT\r\n");
    EXPECT_TRUE(closeNotify);
    EXPECT_EQ(status.rfind("Cipher: name = ", 0), 0u) << status;
    EXPECT_NE(status.find("; bits = "), std::string::npos) << status;
    EXPECT_NE(status.find("; version = TLSv1.3"), std::string::npos) << status;
}

TEST_F(TlsTransportTest, RepliesSpreadOverManyRecordsArriveWhole)
{
    const std::string line = "250-" + std::string(60, 'x') + "\r\n";
    std::string received;
    bool closeNotify = false;
    ScriptedServer server;
    server.Accept().Do([&](int fd) {
        ServeTls(fd, [&](SSL *session) {
            std::string reply;
            for (int i = 0; i < 3000; ++i)
                reply += line;
            reply += "250 end\r\n";
            // Uneven writes: records end in the middle of lines.
            for (std::size_t pos = 0, step = 1; pos < reply.size(); pos += step, step = step * 7 % 5003 + 1)
                WriteAll(session, reply.substr(pos, step));
            received = ReadUntilEnd(session, closeNotify);
        });
    });
    Start(server);
    connection.Connect(5000);
    EXPECT_EQ(connection.ReadReply({250}), 250);
    ASSERT_EQ(connection.LastCmdResult.Text.size(), 3001u);
    EXPECT_EQ(connection.LastCmdResult.Text[2999], std::string(60, 'x'));
    EXPECT_EQ(connection.LastCmdResult.Text[3000], "end");
    connection.WriteLine("NOOP");
    connection.Disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "NOOP\r\n");
}

TEST_F(TlsTransportTest, ARecordWithoutDataDoesNotCountAsReadable)
{
    bool closeNotify = false;
    ScriptedServer server;
    server.Accept().Do([&](int fd) { ServeTls(fd, [&](SSL *session) { ReadUntilEnd(session, closeNotify); }); });
    Start(server);
    connection.Connect(5000);
    connection.ReadTimeout = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(connection.ReadLine(), ENetReadTimeout);
    EXPECT_GE(MillisecondsSince(start), 250);
    connection.Disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_TRUE(closeNotify);
}

TEST_F(TlsTransportTest, APeerClosingWithoutNotifyEndsTheReadsAsAClose)
{
    ScriptedServer server;
    server.Accept().Do([&](int fd) {
        ServeTls(fd, [&](SSL *session) {
            WriteAll(session, "220 bye\r\n");
            ::shutdown(fd, SHUT_RDWR);
        });
    });
    Start(server);
    connection.Connect(5000);
    EXPECT_EQ(connection.ReadLine(), "220 bye");
    EXPECT_THROW(connection.ReadLine(), ENetConnClosedGracefully);
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(TlsTransportTest, HandshakeFailuresReportErrorConnectingWithSsl)
{
    struct FailCase {
        std::string name;
        std::function<void(ScriptedServer &)> script;
    };
    const std::vector<FailCase> cases = {
        {"plain SMTP server", [](ScriptedServer &s) { s.Accept().Send("220 plain ESMTP\r\n").ReadUntilClose(); }},
        {"close during handshake", [](ScriptedServer &s) { s.Accept().ReadBytes(5).Close(); }},
        {"reset during handshake", [](ScriptedServer &s) { s.Accept().ReadBytes(5).Reset(); }},
    };
    for (const auto &c : cases) {
        ScriptedServer server;
        c.script(server);
        Start(server);
        SCOPED_TRACE(c.name);
        ExpectRaise<ENetOSSLConnectError>([&] { connection.Connect(5000); }, "Error connecting with SSL.");
        EXPECT_FALSE(connection.IsConnected()) << c.name;
        ASSERT_TRUE(server.Finish()) << c.name << ": " << server.ErrorText();
        // What went out was a TLS handshake record, never a plain command.
        const std::string received = server.Received();
        ASSERT_GE(received.size(), 1u) << c.name;
        EXPECT_EQ(received[0], '\x16') << c.name;
        EXPECT_EQ(received.find("EHLO"), std::string::npos) << c.name;
    }
}

TEST_F(TlsTransportTest, ASilentServerCannotHoldTheHandshake)
{
    ScriptedServer server;
    server.Accept().StaySilent();
    Start(server);
    const auto start = std::chrono::steady_clock::now();
    ExpectRaise<ENetConnectTimeout>([&] { connection.Connect(600); }, "Connect timed out.");
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 550);
    EXPECT_LT(elapsed, 3000);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(TlsTransportTest, AServerThatStopsReadingCannotHoldAWrite)
{
    std::promise<void> release;
    ScriptedServer server;
    server.Accept()
        .Do([released = release.get_future().share()](int fd) {
            ServeTls(fd, [&](SSL *) { released.wait_for(std::chrono::seconds(10)); });
        })
        .Reset();
    Start(server);
    connection.ReadTimeout = 300;
    connection.Connect(5000);
    const std::string block(1 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    ExpectRaise<ENetSocketError>(
        [&] {
            for (int i = 0; i < 256; ++i)
                connection.WriteBytes(block);
        },
        "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_LT(MillisecondsSince(start), 3000);
    release.set_value();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(TlsTransportTest, TheServerNameIsSentForNamesOnly)
{
    for (const std::string host : {"localhost", "127.0.0.1"}) {
        std::string hello;
        ScriptedServer server;
        server.Accept().Do([&](int fd) {
            char buffer[4096];
            // The ClientHello fits one record; read its header, then its body.
            std::size_t wanted = 5;
            while (hello.size() < wanted) {
                const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, wanted - hello.size()), 0);
                if (n <= 0)
                    break;
                hello.append(buffer, static_cast<std::size_t>(n));
                if (hello.size() == 5)
                    wanted = 5 + (static_cast<unsigned char>(hello[3]) << 8 | static_cast<unsigned char>(hello[4]));
            }
        });
        server.Close();
        Start(server);
        connection.Host = host;
        EXPECT_THROW(connection.Connect(5000), ENetOSSLConnectError) << host;
        ASSERT_TRUE(server.Finish()) << server.ErrorText();
        ASSERT_GT(hello.size(), 5u) << host;
        EXPECT_EQ(hello.find("localhost") != std::string::npos, host == "localhost") << host;
    }
}

TEST_F(TlsTransportTest, ContextSettingsThatCannotWorkAreRefused)
{
    struct OptionCase {
        std::string name;
        std::function<void(TNetSSLOptions &)> set;
        std::string message;
    };
    const std::vector<OptionCase> cases = {
        {"cipher list", [](TNetSSLOptions &o) { o.CipherList = "NO-SUCH-CIPHER"; }, "SetCipher failed."},
        {"fixed TLS 1.0", [](TNetSSLOptions &o) { o.Method = sslvTLSv1; }, "Error geting SSL method."},
        {"SSL 2", [](TNetSSLOptions &o) { o.Method = sslvSSLv2; }, "Error geting SSL method."},
        {"server mode", [](TNetSSLOptions &o) { o.Mode = sslmServer; }, "Error geting SSL method."},
        {"certificate", [](TNetSSLOptions &o) { o.CertFile = "/nonexistent/cert.pem"; }, "Could not load certificate."},
        {"root certificate", [](TNetSSLOptions &o) { o.RootCertFile = "/nonexistent/root.pem"; },
         "Could not load root certificate."},
        {"key", [](TNetSSLOptions &o) { o.KeyFile = "/nonexistent/key.pem"; }, "Could not load key, check password."},
    };
    for (const auto &c : cases) {
        TNetSSLIOHandlerSocket tls;
        c.set(tls.SSLOptions);
        TNetTCPClient client;
        client.Host = "127.0.0.1";
        client.SetIOHandler(&tls);
        ScriptedServer server;
        server.Accept().ReadUntilClose();
        server.Start();
        client.Port = server.Port();
        SCOPED_TRACE(c.name);
        ExpectRaise<ENetException>([&] { client.Connect(5000); }, c.message.c_str());
        EXPECT_FALSE(client.IsConnected()) << c.name;
        EXPECT_TRUE(server.Finish()) << c.name << ": " << server.ErrorText();
        EXPECT_EQ(server.Received(), "") << c.name;
    }
}

TEST(TlsMailTest, OneHandlerCarriesMailAfterAFailureAndAgain)
{
    TSmtpServer tlsServer({true, "user", "secret"});
    TSmtpServer plainServer({false, "", ""});
    TNetSSLIOHandlerSocket tls;
    TNetSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.SetIOHandler(&tls);
    smtp.SetAuthenticationType(atLogin);
    smtp.Username = "user";
    smtp.Password = "secret";
    TNetMessage message;
    message.From.Address = "me@x.org";
    message.Recipients.SetEMailAddresses("you@y.org");
    message.Subject = "over TLS";
    message.SetBodyText("first");

    smtp.Port = plainServer.Port();
    EXPECT_THROW(smtp.Connect(5000), ENetOSSLConnectError);
    for (const std::string body : {"second", "third"}) {
        smtp.Port = tlsServer.Port();
        message.SetBodyText(body);
        smtp.Connect(5000);
        smtp.SendMessage(message);
        EXPECT_TRUE(smtp.DidAuthenticate());
        smtp.Disconnect();
    }
    // Detached, the same client speaks plain SMTP again.
    smtp.SetIOHandler(nullptr);
    smtp.SetAuthenticationType(atNone);
    smtp.Port = plainServer.Port();
    message.SetBodyText("plain");
    smtp.Connect(5000);
    smtp.SendMessage(message);
    smtp.Disconnect();

    const auto overTls = tlsServer.Stored();
    ASSERT_EQ(overTls.size(), 2u);
    EXPECT_NE(overTls[0].Data.find("\r\n\r\nsecond\r\n"), std::string::npos) << overTls[0].Data;
    EXPECT_NE(overTls[1].Data.find("\r\n\r\nthird\r\n"), std::string::npos) << overTls[1].Data;
    EXPECT_EQ(overTls[1].Envelope, (std::vector<std::string>{"MAIL FROM:<me@x.org>", "RCPT TO:<you@y.org>", "LOGIN user"}));
    const auto plain = plainServer.Stored();
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_NE(plain[0].Data.find("\r\n\r\nplain\r\n"), std::string::npos) << plain[0].Data;
}
