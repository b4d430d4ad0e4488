// The sources beside the web as the monitor uses them: confirmation by a second source and the provider
// diagnosis, against the tests' own STUN, DNS and router peers on 127.0.0.1.
#include "AddressPeer.h"
#include "Monitor.h"
#include "MonitorRecorder.h"
#include "ProviderDiagnosis.h"
#include "Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace kestrune::core;
using namespace kestrune::lookup;
using testsupport::AddressPeer;

namespace {

using Recorder = testsupport::MonitorRecorder;
using Timers = testsupport::ManualTimers;

// A manual monitor whose source is the STUN peer; every other source points at local peers or closed ports.
struct Rig {
    explicit Rig(const AddressPeer& stun)
    {
        settings.source = "stun";
        settings.stunServers = stun.server();
        settings.external = true;
        settings.extDns = "http://127.0.0.1:9/";
        settings.interval = 0;
        settings.publicOnly = false;
        settings.saveIp = true;
        settings.ipFilename = folder.File("ip.txt");
        monitor.setClock([this] { return clock; });
        SourceOptions& options = monitor.sourceOptions();
        options.dnsQuestions.clear();
        options.upnpRootDescription = "http://127.0.0.1:9/rootDesc.xml";
        options.natpmpGateway = "127.0.0.1";
        monitor.http().readTimeout = 3000;
    }
    std::string ipFile() const
    {
        std::ifstream in(settings.ipFilename);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
    }

    testsupport::TempDir folder{"kestrune-sources"};
    Settings settings = defaultSettings("http://127.0.0.1:9/");
    Recorder seen;
    Timers timers;
    long long clock = 1'800'000'000;
    Monitor monitor{settings, seen, timers};
};

} // namespace

TEST(MonitorConfirm, PublishesOnlyWhatASecondSourceAgreesWith)
{
    AddressPeer stun({"stun", "--answer", "203.0.113.7"});
    const struct {
        const char* dnsAnswer;
        const char* ipFile;
        const char* refusal;  // the status line and balloon when nothing goes out
    } cases[] = {
        {"203.0.113.7", "203.0.113.7", ""},
        {"198.51.100.9", "(none)", "Not published: STUN said 203.0.113.7, DNS said 198.51.100.9."},
    };
    for (const auto& c : cases) {
        AddressPeer dns({"dns", "--answer", c.dnsAnswer});
        Rig rig(stun);
        rig.settings.confirm = true;
        rig.monitor.sourceOptions().dnsQuestions = {{"127.0.0.1", dns.port(), "myip.opendns.com", false}};
        // An IPv4 change that waits for confirmation does not hold back the IPv6 address.
        rig.settings.ipv6Enabled = true;
        rig.settings.ipv6Filename = rig.folder.File("ip6.txt");
        rig.monitor.setAddressReader([] { return std::vector{testsupport::GlobalAddress("2001:db8:1::1")}; });
        rig.monitor.start();
        EXPECT_EQ(rig.seen.found, "203.0.113.7") << c.dnsAnswer;
        EXPECT_EQ(rig.ipFile(), c.ipFile) << c.dnsAnswer;
        std::ifstream ip6(rig.settings.ipv6Filename);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(ip6), {}), "2001:db8:1::1") << c.dnsAnswer;
        const std::string refusal = c.refusal;
        EXPECT_EQ(rig.seen.notices[Notice::Balloon],
                  refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{refusal});
        if (!refusal.empty()) {
            EXPECT_EQ(rig.seen.status, refusal);
        }
    }
}

TEST(MonitorDiagnosis, SharedRouterAddressIsToldOnceAndTheRouterAskedHourly)
{
    AddressPeer stun({"stun", "--answer", "203.0.113.7"});
    Rig rig(stun);
    rig.settings.routerCheck = true;
    std::unique_ptr<AddressPeer> router;
    auto routerSays = [&rig, &router](const std::string& wan) {
        router = std::make_unique<AddressPeer>(
            std::vector<std::string>{"router", "--wan", wan, "--host", "127.0.0.1", "--http-only"});
        rig.monitor.sourceOptions().upnpRootDescription =
            "http://127.0.0.1:" + std::to_string(router->port()) + "/rootDesc.xml";
    };

    routerSays("100.64.12.34");
    rig.monitor.start();
    ASSERT_EQ(rig.seen.diagnoses.size(), 1u);
    EXPECT_TRUE(rig.seen.diagnoses[0].second);
    // The wording is the diagnosis's own; here it must name the router's and the seen address.
    EXPECT_EQ(rig.seen.diagnoses[0].first, providerDiagnosis("100.64.12.34", "203.0.113.7"));
    EXPECT_EQ(rig.settings.diagnosis, rig.seen.diagnoses[0].first);
    EXPECT_EQ(rig.ipFile(), "203.0.113.7");

    // An hour on, the same finding is not told again.
    rig.clock += 3600;
    rig.monitor.start();
    EXPECT_EQ(rig.seen.diagnoses.size(), 1u);

    // Within the hour the router is not asked; after it, a router holding the public address clears the finding.
    routerSays("203.0.113.7");
    rig.clock += 1800;
    rig.monitor.start();
    EXPECT_EQ(rig.seen.diagnoses.size(), 1u);
    rig.clock += 3600;
    rig.monitor.start();
    ASSERT_EQ(rig.seen.diagnoses.size(), 2u);
    EXPECT_FALSE(rig.seen.diagnoses[1].second);
}
