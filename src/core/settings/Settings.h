#pragma once

#include "IniFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::core {

// One dynamic-DNS update entry of "[DNSUpdate]". The password (or token) is held in clear here.
struct DnsUpdateEntry {
    bool enabled = false;
    std::string provider;   // dyndns2, noip, dynu, desec, duckdns or custom
    std::string server;     // host, optionally ":port"
    std::string hosts;      // comma-separated
    std::string user;
    std::string password;
    std::string url;        // the custom template
    std::string lastIp;     // the last address this entry sent successfully
    std::string hold;       // empty, or the fatal answer that stopped the entry
    int family = 4;         // 4, 6 or 46: the address families the entry updates
    std::string lastIp6;    // the last IPv6 address this entry sent successfully
    std::string zone;       // the zone (name or provider id); empty: found from the host names
    std::string algorithm;  // the TSIG algorithm; empty: hmac-sha256
    int ttl = 0;            // the records' time to live; 0: the provider's default
    std::string verify;     // empty: ask the zone's name servers; "off"; or the servers to ask
    int refreshDays = -1;   // re-send after this many days without an update; -1: the provider's default
    long long updated = 0;  // when the last update succeeded (seconds since the epoch)
    std::string answer;     // what the provider answered then
    std::string proof;      // whether the name answers the address sent, in words
    std::string holdFor;    // the fingerprint of what was sent when the hold came

    bool operator==(const DnsUpdateEntry&) const = default;
};

// What an entry sends and where and as whom (provider, server, hosts, user, password, URL), as a short
// fingerprint: a hold kept beside it lifts once any of them differs, however the entry was edited.
std::string dnsEntryFingerprint(const DnsUpdateEntry& entry);
// Lifts a hold taken for other settings than the entry holds now, forgetting the last address sent so the
// next check updates at once; true when it did. A hold without a fingerprint (an older file) is kept and
// fingerprinted as it stands.
bool liftStaleHold(DnsUpdateEntry& entry);

// The entry the user saved from an edit of old: a change of what is sent, or where and as whom, lifts a hold
// and forgets the last address sent, so the next check updates at once.
DnsUpdateEntry editedDnsUpdateEntry(const DnsUpdateEntry& old, DnsUpdateEntry edited);

// One notice channel of "[Notify]". The token is held in clear here.
struct NoticeEntry {
    bool enabled = false;
    std::string kind;    // ntfy, gotify, webhook, discord, slack, matrix or telegram
    std::string url;     // the server and topic, the server, or the webhook's URL template
    std::string token;
    std::string events;  // comma-separated: ip4, ip6, lookup, failed, retry
    std::string title;
    std::string body;    // the message, or the webhook's body template

    bool operator==(const NoticeEntry&) const = default;
};

// The notices' state and rules besides the entries ("[Notify]").
struct NoticeState {
    int lookupFailures{};    // failed lookups in a row before "lookup failing" goes out
    std::string lastIp;      // the last address an "address changed" notice was raised for
    std::string lastIp6;
    // Lookups failed in a row so far; kept, so that runs from cron count toward the notice too.
    int failedInARow{};

    bool operator==(const NoticeState&) const = default;
};

// A publish step that failed for a passing reason and waits for its next try ("[Retry]").
struct PendingRetry {
    // "upload", "mail", "command", "dns<n>" (n counts the entries from 1) or "notice<n>|<event>|<time>|<old
    // address>|<details>" (a notice's own values, so it goes out after a restart as it was raised)
    std::string channel;
    std::string address;
    int attempts = 0;
    long long due = 0;      // seconds since the epoch
    bool serverWait = false; // the server asked for the wait: it holds whatever the address becomes

    bool operator==(const PendingRetry&) const = default;
};

// The keys and values of one section in file order.
using IniKeyValues = std::vector<std::pair<std::string, std::string>>;

