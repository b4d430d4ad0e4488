#include "IpExtraction.h"
#include "PublicAddress.h"

#include <gtest/gtest.h>

using namespace kestrune::lookup;

using kestrune::lookup::publicAddressProblem;

namespace {

TEST(PublicAddress, EveryRefusedRangeAtItsEdgesAndThePublicNeighbours)
{
    const std::pair<const char*, const char*> refused[] = {
        {"0.0.0.0", "(0.0.0.0/8)"},          {"0.255.255.255", "(0.0.0.0/8)"},
        {"10.0.0.0", "(10.0.0.0/8)"},        {"10.255.255.255", "(10.0.0.0/8)"},
        {"100.64.0.0", "(100.64.0.0/10)"},   {"100.127.255.255", "(100.64.0.0/10)"},
        {"127.0.0.1", "(127.0.0.0/8)"},      {"169.254.10.20", "(169.254.0.0/16)"},
        {"172.16.0.0", "(172.16.0.0/12)"},   {"172.31.255.255", "(172.16.0.0/12)"},
        {"192.168.1.1", "(192.168.0.0/16)"}, {"224.0.0.1", "(224.0.0.0/4)"},
        {"239.255.255.255", "(224.0.0.0/4)"}, {"240.0.0.1", "(240.0.0.0/4)"},
        {"255.255.255.255", "(240.0.0.0/4)"}, {"010.1.2.3", "(10.0.0.0/8)"},
    };
    for (const auto& [address, range] : refused) {
        ASSERT_TRUE(isValidIp(address));
        const std::optional<std::string> problem = publicAddressProblem(address);
        ASSERT_TRUE(problem) << address;
        EXPECT_EQ(problem->rfind(std::string("Not published: ") + address + " is ", 0), 0u) << *problem;
        EXPECT_NE(problem->find(range), std::string::npos) << *problem;
    }
    EXPECT_EQ(*publicAddressProblem("100.64.1.2"),
              "Not published: 100.64.1.2 is a carrier-grade NAT address of your provider, shared with other "
              "customers (100.64.0.0/10), not a public one.");
    EXPECT_EQ(*publicAddressProblem("192.168.1.1"),
              "Not published: 192.168.1.1 is a private address (192.168.0.0/16), not a public one.");
    for (const char* address : {"1.2.3.256", "300.1.1.1", "1..2.3", "99999999999.1.1.1"})
        EXPECT_EQ(*publicAddressProblem(address),
                  std::string("Not published: ") + address + " is not a valid address (a group is empty or above 255).");

    for (const char* address : {"1.0.0.1", "9.255.255.255", "11.0.0.0", "100.63.255.255", "100.128.0.0",
                                "126.255.255.255", "128.0.0.0", "169.253.0.1", "172.15.255.255", "172.32.0.0",
                                "192.167.255.255", "192.169.0.0", "223.255.255.255", "203.0.113.7", "198.51.100.2",
                                "192.0.2.1"})
        EXPECT_EQ(publicAddressProblem(address), std::nullopt) << address;
}

} // namespace
