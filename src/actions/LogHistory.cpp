#include "LogHistory.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kestrune::actions {

namespace {

constexpr std::size_t kMaxLogBytes = 16 * 1024 * 1024;

bool allDigits(const std::string& text, std::size_t size)
{
    return text.size() == size && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int monthIndex(const std::string& name, const DateNames& names)
{
    static const DateNames english = DateNames::english();
    for (const DateNames* table : {&names, &english})
        for (std::size_t i = 0; i < table->shortMonthNames.size(); ++i)
            if (table->shortMonthNames[i] == name)
                return static_cast<int>(i);
    return -1;
}

// "ddd dd mmm yyyy   hh:mm:ss      address" to its local time and address.
std::optional<std::pair<std::time_t, std::string>> readEntry(const std::string& line, const DateNames& names)
{
    std::istringstream in(line);
    std::string day, date, month, year, time, address, extra;
    if (!(in >> day >> date >> month >> year >> time >> address) || (in >> extra))
        return std::nullopt;
    const int mon = monthIndex(month, names);
    if (!allDigits(date, 2) || !allDigits(year, 4) || mon < 0 || time.size() != 8 || time[2] != ':' ||
        time[5] != ':' || !allDigits(time.substr(0, 2), 2) || !allDigits(time.substr(3, 2), 2) ||
        !allDigits(time.substr(6, 2), 2))
        return std::nullopt;
    std::tm t{};
    t.tm_mday = std::stoi(date);
    t.tm_mon = mon;
    t.tm_year = std::stoi(year) - 1900;
    t.tm_hour = std::stoi(time.substr(0, 2));
    t.tm_min = std::stoi(time.substr(3, 2));
    t.tm_sec = std::stoi(time.substr(6, 2));
    t.tm_isdst = -1;
    if (t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 60)
        return std::nullopt;
    const std::time_t when = std::mktime(&t);
    if (when == static_cast<std::time_t>(-1))
        return std::nullopt;
    return std::make_pair(when, address);
}

} // namespace

std::vector<LogPeriod> readLogHistory(std::string_view text, const DateNames& names)
{
    std::vector<LogPeriod> periods;
    // Per family (IPv4, IPv6): the time of the newest readable entry above, and its period.
    std::optional<std::time_t> newer[2];
    std::optional<std::size_t> newest[2];
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        const auto entry = readEntry(line, names);
        if (!entry) {
            periods.push_back({false, line, 0, std::nullopt});
            continue;
        }
        const bool ipv6 = entry->second.find(':') != std::string::npos;
        const std::size_t family = ipv6 ? 1 : 0;
        // A line that is no entry between the two ends the period.
        const bool unbroken = newest[family] && std::all_of(periods.begin() + static_cast<std::ptrdiff_t>(*newest[family]),
                                                            periods.end(), [](const LogPeriod& p) { return p.readable; });
        if (unbroken && periods[*newest[family]].address == entry->second) {
            periods[*newest[family]].from = entry->first;
        } else {
            periods.push_back({true, entry->second, entry->first, newer[family], ipv6});
            newest[family] = periods.size() - 1;
        }
        newer[family] = entry->first;
    }
    return periods;
}

std::vector<LogPeriod> loadLogHistory(const std::filesystem::path& log, const DateNames& names)
{
    std::ifstream in(log, std::ios::binary);
    if (!in)
        return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0)
        return {};
    in.seekg(0);
    // A huge file at the log's name is shown in part rather than read whole.
    std::string text(std::min(static_cast<std::size_t>(size), kMaxLogBytes), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return readLogHistory(text, names);
}

} // namespace kestrune::actions
