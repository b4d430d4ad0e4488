#pragma once

#include "LogFile.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::actions {

// One address the network had, from the log entry that recorded it until the next newer one; or a line of the
// log that is not an entry, kept as it is.
struct LogPeriod {
    bool readable = false;
    std::string address;                 // the line itself when not readable
    std::time_t from = 0;
    std::optional<std::time_t> until;    // none for the address still held
    bool ipv6 = false;                   // an IPv6 address: its periods run beside the IPv4 ones
};

// The log's text (newest entry first, as the log is written) to its periods, newest first. Dates are read with
// the given day and month names or the English ones; an entry repeating the address of the newer one merges
// into its period. Each family has its own periods: an IPv6 entry ends no IPv4 period, and the reverse.
std::vector<LogPeriod> readLogHistory(std::string_view text, const DateNames& names);

// The same from a file; a missing or unreadable log gives no periods.
std::vector<LogPeriod> loadLogHistory(const std::filesystem::path& log, const DateNames& names);

} // namespace kestrune::actions
