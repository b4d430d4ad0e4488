#pragma once

#include "LogFile.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One address the network had, from the log entry that recorded it until the next newer one; or a line of the
// log that is not an entry, kept as it is.
struct TLogPeriod {
    bool Readable = false;
    std::string Address;                 // the line itself when not readable
    std::time_t From = 0;
    std::optional<std::time_t> Until;    // none for the address still held
};

// The log's text (newest entry first, as the log is written) to its periods, newest first. Dates are read with
// the given day and month names or the English ones; an entry repeating the address of the newer one merges
// into its period.
std::vector<TLogPeriod> ReadLogHistory(std::string_view text, const TDateNames& names);

// The same from a file; a missing or unreadable log gives no periods.
std::vector<TLogPeriod> LoadLogHistory(const std::filesystem::path& log, const TDateNames& names);
