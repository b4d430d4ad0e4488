// The IPv6 service source and the IPv4-only mend against an nginx listening on 127.0.0.1 and [::1]; one
// dual-stack name of the test's own resolvers points at both.
#include "HttpClient.h"
#include "Ipv6Lookup.h"
#include "Lookup.h"
#include "NginxServer.h"
#include "SocketHandle.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kestrune::lookup;
using namespace kestrune::net;
using testsupport::NginxServer;

namespace {

class Ipv6Service : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        root = std::make_unique<testsupport::TempDir>("kestrune-ipv6-www");
        root->Write("index.html", "");
        NginxServer::Options options;
        options.DocumentRoot = root->Path();
        options.AlsoIpv6 = true;
        // The echo answers with the address the request came from, so the family used shows.
        options.ServerConfig = "    location = /ip { default_type text/plain; return 200 \"$remote_addr\\n\"; }\n";
        server = std::make_unique<NginxServer>(options);
        auto only = [](const std::string& address) {
            return [address](const std::string& host, std::string& ip) {
                if (host != "dual.test" && !(host == "v6.test" && address.find(':') != std::string::npos))
                    return false;
                ip = address;
                return true;
            };
        };
        sockets::setResolveFunction(only("127.0.0.1"), IpFamily::V4);
        sockets::setResolveFunction(only("::1"), IpFamily::V6);
    }
    static void TearDownTestSuite()
    {
        sockets::setResolveFunction({}, IpFamily::V4);
        sockets::setResolveFunction({}, IpFamily::V6);
        server.reset();
        root.reset();
    }
    void SetUp() override
    {
        if (!server)
            GTEST_SKIP() << "nginx missing";
    }
    static std::string Url(const std::string& host) { return "http://" + host + ":" + std::to_string(server->Port()) + "/ip"; }

    static inline std::unique_ptr<testsupport::TempDir> root;
    static inline std::unique_ptr<NginxServer> server;
};

TEST_F(Ipv6Service, TheServiceIsAskedOverIpv6Only)
{
    const struct {
        std::string url;
        std::string address;
        std::string reason;
    } cases[] = {
        {Url("dual.test"), "::1", ""},
        {Url("[::1]"), "::1", ""},
        {Url("localhost"), "::1", ""},
        {Url("127.0.0.1"), "", Url("127.0.0.1") + " gave no IPv6 address: Socket Error # 11001\r\nHost not found."},
    };
    for (const auto& c : cases) {
        HttpClient http;
        Ipv6LookupFields fields;
        fields.source = Ipv6Source::Service;
        fields.serviceUrl = c.url;
        const Ipv6LookupResult result = lookUpIpv6(http, fields);
        EXPECT_EQ(result.address, c.address) << c.url;
        EXPECT_EQ(result.reason, c.reason) << c.url;
    }
}

TEST_F(Ipv6Service, TheFallbackAsksTheOtherServicesWhenTheChosenOneFails)
{
    const std::string failing = Url("127.0.0.1"), answering = Url("v6.test");
    const ExternalService services[] = {{failing, "failing"}, {answering, "answering"}};
    HttpClient http;
    Ipv6LookupFields fields;
    fields.source = Ipv6Source::Service;
    fields.serviceUrl = failing;
    EXPECT_EQ(lookUpIpv6(http, fields, services).address, "");
    fields.fallback = true;
    const Ipv6LookupResult result = lookUpIpv6(http, fields, services);
    EXPECT_EQ(result.address, "::1");
    EXPECT_EQ(result.answeredBy, answering);
}

TEST_F(Ipv6Service, AnIpv4LookupOfADualStackNameConnectsOverIpv4)
{
    HttpClient http;
    LookupFields fields;
    fields.external = true;
    fields.serviceUrl = Url("dual.test");
    EXPECT_EQ(runLookup(http, fields).address, "127.0.0.1");
}

} // namespace
