// The tree cmake --install makes, in a temporary prefix.
#include "PeerProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(InstallTree, HoldsTheProgramItsMenuEntryIconsServiceAndManualPage)
{
    testsupport::TempDir prefix("kestrune-prefix");
    ASSERT_TRUE(testsupport::RunToEnd({KESTRUNE_CMAKE, "--install", KESTRUNE_BUILD_DIR, "--prefix", prefix.Path()}));
    const fs::path root = prefix.Path();

    const fs::path executable = root / "bin" / "kestrune";
    EXPECT_TRUE(fs::is_regular_file(executable));
    EXPECT_NE(fs::status(executable).permissions() & fs::perms::owner_exec, fs::perms::none);

    const fs::path desktop = root / "share/applications/kestrune.desktop";
    EXPECT_NE(Read(desktop).find("\nCategories=Network;Utility;\n"), std::string::npos);
    EXPECT_TRUE(testsupport::RunToEnd({KESTRUNE_DESKTOP_FILE_VALIDATE, desktop.string()}));

    for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(fs::is_regular_file(root / "share/icons/hicolor" / size / "apps/kestrune.png")) << size;
    EXPECT_TRUE(fs::is_regular_file(root / "share/icons/hicolor/scalable/apps/kestrune.svg"));

    const std::string unit = Read(root / "share/systemd/user/kestrune.service");
    EXPECT_NE(unit.find("\nExecStart=" + executable.string() + " --headless\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos) << unit;

    const std::string manual = Read(root / "share/man/man1/kestrune.1");
    for (const char* option : {"config", "headless", "check\\-once", "help", "version"})
        EXPECT_NE(manual.find(option), std::string::npos) << option;
}
