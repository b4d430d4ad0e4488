#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrune::actions {

// Abbreviated day names (Sunday first) and month names (January first) of the user's locale.
struct DateNames {
    std::array<std::string, 7> shortDayNames;
    std::array<std::string, 12> shortMonthNames;

    static DateNames english();
};

// "ddd dd mmm yyyy   hh:mm:ss" then six blanks and the address, without a line end.
std::string formatLogEntry(const std::tm& localTime, const DateNames& names, std::string_view address);
std::string formatLogEntry(std::time_t when, const DateNames& names, std::string_view address);

// Puts the entry (a line without line end) on top of the log and keeps at most maxLines − 1 of its earlier
// lines below it, each ended by CR LF; a limit of 1 or less keeps none. The new log is built in a temporary
// file of unpredictable name beside it and then renamed over the log in one step (a link at the log's name is
// replaced, not followed). Does nothing (returns false) when the name's folder does not exist.
// Raises FileActionError for a read-only log, one that is not a regular file, or any failure to read, write or
// rename; in every failure case the old log is left as it was and no temporary file stays behind.
bool writeLog(std::string_view logFileName, std::string_view entry, int maxLines);

} // namespace kestrune::actions
