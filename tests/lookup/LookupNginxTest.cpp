// Whole lookups through the HTTP client against an nginx the test starts on 127.0.0.1.
#include "IPExtraction.h"
#include "Inspector.h"
#include "Lookup.h"
#include "NetHTTP.h"
#include "NginxServer.h"
#include "TempDir.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>

#include <memory>

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

    static TLookupFields UserDefined(const std::string& path, std::string keyword, std::string skip)
    {
        TLookupFields fields;
        fields.URL = "127.0.0.1:" + std::to_string(server->Port()) + path;
        fields.Keyword = std::move(keyword);
        fields.CharToSkip = std::move(skip);
        return fields;
    }

    static std::unique_ptr<TrustTestAuthority> trust;
    static std::unique_ptr<TempDir> root;
    static std::unique_ptr<NginxServer> server, selfSigned;
    TNetHTTP http;
};

std::unique_ptr<TrustTestAuthority> LookupAgainstNginx::trust;
std::unique_ptr<TempDir> LookupAgainstNginx::root;
std::unique_ptr<NginxServer> LookupAgainstNginx::server;
std::unique_ptr<NginxServer> LookupAgainstNginx::selfSigned;

TEST_F(LookupAgainstNginx, UserDefinedPage)
{
    const std::pair<TLookupFields, std::string> cases[] = {
        {UserDefined("/status.htm", "WAN IP:", "1"), "10.1.2.3"},
        {UserDefined("/status.htm", "WAN IP:", ""), "---.---.---.---"},
        {UserDefined("/status.htm", "Gateway", "0"), "---.---.---.---"},
        {UserDefined("/status.htm", "Mask", "-2147483648"), "---.---.---.---"},
    };
    for (const auto& [fields, address] : cases) {
        TLookupResult result = RunLookup(http, fields);
        EXPECT_FALSE(result.Failed()) << result.ErrorMessage;
        EXPECT_TRUE(result.Requested);
        EXPECT_EQ(result.Address, address) << fields.Keyword << " " << fields.CharToSkip;
    }
}

TEST_F(LookupAgainstNginx, KeywordTaughtOnTheFetchedPageFindsTheAddress)
{
    TPageText page(http.FetchPage(server->BaseURL() + "/router.htm"));
    ASSERT_EQ(page.Bytes(), kRouterPage);
    TAutoResult taught = AutoKeyword(page, "203.0.113.9", {});
    ASSERT_TRUE(taught.Found);
    TLookupResult result = RunLookup(http, UserDefined("/router.htm", taught.Keyword, std::to_string(taught.CharToSkip)));
    EXPECT_EQ(result.Address, "203.0.113.9");
}

