#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

// What to tell the user when the router's own WAN address shows that the provider hides the network behind a
// shared address: the router's address is private or carrier-grade NAT, or is not the one the internet sees.
// nullopt when the router holds the public address itself.
std::optional<std::string> providerDiagnosis(std::string_view routerAddress, std::string_view publicAddress);

// The router's address agrees with the internet's view: shown on the System tab as the last diagnosis.
std::string providerDiagnosisClear(std::string_view routerAddress);

} // namespace kestrune::lookup
