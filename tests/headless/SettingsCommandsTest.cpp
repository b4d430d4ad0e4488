// The settings file from the command line: a missing one, the sample, --set-password and --status.
#include "DnsUpdateServer.h"
#include "HeadlessRig.h"
#include "IniFile.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

using namespace kestrune::core;

namespace fs = std::filesystem;

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

// Also in a folder that does not exist: nothing is created, the folder included.
TEST(SettingsCommands, AMissingSettingsFileIsRefusedWithoutAWindowAndCreatedByTheWindow)
{
    testsupport::TempDir folder("kestrune-missing");
    const std::string file = folder.File("kestrune.ini");
    for (const std::string& missing : {file, folder.File("missing/kestrune.ini")}) {
        for (const char* option : {"--headless", "--check-once", "--status"}) {
            ProgramRun run({option, "--config", missing});
            EXPECT_EQ(run.wait(10000), 64) << option;
            const std::string refusal = std::string(KESTRUNE_EXECUTABLE) + ": settings file \"" + missing + "\" does not exist\n";
            EXPECT_EQ(run.errors(), "error: " + refusal) << option;
            EXPECT_EQ(FolderState(folder.Path()), "") << option;
        }
    }
    ProgramRun window({"--config", file}, true, {{"KESTRUNE_EXIT_AFTER_SHOW", "1"}});
    EXPECT_EQ(window.wait(), 0) << window.errors();
    EXPECT_NE(window.errors().find("was created with the default settings"), std::string::npos) << window.errors();
    EXPECT_EQ(loadSettingsFile(file, "http://checkip.dyndns.org/").interval, 30);
}

// The installed sample: an HTTPS service, an IP file and a log; it loads without a warning and checks.
TEST(SettingsCommands, TheSampleFileChecksWithoutAWarningAndAMistypedKeyIsWarnedAbout)
{
    HeadlessRig rig("10.1.2.3");
    const testsupport::TestCertificates& certificates = testsupport::TestCertificates::get();
    testsupport::NginxServer::Options options;
    options.DocumentRoot = rig.root.Path();
    options.TlsCertFile = certificates.serverCert();
    options.TlsKeyFile = certificates.serverKey();
    testsupport::NginxServer https(options);
    const testsupport::TrustTestAuthority trust;

    std::string sample = Bytes(KESTRUNE_SAMPLE_SETTINGS);
    sample = Replaced(sample, "ExtDNS=https://api.ipify.org", "ExtDNS=" + https.TlsBaseURL() + "/status.htm");
    // The fallback asks public services; this test stays on loopback.
    sample = Replaced(sample, "Fallback=1", "Fallback=0");
    sample = Replaced(sample, "/home/me/.local/state/kestrune/ip.txt", rig.ipFile);
    sample = Replaced(sample, "/home/me/.local/state/kestrune/ip.log", rig.folder.File("ip.log"));
    sample = Replaced(sample, "PublicOnly=1", "PublicOnly=0");  // the page shows a private address

    struct Case {
        const char* name;
        std::string extra;
        std::string warning;  // "" for none
    };
    const std::vector<Case> cases = {
        {"as installed", "", ""},
        {"mistyped key", "Intervall=5\r\n", "warning: The settings file has a key Kestrune does not know: [System] Intervall"},
    };
    for (const Case& c : cases) {
        rig.folder.Write("kestrune.ini", sample + c.extra);
        fs::remove(rig.ipFile);
        ProgramRun run({"--check-once", "--config", rig.settingsFile});
        EXPECT_EQ(run.wait(), 0) << c.name << ": " << run.errors();
        EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3") << c.name;
        EXPECT_NE(Bytes(rig.folder.File("ip.log")).find("10.1.2.3"), std::string::npos) << c.name;
        if (c.warning.empty())
            EXPECT_EQ(run.errors().find("warning:"), std::string::npos) << c.name << ": " << run.errors();
        else
            EXPECT_NE(run.errors().find(c.warning), std::string::npos) << c.name << ": " << run.errors();
    }
}

