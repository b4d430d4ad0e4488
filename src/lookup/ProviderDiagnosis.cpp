#include "ProviderDiagnosis.h"

#include "PublicAddress.h"

namespace kestrune::lookup {

std::optional<std::string> providerDiagnosis(std::string_view routerAddress, std::string_view publicAddress)
{
    if (!publicAddressProblem(routerAddress) && routerAddress == publicAddress)
        return std::nullopt;
    return "Your provider puts your router behind a shared address (carrier-grade NAT): connections from the "
           "internet to " + std::string(publicAddress) + " will not reach your network. "
           "Use IPv6 where your provider offers it, or ask your provider for a public IPv4 address.";
}

std::string providerDiagnosisClear(std::string_view routerAddress)
{
    return "Your router holds the public address " + std::string(routerAddress) +
           " itself: connections from the internet can reach it.";
}

} // namespace kestrune::lookup
