// Cloudflare and Porkbun against the tests' own API server following their documented shapes.
#include "DnsApiServer.h"
#include "DnsProvider.h"
#include "DnsUpdateServer.h"
#include "HttpClient.h"

#include <gtest/gtest.h>

using namespace kestrune::actions;
using nlohmann::json;
using testsupport::DnsApiServer;

namespace {

constexpr const char* kZoneId = "zone-example";

json cloudflareState()
{
    return {{"token", "cf-t0ken"},
            {"apikey", "pk1"},
            {"secret", "sk1"},
            {"zones", {{{"id", kZoneId}, {"name", "example.test"}}}},
            {"records",
             {{{"id", "rec-home"}, {"zone", kZoneId}, {"type", "A"}, {"name", "home.example.test"},
               {"content", "192.0.2.1"}, {"proxied", false}, {"ttl", 300}, {"comment", "keep me"}},
              {{"id", "rec-www"}, {"zone", kZoneId}, {"type", "A"}, {"name", "www.example.test"},
               {"content", "192.0.2.2"}, {"proxied", true}, {"ttl", 1}, {"comment", nullptr}},
              {{"id", "rec-m1"}, {"zone", kZoneId}, {"type", "A"}, {"name", "multi.example.test"},
               {"content", "192.0.2.3"}, {"proxied", false}, {"ttl", 1}, {"comment", nullptr}},
              {{"id", "rec-m2"}, {"zone", kZoneId}, {"type", "A"}, {"name", "multi.example.test"},
               {"content", "192.0.2.4"}, {"proxied", false}, {"ttl", 1}, {"comment", nullptr}},
              {{"id", "7"}, {"zone", "example.test"}, {"type", "A"}, {"name", "pb.example.test"},
               {"content", "192.0.2.5"}, {"ttl", 600}}}}};
}

json record(const json& state, const std::string& name, const std::string& type)
{
    for (const json& r : state["records"])
        if (r["name"] == name && r["type"] == type)
            return r;
    return nullptr;
}

std::vector<std::string> calls(const DnsApiServer& server)
{
    std::vector<std::string> out;
    for (const json& r : server.requests())
        out.push_back(r["method"].get<std::string>() + " " + r["path"].get<std::string>());
    return out;
}

DnsUpdateRequest cloudflareRequest(const DnsApiServer& server, const std::string& hosts, const std::string& ipv4,
                                   const std::string& ipv6)
{
    DnsUpdateRequest r;
    r.server = server.origin();
    r.hosts = hosts;
    r.password = "cf-t0ken";
    r.ipv4 = ipv4;
    r.ipv6 = ipv6;
    return r;
}

// PATCH keeps what the user set on a record; a missing one is created unproxied with automatic TTL; at most four
// calls per name and family; a proxied record says the name answers Cloudflare's addresses.
TEST(Cloudflare, UpdatesTheFirstRecordKeepingItsSettingsAndCreatesMissingOnes)
{
    const std::string records = "/client/v4/zones/zone-example/dns_records";
    const struct {
        const char* hosts;
        const char* ipv4;
        const char* ipv6;
        std::vector<std::string> calls;
        const char* code;
        bool proxied;
        bool remark;
    } kRows[] = {
        {"home.example.test", "198.51.100.4", "",
         {"GET /client/v4/zones?name=example.test", "GET " + records + "?type=A&name=home.example.test",
          "PATCH " + records + "/rec-home"},
         "updated", false, false},
        {"new.example.test", "", "2001:db8::4",
         {"GET /client/v4/zones?name=example.test", "GET " + records + "?type=AAAA&name=new.example.test",
          "POST " + records},
         "created", false, false},
        {"www.example.test", "192.0.2.2", "",
         {"GET /client/v4/zones?name=example.test", "GET " + records + "?type=A&name=www.example.test"},
         "unchanged", true, false},
        {"multi.example.test", "198.51.100.6", "",
         {"GET /client/v4/zones?name=example.test", "GET " + records + "?type=A&name=multi.example.test",
          "PATCH " + records + "/rec-m1"},
         "updated", false, true},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.hosts);
        const DnsApiServer server(cloudflareState());
        kestrune::net::HttpClient http;
        const DnsUpdateResult result = sendDnsUpdate(http, "cloudflare", cloudflareRequest(server, row.hosts, row.ipv4, row.ipv6));
        EXPECT_EQ(result.answer, DnsAnswer::Success) << result.code;
        EXPECT_EQ(result.code, row.code);
        EXPECT_EQ(result.answersElsewhere, row.proxied);
        EXPECT_EQ(!result.remark.empty(), row.remark) << result.remark;
        EXPECT_EQ(calls(server), row.calls);
        for (const json& sent : server.requests())
            EXPECT_EQ(sent["authorization"], "Bearer cf-t0ken");
    }
    const DnsApiServer server(cloudflareState());
    kestrune::net::HttpClient http;
    ASSERT_EQ(sendDnsUpdate(http, "cloudflare", cloudflareRequest(server, "home.example.test,new.example.test",
                                                                   "198.51.100.4", "2001:db8::4")).answer,
              DnsAnswer::Success);
    const json state = server.state();
    const json home = record(state, "home.example.test", "A");
    EXPECT_EQ(home["content"], "198.51.100.4");
    EXPECT_EQ(home["ttl"], 300);
    EXPECT_EQ(home["comment"], "keep me");
    EXPECT_EQ(home["proxied"], false);
    const json created = record(state, "new.example.test", "AAAA");
    EXPECT_EQ(created["ttl"], 1);
    EXPECT_EQ(created["proxied"], false);
    // The zone found for the first name serves the second.
    EXPECT_EQ(calls(server).size(), 9u);
}

