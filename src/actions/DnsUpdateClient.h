#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrune::net { class HttpClient; }

namespace kestrune::actions {

enum class DnsProvider { Dyndns2, NoIp, Dynu, Desec, DuckDns, Custom };

// The key stored in the settings file ("dyndns2", "noip", "dynu", "desec", "duckdns", "custom").
std::optional<DnsProvider> dnsProviderFromKey(std::string_view key);
std::string_view dnsProviderKey(DnsProvider provider);
// The provider box's caption, e.g. "dyndns2 (generic)".
std::string_view dnsProviderCaption(DnsProvider provider);
// The update host a preset fills in; empty for the generic choices.
std::string_view dnsPresetServer(DnsProvider provider);

struct DnsUpdateRequest {
    DnsProvider provider = DnsProvider::Dyndns2;
    // Host, optionally ":port"; "http://" or "https://" in front chooses the scheme (https otherwise). For
    // DuckDNS an empty server means www.duckdns.org.
    std::string server;
    std::string hosts;        // comma-separated
    std::string user;
    std::string password;     // the DuckDNS token
    std::string urlTemplate;  // Custom URL: {IP} and {HOST} are filled in
    std::string address;
};

// How an answer is to be taken.
enum class DnsAnswer {
    Success,  // good, nochg, OK, a 2xx of a custom URL
    Fatal,    // the entry stops until its settings change
    Wait,     // the server asks for at least 30 minutes' rest
    Passing,  // connection, time-out, an unknown answer or a status that is not fatal: try again later
};

struct DnsUpdateResult {
    DnsAnswer answer = DnsAnswer::Passing;
    std::string code;  // the protocol's word ("good", "badauth", "KO"), "HTTP <status>" or the error text
};

// The request's URL; it may carry a token, so it is never shown.
std::string dnsUpdateUrl(const DnsUpdateRequest& request);
// The answer of a finished request by the provider's rules.
DnsUpdateResult classifyDnsAnswer(DnsProvider provider, int status, std::string_view body);
// The User-Agent the dyndns2 protocol asks for: the program and its version.
std::string dnsUserAgent();

// Sends one update through http and reads the answer; never raises (a cancelled wait included, which comes
// back as Passing). An https server's certificate is always checked, whatever http.acceptAnyCertificate was;
// a refused certificate comes back as Passing with the certificate error's text.
DnsUpdateResult sendDnsUpdate(net::HttpClient& http, const DnsUpdateRequest& request);

} // namespace kestrune::actions
