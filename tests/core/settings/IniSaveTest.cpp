#include "FileSizeLimit.h"
#include "IniFile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <sys/stat.h>

using namespace kestrune::core;

namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& file)
{
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st.st_mode & 07777;
}

// Files in the folder other than the ones named: a failed save must leave no temporary file behind.
std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A save that must fail with an error naming the file.
void ExpectSaveRefused(const IniFile& ini, const fs::path& file)
{
    try {
        ini.save(file);
        ADD_FAILURE() << "saving " << file << " succeeded";
    } catch (const IniError& e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
}

TEST(IniSave, WritesCrLfTextOwnerOnly)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    IniFile ini;
    ini.writeString("Mail", "To", "a@b.c");
    ini.writeInteger("System", "Interval", 30);
    ini.save(file);
    EXPECT_EQ(ReadFileBytes(file), "[Mail]\r\nTo=a@b.c\r\n[System]\r\nInterval=30\r\n");
    EXPECT_EQ(Mode(file), 0600u);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"kestrune.ini"}));
}

TEST(IniSave, ExistingFileBecomesOwnerOnlyAndKeepsWhatTheProgramDoesNotKnow)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "# hand note\r\n[Mail]\r\nTo=old\r\nX-Custom = keep me \r\n\r\n[Plugin]\r\nA=\"1\"\r\n");
    ::chmod(file.c_str(), 0644);

    IniFile ini = IniFile::loadForUpdate(file);
    ini.writeString("mail", "To", "new");
    ini.save(file);

    EXPECT_EQ(ReadFileBytes(file),
              "# hand note\r\n[Mail]\r\nTo=new\r\nX-Custom = keep me \r\n\r\n[Plugin]\r\nA=\"1\"\r\n");
    EXPECT_EQ(Mode(file), 0600u);
}

TEST(IniSave, ReadOnlyFileIsRefusedByNameAndLeftAlone)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[Mail]\r\nTo=old\r\n");
    ::chmod(file.c_str(), 0444);
    IniFile ini = IniFile::load(file);
    ini.writeString("Mail", "To", "new");
    ExpectSaveRefused(ini, file);
    EXPECT_EQ(ReadFileBytes(file), "[Mail]\r\nTo=old\r\n");
    EXPECT_EQ(Mode(file), 0444u);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"kestrune.ini"}));
}

TEST(IniSave, FullDiskLeavesTheOldFileWhole)
{
    TempFolder folder;
    fs::path file = folder / "kestrune.ini";
    const std::string old = "[Mail]\r\nTo=old\r\n";
    WriteFileBytes(file, old);
    IniFile ini = IniFile::load(file);
    ini.writeString("Mail", "Subject", std::string(2000, 's'));
    {
        FileSizeLimit limit(512);
        ExpectSaveRefused(ini, file);
    }
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_EQ(Entries(folder.Path), (std::vector<std::string>{"kestrune.ini"}));
}

TEST(IniSave, MissingFolderIsAnErrorNamingTheFile)
{
    TempFolder folder;
    fs::path file = folder.Path / "no-such-folder" / "kestrune.ini";
    ExpectSaveRefused(IniFile(), file);
}

TEST(IniSave, SymlinkedFileIsUpdatedThroughTheLink)
{
    TempFolder folder;
    fs::path real = folder / "real.ini";
    fs::path link = folder / "kestrune.ini";
    WriteFileBytes(real, "[A]\r\nB=1\r\n");
    fs::create_symlink(real, link);
    IniFile ini = IniFile::load(link);
    ini.writeString("A", "B", "2");
    ini.save(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real), "[A]\r\nB=2\r\n");
}

TEST(IniSave, StaleTemporariesOfThisFileAreRemovedAndNothingElse)
{
    TempFolder folder;
    TempFolder elsewhere;
    fs::path file = folder / "kestrune.ini";
    WriteFileBytes(file, "[System]\r\nInterval=45\r\n");
    WriteFileBytes(elsewhere / "target", "kept");
    for (const char* name : {".kestrune.ini.AbC123", ".kestrune.ini.zzzzzz"})
        WriteFileBytes(folder / name, "[FTP]\r\nPassword=\x9E\r\n");
    std::vector<std::string> kept = {"kestrune.ini", ".kestrune.ini.AbC12", ".kestrune.ini.AbC1234",
                                     ".kestrune.ini.AbC-23", ".other.ini.AbC123", "kestrune.ini.AbC123"};
    for (const std::string& name : kept)
        if (name != "kestrune.ini")
            WriteFileBytes(folder / name, "");
    fs::create_directory(folder / ".kestrune.ini.Dir001");
    fs::create_symlink(elsewhere / "target", folder / ".kestrune.ini.Link01");
    kept.insert(kept.end(), {".kestrune.ini.Dir001", ".kestrune.ini.Link01"});
    std::sort(kept.begin(), kept.end());

    IniFile::removeStaleTemporaries(file);
    EXPECT_EQ(Entries(folder.Path), kept);
    EXPECT_EQ(ReadFileBytes(elsewhere / "target"), "kept");
    EXPECT_EQ(ReadFileBytes(file), "[System]\r\nInterval=45\r\n");
}

TEST(IniLoad, MissingFileIsEmptyButAnUnreadableOneIsNotSilentlyReplaced)
{
    TempFolder folder;
    EXPECT_TRUE(IniFile::load(folder / "absent.ini").sectionNames().empty());
    EXPECT_TRUE(IniFile::loadForUpdate(folder / "absent.ini").sectionNames().empty());
    fs::create_directory(folder / "dir.ini");
    EXPECT_THROW(IniFile::loadForUpdate(folder / "dir.ini"), IniError);
}

} // namespace