TEST(Cloudflare, AnswersAreTakenByTheirCodes)
{
    const json zones = {{"status", 200}, {"body", {{"success", true}, {"errors", json::array()}, {"result", {{{"id", kZoneId}, {"name", "example.test"}}}}}}};
    const json none = {{"status", 200}, {"body", {{"success", true}, {"errors", json::array()}, {"result", json::array()}}}};
    const auto error = [](int status, int code) {
        return json{{"status", status},
                    {"body", {{"success", false}, {"errors", {{{"code", code}, {"message", "said " + std::to_string(code)}}}}}}};
    };
    json limited = error(429, 971);
    limited["headers"] = {{"Retry-After", "600"}};
    json shortLimit = error(429, 971);
    shortLimit["headers"] = {{"Retry-After", "10"}};
    const struct {
        const char* what;
        std::vector<json> answers;
        DnsAnswer answer;
        long long wait;
    } kRows[] = {
        {"invalid token", {error(403, 9109)}, DnsAnswer::Fatal, 0},
        {"token limited to other addresses", {error(400, 6003)}, DnsAnswer::Fatal, 0},
        {"expired token", {error(400, 10000)}, DnsAnswer::Fatal, 0},
        {"401 without JSON", {{{"status", 401}, {"body", "no"}}}, DnsAnswer::Fatal, 0},
        {"rate limit", {zones, limited}, DnsAnswer::Wait, 600},
        {"short rate limit", {zones, shortLimit}, DnsAnswer::Wait, 300},
        {"server error", {zones, error(500, 10001)}, DnsAnswer::Passing, 0},
        // Made meanwhile: listing again finds it with the address.
        {"already exists", {zones, none, error(400, 81058)}, DnsAnswer::Success, 0},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.what);
        const DnsApiServer server(cloudflareState());
        server.queue(row.answers);
        kestrune::net::HttpClient http;
        const DnsUpdateResult result =
            sendDnsUpdate(http, "cloudflare", cloudflareRequest(server, "home.example.test", "192.0.2.1", ""));
        EXPECT_EQ(result.answer, row.answer) << result.code;
        EXPECT_EQ(result.waitSeconds, row.wait);
        EXPECT_EQ(result.code.find("cf-t0ken"), std::string::npos);
    }
}

// The token goes to the API base alone: a redirect elsewhere is not followed.
TEST(Cloudflare, TheTokenNeverGoesToAnotherHost)
{
    const DnsApiServer server(cloudflareState());
    const testsupport::DnsUpdateServer elsewhere;
    server.queue({{{"status", 302}, {"body", "moved"}, {"headers", {{"Location", elsewhere.origin() + "/client/v4/zones"}}}}});
    kestrune::net::HttpClient http;
    EXPECT_NE(sendDnsUpdate(http, "cloudflare", cloudflareRequest(server, "home.example.test", "198.51.100.4", "")).answer,
              DnsAnswer::Success);
    EXPECT_TRUE(elsewhere.requests().empty());
}

TEST(Porkbun, EditsOrCreatesTheRecordAndStopsOnARefusedKey)
{
    const struct {
        const char* hosts;
        const char* apikey;
        const char* ipv4;
        const char* ipv6;
        DnsAnswer answer;
        std::vector<std::string> calls;
    } kRows[] = {
        {"pb.example.test", "pk1", "198.51.100.8", "", DnsAnswer::Success,
         {"POST /api/json/v3/dns/retrieveByNameType/example.test/A/pb", "POST /api/json/v3/dns/edit/example.test/7"}},
        {"example.test", "pk1", "", "2001:db8::8", DnsAnswer::Success,
         {"POST /api/json/v3/dns/retrieveByNameType/example.test/AAAA/", "POST /api/json/v3/dns/create/example.test"}},
        {"pb.example.test", "wrong", "198.51.100.8", "", DnsAnswer::Fatal,
         {"POST /api/json/v3/dns/retrieveByNameType/example.test/A/pb"}},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::string(row.hosts) + " " + row.apikey);
        const DnsApiServer server(cloudflareState());
        DnsUpdateRequest r;
        r.server = server.origin();
        r.hosts = row.hosts;
        r.user = row.apikey;
        r.password = "sk1";
        r.ipv4 = row.ipv4;
        r.ipv6 = row.ipv6;
        kestrune::net::HttpClient http;
        const DnsUpdateResult result = sendDnsUpdate(http, "porkbun", r);
        EXPECT_EQ(result.answer, row.answer) << result.code;
        EXPECT_EQ(calls(server), row.calls);
        if (row.answer == DnsAnswer::Success) {
            const json changed = record(server.state(), row.hosts, *row.ipv4 ? "A" : "AAAA");
            EXPECT_EQ(changed["content"], *row.ipv4 ? row.ipv4 : row.ipv6);
        }
    }
}

} // namespace
