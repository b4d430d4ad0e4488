// The router's own protocols, UPnP discovery and NAT-PMP to the default gateway, inside a private network
// namespace (in_private_network.sh) with a router of the tests' own on the far end of a veth pair.
#include "AddressSources.h"

#include "AddressPeer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kestrune::lookup;

TEST(RouterSources, DiscoveryAndTheGatewayTellTheRoutersWanAddress)
{
    if (!std::getenv("KESTRUNE_PRIVATE_NETWORK")) {
        const char* why = std::getenv("KESTRUNE_NO_PRIVATE_NETWORK");
        GTEST_SKIP() << "UPnP discovery and NAT-PMP run only in a private network namespace: "
                     << (why ? why : "run through in_private_network.sh");
    }
    testsupport::AddressPeer router({"router", "--wan", "100.64.12.34", "--host", "10.77.0.2"});
    testsupport::TempDir folder("kestrune-router");
    SourceOptions options;
    options.timeoutMs = 5000;
    options.stunServers.clear();
    options.dnsQuestions.clear();
    // No SSDP daemon of the machine is asked: discovery goes out on the namespace's own link.
    options.upnpDaemonSocket = folder.File("no-daemon.sock");
    for (const SourceKind kind : {SourceKind::Upnp, SourceKind::NatPmp}) {
        const LookupResult result = lookUpAddress(kind, options);
        EXPECT_FALSE(result.failed()) << sourceInfo(kind).name << ": " << result.errorMessage;
        EXPECT_EQ(result.address, "100.64.12.34") << sourceInfo(kind).name;
    }
}
