// The tree cmake --install makes, in a temporary prefix, and the window's module the program loads.
#include "PeerProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ended {
    int status = -1;     // -1: still running after 30 s, then killed
    std::string output;  // standard output and error
};

// Runs the program offscreen, its window (if any) quitting after its first paint.
Ended RunWindow(const std::string& program, const std::string& settingsFile)
{
    std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen", "KESTRUNE_EXIT_AFTER_SHOW=1"};
    for (char** variable = environ; *variable; ++variable)
        if (std::string(*variable).rfind("QT_QPA_PLATFORM=", 0) != 0)
            environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments{program, "--config", settingsFile};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    Ended ended;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (char buffer[4096]; spawned == 0;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fds[0], POLLIN, 0};
        const ssize_t n = left.count() > 0 && ::poll(&p, 1, static_cast<int>(left.count())) == 1
                              ? ::read(fds[0], buffer, sizeof buffer)
                              : -1;
        if (n <= 0)
            break;
        ended.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (spawned != 0)
        return ended;
    if (std::chrono::steady_clock::now() >= deadline)
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (std::chrono::steady_clock::now() < deadline)
        ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return ended;
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
