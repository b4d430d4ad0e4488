#include "SettingsManual.h"

#include "SettingsTable.h"

#include <algorithm>
#include <cctype>

namespace kestrune::core {

namespace {

constexpr std::string_view kEntryIndex = "<i>";

struct EntryKey {
    std::string_view section;
    std::string_view key;
    std::string_view type;
    std::string_view defaultValue;
    std::string_view meaning;
};

// The list sections beside the table, in the order the program writes them.
constexpr EntryKey kEntryKeys[] = {
    {"DNSUpdate", "Count", "integer", "0", "How many entries follow; keys of entries beyond it are ignored."},
    {"DNSUpdate", "Enabled<i>", "boolean", "0", "The entry is updated when the address changes."},
    {"DNSUpdate", "Provider<i>", "text", "",
     "The provider: dyndns2, noip, dynu, desec, duckdns, cloudns, ionos, cloudflare, porkbun, rfc2136 (an own "
     "name server, signed with TSIG) or custom (the address template of URL<i>)."},
    {"DNSUpdate", "Server<i>", "text", "", "The update server, host with an optional \":port\"; empty for the provider's own."},
    {"DNSUpdate", "Hosts<i>", "text", "", "The names to update, separated by commas."},
    {"DNSUpdate", "User<i>", "text", "", "The account's user name."},
    {"DNSUpdate", "Password<i>", "password", "",
     "The password or token, stored scrambled: set it with kestrune --set-password dns:<i>."},
    {"DNSUpdate", "URL<i>", "text", "", "For custom: the address to request, {IP} standing for the address."},
    {"DNSUpdate", "LastIP<i>", "state", "", "The address this entry last sent successfully."},
    {"DNSUpdate", "Hold<i>", "state", "",
     "The fatal answer that stopped the entry; emptied when one of its settings changes."},
    {"DNSUpdate", "Family<i>", "integer", "4", "The address families the entry updates: 4, 6 or 46 for both."},
    {"DNSUpdate", "LastIP6<i>", "state", "", "The IPv6 address this entry last sent successfully."},
    {"DNSUpdate", "Zone<i>", "text", "", "The zone, by name or the provider's id; empty: found from the host names."},
    {"DNSUpdate", "Algorithm<i>", "text", "", "For rfc2136: the TSIG algorithm; empty for hmac-sha256. User<i> is the key's name."},
    {"DNSUpdate", "TTL<i>", "integer", "0", "The records' time to live in seconds; 0 for the provider's default."},
    {"DNSUpdate", "Verify<i>", "text", "", "How the update is proven: empty asks the zone's name servers, off skips it, else the servers to ask."},
    {"DNSUpdate", "Refresh<i>", "integer", "",
     "Send the address again after this many days without an update; missing for the provider's default."},
    {"DNSUpdate", "Updated<i>", "state", "0", "When the last update succeeded, in seconds since 1970."},
    {"DNSUpdate", "Answer<i>", "state", "", "What the provider answered then."},
    {"DNSUpdate", "Proof<i>", "state", "", "Whether the name answers the address sent, in words."},
    {"DNSUpdate", "HoldFor<i>", "state", "", "What the entry sent when it was stopped, so that any later edit lifts the stop."},
    {"Retry", "Count", "state", "0", "How many publish steps wait for another try."},
    {"Retry", "Channel<i>", "state", "", "The step: upload, mail, command or dns<n>."},
    {"Retry", "Address<i>", "state", "", "The address it is to publish."},
    {"Retry", "Attempts<i>", "state", "0", "How often it failed so far."},
    {"Retry", "Due<i>", "state", "0", "When it is tried next, in seconds since 1970."},
    {"Retry", "Wait<i>", "state", "0", "1 when the server asked for the wait."},
    {"Notify", "Failures", "integer", "3", "How many failed lookups in a row make a notice."},
    {"Notify", "LastIP", "state", "", "The IPv4 address last announced."},
    {"Notify", "LastIP6", "state", "", "The IPv6 address last announced."},
    {"Notify", "FailedInARow", "state", "0", "Lookups failed in a row so far, counted across runs."},
    {"Notify", "Count", "integer", "0", "How many notice channels follow."},
    {"Notify", "Enabled<i>", "boolean", "0", "The channel is in use."},
    {"Notify", "Kind<i>", "text", "ntfy", "The kind of channel: ntfy, gotify or another kind the window offers."},
    {"Notify", "URL<i>", "text", "", "Where the notice goes."},
    {"Notify", "Token<i>", "password", "", "The access token, stored scrambled."},
    {"Notify", "Events<i>", "text", "ip4,ip6,lookup,failed,retry", "The events that make a notice, separated by commas."},
    {"Notify", "Title<i>", "text", "", "The notice's title; empty for the default."},
    {"Notify", "Body<i>", "text", "", "The notice's body; empty for the default."},
    {"Status", "LastCheck", "state", "", "When the last check ended, in seconds since 1970."},
    {"Status", "Source", "state", "", "The page or service the last check asked."},
    {"Status", "Address", "state", "", "The last address found."},
    {"Status", "Error", "state", "", "Why the last check's lookup failed; empty when it found an address."},
    {"Status", "Changed", "state", "", "When the address last changed, in seconds since 1970."},
    {"Status", "Upload", "state", "", "The address last uploaded and when, in seconds since 1970."},
    {"Status", "Mail", "state", "", "The address last mailed and when."},
    {"Status", "IpFile", "state", "", "The address last written into the IP file and when."},
    {"Status", "Log", "state", "", "The address last logged and when."},
    {"Status", "Command", "state", "", "The address the command last ran with successfully and when."},
    {"Status", "DNS<i>", "state", "", "The address DNS entry <i> last sent successfully and when."},
};

constexpr std::string_view kSectionMeanings[][2] = {
    {"Lookup", "Where the address comes from."},
    {"Router", "Which user-defined lookup or router preset is in use."},
    {"Routers", "The names of the user-defined lookups; set them up in the window."},
    {"RoutersData", "The user-defined lookups' records; set them up in the window."},
    {"Mail", "The mail sent when the address changes."},
    {"FTP", "The template uploaded when the address changes."},
    {"Local", "The IP file, the log and the command run when the address changes."},
    {"System", "The interval and how the program starts."},
    {"IPv6", "The IPv6 address beside the IPv4 one: where it comes from and where it goes."},
    {"DNSUpdate", "Dynamic-DNS entries updated when the address changes, numbered from 1."},
    {"Retry", "Publish steps that failed for a passing reason and wait for another try (kept by the program)."},
    {"Notify", "Notices sent on a changed address and on failures (ntfy, gotify and the like), numbered from 1."},
    {"Status", "What the last check found and what went out when (kept by a run without a window)."},
};

std::string_view meaning(Setting id)
{
    switch (id) {
    case Setting::ExtDns: return "The external service asked when External is on: any page whose text holds the address.";
    case Setting::External: return "Find the address through the external service of ExtDNS.";
    case Setting::UserDefined:
        return "Find the address on the user-defined page SelectedRouter names; wins over External when both are on.";
    case Setting::SelectedRouter:
        return "The lookup in use: a row of [Routers] counted from 0, 100 and up for a router preset, -1 for none.";
    case Setting::Routers: return "One key per user-defined lookup: its name, with its sequence number as value.";
    case Setting::RoutersData:
        return "One key per user-defined lookup: its record (page, keyword, characters to skip and, for a page "
               "with a login, the user and the scrambled password), with 1 as value when it has a login.";
    case Setting::RouterCredentials: return "";
    case Setting::SendMail: return "Send a mail when the address changes.";
    case Setting::MailTo: return "The recipients, separated by \";\".";
    case Setting::MailServer: return "The SMTP server.";
    case Setting::MailFrom: return "The sender's address.";
    case Setting::MailSubject: return "The mail's subject.";
    case Setting::WebAuth: return "The SMTP server needs a login.";
    case Setting::WebUser: return "The SMTP login's user name.";
    case Setting::WebPass: return "The SMTP login's password: set it with kestrune --set-password mail.";
    case Setting::MailedIp: return "The address last mailed (kept by the program).";
    case Setting::FtpEnable: return "Upload the template when the address changes.";
    case Setting::FtpHost: return "The FTP server.";
    case Setting::FtpUsername: return "The FTP user name.";
    case Setting::FtpPassword:
        return "The FTP password, kept only while SavePass is on: set it with kestrune --set-password ftp.";
    case Setting::FtpSavePass: return "Keep the FTP password in this file.";
    case Setting::FtpLocalFile: return "The template: a local file whose {IP} markers are filled in.";
    case Setting::FtpRemoteFile: return "The name the filled-in template gets on the server.";
    case Setting::UploadedIp: return "The address last uploaded (kept by the program).";
    case Setting::SaveIp: return "Write the address into the IP file when it changes.";
    case Setting::IpFilename: return "The IP file: it holds the address alone, without a line break.";
    case Setting::SaveLog: return "Add a dated line to the log when the address changes.";
    case Setting::LogFilename: return "The log file.";
    case Setting::LogLines: return "The log keeps this many lines at most.";
    case Setting::Interval: return "Minutes between checks; 0 checks once.";
    case Setting::AutoStart: return "The window starts checking on its own (a run without a window always does).";
    case Setting::Minimize: return "The window hides in the notification area when minimized.";
    case Setting::StartMinimized: return "The window starts hidden in the notification area.";
    case Setting::MailPort: return "The SMTP server's port.";
    case Setting::MailSsl: return "TLS from the first byte (usually port 465); wins over StartTLS.";
    case Setting::MailStartTls: return "STARTTLS on a plain connection (usually port 587).";
    case Setting::MailAnyCertificate: return "Accept a certificate that does not verify (a self-signed server).";
    case Setting::FtpPassive: return "Passive FTP (the client opens the data connection).";
    case Setting::FtpTls: return "Explicit TLS (AUTH TLS).";
    case Setting::FtpAnyCertificate: return "Accept a certificate that does not verify (a self-signed server).";
    case Setting::RunCommand: return "Run the command when the address changes.";
    case Setting::Command:
        return "The program and its arguments, double quotes grouping blanks; run without a shell, the address "
               "passed as data.";
    case Setting::CommandIp: return "The address the command last ran with successfully (kept by the program).";
    case Setting::Fallback: return "Ask the other external services when the chosen one fails.";
    case Setting::PublicOnly: return "Publish only public addresses (not private, loopback or the like).";
    case Setting::Source: return "The address source in use; empty for the classic choice of External and UserDefined.";
    case Setting::StunServers: return "The STUN servers asked by the STUN source, host:port, separated by commas.";
    case Setting::Confirm: return "Confirm an address with a second source before publishing it.";
    case Setting::RouterCheck: return "Compare the address with the router's own to tell a provider's shared address.";
    case Setting::Diagnosis: return "The last word on the provider's shared address, as shown (kept by the program).";
    case Setting::MetricsFile:
        return "A run without a window writes its metrics here after each check, in Prometheus text format for "
               "node_exporter's textfile collector (a name ending in .prom in its folder); empty for none.";
    case Setting::Ipv6Enabled: return "Find and publish the IPv6 address beside the IPv4 one.";
    case Setting::Ipv6Source:
        return "Where the IPv6 address comes from: interface (the kernel's own addresses) or service (an IPv6 echo "
               "service).";
    case Setting::Ipv6Interface: return "The interface whose addresses count; empty for every interface.";
    case Setting::Ipv6Service: return "The IPv6 echo service's address; empty for the first one offered.";
    case Setting::Ipv6Fallback: return "Ask the other IPv6 services when the chosen one fails.";
    case Setting::Ipv6Suffix:
        return "An interface identifier such as ::1: the published address is the found /64 prefix with it; empty "
               "for the found address.";
    case Setting::Ipv6Filename: return "The IP file for the IPv6 address; empty for none.";
    case Setting::UploadedIp6: return "The IPv6 address last uploaded (kept by the program).";
    case Setting::MailedIp6: return "The IPv6 address last mailed (kept by the program).";
    case Setting::CommandIp6: return "The IPv6 address the command last ran with successfully (kept by the program).";
    }
    return "";
}

std::string typeText(const SettingDef& def)
{
    switch (def.kind) {
    case SettingKind::Text: return "text";
    case SettingKind::Boolean: return "boolean";
    case SettingKind::Integer:
        return def.min <= def.max ? "integer, " + std::to_string(def.min) + " to " + std::to_string(def.max) : "integer";
    case SettingKind::Scrambled: return "password";
    case SettingKind::KeyList:
    case SettingKind::KeyFlags: return "list";
    }
    return "";
}

std::string defaultText(const SettingDef& def, std::string_view firstExternalServiceUrl)
{
    if (std::holds_alternative<FirstExternalService>(def.defaultValue))
        return std::string(firstExternalServiceUrl);
    if (const auto* text = std::get_if<std::string_view>(&def.defaultValue))
        return std::string(*text);
    if (const auto* flag = std::get_if<bool>(&def.defaultValue))
        return *flag ? "1" : "0";
    if (const auto* number = std::get_if<int>(&def.defaultValue))
        return std::to_string(*number);
    return "";
}

std::string folded(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool matches(const ManualKey& known, std::string_view key)
{
    if (known.key.starts_with('<'))
        return true;
    if (known.key.ends_with(kEntryIndex)) {
        const std::string_view stem = std::string_view(known.key).substr(0, known.key.size() - kEntryIndex.size());
        std::size_t digits = key.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(key[digits - 1])))
            --digits;
        return digits < key.size() && folded(key.substr(0, digits)) == folded(stem);
    }
    return folded(key) == folded(known.key);
}

} // namespace

