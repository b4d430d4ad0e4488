// The real program without a display: exit statuses, signals, and one instance per settings file.
#include "AddressPeer.h"
#include "HeadlessRig.h"
#include "NoticeServer.h"
#include "SmtpServer.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

namespace {

std::vector<std::string> Headless(const HeadlessRig& rig) { return {"--headless", "--config", rig.settingsFile}; }
std::vector<std::string> CheckOnce(const HeadlessRig& rig) { return {"--check-once", "--config", rig.settingsFile}; }

// The datagram socket systemd listens on for a Type=notify service, made by the test in a folder of its own.
class NotifySocket {
public:
    NotifySocket()
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~NotifySocket() { ::close(m_fd); }
    // Every message up to and including the first that holds text; "" when none came within 30 s.
    std::string readUntil(const std::string& text)
    {
        std::string messages;
        for (int waited = 0; waited < 300 && messages.find(text) == std::string::npos;) {
            pollfd entry {m_fd, POLLIN, 0};
            if (::poll(&entry, 1, 100) != 1) {
                ++waited;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0)
                messages.append(buffer, static_cast<std::size_t>(n)).append("\n");
        }
        return messages.find(text) == std::string::npos ? "" : messages;
    }

    testsupport::TempDir folder{"kestrune-notify"};
    std::string path = folder.File("notify");

private:
    int m_fd = -1;
};

} // namespace

TEST(HeadlessProgram, TellsSystemdReadyStatusReloadAndStoppingAndPingsItsWatchdog)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;
    rig.save();
    NotifySocket systemd;
    ProgramRun run(Headless(rig), false, {{"NOTIFY_SOCKET", systemd.path}, {"WATCHDOG_USEC", "200000"}});
    const std::string started = systemd.readUntil("STATUS=Last check ");
    EXPECT_NE(started.find("READY=1\n"), std::string::npos) << started;
    EXPECT_NE(started.find(": 10.1.2.3\n"), std::string::npos) << started;
    // Two pings a period: several within a second.
    const std::string pings = systemd.readUntil("WATCHDOG=1\nWATCHDOG=1\nWATCHDOG=1\n");
    EXPECT_NE(pings, "") << run.errors();
    ::kill(run.pid(), SIGHUP);
    const std::string reloaded = systemd.readUntil("READY=1");
    EXPECT_NE(reloaded.find("RELOADING=1\n"), std::string::npos) << reloaded;
    ::kill(run.pid(), SIGTERM);
    EXPECT_NE(systemd.readUntil("STOPPING=1"), "");
    EXPECT_EQ(run.wait(), 0) << run.errors();
}

TEST(HeadlessProgram, CheckOnceExitsWithTheCheckStatusWithoutADisplay)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;  // check-once ignores it
    rig.save();
    ProgramRun found(CheckOnce(rig));
    EXPECT_EQ(found.wait(), 0) << found.errors();
    EXPECT_NE(found.errors().find("\nAddress found: 10.1.2.3\nIP file written: " + rig.ipFile + "\n"), std::string::npos)
        << found.errors();
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

    // The STUN source needs no page.
    testsupport::AddressPeer stun({"stun", "--answer", "203.0.113.7"});
    rig.settings.sendMail = false;
    rig.settings.source = "stun";
    rig.settings.stunServers = stun.server();
    rig.save();
    ProgramRun stunFound(CheckOnce(rig));
    EXPECT_EQ(stunFound.wait(), 0) << stunFound.errors();
    EXPECT_NE(stunFound.errors().find("\nAddress found: 203.0.113.7\n"), std::string::npos) << stunFound.errors();
    EXPECT_EQ(Bytes(rig.ipFile), "203.0.113.7");
}

