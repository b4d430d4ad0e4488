#pragma once

#include "Lookup.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::lookup {

// Where the IPv4 address comes from, in the order a confirmation asks them: the router's own protocols, then
// the internet's view (STUN, DNS), then the web (the external services or the user-defined page).
enum class SourceKind { Upnp, NatPmp, Stun, Dns, Web };

struct SourceInfo {
    SourceKind kind;
    std::string_view key;   // the value of "[Lookup] Source"; empty for the web
    std::string_view name;  // how status lines and messages name it
};

inline constexpr SourceInfo kSources[] = {
    {SourceKind::Upnp, "upnp", "UPnP"},
    {SourceKind::NatPmp, "natpmp", "NAT-PMP"},
    {SourceKind::Stun, "stun", "STUN"},
    {SourceKind::Dns, "dns", "DNS"},
    {SourceKind::Web, "", "web service"},
};

// The source a "[Lookup] Source" value names (case-blind); an unknown value reads as the web.
SourceKind sourceFromKey(std::string_view key);
const SourceInfo& sourceInfo(SourceKind kind);

// A DNS question whose answer is the asker's address.
struct DnsQuestion {
    std::string server;  // name or dotted quad of the server asked
    uint16_t port = 53;
    std::string name;    // with or without the final dot
    bool chaosTxt = false;  // class CH type TXT; otherwise class IN type A
};

// Defaults name public servers; tests and benchmarks override every one of them.
struct SourceOptions {
    int timeoutMs = 10000;  // the whole lookup, all servers together (the connect time-out)
    std::vector<std::string> stunServers = parseServerList(kDefaultStunServers);
    std::vector<DnsQuestion> dnsQuestions = {
        {"1.1.1.1", 53, "whoami.cloudflare", true},
        {"resolver1.opendns.com", 53, "myip.opendns.com", false},
    };
    // UPnP: discovery on the local network, unless a root description is given (the router's own URL).
    std::string upnpRootDescription;
    std::string upnpMulticastInterface;  // empty: the system's choice
    std::string upnpDaemonSocket;        // the local SSDP daemon asked first; empty: the library's default
    // NAT-PMP: the default gateway unless given.
    std::string natpmpGateway;

    static constexpr std::string_view kDefaultStunServers = "stun.l.google.com:19302, stun.cloudflare.com:3478";
    // "host[:port]" entries split at commas, blanks and semicolons.
    static std::vector<std::string> parseServerList(std::string_view text);
};

// One lookup through a source other than the web, bounded by options.timeoutMs and cancellable like every
// network wait. Never throws: failures come as LookupResult with the message to show.
LookupResult lookUpAddress(SourceKind kind, const SourceOptions& options);
LookupResult lookUpStun(const SourceOptions& options);
LookupResult lookUpDns(const SourceOptions& options);
LookupResult lookUpUpnp(const SourceOptions& options);
LookupResult lookUpNatPmp(const SourceOptions& options);

// The router's WAN address through UPnP, then NAT-PMP; nullopt when neither answers.
std::optional<std::string> routerWanAddress(const SourceOptions& options);

} // namespace kestrune::lookup
