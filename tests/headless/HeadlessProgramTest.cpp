// The real program without a display: exit statuses, signals, and one instance per settings file.
#include "HeadlessRig.h"
#include "SmtpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace {

std::vector<std::string> Headless(const HeadlessRig& rig) { return {"--headless", "--config", rig.settingsFile}; }
std::vector<std::string> CheckOnce(const HeadlessRig& rig) { return {"--check-once", "--config", rig.settingsFile}; }

} // namespace

TEST(HeadlessProgram, CheckOnceExitsWithTheCheckStatusWithoutADisplay)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;  // check-once ignores it
    rig.save();
    ProgramRun found(CheckOnce(rig));
    EXPECT_EQ(found.wait(), 0) << found.errors();
    EXPECT_EQ(found.errors(), "Address found: 10.1.2.3\nIP file written: " + rig.ipFile + "\n");
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");

    // A mail server that is gone fails the action.
    rig.setPage("10.4.4.4");
    rig.useMail(testsupport::NginxServer::FreePort());
    rig.save();
    ProgramRun mailFails(CheckOnce(rig));
    EXPECT_EQ(mailFails.wait(), 2) << mailFails.errors();
    EXPECT_EQ(mailFails.errors().find("mail-Secret-9"), std::string::npos);

    rig.page.reset();
    ProgramRun lookupFails(CheckOnce(rig));
    EXPECT_EQ(lookupFails.wait(), 1) << lookupFails.errors();
}

// The window's libraries cost start-up time and memory a run without a window does not need.
TEST(HeadlessProgram, LoadsNoWindowLibrary)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;
    rig.save();
    ProgramRun run(Headless(rig));
    ASSERT_TRUE(run.waitForError("Checking every 30 minutes.\n")) << run.errors();
    std::ifstream maps("/proc/" + std::to_string(run.pid()) + "/maps");
    bool core = false;
    std::string window;
    for (std::string line; std::getline(maps, line);) {
        core = core || line.find("libQt6Core") != std::string::npos;
        for (const char* library : {"libQt6Gui", "libQt6Widgets", "libQt6Network", "kestrune-window"})
            if (line.find(library) != std::string::npos)
                window += line + "\n";
    }
    EXPECT_TRUE(core);
    EXPECT_EQ(window, "");
    ::kill(run.pid(), SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.errors();
}

TEST(HeadlessProgram, HangUpReadsTheSettingsAgainAndTerminateStoresTheState)
{
    HeadlessRig rig("10.1.2.3");
    SmtpServer smtp({});
    rig.useMail(smtp.Port());
    rig.settings.webAuth = false;
    rig.settings.interval = 30;
    rig.save();
    ProgramRun run(Headless(rig));
    ASSERT_TRUE(run.waitForError("Checking every 30 minutes.\n")) << run.errors();
    EXPECT_EQ(rig.saved().mailedIp, "10.1.2.3");

    rig.setPage("10.9.9.9");
    rig.settings.ipFilename = rig.folder.File("other.txt");
    rig.save();
    ::kill(run.pid(), SIGHUP);
    ASSERT_TRUE(run.waitForError("Address found: 10.9.9.9\n")) << run.errors();
    ASSERT_TRUE(run.waitForError("IP file written: " + rig.folder.File("other.txt") + "\n")) << run.errors();
    ::kill(run.pid(), SIGTERM);
    EXPECT_EQ(run.wait(), 0) << run.errors();
    EXPECT_EQ(rig.saved().mailedIp, "10.9.9.9");
    EXPECT_EQ(smtp.Stored().size(), 2u);
}

