// Dynamic-DNS updates against a local update server (behind nginx with TLS where https matters): the requests
// sent for each family and how answers are taken.
#include "DnsProvider.h"
#include "DnsUpdateServer.h"
#include "Base64.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrune::net;

using namespace kestrune::actions;
using testsupport::NginxServer;
using testsupport::TestCertificates;

namespace {

// nginx with the given certificate passing every request on to the update server.
NginxServer::Options proxyTo(const testsupport::DnsUpdateServer& server, const std::string& cert,
                             const std::string& key)
{
    NginxServer::Options options;
    options.ProxyPort = server.port();
    options.TlsCertFile = cert;
    options.TlsKeyFile = key;
    return options;
}

class DnsProviders : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        const TestCertificates& certificates = TestCertificates::get();
        tls.emplace(proxyTo(server, certificates.serverCert(), certificates.serverKey()));
    }

    DnsUpdateRequest request() const
    {
        DnsUpdateRequest r;
        r.server = tls->TlsBaseURL();
        r.hosts = "home.example.org, nas.example.org";
        r.user = "me@example.org";
        r.password = "pa:ss word";
        r.ipv4 = "203.0.113.7";
        return r;
    }

    testsupport::TrustTestAuthority trust;
    testsupport::DnsUpdateServer server;
    std::optional<NginxServer> tls;
    HttpClient http;
};

TEST_F(DnsProviders, Dyndns2SendsHostsAddressCredentialsAndAgentOverHttpsByDefault)
{
    DnsUpdateRequest r = request();
    r.server = "127.0.0.1:" + std::to_string(tls->TlsPort());
    server.answer(200, "good 203.0.113.7\ngood 203.0.113.7\n");
    const DnsUpdateResult good = sendDnsUpdate(http, "dyndns2", r);
    EXPECT_EQ(good.answer, DnsAnswer::Success);
    EXPECT_EQ(good.code, "good");
    ASSERT_EQ(server.requests().size(), 1u);
    const auto sent = server.requests()[0];
    EXPECT_EQ(sent.path, "/nic/update?hostname=home.example.org,nas.example.org&myip=203.0.113.7");
    EXPECT_EQ(sent.authorization, "Basic " + encodeBase64("me@example.org:pa:ss word"));
    EXPECT_EQ(sent.agent, "Kestrune/" KESTRUNE_PROJECT_VERSION);

    // A server that is gone is a passing failure, and the error text does not carry the password.
    r.server = "http://127.0.0.1:1";
    const DnsUpdateResult unreachable = sendDnsUpdate(http, "dyndns2", r);
    EXPECT_EQ(unreachable.answer, DnsAnswer::Passing);
    EXPECT_EQ(unreachable.code.find("pa:ss"), std::string::npos);
}

// An untrusted certificate is retried later, and nothing (credentials included) reaches the server.
TEST_F(DnsProviders, UntrustedCertificateIsAPassingFailureEvenWhenAnyWasAccepted)
{
    const TestCertificates& certificates = TestCertificates::get();
    const NginxServer selfSigned(proxyTo(server, certificates.selfSignedCert(), certificates.selfSignedKey()));
    DnsUpdateRequest r = request();
    r.server = selfSigned.TlsBaseURL();
    http.acceptAnyCertificate = true;
    const DnsUpdateResult refused = sendDnsUpdate(http, "dyndns2", r);
    EXPECT_EQ(refused.answer, DnsAnswer::Passing);
    EXPECT_EQ(refused.code, "certificate verify failed: self-signed certificate");
    EXPECT_TRUE(server.requests().empty());

    // The same server through plain HTTP: the proxy itself works.
    r.server = selfSigned.BaseURL();
    EXPECT_EQ(sendDnsUpdate(http, "dyndns2", r).answer, DnsAnswer::Success);
    EXPECT_EQ(server.requests().size(), 1u);
}

