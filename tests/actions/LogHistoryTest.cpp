#include "LogFile.h"
#include "LogHistory.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(LogHistory, PeriodsOfARealLogNewestFirstWithForeignLinesKept)
{
    TTempFolder folder;
    const std::string log = (folder / "ip.log").string();
    {
        std::ofstream foreign(log, std::ios::binary);
        foreign << "written by something else\r\n";
    }
    const TDateNames names = TDateNames::English();
    const std::time_t start = 1709622489; // a Tuesday morning in March 2024
    const std::pair<std::time_t, const char*> entries[] = {
        {start, "203.0.113.7"}, {start + 3600, "203.0.113.7"}, {start + 7200, "198.51.100.20"},
        {start + 90000, "203.0.113.9"}};
    for (const auto& [when, address] : entries)
        ASSERT_TRUE(WriteLog(log, FormatLogEntry(when, names, address), 100));

    const std::vector<TLogPeriod> periods = LoadLogHistory(log, names);
    ASSERT_EQ(periods.size(), 4u);
    EXPECT_TRUE(periods[0].Readable);
    EXPECT_EQ(periods[0].Address, "203.0.113.9");
    EXPECT_EQ(periods[0].From, start + 90000);
    EXPECT_FALSE(periods[0].Until.has_value());
    EXPECT_EQ(periods[1].Address, "198.51.100.20");
    EXPECT_EQ(periods[1].From, start + 7200);
    EXPECT_EQ(periods[1].Until, start + 90000);
    // The address logged twice is one period, from its first entry.
    EXPECT_EQ(periods[2].Address, "203.0.113.7");
    EXPECT_EQ(periods[2].From, start);
    EXPECT_EQ(periods[2].Until, start + 7200);
    EXPECT_FALSE(periods[3].Readable);
    EXPECT_EQ(periods[3].Address, "written by something else");
}

TEST(LogHistory, MissingEmptyAndLocaleNamedLogs)
{
    TTempFolder folder;
    EXPECT_TRUE(LoadLogHistory(folder / "none.log", TDateNames::English()).empty());
    EXPECT_TRUE(ReadLogHistory("", TDateNames::English()).empty());
    EXPECT_TRUE(ReadLogHistory("\r\n  \r\n", TDateNames::English()).empty());

    TDateNames german = TDateNames::English();
    german.ShortMonthNames[2] = "Mrz";
    const auto periods = ReadLogHistory("Di 05 Mrz 2024   07:08:09      203.0.113.7\r\n"
                                        "Di 05 Xyz 2024   07:08:09      203.0.113.8\r\n", german);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_TRUE(periods[0].Readable);
    EXPECT_FALSE(periods[1].Readable);
}

} // namespace
