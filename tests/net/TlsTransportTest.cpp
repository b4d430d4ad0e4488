#include "NetworkErrors.h"
#include "NetworkTexts.h"
#include "SmtpClient.h"
#include "TlsTransport.h"
#include "TcpConnection.h"
#include "ScriptedServer.h"
#include "SmtpServer.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <fcntl.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <vector>

using namespace kestrune::net;

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
        connection.host = "127.0.0.1";
        connection.setTransport(&handler);
    }
    void Start(ScriptedServer &server)
    {
        server.Start();
        connection.port = server.Port();
    }

    TlsTransport handler;
    TcpClient connection;
};

} // namespace

TEST_F(TlsTransportTest, LinesTravelEncryptedAndCloseSendsCloseNotify)
{
    std::string received;
    bool closeNotify = false;
    std::string status;
    handler.onStatusInfo = [&](const std::string &text) { status = text; };
    ScriptedServer server;
    server.Accept().Do([&](int fd) {
        ServeTls(fd, [&](SSL *session) {
            WriteAll(session, "220 hello\r\n");
            received = ReadUntilEnd(session, closeNotify);
        });
    });
    Start(server);
    connection.connect(5000);
    EXPECT_EQ(connection.readLine(), "220 hello");
    connection.writeLine("QUIT");
    connection.disconnect();
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
    connection.connect(5000);
    EXPECT_EQ(connection.readReply({250}), 250);
    ASSERT_EQ(connection.lastCmdResult.text.size(), 3001u);
    EXPECT_EQ(connection.lastCmdResult.text[2999], std::string(60, 'x'));
    EXPECT_EQ(connection.lastCmdResult.text[3000], "end");
    connection.writeLine("NOOP");
    connection.disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "NOOP\r\n");
}