TEST_F(LookupAgainstNginx, BasicCredentialsAreSetOnlyWhenAsked)
{
    TLookupFields fields = UserDefined("/secure/status.htm", "WAN IP</td><td", "1");
    fields.Username = "admin";
    fields.Password = "rivet";

    TLookupResult refused = RunLookup(http, fields);  // WebAuth off: the client's own (empty) credentials
    EXPECT_EQ(refused.Failure, ELookupFailure::HTTPStatus);
    EXPECT_EQ(refused.ErrorMessage, "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(refused.StatusCode, 401);

    fields.WebAuth = true;
    EXPECT_EQ(RunLookup(http, fields).Address, "10.1.2.3");
    EXPECT_EQ(http.Request.Username, "admin");

    // Without WebAuth the router's credentials are dropped, not sent again.
    fields.WebAuth = false;
    EXPECT_EQ(RunLookup(http, fields).StatusCode, 401);
    EXPECT_EQ(http.Request.Username, "");
}

TEST_F(LookupAgainstNginx, FailuresCarryTheExactMessage)
{
    TLookupResult missing = RunLookup(http, UserDefined("/nowhere.htm", "k", "0"));
    EXPECT_EQ(missing.Failure, ELookupFailure::HTTPStatus);
    EXPECT_EQ(missing.ErrorMessage, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(missing.StatusCode, 404);
    EXPECT_TRUE(missing.Address.empty());

    TLookupFields refused;
    refused.URL = "127.0.0.1:" + std::to_string(NginxServer::FreePort()) + "/status.htm";
    refused.Keyword = "k";
    TLookupResult result = RunLookup(http, refused);
    EXPECT_EQ(result.Failure, ELookupFailure::Socket);
    EXPECT_EQ(result.ErrorMessage, "Socket Error # 10061\r\nConnection refused.");

    // The client is usable again after a failure.
    EXPECT_EQ(RunLookup(http, UserDefined("/status.htm", "WAN IP:", "0")).Address, "10.1.2.3");
}

TEST_F(LookupAgainstNginx, ExternalServicesByTheirRules)
{
    const std::string first = server->BaseURL() + "/checkip.htm";
    const std::string second = server->BaseURL() + "/whatismyip.htm";
    const TExternalService services[2] = {{first, "first.example"}, {second, "second.example"}};
    TLookupFields fields;
    fields.External = true;
    fields.URL = "127.0.0.1:1/never";  // the user-defined page is not used

    // A text that is none of the box's is fetched as typed and its first dotted quad taken.
    const std::pair<std::string, std::string> cases[] = {
        {first, "203.0.113.7"}, {second, "198.51.100.2"}, {first + " ", "203.0.113.7"}, {"", "---.---.---.---"},
    };
    for (const auto& [text, address] : cases) {
        fields.ServiceURL = text;
        TLookupResult result = RunLookup(http, fields, services);
        EXPECT_FALSE(result.Failed()) << result.ErrorMessage;
        EXPECT_EQ(result.Address, address) << text;
        EXPECT_EQ(result.Requested, !text.empty()) << text;
    }
}

TEST_F(LookupAgainstNginx, PlainTextServicesOverVerifiedHttps)
{
    const std::string plain = server->TlsBaseURL() + "/ip.txt";
    const std::string untrusted = selfSigned->TlsBaseURL() + "/ip.txt";
    const TExternalService services[] = {kExternalServices[0], kExternalServices[1], {plain, "plain.example"},
                                         {untrusted, "untrusted.example"}};
    TLookupFields fields;
    fields.External = true;
    fields.AcceptAnyCertificate = true;  // never for an external service
    const std::pair<std::string, std::string> cases[] = {
        {plain, "203.0.113.44"},
        {server->TlsBaseURL() + "/other.txt", "198.51.100.77"},
        {"127.0.0.1:" + std::to_string(server->Port()) + "/other.txt", "198.51.100.77"},
    };
    for (const auto& [text, address] : cases) {
        fields.ServiceURL = text;
        const TLookupResult result = RunLookup(http, fields, services);
        EXPECT_FALSE(result.Failed()) << result.ErrorMessage;
        EXPECT_EQ(result.Address, address) << text;
    }
    fields.ServiceURL = untrusted;
    const TLookupResult refused = RunLookup(http, fields, services);
    EXPECT_EQ(refused.Failure, ELookupFailure::Network);
    EXPECT_EQ(refused.ErrorMessage, "certificate verify failed: self-signed certificate");
}

TEST_F(LookupAgainstNginx, HttpsRouterPageIsFetchedAsWrittenAndItsBoxAcceptsASelfSignedCertificate)
{
    TLookupFields fields;
    fields.URL = "Https://127.0.0.1:" + std::to_string(selfSigned->TlsPort()) + "/status.htm";
    fields.Keyword = "WAN IP:";
    fields.CharToSkip = "0";
    const TLookupResult refused = RunLookup(http, fields);
    EXPECT_EQ(refused.ErrorMessage, "certificate verify failed: self-signed certificate");
    fields.AcceptAnyCertificate = true;
    const TLookupResult accepted = RunLookup(http, fields);
    EXPECT_FALSE(accepted.Failed()) << accepted.ErrorMessage;
    EXPECT_EQ(accepted.Address, "10.1.2.3");
    EXPECT_EQ(UserDefinedPageURL("192.168.1.1/s.htm"), "http://192.168.1.1/s.htm");
}

} // namespace
