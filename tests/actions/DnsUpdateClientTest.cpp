// Dynamic-DNS updates against a local update server: the requests sent and how answers are taken.
#include "DnsUpdateClient.h"
#include "DnsUpdateServer.h"
#include "NetBase64.h"
#include "NetHTTP.h"

#include <gtest/gtest.h>

using namespace kestrune::actions;

namespace {

DnsUpdateRequest request(DnsProvider provider, const testsupport::DnsUpdateServer& server)
{
    DnsUpdateRequest r;
    r.provider = provider;
    r.server = server.origin();
    r.hosts = "home.example.org, nas.example.org";
    r.user = "me@example.org";
    r.password = "pa:ss word";
    r.address = "203.0.113.7";
    return r;
}

TEST(DnsUpdateClient, Dyndns2SendsHostsAddressCredentialsAndAgentAndReadsEachAnswer)
{
    testsupport::DnsUpdateServer server;
    TNetHTTP http;
    const DnsUpdateRequest r = request(DnsProvider::Dyndns2, server);

    server.answer(200, "good 203.0.113.7\ngood 203.0.113.7\n");
    const DnsUpdateResult good = sendDnsUpdate(http, r);
    EXPECT_EQ(good.answer, DnsAnswer::Success);
    EXPECT_EQ(good.code, "good");
    ASSERT_EQ(server.requests().size(), 1u);
    const auto sent = server.requests()[0];
    EXPECT_EQ(sent.path, "/nic/update?hostname=home.example.org,nas.example.org&myip=203.0.113.7");
    EXPECT_EQ(sent.authorization, "Basic " + NetEncodeBase64("me@example.org:pa:ss word"));
    EXPECT_EQ(sent.agent, "Kestrune/1.1");

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

TEST(DnsUpdateClient, DuckDnsTakesTheTokenInTheQueryAndAnswersOkOrKo)
{
    testsupport::DnsUpdateServer server;
    TNetHTTP http;
    DnsUpdateRequest r = request(DnsProvider::DuckDns, server);
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

TEST(DnsUpdateClient, CustomUrlIsFilledInEncodedAndSucceedsOnAny2xx)
{
    testsupport::DnsUpdateServer server;
    TNetHTTP http;
    DnsUpdateRequest r = request(DnsProvider::Custom, server);
    r.hosts = "a b&c";
    r.user.clear();
    r.urlTemplate = server.origin() + "/set?name={HOST}&ip={IP}&again={IP}";
    server.answer(204, "");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Success);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/set?name=a%20b%26c&ip=203.0.113.7&again=203.0.113.7");
    EXPECT_EQ(server.requests()[0].authorization, "");
    server.answer(500, "oops");
    EXPECT_EQ(sendDnsUpdate(http, r).answer, DnsAnswer::Passing);
}

TEST(DnsUpdateClient, PresetsFillInTheirPublishedUpdateHosts)
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