// Every value the settings file holds, as plain data; the window maps it onto its controls. Passwords are held
// in clear here: scrambling happens only between this struct and the file. Defaults live in the settings table
// alone: start from defaultSettings(), not from Settings{}.
struct Settings {
    // "Lookup"
    std::string extDns;
    bool external{};
    bool userDefined{};
    bool fallback{};                  // ask the other services when the chosen one fails
    std::string source;               // empty (the web), "upnp", "natpmp", "stun" or "dns"
    std::string stunServers;          // "host[:port]" entries, comma-separated
    bool confirm{};                   // a changed address goes out only when a second source agrees
    bool routerCheck{};               // ask the router's WAN address once an hour, whatever the source
    // "Router"
    int selectedRouter{};
    // "Routers" / "RoutersData": the user-defined lookups as the lookup layer stores them, row by row
    IniKeyValues routers;
    IniKeyValues routersData;
    // "Mail"
    bool sendMail{};
    std::string mailTo;
    std::string mailServer;
    std::string mailFrom;
    std::string mailSubject;
    bool webAuth{};
    std::string webUser;
    std::string webPass;
    std::string mailedIp;             // the last mailed address
    std::string mailPort;
    bool mailSsl{};                   // implicit TLS; wins over mailStartTls when both are set
    bool mailStartTls{};
    bool mailAnyCertificate{};        // a self-signed server is accepted
    // "FTP"
    bool ftpEnable{};
    std::string ftpHost;
    std::string ftpUsername;
    std::string ftpPassword;
    bool ftpSavePass{};
    std::string ftpLocalFile;
    std::string ftpRemoteFile;
    std::string uploadedIp;           // the last uploaded address
    bool ftpPassive{};
    bool ftpTls{};                    // explicit TLS (AUTH TLS)
    bool ftpAnyCertificate{};
    // "Local"
    bool saveIp{};
    std::string ipFilename;
    bool saveLog{};
    std::string logFilename;
    int logLines{};
    bool runCommand{};
    std::string command;              // the program, then its arguments; double quotes group blanks
    std::string commandIp;            // the last address the command ran with successfully
    // "DNSUpdate"
    std::vector<kestrune::core::DnsUpdateEntry> dnsUpdates;
    // "Notify"
    std::vector<kestrune::core::NoticeEntry> notices;
    kestrune::core::NoticeState noticeState;
    // "Retry"
    std::vector<kestrune::core::PendingRetry> pendingRetries;
    // "System"
    int interval{};
    bool autoStart{};
    bool minimize{};
    bool startMinimized{};
    bool publicOnly{};                // publish only public addresses
    std::string metricsFile;          // the Prometheus text file written after each check; empty: none
    std::string diagnosis;            // the last word on the provider's shared address, as shown
    // "IPv6"
    bool ipv6Enabled{};
    std::string ipv6Source;           // "interface" or "service"
    std::string ipv6Interface;        // empty = every interface
    std::string ipv6Service;          // empty = the first IPv6 service
    bool ipv6Fallback{};
    std::string ipv6Suffix;           // an interface identifier put after the found /64 prefix
    std::string ipv6Filename;         // the IPv6 address's IP file; empty = none
    std::string uploadedIp6;          // the IPv6 address of the last upload
    std::string mailedIp6;
    std::string commandIp6;

    bool operator==(const Settings&) const = default;
};

// The settings of a first start.
Settings defaultSettings(std::string_view firstExternalServiceUrl);

// Reads every setting in the read order of the table; missing or bad values give the defaults, the interval is
// held to 0..2880, passwords are unscrambled. "Routers" and "RoutersData" come back whole, in file order.
Settings loadSettings(const IniFile& ini, std::string_view firstExternalServiceUrl);
Settings loadSettingsFile(const std::filesystem::path& file, std::string_view firstExternalServiceUrl);

// Writes every setting in the write order of the table into ini, keeping what else it holds. "DNSUpdate" and
// "Retry" are erased and written again whole (not at all while they hold nothing). The FTP password
// is kept only while "Remember password" is on (otherwise the key is written empty). "Routers" and
// "RoutersData" are erased and written again row by row; a key that could not come back from the file, or
// that repeats an earlier key of its section without regard to case, raises IniError rather than merging rows.
void saveSettings(const Settings& settings, IniFile& ini);
// Loads what the file holds, writes the settings over it and saves it atomically; IniError names the file.
void saveSettingsFile(const Settings& settings, const std::filesystem::path& file);

enum class LookupSource { UserDefined, External, Neither };

// The two radio buttons restored in read order ("External" first, "userDefined" second): checking one clears
// the other, clearing one changes nothing else.
LookupSource resolveLookupSource(bool external, bool userDefined);

} // namespace kestrune::core
