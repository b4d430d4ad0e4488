// Dynamic-DNS updates against a local update server behind nginx with TLS: the requests sent and how
// answers are taken.
#include "DnsUpdateClient.h"
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

class DnsUpdateClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        const TestCertificates& certificates = TestCertificates::get();
        tls.emplace(proxyTo(server, certificates.serverCert(), certificates.serverKey()));
    }

    DnsUpdateRequest request(DnsProvider provider) const
    {
        DnsUpdateRequest r;
        r.provider = provider;
        r.server = tls->TlsBaseURL();
        r.hosts = "home.example.org, nas.example.org";
        r.user = "me@example.org";
        r.password = "pa:ss word";
        r.address = "203.0.113.7";
        return r;
    }

    testsupport::TrustTestAuthority trust;
    testsupport::DnsUpdateServer server;
    std::optional<NginxServer> tls;
    HttpClient http;
};

TEST_F(DnsUpdateClient, Dyndns2SendsHostsAddressCredentialsAndAgentAndReadsEachAnswer)
{
    DnsUpdateRequest r = request(DnsProvider::Dyndns2);
    // A server with no scheme is reached over https.
    r.server = "127.0.0.1:" + std::to_string(tls->TlsPort());

    server.answer(200, "good 203.0.113.7\ngood 203.0.113.7\n");
    const DnsUpdateResult good = sendDnsUpdate(http, r);
    EXPECT_EQ(good.answer, DnsAnswer::Success);
    EXPECT_EQ(good.code, "good");
    ASSERT_EQ(server.requests().size(), 1u);
    const auto sent = server.requests()[0];
    EXPECT_EQ(sent.path, "/nic/update?hostname=home.example.org,nas.example.org&myip=203.0.113.7");
    EXPECT_EQ(sent.authorization, "Basic " + encodeBase64("me@example.org:pa:ss word"));
    EXPECT_EQ(sent.agent, "Kestrune/" KESTRUNE_PROJECT_VERSION);

    server.answer(200, "nochg 203.0.113.7");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Success);
    // One host refused makes the whole answer fatal; a rest request wins over success.
    server.answer(200, "good 203.0.113.7\nnohost");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Fatal);
    server.answer(200, "badauth");
    const DnsUpdateResult refused = sendDnsUpdate(http, r);
    EXPECT_EQ(refused.answer, DnsAnswer::Fatal);
    EXPECT_EQ(refused.code, "badauth");
    server.answer(200, "911");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Wait);
    server.answer(200, "dnserr");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Wait);
    server.answer(401, "");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Fatal);
    server.answer(503, "busy");
    const DnsUpdateResult busy = sendDnsUpdate(http, r);
    EXPECT_EQ(busy.answer, DnsAnswer::Passing);
    EXPECT_EQ(busy.code, "HTTP 503");
    server.answer(200, "<html>captive portal</html>");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Passing);

    // A server that is gone is a passing failure, and the error text does not carry the password.
    DnsUpdateRequest gone = r;
    gone.server = "http://127.0.0.1:1";
    const DnsUpdateResult unreachable = sendDnsUpdate(http, gone);
    EXPECT_EQ(unreachable.answer, DnsAnswer::Passing);
    EXPECT_EQ(unreachable.code.find("pa:ss"), std::string::npos);
}

TEST_F(DnsUpdateClient, DuckDnsTakesTheTokenInTheQueryAndAnswersOkOrKo)
{
    DnsUpdateRequest r = request(DnsProvider::DuckDns);
    r.hosts = "myhome";
    r.password = "tok/en";
    server.answer(200, "OK");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Success);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/update?domains=myhome&token=tok%2Fen&ip=203.0.113.7");
    EXPECT_EQ(server.requests()[0].authorization, "");
    server.answer(200, "KO");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Fatal);

    r.server.clear();
    EXPECT_EQ(dnsUpdateUrl(r), "https://www.duckdns.org/update?domains=myhome&token=tok%2Fen&ip=203.0.113.7");
}

TEST_F(DnsUpdateClient, CustomUrlIsFilledInEncodedAndSucceedsOnAny2xx)
{
    DnsUpdateRequest r = request(DnsProvider::Custom);
    r.hosts = "a b&c";
    r.user.clear();
    r.urlTemplate = tls->TlsBaseURL() + "/set?name={HOST}&ip={IP}&again={IP}";
    server.answer(204, "");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Success);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/set?name=a%20b%26c&ip=203.0.113.7&again=203.0.113.7");
    EXPECT_EQ(server.requests()[0].authorization, "");
    server.answer(500, "oops");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Passing);
}

// An untrusted certificate is retried later, and nothing (credentials included) reaches the server.
TEST_F(DnsUpdateClient, UntrustedCertificateIsAPassingFailureEvenWhenAnyWasAccepted)
{
    const TestCertificates& certificates = TestCertificates::get();
    const NginxServer selfSigned(proxyTo(server, certificates.selfSignedCert(), certificates.selfSignedKey()));
    DnsUpdateRequest r = request(DnsProvider::Dyndns2);
    r.server = selfSigned.TlsBaseURL();
    http.acceptAnyCertificate = true;
    const DnsUpdateResult refused = sendDnsUpdate(http, r);
    EXPECT_EQ(refused.answer, DnsAnswer::Passing);
    EXPECT_EQ(refused.code, "certificate verify failed: self-signed certificate");
    EXPECT_TRUE(server.requests().empty());

    // The same server through plain HTTP: the proxy itself works.
    r.server = selfSigned.BaseURL();
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Success);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(DnsUpdateUrl, PresetsFillInTheirPublishedUpdateHosts)
{
    DnsUpdateRequest r;
    r.hosts = "h.example";
    r.address = "198.51.100.1";
    for (const auto& [provider, key, url] :
         {std::tuple{DnsProvider::NoIp, "noip", "https://dynupdate.no-ip.com/nic/update?"},
          std::tuple{DnsProvider::Dynu, "dynu", "https://api.dynu.com/nic/update?"},
          std::tuple{DnsProvider::Desec, "desec", "https://update.dedyn.io/nic/update?"}}) {
        r.provider = provider;
        EXPECT_EQ(dnsProviderFromKey(key), provider);
        EXPECT_EQ(dnsUpdateUrl(r), std::string(url) + "hostname=h.example&myip=198.51.100.1");
    }
    EXPECT_EQ(dnsProviderFromKey("other"), std::nullopt);
}

} // namespace
