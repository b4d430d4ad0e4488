#pragma once

#include "IniFile.h"

#include <map>
#include <string>

namespace kestrune::core {

// What a run without a window did last, kept in "[Status]" of the settings file so that kestrune --status and
// a restarted run know it: the last check and, per publish step, what went out when.
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
    long long changed = 0;    // when the address found last differed from the one before
    // "Upload", "Mail", "IpFile", "Log", "Command", "DNS<i>" (i counts the entries from 1).
    std::map<std::string, Published> published;

    bool operator==(const RunStatus&) const = default;
};

inline constexpr const char* kStatusSection = "Status";

RunStatus loadRunStatus(const IniFile& ini);
// Erases the section and writes it again; nothing while the status is empty.
void saveRunStatus(const RunStatus& status, IniFile& ini);

} // namespace kestrune::core
