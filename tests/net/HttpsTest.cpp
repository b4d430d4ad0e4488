// The HTTP client over TLS against real nginx servers: one whose certificate the test authority signed, one
// with a self-signed certificate.
#include "NetworkErrors.h"
#include "HttpClient.h"
#include "TlsTransport.h"
#include "TcpConnection.h"
#include "NginxServer.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::NginxServer;
using testsupport::TempDir;
using testsupport::TestCertificates;
using testsupport::TrustTestAuthority;

namespace {

class HttpsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        const TestCertificates &certificates = TestCertificates::get();
        trust = std::make_unique<TrustTestAuthority>();
        root = std::make_unique<TempDir>("kestrune-www");
        root->Write("status.htm", "WAN IP Address: 203.0.113.7\r\n");
        root->Write("close/status.htm", "WAN IP Address: 203.0.113.7\r\n");
        NginxServer::Options options;
        options.DocumentRoot = root->Path();
        options.ServerConfig = "    add_header X-Conn $connection always;\n"
                               "    add_header X-Reused $ssl_session_reused always;\n"
                               "    location /close/ { keepalive_timeout 0; }\n";
        options.TlsCertFile = certificates.serverCert();
        options.TlsKeyFile = certificates.serverKey();
        signedServer = std::make_unique<NginxServer>(options);
        options.TlsCertFile = certificates.selfSignedCert();
        options.TlsKeyFile = certificates.selfSignedKey();
        selfSignedServer = std::make_unique<NginxServer>(options);
    }
    static void TearDownTestSuite()
    {
        selfSignedServer.reset();
        signedServer.reset();
        root.reset();
        trust.reset();
    }

    static std::unique_ptr<TrustTestAuthority> trust;
    static std::unique_ptr<TempDir> root;
    static std::unique_ptr<NginxServer> signedServer, selfSignedServer;
    HttpClient http;
};

std::unique_ptr<TrustTestAuthority> HttpsTest::trust;
std::unique_ptr<TempDir> HttpsTest::root;
std::unique_ptr<NginxServer> HttpsTest::signedServer;
std::unique_ptr<NginxServer> HttpsTest::selfSignedServer;

const char *const kPage = "WAN IP Address: 203.0.113.7\r\n";

TEST_F(HttpsTest, VerifiedFetchKeepsItsConnectionAndSwitchesToPlainAndBack)
{
    const std::string url = signedServer->TlsBaseURL() + "/status.htm";
    EXPECT_EQ(http.fetchPage(url), kPage);
    const std::string connection = http.response.rawHeaders.value("X-Conn");
    EXPECT_EQ(http.fetchPage("HTTPS://127.0.0.1:" + std::to_string(signedServer->TlsPort()) + "/status.htm"), kPage);
    EXPECT_EQ(http.response.rawHeaders.value("X-Conn"), connection);
    EXPECT_EQ(http.request.host, "127.0.0.1:" + std::to_string(signedServer->TlsPort()));

    EXPECT_EQ(http.fetchPage(signedServer->BaseURL() + "/status.htm"), kPage);
    EXPECT_NE(http.response.rawHeaders.value("X-Conn"), connection);
    EXPECT_EQ(http.fetchPage(url), kPage);
}

TEST_F(HttpsTest, NewConnectionsToTheSameServerResumeTheSession)
{
    const std::string url = signedServer->TlsBaseURL() + "/close/status.htm";
    EXPECT_EQ(http.fetchPage(url), kPage);
    EXPECT_EQ(http.response.rawHeaders.value("X-Reused"), ".");
    EXPECT_EQ(http.fetchPage(url), kPage);
    EXPECT_EQ(http.response.rawHeaders.value("X-Reused"), "r");
}

TEST_F(HttpsTest, SelfSignedCertificateIsRefusedUnlessAnyIsAccepted)
{
    const std::string url = selfSignedServer->TlsBaseURL() + "/status.htm";
    ExpectRaise<TlsCertificateError>([&] { http.fetchPage(url); },
                                          "certificate verify failed: self-signed certificate");
    EXPECT_FALSE(http.connected());
    http.acceptAnyCertificate = true;
    EXPECT_EQ(http.fetchPage(url), kPage);
    // The unchecked connection is not reused once checking is back on.
    http.acceptAnyCertificate = false;
    ExpectRaise<TlsCertificateError>([&] { http.fetchPage(url); },
                                          "certificate verify failed: self-signed certificate");
}

TEST_F(HttpsTest, CertificateMustNameTheExpectedHost)
{
    TlsTransport handler;
    TcpClient connection;
    connection.setTransport(&handler);
    connection.host = "127.0.0.1";
    connection.port = signedServer->TlsPort();
    handler.tlsOptions.verifyMode = kVerifyPeer;
    connection.connect(5000);
    connection.disconnect();
    handler.tlsOptions.verifyHostName = "localhost";
    connection.connect(5000);
    connection.disconnect();
    handler.tlsOptions.verifyHostName = "router.example";
    ExpectRaise<TlsCertificateError>([&] { connection.connect(5000); },
                                          "certificate verify failed: hostname mismatch");
    EXPECT_FALSE(connection.connected());
}

} // namespace
