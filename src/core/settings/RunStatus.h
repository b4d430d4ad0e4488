#pragma once

#include "IniFile.h"

#include <map>
#include <string>

namespace kestrune::core {

// What a run did last, kept in "[Status]" of the settings file so that kestrune --status and a restarted run
// know it: the last check and, per publish step and address family, what went out when.
struct RunStatus {
    struct Published {
        std::string address;
        long long time = 0;  // seconds since the epoch
        bool operator==(const Published&) const = default;
    };

    long long lastCheck = 0;  // 0: never checked
    std::string source;       // the page or service asked
    std::string address;      // the address found; empty when the lookup failed
    std::string error;        // why the lookup failed
    std::string address6;     // the IPv6 address the last check found (IPv6 on); empty when none
    long long changed = 0;    // when the address found last differed from the one before
    // "Upload", "Mail", "IpFile", "Log", "Command", "DNS<i>" (i counts the entries from 1); the IPv6 address's
    // steps: "Upload6", "Mail6", "IpFile6", "Log6", "Command6", "DNSv6<i>".
    std::map<std::string, Published> published;

    bool operator==(const RunStatus&) const = default;
};

inline constexpr const char* kStatusSection = "Status";

// A time of the status in local time, "2026-12-07 23:04:03", as the status, the notices and the service line show it.
std::string localTimeText(long long seconds);

RunStatus loadRunStatus(const IniFile& ini);
// Erases the section and writes it again; nothing while the status is empty.
void saveRunStatus(const RunStatus& status, IniFile& ini);

} // namespace kestrune::core