// Each line carries its level, for the journal or in words; --quiet says only warnings and errors (for cron, a run
// that changed nothing says nothing) and --verbose adds the reasoning.
TEST(HeadlessProgram, EachLineCarriesItsLevelAndQuietOrVerboseChooseWhichShow)
{
    HeadlessRig rig("10.1.2.3");
    rig.save();
    ProgramRun first(CheckOnce(rig));
    ASSERT_EQ(first.wait(), 0) << first.errors();
    const std::string start = "Kestrune " KESTRUNE_VERSION " starts: settings file " + rig.settingsFile + ", lookup ";
    const std::string refused = "Connection refused. (Socket Error # 10061)\n";
    const std::string end = "Kestrune ends (exit status 1): the lookup failed.\n";
    struct Case {
        const char* name;
        const char* option;  // nullptr: none
        std::vector<std::pair<std::string, std::string>> environment;
        bool pageUp;
        int status;
        std::string startLine;
        std::vector<std::string> said;  // empty: the run says nothing at all
        std::string endLine;
    };
    const std::vector<Case> cases = {
        {"quiet", "--quiet", {}, true, 0, "", {}, ""},
        {"verbose", "--verbose", {}, true, 0, "", {"\nLooking up the address at 127.0.0.1"}, ""},
        // From here on the lookup fails: an error between the start-up and the end line.
        {"journal", nullptr, {{"JOURNAL_STREAM", ProgramRun::kStandardError}}, false, 1, "<6>" + start, {"\n<3>", refused},
         "\n<6>" + end},
        // A cron job started from a service inherits the variable, but its output goes elsewhere.
        {"other stream", nullptr, {{"JOURNAL_STREAM", "1:1"}}, false, 1, start, {"\nerror: ", refused}, "\n" + end},
        {"terminal", nullptr, {}, false, 1, start, {"\nerror: ", refused}, "\n" + end},
        {"quiet failing", "--quiet", {}, false, 1, "", {"error: "}, ""},
    };
    for (const Case& c : cases) {
        if (!c.pageUp)
            rig.page.reset();
        std::vector<std::string> arguments = CheckOnce(rig);
        if (c.option)
            arguments.push_back(c.option);
        ProgramRun run(arguments, false, c.environment);
        EXPECT_EQ(run.wait(), c.status) << c.name;
        const std::string lines = run.errors();
        EXPECT_EQ(lines.empty(), c.said.empty()) << c.name << ": " << lines;
        EXPECT_TRUE(lines.starts_with(c.startLine) && lines.ends_with(c.endLine)) << c.name << ": " << lines;
        for (const std::string& line : c.said)
            EXPECT_NE(lines.find(line), std::string::npos) << c.name << ": " << lines;
    }
}

// Qt and the window's libraries cost start-up time and memory a run without a window does not need.
TEST(HeadlessProgram, LoadsNeitherQtNorTheWindow)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.interval = 30;
    rig.save();
    ProgramRun run(Headless(rig));
    ASSERT_TRUE(run.waitForError("Checking every 30 minutes.\n")) << run.errors();
    std::ifstream maps("/proc/" + std::to_string(run.pid()) + "/maps");
    bool programMapped = false;
    std::string window;
    for (std::string line; std::getline(maps, line);) {
        programMapped = programMapped || line.ends_with("/kestrune");
        for (const char* library : {"libQt6", "kestrune-window"})
            if (line.find(library) != std::string::npos)
                window += line + "\n";
    }
    EXPECT_TRUE(programMapped);
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
    const std::string refusal = "error: Kestrune already runs with the settings file \"" + rig.settingsFile + "\".\n";

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
        EXPECT_TRUE(window.waitForError(refusal.substr(std::string("error: ").size()))) << window.errors();
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
        {"1", 0, "Notice 1 (ntfy at 127.0.0.1): the test notice was sent.\n"},
        {"2", 2, "Notice 2 (ntfy at 127.0.0.1) refused: HTTP 403 Forbidden.\n"},
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
        EXPECT_NE(run.errors().find("Could not read the settings file \"" + rig.settingsFile + "\": it is not a regular file.\n"),
                  std::string::npos) << run.errors();
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
