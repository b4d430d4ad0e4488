#include "AppPaths.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

TAppPathsEnvironment Environment(bool writable, std::optional<std::string> xdg, std::optional<std::string> home)
{
    return {std::move(xdg), std::move(home), [writable](const fs::path&) { return writable; }};
}

struct TPathCase {
    const char* Name;
    std::string Executable;
    bool Writable;
    std::optional<std::string> Xdg;
    std::optional<std::string> Home;
    std::string Folder;
    std::string Base;
};

class AppPaths : public ::testing::TestWithParam<TPathCase> {};

TEST_P(AppPaths, BesideTheExecutableOrInTheConfigFolder)
{
    const TPathCase& c = GetParam();
    TAppPaths paths = AppPathsFor(c.Executable, Environment(c.Writable, c.Xdg, c.Home));
    EXPECT_EQ(paths.Folder, fs::path(c.Folder));
    EXPECT_EQ(paths.SettingsFile, fs::path(c.Base + ".ini"));
    EXPECT_EQ(paths.HelpFile, fs::path(c.Base + ".html"));
    EXPECT_EQ(paths.UploadFile, fs::path(c.Base + ".tmp"));
    EXPECT_EQ(paths.InConfigFolder, !c.Writable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppPaths,
    ::testing::Values(
        TPathCase{"Writable", "/opt/k/kestrune", true, "/x", "/home/u", "/opt/k", "/opt/k/kestrune"},
        TPathCase{"ExtensionReplaced", "/opt/k/kestrune.bin", true, {}, {}, "/opt/k", "/opt/k/kestrune"},
        TPathCase{"CopyUnderOtherName", "/opt/k/ip-watch", true, {}, {}, "/opt/k", "/opt/k/ip-watch"},
        TPathCase{"XdgConfigHome", "/usr/bin/kestrune", false, "/home/u/.cfg", "/home/u", "/home/u/.cfg/kestrune",
                  "/home/u/.cfg/kestrune/kestrune"},
        TPathCase{"HomeDefault", "/usr/bin/kestrune", false, {}, "/home/u", "/home/u/.config/kestrune",
                  "/home/u/.config/kestrune/kestrune"},
        TPathCase{"RelativeXdgIgnored", "/usr/bin/kestrune", false, "cfg", "/home/u", "/home/u/.config/kestrune",
                  "/home/u/.config/kestrune/kestrune"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(AppPathsReal, WritableFolderIsUsedAndAMissingOneIsNot)
{
    TTempFolder folder;
    TAppPathsEnvironment env = CurrentAppPathsEnvironment();
    env.XdgConfigHome = (folder / "config").string();
    EXPECT_EQ(AppPathsFor(folder / "kestrune", env).SettingsFile, folder / "kestrune.ini");
    TAppPaths elsewhere = AppPathsFor(folder / "missing" / "kestrune", env);
    EXPECT_EQ(elsewhere.SettingsFile, folder.Path / "config" / "kestrune" / "kestrune.ini");

    EnsureAppFolder(elsewhere);
    struct stat st {};
    ASSERT_EQ(::stat(elsewhere.Folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AppPathsChosen, TheHelpAndUploadFilesGoBesideTheNamedSettingsFileWhereverTheExecutableIs)
{
    TAppPaths paths = AppPathsForSettingsFile("/srv/ip/home.conf");
    EXPECT_EQ(paths.Folder, "/srv/ip");
    EXPECT_EQ(paths.SettingsFile, "/srv/ip/home.conf");
    EXPECT_EQ(paths.HelpFile, "/srv/ip/home.html");
    EXPECT_EQ(paths.UploadFile, "/srv/ip/home.tmp");
    EXPECT_FALSE(paths.InConfigFolder);
    // Named like its own upload file, the settings file is not overwritten by the upload.
    EXPECT_EQ(AppPathsForSettingsFile("/srv/ip/home.tmp").UploadFile, "/srv/ip/home.tmp.tmp");
    EXPECT_EQ(AppPathsForSettingsFile("rel/k.ini").SettingsFile, std::filesystem::current_path() / "rel/k.ini");

    UseSettingsFile("/srv/ip/home.conf");
    EXPECT_EQ(AppPathsFor("/usr/bin/kestrune").HelpFile, "/srv/ip/home.html");
}

} // namespace
