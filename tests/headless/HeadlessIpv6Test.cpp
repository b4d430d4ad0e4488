// IPv6 without a window, in a private network namespace whose loopback carries the addresses (the page's
// nginx runs there too).
#include "HeadlessRig.h"
#include "HeadlessRunner.h"
#include "PrivateNetwork.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kestrune::core;
using kestrune::headless::HeadlessRunner;
using testsupport::PrivateNetwork;

namespace {

class HeadlessIpv6 : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!PrivateNetwork::enter(why))
            GTEST_SKIP() << why;
        rig = std::make_unique<HeadlessRig>("203.0.113.9");
        rig->settings.ipv6Enabled = true;
        rig->settings.publicOnly = true;
    }
    std::string CheckOnce(int expectedStatus)
    {
        rig->save();
        std::string lines;
        HeadlessRunner runner(appPathsForSettingsFile(rig->settingsFile),
                              [&](const std::string& line) { lines += line + "\n"; });
        EXPECT_TRUE(runner.load());
        EXPECT_EQ(runner.checkOnce(), expectedStatus) << lines;
        return lines;
    }
    std::unique_ptr<HeadlessRig> rig;
};

TEST_F(HeadlessIpv6, ACheckPrintsBothAddressesOrWhyThereIsNoIpv6One)
{
    // Which addresses are skipped, and why, the choice's own tests pin.
    const struct {
        std::string address;  // "ip -6 addr add" arguments, or empty
        std::string interfaceName;
        std::string line;
        std::string recorded;  // the IPv6 address --status shows as found and written to the IPv6 IP file
    } cases[] = {
        {"", "", "No IPv6 address: no global IPv6 address on any interface.\n", ""},
        {"2001:db8:7::1/64 dev lo nodad", "", "IPv6 address found: 2001:db8:7::1\n", "2001:db8:7::1"},
        {"", "eth7", "No IPv6 address: no global IPv6 address on eth7.\n", ""},
    };
    rig->settings.ipv6Filename = rig->folder.File("ip6.txt");
    for (const auto& c : cases) {
        if (!c.address.empty()) {
            ASSERT_TRUE(PrivateNetwork::ip("-6 addr add " + c.address));
        }
        rig->settings.ipv6Interface = c.interfaceName;
        const std::string lines = CheckOnce(0);
        EXPECT_NE(lines.find("Address found: 203.0.113.9\n"), std::string::npos) << lines;
        EXPECT_NE(lines.find(c.line), std::string::npos) << lines;
        const RunStatus status = rig->saved().runStatus;
        EXPECT_EQ(status.address6, c.recorded) << lines;
        EXPECT_EQ(status.published.contains("IpFile6") ? status.published.at("IpFile6").address : "", c.recorded);
    }
}

TEST_F(HeadlessIpv6, APrefixChangeIsPublishedWithinTwoSecondsAndABurstMakesOneCheck)
{
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add 2001:db8:1::1/64 dev lo nodad"));
    rig->settings.interval = 30;
    rig->settings.ipv6Filename = rig->folder.File("ip6.txt");
    rig->save();
    ProgramRun run({"--headless", "--verbose", "--config", rig->settingsFile});
    ASSERT_TRUE(run.waitForError("Checking every 30 minutes.\n")) << run.errors();
    EXPECT_NE(run.errors().find("IPv6: chose 2001:db8:1::1 on lo: global, preferred forever.\n"), std::string::npos)
        << run.errors();
    EXPECT_EQ(Bytes(rig->settings.ipv6Filename), "2001:db8:1::1");

    // The router re-dials: the old prefix goes, a new one comes, in one burst.
    const auto changed = std::chrono::steady_clock::now();
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr del 2001:db8:1::1/64 dev lo"));
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add 2001:db8:2::1/64 dev lo nodad"));
    const std::string written = "IPv6 IP file written: " + rig->settings.ipv6Filename + "\n";
    auto count = [&run](const std::string& text) {
        const std::string lines = run.errors();
        std::size_t n = 0;
        for (std::size_t at = lines.find(text); at != std::string::npos; at = lines.find(text, at + 1))
            ++n;
        return n;
    };
    while (count(written) < 2 && std::chrono::steady_clock::now() - changed < std::chrono::seconds(2))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::seconds(2)) << run.errors();
    EXPECT_EQ(Bytes(rig->settings.ipv6Filename), "2001:db8:2::1");
    // A second check of the same burst would come within the settle time: look after it has passed.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(count("An address or link changed: checking now."), 1u) << run.errors();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