// The file afterwards is byte for byte what the window writes with that password.
TEST(SettingsCommands, SetPasswordStoresWhatTheWindowWould)
{
    struct Case {
        const char* target;
        int status;
        std::function<void(Settings&)> expected;  // nothing when the file must stay as it was
    };
    const std::vector<Case> cases = {
        {"mail", 0, [](Settings& s) { s.webPass = "n3w Secret"; }},
        {"ftp", 0, [](Settings& s) { s.ftpPassword = "n3w Secret"; s.ftpSavePass = true; }},
        {"command", 0, [](Settings& s) { s.commandPassword = "n3w Secret"; }},
        // A new password lifts the entry's hold and sends the address again, as an edit in the window does.
        {"dns:1", 0, [](Settings& s) { s.dnsUpdates[0].password = "n3w Secret"; s.dnsUpdates[0].hold.clear(); s.dnsUpdates[0].holdFor.clear(); s.dnsUpdates[0].lastIp.clear(); }},
        {"dns:2", 1, nullptr},
    };
    for (const Case& c : cases) {
        HeadlessRig rig("10.1.2.3");
        DnsUpdateEntry held = Dyndns2Entry("dns.example");
        held.password = "old";
        held.lastIp = "10.0.0.1";
        held.hold = "badauth";
        rig.settings.dnsUpdates = {held};
        rig.save();
        const std::string before = Bytes(rig.settingsFile);
        Settings settings = rig.saved();  // as the window reads the file
        ProgramRun run({"--set-password", c.target, "--config", rig.settingsFile}, false, {}, "n3w Secret\n");
        EXPECT_EQ(run.wait(), c.status) << c.target << ": " << run.errors();
        EXPECT_EQ(run.errors().find("n3w"), std::string::npos) << run.errors();
        std::string expected = before;
        if (c.expected) {
            c.expected(settings);
            testsupport::TempDir window("kestrune-window");
            window.Write("kestrune.ini", before);
            saveSettingsFile(settings, window.File("kestrune.ini"));
            expected = Bytes(window.File("kestrune.ini"));
        }
        EXPECT_EQ(Bytes(rig.settingsFile), expected) << c.target;
    }
}

TEST(SettingsCommands, StatusShowsTheLastCheckEachChannelAndWhetherAnInstanceRuns)
{
    HeadlessRig rig("10.1.2.3");
    testsupport::DnsUpdateServer dns;
    dns.answer(503, "busy");
    rig.settings.dnsUpdates = {Dyndns2Entry(dns.origin())};
    rig.settings.interval = 30;
    rig.save();
    ProgramRun check({"--check-once", "--config", rig.settingsFile});
    check.wait();
    // What a run with IPv6 adds beside it (recorded where the IPv6 tests run).
    IniFile ini = IniFile::loadForUpdate(rig.settingsFile);
    ini.writeString("Status", "Address6", "2001:db8::5");
    ini.writeString("Status", "DNSv61", "2001:db8::5 1700000000");
    ini.save(rig.settingsFile);

    ProgramRun idle({"--status", "--config", rig.settingsFile});
    EXPECT_EQ(idle.wait(), 0) << idle.errors();
    const std::string status = idle.output();
    for (const std::string& line : {"Settings file: " + rig.settingsFile + "\n", std::string("Running: no\n"),
                                    std::string(", IPv4 10.1.2.3 (since "), std::string(", IPv6 2001:db8::5\n"),
                                    std::string("  IP file: 10.1.2.3 at "), std::string("  Upload: off\n"),
                                    std::string("  DNS home.example (dyndns2): IPv4 nothing yet, IPv6 2001:db8::5 at "),
                                    std::string(", last answer \"HTTP 503\"\n"),
                                    std::string("  dns1: 10.1.2.3, 1 failed, next try ")})
        EXPECT_NE(status.find(line), std::string::npos) << line << "\n" << status;

    ProgramRun service({"--headless", "--config", rig.settingsFile});
    ASSERT_TRUE(service.waitForError("Checking every 30 minutes.")) << service.errors();
    ProgramRun running({"--status", "--config", rig.settingsFile});
    EXPECT_EQ(running.wait(), 0);
    EXPECT_NE(running.output().find("Running: yes"), std::string::npos) << running.output();
    ::kill(service.pid(), SIGTERM);
    EXPECT_EQ(service.wait(), 0);
}
