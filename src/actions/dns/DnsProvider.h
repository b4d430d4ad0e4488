#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::net { class HttpClient; }

namespace kestrune::actions {

// What one entry sends. An empty address is a family the entry does not update this time.
struct DnsUpdateRequest {
    std::string server;       // host[:port]; "http://" or "https://" in front chooses the scheme (https otherwise)
    std::string zone;
    std::string hosts;        // comma-separated
    std::string user;
    std::string password;     // password, token, key or TSIG secret
    std::string urlTemplate;  // {IP}, {IP6} and {HOST} are filled in
    std::string algorithm;
    int ttl = 0;              // 0: the provider's default
    std::string ipv4;
    std::string ipv6;
};

// How an answer is to be taken.
enum class DnsAnswer {
    Success,  // the provider took the address
    Fatal,    // the entry stops until its settings change
    Wait,     // the server asks for rest: waitSeconds, or 30 minutes when it names none
    Passing,  // out of reach, a time-out or an answer that may change by itself: tried again later
};

struct DnsUpdateResult {
    DnsUpdateResult() = default;
    DnsUpdateResult(DnsAnswer answer, std::string code) : answer(answer), code(std::move(code)) {}

    DnsAnswer answer = DnsAnswer::Passing;
    std::string code;          // the answer in words ("good", "badauth", "HTTP 503", "BADKEY")
    long long waitSeconds = 0;
    std::string remark;        // something worth saying beside the answer
    bool answersElsewhere = false;  // the name answers the provider's own addresses (a proxied record)
};

// One way of updating names. Each provider keeps its request and answer rules in its own file.
class DnsProvider {
public:
    virtual ~DnsProvider() = default;
    // Never raises: every failure comes back as a result. An https server's certificate is always checked.
    virtual DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const = 0;
};

// The fields an entry of a provider uses (the dialog shows these only).
enum DnsField : unsigned {
    kFieldServer = 1u << 0,
    kFieldZone = 1u << 1,
    kFieldHosts = 1u << 2,
    kFieldUser = 1u << 3,
    kFieldPassword = 1u << 4,
    kFieldUrl = 1u << 5,
    kFieldAlgorithm = 1u << 6,
    kFieldTtl = 1u << 7,
};

struct DnsProviderInfo {
    std::string_view key;       // Provider<i>
    std::string_view caption;   // the provider box's text
    std::string_view server;    // the server a preset fills in; empty when the user names it
    unsigned fields = 0;
    unsigned required = 0;      // fields that may not stay empty
    int refreshDays = 0;        // Refresh<i>'s default: free accounts lapse without an update
    bool verifiable = true;     // the updated names can be asked for directly
    std::string_view nameSuffix;  // added to a host that lacks it to make the name that answers
    std::string_view userCaption = "&User name:";
    std::string_view passwordCaption = "Password/&Token:";
    std::string_view passwordHint;
    const DnsProvider* provider = nullptr;
};

// Every provider in the order the window offers them.
const std::vector<DnsProviderInfo>& dnsProviders();
const DnsProviderInfo* findDnsProvider(std::string_view key);

// Runs the entry's provider; an unknown key is fatal.
DnsUpdateResult sendDnsUpdate(net::HttpClient& http, std::string_view providerKey, const DnsUpdateRequest& request);

// The User-Agent the update protocols ask for: the program and its version.
std::string dnsUserAgent();

} // namespace kestrune::actions
