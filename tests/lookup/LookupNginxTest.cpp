// Whole lookups through the HTTP client against an nginx the test starts on 127.0.0.1.
#include "IpExtraction.h"
#include "Inspector.h"
#include "Lookup.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kestrune::lookup;
using namespace kestrune::net;

using testsupport::NginxServer;
using testsupport::TempDir;
using testsupport::TestCertificates;
using testsupport::TrustTestAuthority;

namespace {

const std::string kRouterPage =
    "<html>\r\n<body>\r\n<table>\r\n\t<tr><td>LAN-Adresse</td><td>192.168.1.1</td></tr>\r\n"
    "\t<tr><td>Adresse IP publique (WAN) \xE2\x80\x94 \xC3\xA9tat \xF0\x9F\x8C\x90</td>\r\n"
    "\t\t<td>\t203.0.113.9</td></tr>\r\n</table>\r\n</body>\r\n</html>\r\n";

class LookupAgainstNginx : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        root = std::make_unique<TempDir>("kestrune-lookup-www");
        root->Write("status.htm", "WAN IP: 10.1.2.3 Mask");
        root->Write("router.htm", kRouterPage);
        root->Write("checkip.htm", "<html><body>Current IP Address: 203.0.113.7</body></html>");
        root->Write("whatismyip.htm", "<h1>Your IP  Is 198.51.100.2 </h1>");
        root->Write("secure/status.htm", "<td>WAN IP</td><td>10.1.2.3</td>");
        root->Write("htpasswd", "admin:{PLAIN}rivet\n");
        root->Write("ip.txt", "203.0.113.44\n");
        root->Write("other.txt", "your address: 198.51.100.77 (IPv4)");
        const TestCertificates& certificates = TestCertificates::get();
        trust = std::make_unique<TrustTestAuthority>();
        NginxServer::Options options;
        options.DocumentRoot = root->Path();
        options.ServerConfig = "    location /secure/ { auth_basic \"Router\"; auth_basic_user_file " +
                               root->File("htpasswd") + "; }\n";
        options.TlsCertFile = certificates.serverCert();
        options.TlsKeyFile = certificates.serverKey();
        server = std::make_unique<NginxServer>(options);
        options.TlsCertFile = certificates.selfSignedCert();
        options.TlsKeyFile = certificates.selfSignedKey();
        selfSigned = std::make_unique<NginxServer>(options);
    }
    static void TearDownTestSuite()
    {
        selfSigned.reset();
        server.reset();
        root.reset();
        trust.reset();
    }

    static LookupFields UserDefined(const std::string& path, std::string keyword, std::string skip)
    {
        LookupFields fields;
        fields.url = "127.0.0.1:" + std::to_string(server->Port()) + path;
        fields.keyword = std::move(keyword);
        fields.charToSkip = std::move(skip);
        return fields;
    }

    static std::unique_ptr<TrustTestAuthority> trust;
    static std::unique_ptr<TempDir> root;
    static std::unique_ptr<NginxServer> server, selfSigned;
    HttpClient http;
};

std::unique_ptr<TrustTestAuthority> LookupAgainstNginx::trust;
std::unique_ptr<TempDir> LookupAgainstNginx::root;
std::unique_ptr<NginxServer> LookupAgainstNginx::server;
std::unique_ptr<NginxServer> LookupAgainstNginx::selfSigned;

TEST_F(LookupAgainstNginx, UserDefinedPage)
{
    const std::pair<LookupFields, std::string> cases[] = {
        {UserDefined("/status.htm", "WAN IP:", "1"), "10.1.2.3"},
        {UserDefined("/status.htm", "WAN IP:", ""), "---.---.---.---"},
        {UserDefined("/status.htm", "Gateway", "0"), "---.---.---.---"},
        {UserDefined("/status.htm", "Mask", "-2147483648"), "---.---.---.---"},
    };
    for (const auto& [fields, address] : cases) {
        LookupResult result = runLookup(http, fields);
        EXPECT_FALSE(result.failed()) << result.errorMessage;
        EXPECT_TRUE(result.requested);
        EXPECT_EQ(result.address, address) << fields.keyword << " " << fields.charToSkip;
    }
}

TEST_F(LookupAgainstNginx, KeywordTaughtOnTheFetchedPageFindsTheAddress)
{
    PageText page(http.fetchPage(server->BaseURL() + "/router.htm"));
    ASSERT_EQ(page.bytes(), kRouterPage);
    AutoResult taught = autoKeyword(page, "203.0.113.9", {});
    ASSERT_TRUE(taught.found);
    LookupResult result = runLookup(http, UserDefined("/router.htm", taught.keyword, std::to_string(taught.charToSkip)));
    EXPECT_EQ(result.address, "203.0.113.9");
}