std::vector<ManualSection> manualSections()
{
    std::vector<ManualSection> sections;
    for (const auto& [name, text] : kSectionMeanings)
        sections.push_back({std::string(name), std::string(text)});
    return sections;
}

std::vector<ManualKey> manualKeys(std::string_view firstExternalServiceUrl)
{
    std::vector<ManualKey> keys;
    for (Setting id : kSettingsWriteOrder) {
        const SettingDef& def = settingDef(id);
        if (id == Setting::Routers) {
            keys.push_back({"Routers", "<name>", "list", "", std::string(meaning(Setting::Routers))});
            keys.push_back({"RoutersData", "<record>", "list", "", std::string(meaning(Setting::RoutersData))});
            continue;
        }
        keys.push_back({std::string(def.section), std::string(def.writeKey), typeText(def),
                        defaultText(def, firstExternalServiceUrl), std::string(meaning(id))});
    }
    // The manual lists a section's keys together, in the order the sections first appear.
    std::vector<ManualKey> grouped;
    for (const ManualSection& section : manualSections()) {
        for (const ManualKey& key : keys)
            if (key.section == section.name)
                grouped.push_back(key);
        for (const EntryKey& entry : kEntryKeys)
            if (entry.section == section.name)
                grouped.push_back({std::string(entry.section), std::string(entry.key), std::string(entry.type),
                                   std::string(entry.defaultValue), std::string(entry.meaning)});
    }
    return grouped;
}

std::vector<std::string> unknownKeys(const IniFile& ini)
{
    const std::vector<ManualKey> known = manualKeys({});
    std::vector<std::string> unknown;
    for (const std::string& section : ini.sectionNames()) {
        for (const std::string& key : ini.readSectionKeys(section)) {
            if (key.starts_with(';') || key.starts_with('#'))
                continue;
            const bool found = std::any_of(known.begin(), known.end(), [&](const ManualKey& k) {
                return folded(k.section) == folded(section) && matches(k, key);
            });
            if (!found)
                unknown.push_back("[" + section + "] " + key);
        }
    }
    return unknown;
}

} // namespace kestrune::core
