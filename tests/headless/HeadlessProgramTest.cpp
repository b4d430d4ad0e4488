// The real program without a display: exit statuses, signals, and one instance per settings file.
#include "HeadlessRig.h"
#include "NoticeServer.h"
#include "SmtpServer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

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

// The test action runs beside a service that holds the settings file, and its token stays out of the output.
TEST(HeadlessProgram, TestNoticeSendsThroughTheNumberedEntryAndExitsWithItsOutcome)
{
    const testsupport::NoticeServer server("tk_headless_Secret", "");
    HeadlessRig rig("10.1.2.3");
    rig.settings.notices = {{true, "ntfy", server.origin() + "/home", "tk_headless_Secret", "ip4", "", "{EVENT}"},
                            {true, "ntfy", server.origin() + "/home", "tk_wrong_Secret", "", "", ""}};
    rig.save();
    ProgramRun service(Headless(rig));
    ASSERT_TRUE(service.waitForError("Notice sent.")) << service.errors();

    struct Case {
        std::string entry;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"1", 0, "Notice sent.\nNotice 1 (ntfy at 127.0.0.1): the test notice was sent.\n"},
        {"2", 2, "Notice 2 (ntfy at 127.0.0.1) refused: HTTP 403 Forbidden.\n"
                 "Notice 2 (ntfy at 127.0.0.1) refused: HTTP 403 Forbidden.\n"},
        {"3", 2, "There is no notice 3.\n"},
        {"0", 64, ""},
    };
    for (const Case& c : cases) {
        ProgramRun test({"--test-notice", c.entry, "--config", rig.settingsFile});
        EXPECT_EQ(test.wait(), c.status) << c.entry << ": " << test.errors();
        if (!c.output.empty()) {
            EXPECT_EQ(test.errors(), c.output);
        }
        EXPECT_EQ(test.errors().find("Secret"), std::string::npos);
    }
    // The service sent its own notice of the address, the tests one each.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["ntfy"]["message"], "Address changed");
    EXPECT_EQ(requests[1]["ntfy"]["message"], "Test notice");
    kill(service.pid(), SIGTERM);
    EXPECT_EQ(service.wait(), 0);
}
