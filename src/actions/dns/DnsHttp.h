#pragma once

#include "HttpClient.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::actions {

// What an update server said: status -1 when no answer came (error says why, with no credential in it).
struct DnsHttpAnswer {
    int status = -1;
    std::string body;
    std::string error;
    std::string retryAfter;  // the Retry-After header, or empty
};

struct DnsHttpCall {
    net::HttpMethod method = net::HttpMethod::Get;
    std::string url;
    std::string user, password;  // Basic authentication when user is not empty
    std::string bearer;          // an API token sent as "Authorization: Bearer"
    std::string accept = "text/plain, */*";
    std::string contentType;
    std::string payload;
};

// One request through http; never raises. Only a server the system trusts sees what the call carries, and no
// header of the call is left on http for the next one.
DnsHttpAnswer dnsHttpExchange(net::HttpClient& http, const DnsHttpCall& call);

// Everything but the unreserved characters of RFC 3986 escaped.
std::string urlEncoded(std::string_view text);
// An address for a query: escaped as urlEncoded, but an IPv6 address keeps its colons.
std::string encodedAddress(std::string_view address);
// The comma-separated names, trimmed, empty ones dropped.
std::vector<std::string> dnsHostList(std::string_view hosts);
// Each host escaped, joined by commas.
std::string encodedHosts(std::string_view hosts);
// "https://host[:port]" of server (a scheme in front is kept), or of fallback when server is empty.
std::string dnsOrigin(std::string_view server, std::string_view fallback);
std::string replacedAll(std::string text, std::string_view field, std::string_view value);
std::string_view trimmedText(std::string_view text);
// "HTTP <status>", or the error of an answer that never came.
std::string httpAnswerCode(const DnsHttpAnswer& answer);

} // namespace kestrune::actions