TEST_F(TlsTransportTest, ARecordWithoutDataDoesNotCountAsReadable)
{
    bool closeNotify = false;
    ScriptedServer server;
    server.Accept().Do([&](int fd) { ServeTls(fd, [&](SSL *session) { ReadUntilEnd(session, closeNotify); }); });
    Start(server);
    connection.connect(5000);
    connection.readTimeout = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(connection.readLine(), ReadTimeoutError);
    EXPECT_GE(MillisecondsSince(start), 250);
    connection.disconnect();
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
    connection.connect(5000);
    EXPECT_EQ(connection.readLine(), "220 bye");
    EXPECT_THROW(connection.readLine(), ConnectionClosedError);
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
        ExpectRaise<TlsConnectError>([&] { connection.connect(5000); }, "Error connecting with SSL.");
        EXPECT_FALSE(connection.isConnected()) << c.name;
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
    ExpectRaise<ConnectTimeoutError>([&] { connection.connect(600); }, "Connect timed out.");
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 550);
    EXPECT_LT(elapsed, 3000);
    EXPECT_FALSE(connection.isConnected());
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
    connection.readTimeout = 300;
    connection.connect(5000);
    const std::string block(1 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    ExpectRaise<SocketError>(
        [&] {
            for (int i = 0; i < 256; ++i)
                connection.writeBytes(block);
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
        connection.host = host;
        EXPECT_THROW(connection.connect(5000), TlsConnectError) << host;
        ASSERT_TRUE(server.Finish()) << server.ErrorText();
        ASSERT_GT(hello.size(), 5u) << host;
        EXPECT_EQ(hello.find("localhost") != std::string::npos, host == "localhost") << host;
    }
}

TEST_F(TlsTransportTest, ContextSettingsThatCannotWorkAreRefused)
{
    struct OptionCase {
        std::string name;
        std::function<void(TlsOptions &)> set;
        std::string message;
    };
    const std::vector<OptionCase> cases = {
        {"cipher list", [](TlsOptions &o) { o.cipherList = "NO-SUCH-CIPHER"; }, "SetCipher failed."},
        {"fixed TLS 1.0", [](TlsOptions &o) { o.method = TlsVersion::TlsV1; }, "Error geting SSL method."},
        {"SSL 2", [](TlsOptions &o) { o.method = TlsVersion::SslV2; }, "Error geting SSL method."},
        {"server mode", [](TlsOptions &o) { o.mode = TlsMode::Server; }, "Error geting SSL method."},
        {"certificate", [](TlsOptions &o) { o.certFile = "/nonexistent/cert.pem"; }, "Could not load certificate."},
        {"root certificate", [](TlsOptions &o) { o.rootCertFile = "/nonexistent/root.pem"; },
         "Could not load root certificate."},
        {"key", [](TlsOptions &o) { o.keyFile = "/nonexistent/key.pem"; }, "Could not load key, check password."},
    };
    for (const auto &c : cases) {
        TlsTransport tls;
        c.set(tls.tlsOptions);
        TcpClient client;
        client.host = "127.0.0.1";
        client.setTransport(&tls);
        ScriptedServer server;
        server.Accept().ReadUntilClose();
        server.Start();
        client.port = server.Port();
        SCOPED_TRACE(c.name);
        ExpectRaise<NetworkError>([&] { client.connect(5000); }, c.message.c_str());
        EXPECT_FALSE(client.isConnected()) << c.name;
        EXPECT_TRUE(server.Finish()) << c.name << ": " << server.ErrorText();
        EXPECT_EQ(server.Received(), "") << c.name;
    }
}

TEST(TlsMailTest, OneHandlerCarriesMailAfterAFailureAndAgain)
{
    SmtpServer tlsServer({true, "user", "secret"});
    SmtpServer plainServer({false, "", ""});
    TlsTransport tls;
    SmtpClient smtp;
    smtp.host = "127.0.0.1";
    smtp.setTransport(&tls);
    smtp.setAuthenticationType(SmtpAuthentication::Login);
    smtp.username = "user";
    smtp.password = "secret";
    MailMessage message;
    message.from.address = "me@x.org";
    message.recipients.setEMailAddresses("you@y.org");
    message.subject = "over TLS";
    message.setBodyText("first");

    smtp.port = plainServer.Port();
    EXPECT_THROW(smtp.connect(5000), TlsConnectError);
    for (const std::string body : {"second", "third"}) {
        smtp.port = tlsServer.Port();
        message.setBodyText(body);
        smtp.connect(5000);
        smtp.sendMessage(message);
        EXPECT_TRUE(smtp.didAuthenticate());
        smtp.disconnect();
    }
    // Detached, the same client speaks plain SMTP again.
    smtp.setTransport(nullptr);
    smtp.setAuthenticationType(SmtpAuthentication::None);
    smtp.port = plainServer.Port();
    message.setBodyText("plain");
    smtp.connect(5000);
    smtp.sendMessage(message);
    smtp.disconnect();

    const auto overTls = tlsServer.Stored();
    ASSERT_EQ(overTls.size(), 2u);
    EXPECT_NE(overTls[0].Data.find("\r\n\r\nsecond\r\n"), std::string::npos) << overTls[0].Data;
    EXPECT_NE(overTls[1].Data.find("\r\n\r\nthird\r\n"), std::string::npos) << overTls[1].Data;
    EXPECT_EQ(overTls[1].Envelope, (std::vector<std::string>{"MAIL FROM:<me@x.org>", "RCPT TO:<you@y.org>", "LOGIN user"}));
    const auto plain = plainServer.Stored();
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_NE(plain[0].Data.find("\r\n\r\nplain\r\n"), std::string::npos) << plain[0].Data;
}

// Contexts are shared by the whole process, so what decides a check must be what the store holds now.
TEST(TlsStoreTest, ACertificateStoreChangedBetweenConnectionsIsReadAgain)
{
    const auto &certificates = testsupport::TestCertificates::get();
    SmtpServer server({true, "", "", "LOGIN", false, certificates.serverCert(), certificates.serverKey()});
    const testsupport::TrustTestAuthority trust; // restores the variables it and this test change
    const TempDir stores("kestrune-stores");
    const auto fileText = [](const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    struct StoreCase {
        std::string name;
        std::string storeFile;
        std::string storeText; // written anew (a new file under that name) before the connection
        bool trusted;
        std::string folder = {}; // SSL_CERT_DIR; empty: a folder without certificates
    };
    const std::vector<StoreCase> cases = {
        {"store without the authority", "store.pem", fileText(certificates.selfSignedCert()), false},
        {"same file name, authority added", "store.pem", fileText(certificates.caFile()), true},
        {"another store file", "other.pem", fileText(certificates.selfSignedCert()), false},
        {"first store file again", "store.pem", fileText(certificates.caFile()), true},
        {"authority in the hashed folder alone", "other.pem", fileText(certificates.selfSignedCert()), true,
         certificates.hashedFolder()},
    };
    TlsTransport tls;
    tls.tlsOptions.verifyMode = kVerifyPeer;
    SmtpClient smtp;
    smtp.host = "localhost";
    smtp.port = server.Port();
    smtp.setTransport(&tls);
    for (const StoreCase &c : cases) {
        const std::string written = stores.Write(c.storeFile + ".new", c.storeText);
        std::filesystem::rename(written, stores.File(c.storeFile));
        ::setenv("SSL_CERT_FILE", stores.File(c.storeFile).c_str(), 1);
        ::setenv("SSL_CERT_DIR", (c.folder.empty() ? certificates.emptyFolder() : c.folder).c_str(), 1);
        if (c.trusted) {
            EXPECT_NO_THROW(smtp.connect(5000)) << c.name;
            smtp.disconnect();
        } else {
            EXPECT_THROW(smtp.connect(5000), TlsCertificateError) << c.name;
        }
    }
}
