// The IPv6 choice rules on recorded address lists, the answer and suffix rules, and the public-address rule.
#include "HttpClient.h"
#include "Ipv6Address.h"
#include "Ipv6Choice.h"
#include "Ipv6Lookup.h"
#include "PublicAddress.h"

#include <gtest/gtest.h>

using namespace kestrune::lookup;

namespace {

constexpr std::uint32_t kForever = InterfaceAddress::kForever;

InterfaceAddress Global(const std::string& address, std::uint32_t preferred = kForever,
                        const std::string& interfaceName = "eth0")
{
    InterfaceAddress entry;
    entry.interfaceName = interfaceName;
    entry.address = address;
    entry.prefixLength = 64;
    entry.preferredLifetime = preferred;
    return entry;
}

// A home router's SLAAC list as `ip -6 addr` showed it, one flag or kind per row.
std::vector<InterfaceAddress> RecordedList()
{
    const std::pair<const char*, bool InterfaceAddress::*> rows[] = {
        {"2001:db8:aa::1c4f:9e2a:77b0:3d11", &InterfaceAddress::temporary},
        {"2001:db8:aa::5054:ff:fe12:3456", nullptr},
        {"2001:db8:bb::5054:ff:fe12:3456", &InterfaceAddress::deprecated},
        {"2001:db8:cc::5054:ff:fe12:3456", nullptr},  // preferred lifetime 0, below
        {"2001:db8:dd::5054:ff:fe12:3456", &InterfaceAddress::tentative},
        {"2001:db8:ee::5054:ff:fe12:3456", &InterfaceAddress::dadFailed},
        {"fd12:3456:789a::1", nullptr}, {"fe80::5054:ff:fe12:3456", nullptr}, {"::1", nullptr},
        {"::ffff:198.51.100.4", nullptr}, {"ff02::1", nullptr}, {"64:ff9b::c633:6404", nullptr},
    };
    std::vector<InterfaceAddress> list;
    for (const auto& [address, flag] : rows) {
        list.push_back(Global(address, 14000));
        if (flag)
            list.back().*flag = true;
    }
    list[3].preferredLifetime = 0;
    return list;
}

TEST(Ipv6Choice, EveryAddressThatMayNotBePublishedIsSkippedWithItsReason)
{
    const Ipv6Choice choice = chooseIpv6Address(RecordedList(), "", "");
    EXPECT_EQ(choice.address, "2001:db8:aa::5054:ff:fe12:3456");
    const std::vector<std::string> expected = {
        "IPv6: chose 2001:db8:aa::5054:ff:fe12:3456 on eth0: global, preferred 14000 s.",
        "IPv6: skipped 2001:db8:aa::1c4f:9e2a:77b0:3d11 on eth0: a temporary (privacy) address.",
        "IPv6: skipped 2001:db8:bb::5054:ff:fe12:3456 on eth0: deprecated (preferred lifetime over).",
        "IPv6: skipped 2001:db8:cc::5054:ff:fe12:3456 on eth0: deprecated (preferred lifetime over).",
        "IPv6: skipped 2001:db8:dd::5054:ff:fe12:3456 on eth0: tentative (duplicate address detection still runs).",
        "IPv6: skipped 2001:db8:ee::5054:ff:fe12:3456 on eth0: duplicate address detection failed.",
        "IPv6: skipped fd12:3456:789a::1 on eth0: a unique local address (ULA) (fc00::/7).",
        "IPv6: skipped fe80::5054:ff:fe12:3456 on eth0: a link-local address (fe80::/10).",
        "IPv6: skipped ::1 on eth0: a loopback address (::1/128).",
        "IPv6: skipped ::ffff:198.51.100.4 on eth0: an IPv4-mapped address (::ffff:0:0/96).",
        "IPv6: skipped ff02::1 on eth0: a multicast address (ff00::/8).",
        "IPv6: skipped 64:ff9b::c633:6404 on eth0: not a global unicast address (outside 2000::/3).",
    };
    EXPECT_EQ(choice.lines, expected);
}

TEST(Ipv6Choice, PicksTheLastPublishedWhileValidElseTheLongestPreferredThenTheLowest)
{
    const struct {
        std::vector<InterfaceAddress> list;
        std::string interfaceName;
        std::string last;
        std::string chosen;
    } cases[] = {
        {{Global("2001:db8::2", 3600), Global("2001:db8::1", 7200)}, "", "", "2001:db8::1"},
        {{Global("2001:db8::9", 7200), Global("2001:db8::1", 3600)}, "", "", "2001:db8::9"},
        {{Global("2001:db8::9"), Global("2001:db8::10"), Global("2001:db8::1:0")}, "", "", "2001:db8::9"},
        // No flipping: the one published last stays while it qualifies, whatever the others offer.
        {{Global("2001:db8::9", 600), Global("2001:db8::1", 7200)}, "", "2001:db8::9", "2001:db8::9"},
        {{Global("2001:db8::9", 0), Global("2001:db8::1", 7200)}, "", "2001:db8::9", "2001:db8::1"},
        {{Global("2001:db8::1", 60, "eth0"), Global("2001:db8::2", 60, "wlan0")}, "wlan0", "", "2001:db8::2"},
        {{Global("2001:db8::1", 60, "eth0")}, "wlan0", "", ""},
        {{}, "", "", ""},
    };
    for (const auto& c : cases) {
        const Ipv6Choice choice = chooseIpv6Address(c.list, c.interfaceName, c.last);
        EXPECT_EQ(choice.address, c.chosen) << c.last << " " << c.interfaceName;
        EXPECT_EQ(choice.reason.empty(), !c.chosen.empty());
    }
    EXPECT_EQ(chooseIpv6Address({}, "wlan0", "").reason, "no global IPv6 address on wlan0");
}

TEST(Ipv6Lookup, TheSuffixReplacesTheInterfaceIdentifierAndKeepsTheAddressFromFlipping)
{
    const struct {
        std::string suffix;
        std::string last;
        std::string address;
        std::string reason;
    } cases[] = {
        {"::1", "", "2001:db8:7::1", ""},
        {"::5054:ff:fe12:3456", "", "2001:db8:7:0:5054:ff:fe12:3456", ""},
        {"::1", "2001:db8:9::1", "2001:db8:9::1", ""},
        {"2001:db8::1", "", "", "the suffix 2001:db8::1 is not an interface identifier such as ::1"},
        {"host", "", "", "the suffix host is not an interface identifier such as ::1"},
    };
    kestrune::net::HttpClient unused;
    for (const auto& c : cases) {
        Ipv6LookupFields fields;
        fields.suffix = c.suffix;
        fields.lastPublished = c.last;
        const Ipv6LookupResult result = lookUpIpv6(unused, fields, kIpv6Services, [] {
            return std::vector<InterfaceAddress>{Global("2001:db8:7::aaaa", 7200), Global("2001:db8:9::bbbb", 60)};
        });
        EXPECT_EQ(result.address, c.address) << c.suffix;
        EXPECT_EQ(result.reason, c.reason) << c.suffix;
    }
}

TEST(Ipv6Lookup, AReaderThatFailsGivesItsReason)
{
    kestrune::net::HttpClient unused;
    const Ipv6LookupResult result = lookUpIpv6(unused, {}, kIpv6Services, []() -> std::vector<InterfaceAddress> {
        throw std::runtime_error("The interface addresses cannot be read: no netlink socket.");
    });
    EXPECT_EQ(result.address, "");
    EXPECT_EQ(result.reason, "The interface addresses cannot be read: no netlink socket.");
}

TEST(Ipv6Address, TheFirstIpv6LiteralOfAnAnswer)
{
    const struct {
        std::string page;
        std::string found;
    } cases[] = {
        {"2001:db8::42\n", "2001:db8::42"},
        {"Your address is 2001:DB8:0:0::42.", "2001:DB8:0:0::42"},
        {"{\"ip\":\"2001:db8::1\"}", "2001:db8::1"},
        {"time 12:30:45 then ::ffff:192.0.2.1", "::ffff:192.0.2.1"},
        {"203.0.113.7", ""},
        {"abc:def gggg::1", "::1"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(collectFirstIpv6(c.page), c.found) << c.page;
}

TEST(PublicAddress, Ipv6AddressesOutsideTheInternetAreShownButNotPublished)
{
    const struct {
        std::string address;
        std::string problem;  // empty: published
    } cases[] = {
        {"2001:db8::1", ""},
        {"2a00:1450:4001:80b::200e", ""},
        {"::", "Not published: :: is the unspecified address (::/128), not a public one."},
        {"::1", "Not published: ::1 is a loopback address (::1/128), not a public one."},
        {"fe80::1", "Not published: fe80::1 is a link-local address (fe80::/10), not a public one."},
        {"fd00::1", "Not published: fd00::1 is a unique local address (ULA) (fc00::/7), not a public one."},
        {"ff05::2", "Not published: ff05::2 is a multicast address (ff00::/8), not a public one."},
        {"::ffff:203.0.113.1",
         "Not published: ::ffff:203.0.113.1 is an IPv4-mapped address (::ffff:0:0/96), not a public one."},
        {"2001:db8::g", "Not published: 2001:db8::g is not a valid IPv6 address."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(publicAddressProblem(c.address).value_or(""), c.problem) << c.address;
}

} // namespace
