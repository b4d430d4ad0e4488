// IPv6 without a window, in a private network namespace whose loopback carries the addresses (the page's
// nginx runs there too).
#include "HeadlessRig.h"
#include "HeadlessRunner.h"
#include "PrivateNetwork.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

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
    const struct {
        std::string addresses;  // "ip -6 addr add" arguments, ";" between them
        std::string interfaceName;
        std::string line;
    } cases[] = {
        {"", "", "No IPv6 address: no global IPv6 address on any interface.\n"},
        {"fd00:7::1/64 dev lo nodad;fe80::7/64 dev lo nodad", "",
         "No IPv6 address: no global IPv6 address on any interface.\n"},
        {"2001:db8:7::1/64 dev lo nodad", "", "IPv6 address found: 2001:db8:7::1\n"},
        {"", "eth7", "No IPv6 address: no global IPv6 address on eth7.\n"},
    };
    for (const auto& c : cases) {
        for (std::size_t start = 0; start < c.addresses.size();) {
            const std::size_t end = std::min(c.addresses.find(';', start), c.addresses.size());
            ASSERT_TRUE(PrivateNetwork::ip("-6 addr add " + c.addresses.substr(start, end - start)));
            start = end + 1;
        }
        rig->settings.ipv6Interface = c.interfaceName;
        const std::string lines = CheckOnce(0);
        EXPECT_NE(lines.find("Address found: 203.0.113.9\n"), std::string::npos) << lines;
        EXPECT_NE(lines.find(c.line), std::string::npos) << lines;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
