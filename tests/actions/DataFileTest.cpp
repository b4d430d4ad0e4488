#include "ActionErrors.h"
#include "DataFile.h"
#include "TempFolder.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrune::actions;

using testsupport::ExpectRaiseNaming;

namespace {

namespace fs = std::filesystem;

TEST(WriteDataFile, HoldsExactlyTheAddress)
{
    TempFolder folder;
    fs::path file = folder / "ip.txt";
    WriteFileBytes(file, "198.51.100.200\r\nold second line\r\n");
    EXPECT_TRUE(writeDataFile(file.string(), "203.0.113.7"));
    EXPECT_EQ(ReadFileBytes(file), "203.0.113.7");
    EXPECT_EQ(fs::file_size(file), 11u);
    EXPECT_TRUE(writeDataFile(file.string(), "Error"));
    EXPECT_EQ(ReadFileBytes(file), "Error");
}

TEST(WriteDataFile, NothingWithoutAnExistingFolder)
{
    TempFolder folder;
    char old[4096];
    ASSERT_NE(::getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(::chdir(folder.Path.c_str()), 0);
    EXPECT_FALSE(writeDataFile("", "1.2.3.4"));
    EXPECT_FALSE(writeDataFile("ip.txt", "1.2.3.4"));
    EXPECT_FALSE(writeDataFile((folder.Path / "missing" / "ip.txt").string(), "1.2.3.4"));
    EXPECT_FALSE(fs::exists(folder / "ip.txt"));
    EXPECT_FALSE(fs::exists(folder / "missing"));
    ASSERT_EQ(::chdir(old), 0);
}

TEST(WriteDataFile, ReadOnlyOrUnwritableFileRaisesAnErrorNamingIt)
{
    TempFolder folder;
    fs::path file = folder / "ip.txt";
    WriteFileBytes(file, "old");
    ::chmod(file.c_str(), 0444);
    ExpectRaiseNaming<FileActionError>([&] { writeDataFile(file.string(), "1.2.3.4"); }, {file.string()});
    EXPECT_EQ(ReadFileBytes(file), "old");

    fs::create_directory(folder / "taken");
    EXPECT_THROW(writeDataFile((folder / "taken").string(), "1.2.3.4"), FileActionError);
}

} // namespace
