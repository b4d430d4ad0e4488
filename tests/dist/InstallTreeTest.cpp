// The tree cmake --install makes, in a temporary prefix, and the window's module the program loads.
#include "PeerProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ended {
    int status = -1;
    std::string output;  // standard output and error
};

Ended RunCommand(const std::string& command)
{
    Ended ended;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return ended;
    for (char buffer[4096]; const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe);)
        ended.output.append(buffer, n);
    const int status = ::pclose(pipe);
    ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ended;
}

// Runs the program offscreen for at most 30 s, its window (if any) quitting after its first paint.
Ended RunWindow(const std::string& program, const std::string& settingsFile)
{
    return RunCommand("env QT_QPA_PLATFORM=offscreen KESTRUNE_EXIT_AFTER_SHOW=1 timeout -s KILL 30 '" + program +
                      "' --config '" + settingsFile + "' 2>&1");
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

    // The installed program finds its window's module in its library folder.
    EXPECT_TRUE(fs::is_regular_file(root / KESTRUNE_WINDOW_MODULE_DIR / KESTRUNE_WINDOW_MODULE_NAME));
    const Ended window = RunWindow(executable.string(), prefix.File("kestrune.ini"));
    EXPECT_EQ(window.status, 0) << window.output;
    EXPECT_NE(window.output.find("shown "), std::string::npos) << window.output;

    const fs::path desktop = root / "share/applications/kestrune.desktop";
    EXPECT_NE(Read(desktop).find("\nCategories=Network;Utility;\n"), std::string::npos);
    EXPECT_TRUE(testsupport::RunToEnd({KESTRUNE_DESKTOP_FILE_VALIDATE, desktop.string()}));

    for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(fs::is_regular_file(root / "share/icons/hicolor" / size / "apps/kestrune.png")) << size;
    EXPECT_TRUE(fs::is_regular_file(root / "share/icons/hicolor/scalable/apps/kestrune.svg"));

    const std::string unit = Read(root / "share/systemd/user/kestrune.service");
    EXPECT_NE(unit.find("\nExecStart=" + executable.string() + " --headless\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("\nWatchdogSec="), std::string::npos) << unit;

    EXPECT_TRUE(fs::is_regular_file(root / "share/man/man5/kestrune.ini.5"));
    EXPECT_TRUE(fs::is_regular_file(root / "share/doc/kestrune/kestrune.ini"));
    const std::string manual = Read(root / "share/man/man1/kestrune.1");
    for (const char* option : {"config", "headless", "check\\-once", "help", "version"})
        EXPECT_NE(manual.find(option), std::string::npos) << option;
}

// A program without its window's module, or with a broken one, says so and ends with status 1.
TEST(WindowModule, MissingOrBrokenEndsTheProgramWithAClearError)
{
    testsupport::TempDir folder("kestrune-alone");
    const std::string program = folder.File("kestrune");
    fs::copy_file(KESTRUNE_EXECUTABLE, program);
    const std::string module = folder.File(KESTRUNE_WINDOW_MODULE_NAME);

    const Ended missing = RunWindow(program, folder.File("kestrune.ini"));
    EXPECT_EQ(missing.status, 1) << missing.output;
    EXPECT_NE(missing.output.find("Cannot start the window: neither " + module + " nor "), std::string::npos)
        << missing.output;

    std::ofstream(module) << "not a library";
    const Ended broken = RunWindow(program, folder.File("kestrune.ini"));
    EXPECT_EQ(broken.status, 1) << broken.output;
    EXPECT_NE(broken.output.find("Cannot start the window: " + module + ":"), std::string::npos) << broken.output;
    EXPECT_FALSE(fs::exists(folder.File("kestrune.ini")));
}

// OpenSSL (and ldns, which links it) load at the first TLS connection or DNS message, not with the program.
TEST(StartUp, LoadsNoTlsLibraryBeforeItsFirstUse)
{
    const fs::path module = fs::path(KESTRUNE_BUILD_DIR) / KESTRUNE_WINDOW_MODULE_NAME;
    for (const std::string& file : {std::string(KESTRUNE_EXECUTABLE), module.string()}) {
        const Ended listed = RunCommand("ldd '" + file + "' 2>&1");
        ASSERT_EQ(listed.status, 0) << listed.output;
        for (const char* library : {"libssl.so", "libcrypto.so", "libldns.so"})
            EXPECT_EQ(listed.output.find(library), std::string::npos) << file << " loads " << library;
    }
}
