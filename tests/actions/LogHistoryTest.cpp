#include "LogFile.h"
#include "LogHistory.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace kestrune::actions;

namespace {

TEST(LogHistory, PeriodsOfARealLogNewestFirstWithForeignLinesKept)
{
    TempFolder folder;
    const std::string log = (folder / "ip.log").string();
    {
        std::ofstream foreign(log, std::ios::binary);
        foreign << "written by something else\r\n";
    }
    const DateNames names = DateNames::english();
    const std::time_t start = 1709622489; // a Tuesday morning in March 2024
    const std::pair<std::time_t, const char*> entries[] = {
        {start, "203.0.113.7"}, {start + 3600, "203.0.113.7"}, {start + 7200, "198.51.100.20"},
        {start + 90000, "203.0.113.9"}};
    for (const auto& [when, address] : entries)
        ASSERT_TRUE(writeLog(log, formatLogEntry(when, names, address), 100));

    const std::vector<LogPeriod> periods = loadLogHistory(log, names);
    ASSERT_EQ(periods.size(), 4u);
    EXPECT_TRUE(periods[0].readable);
    EXPECT_EQ(periods[0].address, "203.0.113.9");
    EXPECT_EQ(periods[0].from, start + 90000);
    EXPECT_FALSE(periods[0].until.has_value());
    EXPECT_EQ(periods[1].address, "198.51.100.20");
    EXPECT_EQ(periods[1].from, start + 7200);
    EXPECT_EQ(periods[1].until, start + 90000);
    // The address logged twice is one period, from its first entry.
    EXPECT_EQ(periods[2].address, "203.0.113.7");
    EXPECT_EQ(periods[2].from, start);
    EXPECT_EQ(periods[2].until, start + 7200);
    EXPECT_FALSE(periods[3].readable);
    EXPECT_EQ(periods[3].address, "written by something else");
}

TEST(LogHistory, MissingEmptyAndLocaleNamedLogs)
{
    TempFolder folder;
    EXPECT_TRUE(loadLogHistory(folder / "none.log", DateNames::english()).empty());
    EXPECT_TRUE(readLogHistory("", DateNames::english()).empty());
    EXPECT_TRUE(readLogHistory("\r\n  \r\n", DateNames::english()).empty());

    DateNames german = DateNames::english();
    german.shortMonthNames[2] = "Mrz";
    const auto periods = readLogHistory("Di 05 Mrz 2024   07:08:09      203.0.113.7\r\n"
                                        "Di 05 Xyz 2024   07:08:09      203.0.113.8\r\n", german);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_TRUE(periods[0].readable);
    EXPECT_FALSE(periods[1].readable);
}

} // namespace

namespace {

TEST(LogHistory, IpFamiliesKeepTheirOwnPeriods)
{
    const DateNames names = DateNames::english();
    const std::time_t start = 1709622489;
    // Newest first, as the log is written: IPv6 changes between two IPv4 entries of one address.
    std::string text;
    for (const auto& [when, address] : std::initializer_list<std::pair<std::time_t, const char*>>{
             {start + 300, "2001:db8:2::1"}, {start + 200, "203.0.113.7"}, {start + 100, "2001:db8:1::1"},
             {start, "203.0.113.7"}})
        text += formatLogEntry(when, names, address) + "\r\n";
    const std::vector<LogPeriod> periods = readLogHistory(text, names);
    ASSERT_EQ(periods.size(), 3u);
    EXPECT_EQ(periods[0].address, "2001:db8:2::1");
    EXPECT_TRUE(periods[0].ipv6);
    EXPECT_FALSE(periods[0].until.has_value());
    EXPECT_EQ(periods[1].address, "203.0.113.7");
    EXPECT_FALSE(periods[1].ipv6);
    EXPECT_EQ(periods[1].from, start);
    EXPECT_FALSE(periods[1].until.has_value());
    EXPECT_EQ(periods[2].address, "2001:db8:1::1");
    EXPECT_EQ(periods[2].until, start + 300);
}

} // namespace
