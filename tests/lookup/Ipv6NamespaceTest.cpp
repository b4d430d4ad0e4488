// The kernel's own address list, read in a private network namespace with real addresses on its loopback.
#include "InterfaceAddresses.h"
#include "Ipv6Choice.h"
#include "PrivateNetwork.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kestrune::lookup;
using testsupport::PrivateNetwork;

namespace {

// The addresses are added with nodad: the kernel marks a new address tentative for a moment even on lo.
class Ipv6Namespace : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!PrivateNetwork::enter(why))
            GTEST_SKIP() << why;
    }
};

const InterfaceAddress* Find(const std::vector<InterfaceAddress>& list, const std::string& address)
{
    const auto found = std::ranges::find(list, address, &InterfaceAddress::address);
    return found == list.end() ? nullptr : &*found;
}

TEST_F(Ipv6Namespace, TheKernelsListGivesFlagsAndLifetimesAndTheChosenGlobalOneStaysWhilePresent)
{
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add 2001:db8:1::5/64 dev lo nodad preferred_lft 0 valid_lft 600"));
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add 2001:db8:2::7/64 dev lo nodad valid_lft 900 preferred_lft 800"));
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add fd00:1::1/64 dev lo nodad"));
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add fe80::9/64 dev lo nodad"));
    const std::vector<InterfaceAddress> list = readInterfaceAddresses();
    const InterfaceAddress* deprecated = Find(list, "2001:db8:1::5");
    const InterfaceAddress* global = Find(list, "2001:db8:2::7");
    ASSERT_TRUE(deprecated && global && Find(list, "fd00:1::1") && Find(list, "fe80::9") && Find(list, "::1"));
    EXPECT_TRUE(deprecated->deprecated);
    EXPECT_EQ(deprecated->preferredLifetime, 0u);
    EXPECT_LE(deprecated->validLifetime, 600u);
    EXPECT_FALSE(global->deprecated);
    EXPECT_GT(global->preferredLifetime, 700u);
    EXPECT_LE(global->preferredLifetime, 800u);
    EXPECT_EQ(global->interfaceName, "lo");
    EXPECT_EQ(global->prefixLength, 64);

    const Ipv6Choice choice = chooseIpv6Address(list, "lo", "");
    EXPECT_EQ(choice.address, "2001:db8:2::7");
    EXPECT_EQ(choice.lines.size(), list.size());
    EXPECT_EQ(chooseIpv6Address(list, "eth9", "").address, "");

    // A longer-lived address that comes later does not make the choice flip; once the chosen one is removed, it is.
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr add 2001:db8:6::1/64 dev lo nodad"));
    EXPECT_EQ(chooseIpv6Address(readInterfaceAddresses(), "", choice.address).address, "2001:db8:2::7");
    ASSERT_TRUE(PrivateNetwork::ip("-6 addr del 2001:db8:2::7/64 dev lo"));
    EXPECT_EQ(chooseIpv6Address(readInterfaceAddresses(), "", choice.address).address, "2001:db8:6::1");
}

} // namespace
