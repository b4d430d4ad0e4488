#include "AppPaths.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

kestrune::core::AppPathsEnvironment Environment(bool writable, std::optional<std::string> xdg, std::optional<std::string> home,
                                                std::optional<std::string> runtime = {}, bool buildTree = false)
{
    return {std::move(xdg), std::move(home), [writable](const fs::path&) { return writable; }, std::move(runtime),
            std::nullopt, [buildTree](const fs::path&) { return buildTree; }};
}

struct PathCase {
    const char* Name;
    std::string Executable;
    bool Writable;
    std::optional<std::string> Xdg;
    std::optional<std::string> Home;
    std::string Folder;
    std::string Base;
    std::string RunBase = {};  // of the help and upload files, when not Base
    std::optional<std::string> Runtime = {};
    bool BuildTree = false;
};

class AppPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(AppPaths, BesideTheExecutableOrInTheConfigFolder)
{
    const PathCase& c = GetParam();
    kestrune::core::AppPaths paths =
        kestrune::core::appPathsFor(c.Executable, Environment(c.Writable, c.Xdg, c.Home, c.Runtime, c.BuildTree));
    EXPECT_EQ(paths.folder, fs::path(c.Folder));
    EXPECT_EQ(paths.settingsFile, fs::path(c.Base + ".ini"));
    const std::string runBase = c.RunBase.empty() ? c.Base : c.RunBase;
    EXPECT_EQ(paths.helpFile, fs::path(runBase + ".html"));
    EXPECT_EQ(paths.uploadFile, fs::path(runBase + ".tmp"));
    EXPECT_EQ(paths.inConfigFolder, c.Folder != fs::path(c.Executable).parent_path());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppPaths,
    ::testing::Values(
        PathCase{"Writable", "/opt/k/kestrune", true, "/x", "/home/u", "/opt/k", "/opt/k/kestrune"},
        PathCase{"ExtensionReplaced", "/opt/k/kestrune.bin", true, {}, {}, "/opt/k", "/opt/k/kestrune"},
        PathCase{"CopyUnderOtherName", "/opt/k/ip-watch", true, {}, {}, "/opt/k", "/opt/k/ip-watch"},
        PathCase{"XdgConfigHome", "/usr/bin/kestrune", false, "/home/u/.cfg", "/home/u", "/home/u/.cfg/kestrune",
                  "/home/u/.cfg/kestrune/kestrune", "/home/u/.cache/kestrune/kestrune"},
        PathCase{"HomeDefault", "/usr/bin/kestrune", false, {}, "/home/u", "/home/u/.config/kestrune",
                  "/home/u/.config/kestrune/kestrune", "/home/u/.cache/kestrune/kestrune"},
        PathCase{"RelativeXdgIgnored", "/usr/bin/kestrune", false, "cfg", "/home/u", "/home/u/.config/kestrune",
                  "/home/u/.config/kestrune/kestrune", "/home/u/.cache/kestrune/kestrune"},
        // Installed for the user: the folder can be written, yet window and service share the config folder.
        PathCase{"InstalledWritable", "/home/u/.local/bin/kestrune", true, {}, "/home/u", "/home/u/.config/kestrune",
                  "/home/u/.config/kestrune/kestrune", "/run/user/1000/kestrune/kestrune", "/run/user/1000"},
        PathCase{"BuildTreeNamedBin", "/src/k/bin/kestrune", true, {}, "/home/u", "/src/k/bin", "/src/k/bin/kestrune",
                  {}, "/run/user/1000", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(AppPathsReal, WritableFolderIsUsedAndAMissingOneIsNot)
{
    TempFolder folder;
    kestrune::core::AppPathsEnvironment env = kestrune::core::currentAppPathsEnvironment();
    env.xdgConfigHome = (folder / "config").string();
    EXPECT_EQ(kestrune::core::appPathsFor(folder / "kestrune", env).settingsFile, folder / "kestrune.ini");
    kestrune::core::AppPaths elsewhere = kestrune::core::appPathsFor(folder / "missing" / "kestrune", env);
    EXPECT_EQ(elsewhere.settingsFile, folder.Path / "config" / "kestrune" / "kestrune.ini");

    kestrune::core::ensureAppFolder(elsewhere);
    struct stat st {};
    ASSERT_EQ(::stat(elsewhere.folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AppPathsChosen, TheHelpAndUploadFilesGoBesideTheNamedSettingsFileWhereverTheExecutableIs)
{
    kestrune::core::AppPaths paths = kestrune::core::appPathsForSettingsFile("/srv/ip/home.conf");
    EXPECT_EQ(paths.folder, "/srv/ip");
    EXPECT_EQ(paths.settingsFile, "/srv/ip/home.conf");
    EXPECT_EQ(paths.helpFile, "/srv/ip/home.html");
    EXPECT_EQ(paths.uploadFile, "/srv/ip/home.tmp");
    EXPECT_FALSE(paths.inConfigFolder);
    // Named like its own upload file, the settings file is not overwritten by the upload.
    EXPECT_EQ(kestrune::core::appPathsForSettingsFile("/srv/ip/home.tmp").uploadFile, "/srv/ip/home.tmp.tmp");
    EXPECT_EQ(kestrune::core::appPathsForSettingsFile("rel/k.ini").settingsFile, std::filesystem::current_path() / "rel/k.ini");

    kestrune::core::useSettingsFile("/srv/ip/home.conf");
    EXPECT_EQ(kestrune::core::appPathsFor("/usr/bin/kestrune").helpFile, "/srv/ip/home.html");
}

} // namespace
