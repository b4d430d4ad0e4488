// DNS UPDATE with TSIG against a real BIND 9, and the proof that names answer, asked of the same server.
#include "BindServer.h"
#include "DnsProof.h"
#include "DnsProvider.h"
#include "HttpClient.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrune::actions;
using testsupport::BindServer;

namespace {

class Rfc2136 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!BindServer::Available())
            GTEST_SKIP() << "named or nsupdate missing (bind9, bind9-dnsutils)";
        bind.emplace();
    }

    DnsUpdateRequest request(const std::string& ipv4, const std::string& ipv6) const
    {
        DnsUpdateRequest r;
        r.server = bind->Address();
        r.zone = "example.test";
        r.hosts = "home.example.test";
        r.user = BindServer::KeyName();
        r.password = bind->Secret();
        r.ipv4 = ipv4;
        r.ipv6 = ipv6;
        return r;
    }

    // What the server answers for home.example.test, checked for both families (empty: not checked).
    DnsProofAnswer answers(const std::string& ipv4, const std::string& ipv6) const
    {
        DnsProofRequest proof;
        proof.names = {"home.example.test"};
        proof.ipv4 = ipv4;
        proof.ipv6 = ipv6;
        proof.servers = bind->Address();
        return checkNamesAnswer(proof);
    }

    std::optional<BindServer> bind;
    kestrune::net::HttpClient http;
};

// Each family replaces its own record set only: an IPv6-only update keeps the A record.
TEST_F(Rfc2136, EachFamilyReplacesItsOwnSetAndTheNameAnswersIt)
{
    const struct {
        const char* ipv4;
        const char* ipv6;
        const char* answeredV4;  // what the A set holds afterwards
    } kRows[] = {
        {"198.51.100.4", "", "198.51.100.4"},
        {"", "2001:db8::4", "198.51.100.4"},
        {"198.51.100.5", "2001:db8::5", "198.51.100.5"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(std::string(row.ipv4) + " " + row.ipv6);
        const DnsUpdateResult result = sendDnsUpdate(http, "rfc2136", request(row.ipv4, row.ipv6));
        EXPECT_EQ(result.answer, DnsAnswer::Success) << result.code;
        const DnsProofAnswer proof = answers(row.answeredV4, row.ipv6);
        EXPECT_TRUE(proof.answering) << proof.detail;
    }
}

TEST_F(Rfc2136, RefusalsStopTheEntryWithTheReasonAndAnAbsentServerIsTriedAgain)
{
    const struct {
        const char* what;
        std::function<void(DnsUpdateRequest&)> change;
        DnsAnswer answer;
        const char* code;
    } kRows[] = {
        {"wrong secret", [](DnsUpdateRequest& r) { r.password = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA="; },
         DnsAnswer::Fatal, "BADSIG"},
        {"unknown key", [](DnsUpdateRequest& r) { r.user = "someone-else"; }, DnsAnswer::Fatal, "BADKEY"},
        {"zone without updates",
         [](DnsUpdateRequest& r) {
             r.zone = "locked.test";
             r.hosts = "home.locked.test";
         },
         DnsAnswer::Fatal, "REFUSED"},
        {"server gone", [](DnsUpdateRequest& r) { r.server = "127.0.0.1:1"; }, DnsAnswer::Passing, ""},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.what);
        DnsUpdateRequest r = request("198.51.100.9", "");
        row.change(r);
        const DnsUpdateResult result = sendDnsUpdate(http, "rfc2136", r);
        EXPECT_EQ(result.answer, row.answer) << result.code;
        EXPECT_TRUE(result.code.starts_with(row.code)) << result.code;
        EXPECT_EQ(result.code.find(bind->Secret()), std::string::npos);
    }
    // Nothing of the refused updates reached the zone.
    EXPECT_TRUE(answers("192.0.2.1", "").answering);
}

// A provider that said yes and changed nothing (here: the record changed back behind its back) is caught, and
// the status names the server and what it answers.
TEST_F(Rfc2136, ProofCatchesAnUpdateTheServerDidNotKeep)
{
    ASSERT_EQ(sendDnsUpdate(http, "rfc2136", request("198.51.100.7", "")).answer, DnsAnswer::Success);
    bind->Set("home.example.test", "A", "192.0.2.99");
    const DnsProofAnswer proof = answers("198.51.100.7", "");
    EXPECT_FALSE(proof.answering);
    EXPECT_EQ(proof.detail, bind->Address() + " answers 192.0.2.99 for home.example.test");
    bind->Set("home.example.test", "A", "");
    EXPECT_EQ(answers("198.51.100.7", "").detail, bind->Address() + " answers no address for home.example.test");
}

} // namespace
