#include "AutostartEntry.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kestrune::launch;

TEST(AutostartEntry, WritesRemovesAndReportsTheLoginEntry)
{
    testsupport::TempDir config("kestrune-autostart");
    const std::filesystem::path file = AutostartEntry::defaultFile(config.Path(), "/home/u");
    EXPECT_EQ(file, std::filesystem::path(config.Path()) / "autostart" / "kestrune.desktop");
    EXPECT_EQ(AutostartEntry::defaultFile("relative", "/home/u"), "/home/u/.config/autostart/kestrune.desktop");
    EXPECT_EQ(AutostartEntry::defaultFile(std::nullopt, std::nullopt), "");

    const AutostartEntry entry(file, {"/opt/my apps/kestrune", "--config", "/srv/50%/k.ini"});
    EXPECT_FALSE(entry.exists());
    // A link planted at the entry's name is replaced, never written through.
    const std::string victim = config.Write("victim.txt", "keep");
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::create_symlink(victim, file);
    entry.setEnabled(true);
    EXPECT_TRUE(entry.exists());
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    EXPECT_EQ(config.Read("victim.txt"), "keep");
    const std::string text = config.Read("autostart/kestrune.desktop");
    EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\nName=Kestrune\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/kestrune\" --config /srv/50%%/k.ini\n"), std::string::npos) << text;

    entry.setEnabled(false);
    EXPECT_FALSE(entry.exists());
    EXPECT_NO_THROW(entry.disable());
    EXPECT_THROW(AutostartEntry({}, {"kestrune"}).enable(), std::runtime_error);
}

TEST(AutostartEntry, ExecArgumentsAreQuotedAndEscapedForTheDesktopFile)
{
    EXPECT_EQ(desktopExecArgument("/usr/bin/kestrune"), "/usr/bin/kestrune");
    EXPECT_EQ(desktopExecArgument(""), "\"\"");
    EXPECT_EQ(desktopExecArgument("a$b"), "\"a\\\\$b\"");
    EXPECT_EQ(desktopExecArgument("a\"b"), "\"a\\\\\"b\"");
    EXPECT_EQ(desktopExecArgument("a\\b"), "\"a\\\\\\\\b\"");
}