TEST(HeadlessProgram, ASecondInstanceOnTheSameSettingsFileDoesNotStart)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;
    rig.save();
    const std::string lock = rig.folder.File(".kestrune.ini.lock");
    const std::string refusal = "Kestrune already runs with the settings file \"" + rig.settingsFile + "\".\n";

    // Headless first: another headless run and a window are refused, and touch nothing.
    {
        ProgramRun first(Headless(rig));
        ASSERT_TRUE(first.waitForLock(lock)) << first.errors();
        ASSERT_TRUE(first.waitForError("Checking every")) << first.errors();
        const std::string before = FolderState(rig.folder.Path());
        ProgramRun headless(CheckOnce(rig));
        EXPECT_EQ(headless.wait(), 3);
        EXPECT_EQ(headless.errors(), refusal);
        ProgramRun window({"--config", rig.settingsFile}, true);
        EXPECT_TRUE(window.waitForError(refusal)) << window.errors();
        ::kill(window.pid(), SIGTERM);  // closes its message box
        EXPECT_EQ(window.wait(), 3);
        EXPECT_EQ(FolderState(rig.folder.Path()), before);
        // A killed instance leaves no lock behind.
        ::kill(first.pid(), SIGKILL);
        EXPECT_EQ(first.wait(), 128 + SIGKILL);
    }
    ProgramRun afterKill(CheckOnce(rig));
    EXPECT_EQ(afterKill.wait(), 0) << afterKill.errors();

    // Window first: headless is refused; a second window brings the first to the front instead.
    ProgramRun window({"--config", rig.settingsFile}, true);
    ASSERT_TRUE(window.waitForLock(lock)) << window.errors();
    ProgramRun headless(Headless(rig));
    EXPECT_EQ(headless.wait(), 3);
    EXPECT_EQ(headless.errors(), refusal);
    ProgramRun secondWindow({"--config", rig.settingsFile}, true);
    EXPECT_EQ(secondWindow.wait(), 3);
    EXPECT_NE(secondWindow.errors().find("It was brought to the front."), std::string::npos) << secondWindow.errors();
    ::kill(window.pid(), SIGTERM);
    EXPECT_EQ(window.wait(), 0) << window.errors();
}

// A settings file that is no regular file ends every face's start with the reason, never waiting on it.
TEST(HeadlessProgram, ASettingsFileThatIsNoRegularFileEndsTheStartWithTheReason)
{
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{{"--check-once"}, {"--headless"}, {}}) {
        HeadlessRig rig("10.1.2.3");
        ASSERT_EQ(::mkfifo(rig.settingsFile.c_str(), 0600), 0);
        std::vector<std::string> arguments = options;
        arguments.insert(arguments.end(), {"--config", rig.settingsFile});
        ProgramRun run(arguments, options.empty());
        EXPECT_EQ(run.wait(10000), 1) << arguments[0] << "\n" << run.errors();
        EXPECT_EQ(run.errors(), "Could not read the settings file \"" + rig.settingsFile + "\": it is not a regular file.\n");
    }
}

TEST(HeadlessProgram, ASettingsFileInAFolderThatDoesNotExistIsRefusedCreatingNothing)
{
    HeadlessRig rig("10.1.2.3");
    const std::string file = rig.folder.File("missing/kestrune.ini");
    for (const char* option : {"--check-once", "--headless"}) {
        ProgramRun run({option, "--config", file});
        EXPECT_EQ(run.wait(10000), 64) << option;
        EXPECT_EQ(run.errors(), std::string(KESTRUNE_EXECUTABLE) + ": settings file \"" + file + "\" does not exist\n");
        EXPECT_FALSE(std::filesystem::exists(rig.folder.File("missing")));
    }
}

// Ended while the command runs, the command is kept for a retry as an interrupted DNS update or mail is.
TEST(HeadlessProgram, TerminateDuringTheCommandKeepsItForARetry)
{
    HeadlessRig rig("10.1.2.3");
    const std::string started = rig.folder.File("command-started");
    rig.settings.runCommand = true;
    rig.settings.command = "/bin/sh -c \"touch " + started + "; exec sleep 30\"";
    rig.settings.interval = 30;
    rig.save();
    ProgramRun run(Headless(rig));
    for (int wait = 0; wait < 1000 && !std::filesystem::exists(started); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(run.pid(), SIGTERM);
    EXPECT_EQ(run.wait(10000), 0) << run.errors();
    ASSERT_EQ(rig.saved().pendingRetries.size(), 1u) << run.errors();
    EXPECT_EQ(rig.saved().pendingRetries[0].channel, "command");
    EXPECT_EQ(rig.saved().commandIp, "");
}
