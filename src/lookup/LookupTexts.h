#pragma once

#include <string_view>

namespace kestrune::lookup {

// Texts of the lookup, the user-defined list and the page inspector, used byte for byte.
namespace lookuptexts {
inline constexpr std::string_view kRetrieving = "Retrieving external IP address...";
inline constexpr std::string_view kErrorTitle = "Kestrune Error";
inline constexpr std::string_view kErrorPrefix = "The Lookup Service has reported an error: ";
inline constexpr std::string_view kRequiredEntryMissing = "Required entry is missing!";
inline constexpr std::string_view kNeedUserDefined =
    "User-defined lookup radio button needs to be \r\nselected for Get IP button to work.";

// The sources beside the web.
inline constexpr std::string_view kNoStunServer = "No STUN server is set.";
inline constexpr std::string_view kStunNoAnswer = "No STUN server answered: ";
inline constexpr std::string_view kDnsNoAnswer = "No DNS server told the address: ";
inline constexpr std::string_view kUpnpNoRouter = "No UPnP router answered on the local network.";
inline constexpr std::string_view kUpnpNoAddress = "The UPnP router did not tell its external address.";
inline constexpr std::string_view kNatPmpNoGateway = "NAT-PMP: the default gateway is not known.";
inline constexpr std::string_view kNatPmpNoAnswer = "The router did not answer the NAT-PMP request.";
inline constexpr std::string_view kNatPmpRefused = "The router refused the NAT-PMP request.";

inline constexpr std::string_view kUrlMissing = "The URL is missing!";
inline constexpr std::string_view kKeywordMissing = "You need to selecte a Keyword!";
inline constexpr std::string_view kPasswordRequired = "Password required.";
inline constexpr std::string_view kUsernameRequired = "Username required.";
inline constexpr std::string_view kNameCaption = "User-defined Kestrune";
inline constexpr std::string_view kNamePrompt = "Name";
inline constexpr std::string_view kNameExists = "Name already exists. Continue?";

inline constexpr std::string_view kUnableToConnect = "Unable to connect to webpage";
inline constexpr std::string_view kKeywordNotUnique = "The keyword is not unique";
inline constexpr std::string_view kIpNotFound = "Failed to find IP address. Please check you entered it correctly.";
inline constexpr std::string_view kNoSuitableKeyword = "Failed to find suitable keyword.";
// A marked keyword holding bytes that are not UTF-8 could not be kept in the keyword field as they are.
inline constexpr std::string_view kKeywordNotText =
    "The keyword holds bytes that are not text; select a keyword without them.";
} // namespace lookuptexts

} // namespace kestrune::lookup
