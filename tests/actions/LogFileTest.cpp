#include "ActionErrors.h"
#include "FileSizeLimit.h"
#include "LogFile.h"
#include "TempFolder.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrune::actions;

using testsupport::ExpectRaiseNaming;

namespace {

namespace fs = std::filesystem;

const std::string kEntry = "Tue 05 Mar 2024   07:08:09      203.0.113.7";

std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LogEntry, DateTimeBlanksAndAddress)
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_wday = 2;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    EXPECT_EQ(formatLogEntry(t, DateNames::english(), "203.0.113.7"), kEntry);

    DateNames german{{"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"},
                      {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"}};
    t.tm_hour = 23;
    t.tm_mday = 31;
    EXPECT_EQ(formatLogEntry(t, german, "Error"), "Di 31 M\xC3\xA4r 2024   23:08:09      Error");
}

struct LogCase {
    const char* Name;
    std::optional<std::string> Old;  // nullopt: no log yet
    int Limit;
    std::string Expected;            // after the new entry "E"
};

class WriteLogCases : public ::testing::TestWithParam<LogCase> {};

TEST_P(WriteLogCases, NewestFirstAndTrimmed)
{
    const LogCase& c = GetParam();
    TempFolder folder;
    fs::path log = folder / "ip.log";
    if (c.Old)
        WriteFileBytes(log, *c.Old);
    EXPECT_TRUE(writeLog(log.string(), "E", c.Limit));
    EXPECT_EQ(ReadFileBytes(log), c.Expected);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"ip.log"}));
}

const std::string kFive = "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteLogCases,
    ::testing::Values(LogCase{"FirstEntry", std::nullopt, 100, "E\r\n"},
                      LogCase{"LimitThreeOnFiveLines", kFive, 3, "E\r\nL1\r\nL2\r\n"},
                      LogCase{"LimitOne", kFive, 1, "E\r\n"}, LogCase{"LimitZero", kFive, 0, "E\r\n"},
                      LogCase{"LimitNegative", kFive, -1, "E\r\n"},
                      LogCase{"LimitSixKeepsAll", kFive, 6, "E\r\n" + kFive},
                      LogCase{"LimitAboveLength", kFive, 100, "E\r\n" + kFive},
                      LogCase{"EmptyLog", "", 100, "E\r\n"},
                      LogCase{"LfLinesGetCrLf", "a\nb\n", 100, "E\r\na\r\nb\r\n"},
                      LogCase{"LastLineWithoutBreak", "a\r\nb", 100, "E\r\na\r\nb\r\n"},
                      LogCase{"TrailingCrWithoutLf", "a\r", 100, "E\r\na\r\n"},
                      LogCase{"EmptyLinesCount", "A\r\n\r\nB\r\n", 3, "E\r\nA\r\n\r\n"},
                      LogCase{"LoneCrInsideLineKept", "a\rb\r\nc\r\n", 2, "E\r\na\rb\r\n"},
                      LogCase{"HandWrittenLinesCount", "# my note\r\nL1\r\n", 2, "E\r\n# my note\r\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(WriteLog, LinesAcrossReadBlocksAreCopiedExactly)
{
    TempFolder folder;
    fs::path log = folder / "ip.log";
    // A CR as the last byte of the first 256 KiB block, its LF the first byte of the next.
    std::string old = std::string(262143, 'x') + "\r\n";
    std::string expected = "E\r\n" + old;
    std::mt19937 random(7);
    for (int i = 0; i < 30000; ++i) {
        std::string line(random() % 40, static_cast<char>('a' + i % 26));
        if (random() % 5 == 0)
            line += "\rz";
        bool lfOnly = random() % 3 == 0;
        old += line + (lfOnly ? "\n" : "\r\n");
        if (i < 19998)
            expected += line + "\r\n";
    }
    WriteFileBytes(log, old);
    ASSERT_TRUE(writeLog(log.string(), "E", 20000));
    EXPECT_EQ(ReadFileBytes(log), expected);
}

TEST(WriteLog, NothingWithoutAnExistingFolder)
{
    TempFolder folder;
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(folder.Path.c_str()), 0);
    EXPECT_FALSE(writeLog("", kEntry, 100));
    EXPECT_FALSE(writeLog("ip.log", kEntry, 100));
    EXPECT_FALSE(writeLog((folder.Path / "missing" / "ip.log").string(), kEntry, 100));
    EXPECT_TRUE(Entries(folder.Path).empty());
    ASSERT_EQ(::chdir(old), 0);
}

TEST(WriteLog, ATmpExtensionIsAnOrdinaryLog)
{
    TempFolder folder;
    fs::path log = folder / "ip.tmp";
    WriteFileBytes(log, kFive);
    ASSERT_TRUE(writeLog(log.string(), "E", 3));
    EXPECT_EQ(ReadFileBytes(log), "E\r\nL1\r\nL2\r\n");
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"ip.tmp"}));
}

TEST(WriteLog, ReadOnlyLogRaisesAnErrorAndLosesNoLine)
{
    TempFolder folder;
    fs::path log = folder / "ip.log";
    WriteFileBytes(log, kFive);
    ::chmod(log.c_str(), 0444);
    ExpectRaiseNaming<FileActionError>([&] { writeLog(log.string(), kEntry, 100); }, {log.string()});
    EXPECT_EQ(ReadFileBytes(log), kFive);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"ip.log"}));
}

TEST(WriteLog, FullDiskRaisesAnErrorAndKeepsTheOldLog)
{
    TempFolder folder;
    fs::path log = folder / "ip.log";
    std::string old;
    while (old.size() < 4000)
        old += kEntry + "\r\n";
    WriteFileBytes(log, old);
    {
        FileSizeLimit limit(old.size() + 10);
        ExpectRaiseNaming<FileActionError>([&] { writeLog(log.string(), kEntry, 1000); }, {log.string()});
    }
    EXPECT_EQ(ReadFileBytes(log), old);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"ip.log"}));
}

TEST(WriteLog, KeepsPermissionsAndNeitherUsesNorInstallsAPlantedTemporaryFile)
{
    TempFolder folder;
    fs::path log = folder / "ip.log";
    fs::path planted = folder / "ip.tmp";
    WriteFileBytes(log, "L1\r\n");
    ::chmod(log.c_str(), 0640);
    WriteFileBytes(planted, "planted\r\n");
    ::chmod(planted.c_str(), 0666);

    ASSERT_TRUE(writeLog(log.string(), "E", 10));

    EXPECT_EQ(ReadFileBytes(log), "E\r\nL1\r\n");
    struct stat st {};
    ::stat(log.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFileBytes(planted), "planted\r\n");
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"ip.log", "ip.tmp"}));
}

} // namespace