// Each provider's documented form for IPv4, IPv6 and both; an IPv6-only update leaves the A record alone; a token
// goes in the query, not as credentials.
TEST(DnsProviderForms, EachFamilyGoesOutInTheProvidersDocumentedForm)
{
    constexpr const char* v4 = "203.0.113.7";
    constexpr const char* v6 = "2001:db8::7";
    const struct {
        const char* key;
        const char* ipv4;
        const char* ipv6;
        std::vector<std::string> paths;
    } kRows[] = {
        {"dyndns2", v4, v6, {"/nic/update?hostname=h.example&myip=203.0.113.7,2001:db8::7"}},
        {"noip", "", v6, {"/nic/update?hostname=h.example&myip=2001:db8::7"}},
        {"dynu", "", v6, {"/nic/update?hostname=h.example&myip=no&myipv6=2001:db8::7"}},
        {"dynu", v4, v6, {"/nic/update?hostname=h.example&myip=203.0.113.7&myipv6=2001:db8::7"}},
        {"desec", "", v6, {"/nic/update?hostname=h.example&myipv4=preserve&myipv6=2001:db8::7"}},
        {"desec", v4, "", {"/nic/update?hostname=h.example&myip=203.0.113.7"}},
        {"duckdns", v4, v6, {"/update?domains=h.example&token=k%2Fey&ip=203.0.113.7&ipv6=2001:db8::7"}},
        {"duckdns", "", v6, {"/update?domains=h.example&token=k%2Fey&ipv6=2001:db8::7"}},
        {"ionos", v4, v6, {"/dns/v1/dyndns?q=k%2Fey&ipv4=203.0.113.7&ipv6=2001:db8::7"}},
        {"cloudns", v4, v6, {"/api/dynamicURL/?q=k%2Fey", "/api/dynamicURL/?q=k%2Fey"}},
        {"cloudns", "", v6, {"/api/dynamicURL/?q=k%2Fey"}},
        {"custom", v4, "", {"/set?name=h%20b%26c&ip=203.0.113.7&again=203.0.113.7&v6="}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::string(row.key) + " " + row.ipv4 + " " + row.ipv6);
        testsupport::DnsUpdateServer server;
        server.answer(200, std::string(row.key) == "duckdns" ? "OK" : "good");
        DnsUpdateRequest r;
        r.server = server.origin();
        r.urlTemplate = server.origin() + "/set?name={HOST}&ip={IP}&again={IP}&v6={IP6}";
        const bool custom = std::string(row.key) == "custom";
        r.hosts = custom ? "h b&c" : "h.example";
        r.user = custom ? "" : "me";
        r.password = "k/ey";
        r.ipv4 = row.ipv4;
        r.ipv6 = row.ipv6;
        HttpClient http;
        EXPECT_EQ(sendDnsUpdate(http, row.key, r).answer, DnsAnswer::Success);
        std::vector<std::string> paths;
        for (const auto& sent : server.requests()) {
            paths.push_back(sent.path);
            if (std::string(row.key) == "duckdns" || std::string(row.key) == "custom") {
                EXPECT_EQ(sent.authorization, "");
            }
        }
        EXPECT_EQ(paths, row.paths);
    }
}

// How each provider's answers are taken: success, a wait, a passing failure retried later, or a refusal that
// stops the entry (one host refused makes the whole answer fatal; a rest request wins over success).
TEST(DnsProviderForms, AnswersAreTakenAsEachProviderDocumentsThem)
{
    const struct {
        const char* key;
        int status;
        const char* body;
        DnsAnswer answer;
        const char* code;  // nullptr: not checked
    } kRows[] = {
        {"dyndns2", 200, "nochg 203.0.113.7", DnsAnswer::Success, "nochg"},
        {"dyndns2", 200, "good 203.0.113.7\nnohost", DnsAnswer::Fatal, nullptr},
        {"dyndns2", 200, "badauth", DnsAnswer::Fatal, "badauth"},
        {"dyndns2", 200, "911", DnsAnswer::Wait, nullptr},
        {"dyndns2", 200, "dnserr", DnsAnswer::Wait, nullptr},
        {"dyndns2", 401, "", DnsAnswer::Fatal, nullptr},
        {"dyndns2", 503, "busy", DnsAnswer::Passing, "HTTP 503"},
        {"dyndns2", 200, "<html>captive portal</html>", DnsAnswer::Passing, nullptr},
        {"duckdns", 200, "OK", DnsAnswer::Success, nullptr},
        {"duckdns", 200, "KO", DnsAnswer::Fatal, nullptr},
        {"custom", 204, "", DnsAnswer::Success, nullptr},
        {"custom", 500, "oops", DnsAnswer::Passing, nullptr},
        // A key the provider does not know comes back as a sentence with a 200.
        {"cloudns", 200, "Invalid request.", DnsAnswer::Fatal, nullptr},
        {"ionos", 401, "", DnsAnswer::Fatal, nullptr},
        {"ionos", 503, "", DnsAnswer::Passing, nullptr},
        {"other", 200, "good", DnsAnswer::Fatal, nullptr},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::string(row.key) + " " + row.body);
        testsupport::DnsUpdateServer server;
        server.answer(row.status, row.body);
        DnsUpdateRequest r;
        r.server = server.origin();
        r.urlTemplate = server.origin() + "/set?ip={IP}";
        r.hosts = "h.example";
        r.password = "key";
        r.ipv4 = "203.0.113.7";
        HttpClient http;
        const DnsUpdateResult result = sendDnsUpdate(http, row.key, r);
        EXPECT_EQ(result.answer, row.answer);
        if (row.code) {
            EXPECT_EQ(result.code, row.code);
        }
    }
}

} // namespace
