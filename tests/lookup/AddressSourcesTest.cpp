#include "AddressSources.h"
#include "DatagramSocket.h"
#include "NetworkWait.h"
#include "ProviderDiagnosis.h"

#include "AddressPeer.h"
#include "TempDir.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace kestrune::lookup;
using testsupport::AddressPeer;

namespace {

// Options that name no public server: whatever a test leaves out cannot leave the machine.
SourceOptions localOptions(int timeoutMs = 4000)
{
    SourceOptions options;
    options.timeoutMs = timeoutMs;
    options.stunServers.clear();
    options.dnsQuestions.clear();
    options.upnpRootDescription = "http://127.0.0.1:9/rootDesc.xml";
    options.natpmpGateway = "127.0.0.1";
    return options;
}

// A bound UDP port on 127.0.0.1 that never answers.
struct SilentServer {
    kestrune::net::DatagramSocket socket;
    SilentServer()
    {
        socket.open();
        socket.bind("127.0.0.1", 0);
    }
    std::string server() const { return "127.0.0.1:" + std::to_string(socket.localPort()); }
    int questionsHeard()
    {
        int heard = 0;
        while (socket.receive(0))
            ++heard;
        return heard;
    }
};

} // namespace

// A spoiled answer (wrong id, truncated, wrong cookie) names 198.51.100.99 and comes first; only the good one counts.
TEST(StunLookup, AsksCoturnMovesOnFromASilentServerAndIgnoresSpoiledAnswers)
{
    testsupport::TempDir folder("kestrune-coturn");
    AddressPeer coturn(AddressPeer::coturn(folder));
    SilentServer silent;
    AddressPeer wrongId({"stun", "--answer", "203.0.113.7", "--bad", "wrong-id"});
    AddressPeer truncated({"stun", "--answer", "203.0.113.7", "--bad", "truncated"});
    AddressPeer cookie({"stun", "--answer", "203.0.113.7", "--bad", "cookie"});
    const struct {
        const char* name;
        std::vector<std::string> servers;
        const char* address;
    } cases[] = {
        {"coturn alone", {coturn.server()}, "127.0.0.1"},
        {"silent server first", {silent.server(), coturn.server()}, "127.0.0.1"},
        {"wrong id", {wrongId.server()}, "203.0.113.7"},
        {"truncated", {truncated.server()}, "203.0.113.7"},
        {"cookie", {cookie.server()}, "203.0.113.7"},
    };
    for (const auto& c : cases) {
        SourceOptions options = localOptions();
        options.stunServers = c.servers;
        const LookupResult result = lookUpStun(options);
        EXPECT_FALSE(result.failed()) << c.name << ": " << result.errorMessage;
        EXPECT_EQ(result.address, c.address) << c.name;
    }
}

TEST(StunLookup, SilentServersFailWithinTheTimeOutThroughTheWaitHook)
{
    SilentServer first, second;
    SourceOptions options = localOptions(800);
    options.stunServers = {first.server(), second.server()};
    testsupport::ActOnFirstWait hook;
    bool hookUsed = false;
    hook.during = [&hookUsed] { hookUsed = true; };
    kestrune::net::NetworkWait::installHook(&hook);
    const auto start = std::chrono::steady_clock::now();
    const LookupResult result = lookUpStun(options);
    kestrune::net::NetworkWait::installHook(nullptr);
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(result.errorMessage.rfind("No STUN server answered: ", 0), 0u) << result.errorMessage;
    EXPECT_LT(testsupport::MillisecondsSince(start), 800 + 400);
    EXPECT_TRUE(hookUsed);
    // 400 ms each: the first send and one resend, never a burst at the end of a server's share.
    EXPECT_LE(first.questionsHeard(), 2);
    EXPECT_LE(second.questionsHeard(), 2);
}

// Either question gives the asker's address; a name the peer does not know fails rather than taking any address.
TEST(DnsLookup, ReadsTheAskersAddressFromEitherQuestionAndNothingElse)
{
    AddressPeer peer({"dns"});
    const struct {
        const char* name;
        bool chaosTxt;
        const char* address;  // empty: the lookup fails
    } cases[] = {
        {"whoami.cloudflare", true, "127.0.0.1"},
        {"myip.opendns.com", false, "127.0.0.1"},
        {"unknown.example", false, ""},
    };
    for (const auto& c : cases) {
        SourceOptions options = localOptions(1000);
        options.dnsQuestions = {{"127.0.0.1", peer.port(), c.name, c.chaosTxt}};
        const LookupResult result = lookUpDns(options);
        EXPECT_EQ(result.address, c.address) << c.name << ": " << result.errorMessage;
        EXPECT_EQ(result.failed(), !*c.address) << c.name;
        if (!*c.address) {
            EXPECT_TRUE(result.errorMessage.starts_with("No DNS server told the address: ")) << result.errorMessage;
        }
    }
}

TEST(ProviderDiagnosis, NamesTheSharedAddressOnlyWhenTheRouterLacksThePublicOne)
{
    const struct {
        const char* router;
        const char* seen;
        bool hidden;
    } cases[] = {
        {"100.64.12.34", "203.0.113.5", true},   // carrier-grade NAT
        {"192.168.1.1", "203.0.113.5", true},    // a second router in front
        {"198.51.100.7", "203.0.113.5", true},   // public, but not what the internet sees
        {"100.64.1.1", "100.64.1.1", true},      // only the router was asked
        {"203.0.113.5", "203.0.113.5", false},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> text = providerDiagnosis(c.router, c.seen);
        ASSERT_EQ(text.has_value(), c.hidden) << c.router;
        if (text) {
            EXPECT_EQ(text->rfind("Your provider puts your router behind a shared address (carrier-grade NAT): "
                                  "connections from the internet to " + std::string(c.seen) +
                                  " will not reach your network.", 0), 0u) << *text;
        }
    }
}