TEST_F(LookupAgainstNginx, BasicCredentialsAreSetOnlyWhenAsked)
{
    LookupFields fields = UserDefined("/secure/status.htm", "WAN IP</td><td", "1");
    fields.username = "admin";
    fields.password = "rivet";

    LookupResult refused = runLookup(http, fields);  // webAuth off: the client's own (empty) credentials
    EXPECT_EQ(refused.failure, LookupFailure::HttpStatus);
    EXPECT_EQ(refused.errorMessage, "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(refused.statusCode, 401);

    fields.webAuth = true;
    EXPECT_EQ(runLookup(http, fields).address, "10.1.2.3");
    EXPECT_EQ(http.request.username, "admin");

    // Without webAuth the router's credentials are dropped, not sent again.
    fields.webAuth = false;
    EXPECT_EQ(runLookup(http, fields).statusCode, 401);
    EXPECT_EQ(http.request.username, "");
}

TEST_F(LookupAgainstNginx, FailuresCarryTheExactMessage)
{
    LookupResult missing = runLookup(http, UserDefined("/nowhere.htm", "k", "0"));
    EXPECT_EQ(missing.failure, LookupFailure::HttpStatus);
    EXPECT_EQ(missing.errorMessage, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(missing.statusCode, 404);
    EXPECT_TRUE(missing.address.empty());

    LookupFields refused;
    refused.url = "127.0.0.1:" + std::to_string(NginxServer::FreePort()) + "/status.htm";
    refused.keyword = "k";
    LookupResult result = runLookup(http, refused);
    EXPECT_EQ(result.failure, LookupFailure::Socket);
    EXPECT_EQ(result.errorMessage, "Socket Error # 10061\r\nConnection refused.");

    // The client is usable again after a failure.
    EXPECT_EQ(runLookup(http, UserDefined("/status.htm", "WAN IP:", "0")).address, "10.1.2.3");
}

TEST_F(LookupAgainstNginx, ExternalServicesByTheirRules)
{
    const std::string first = server->BaseURL() + "/checkip.htm";
    const std::string second = server->BaseURL() + "/whatismyip.htm";
    const ExternalService services[2] = {{first, "first.example"}, {second, "second.example"}};
    LookupFields fields;
    fields.external = true;
    fields.url = "127.0.0.1:1/never";  // the user-defined page is not used

    // A text that is none of the box's is fetched as typed and its first dotted quad taken.
    const std::pair<std::string, std::string> cases[] = {
        {first, "203.0.113.7"}, {second, "198.51.100.2"}, {first + " ", "203.0.113.7"}, {"", "---.---.---.---"},
    };
    for (const auto& [text, address] : cases) {
        fields.serviceUrl = text;
        LookupResult result = runLookup(http, fields, services);
        EXPECT_FALSE(result.failed()) << result.errorMessage;
        EXPECT_EQ(result.address, address) << text;
        EXPECT_EQ(result.requested, !text.empty()) << text;
    }
}

TEST_F(LookupAgainstNginx, PlainTextServicesOverVerifiedHttps)
{
    const std::string plain = server->TlsBaseURL() + "/ip.txt";
    const std::string untrusted = selfSigned->TlsBaseURL() + "/ip.txt";
    const ExternalService services[] = {kExternalServices[0], kExternalServices[1], {plain, "plain.example"},
                                         {untrusted, "untrusted.example"}};
    LookupFields fields;
    fields.external = true;
    fields.acceptAnyCertificate = true;  // never for an external service
    const std::pair<std::string, std::string> cases[] = {
        {plain, "203.0.113.44"},
        {server->TlsBaseURL() + "/other.txt", "198.51.100.77"},
        {"127.0.0.1:" + std::to_string(server->Port()) + "/other.txt", "198.51.100.77"},
    };
    for (const auto& [text, address] : cases) {
        fields.serviceUrl = text;
        const LookupResult result = runLookup(http, fields, services);
        EXPECT_FALSE(result.failed()) << result.errorMessage;
        EXPECT_EQ(result.address, address) << text;
    }
    fields.serviceUrl = untrusted;
    const LookupResult refused = runLookup(http, fields, services);
    EXPECT_EQ(refused.failure, LookupFailure::Network);
    EXPECT_EQ(refused.errorMessage, "certificate verify failed: self-signed certificate");
}

TEST_F(LookupAgainstNginx, HttpsRouterPageIsFetchedAsWrittenAndItsBoxAcceptsASelfSignedCertificate)
{
    LookupFields fields;
    fields.url = "Https://127.0.0.1:" + std::to_string(selfSigned->TlsPort()) + "/status.htm";
    fields.keyword = "WAN IP:";
    fields.charToSkip = "0";
    const LookupResult refused = runLookup(http, fields);
    EXPECT_EQ(refused.errorMessage, "certificate verify failed: self-signed certificate");
    fields.acceptAnyCertificate = true;
    const LookupResult accepted = runLookup(http, fields);
    EXPECT_FALSE(accepted.failed()) << accepted.errorMessage;
    EXPECT_EQ(accepted.address, "10.1.2.3");
    EXPECT_EQ(userDefinedPageUrl("192.168.1.1/s.htm"), "http://192.168.1.1/s.htm");
}

} // namespace
