// The headless face in this process, against a real page (nginx), FTP and SMTP server.
#include "DnsUpdateServer.h"
#include "FtpServer.h"
#include "HeadlessRig.h"
#include "HeadlessRunner.h"
#include "SmtpServer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kestrune::core;

using kestrune::headless::HeadlessRunner;

namespace {

struct RunnerRun {
    explicit RunnerRun(const HeadlessRig& rig, uint16_t ftpPort = 0)
        : runner(appPathsForSettingsFile(rig.settingsFile), [this](const std::string& line) { lines += line + "\n"; })
    {
        EXPECT_TRUE(runner.load());
        runner.monitor().ftp().port = ftpPort;
    }
    std::string lines;
    HeadlessRunner runner;
};

void UseFtp(HeadlessRig& rig, const std::string& password)
{
    rig.settings.ftpEnable = true;
    rig.settings.ftpHost = "127.0.0.1";
    rig.settings.ftpUsername = "up";
    rig.settings.ftpPassword = password;
    rig.settings.ftpSavePass = true;
    rig.settings.ftpLocalFile = rig.folder.Write("template.txt", "ip={IP}\n");
    rig.settings.ftpRemoteFile = "ip.txt";
    rig.settings.saveLog = true;
    rig.settings.logFilename = rig.folder.File("ip.log");
}

} // namespace

TEST(HeadlessRunner, PublishesEveryActionOnceAndKeepsWhatItPublishedInTheSettingsFile)
{
    HeadlessRig rig("10.1.2.3");
    FtpServer ftp("up", "ftp-Secret-7");
    SmtpServer smtp({false, "owner", "mail-Secret-9"});
    UseFtp(rig, "ftp-Secret-7");
    rig.useMail(smtp.Port());
    rig.settings.mailSubject = "Address";
    rig.save();
    {
        RunnerRun first(rig, ftp.Port());
        EXPECT_EQ(first.runner.checkOnce(), 0) << first.lines;
        EXPECT_NE(first.lines.find("Address found: 10.1.2.3\n"), std::string::npos) << first.lines;
        EXPECT_NE(first.lines.find("Uploaded \"ip.txt\" to 127.0.0.1.\n"), std::string::npos) << first.lines;
        EXPECT_NE(first.lines.find("Mail sent to owner@home.example.\n"), std::string::npos) << first.lines;
        EXPECT_EQ(first.lines.find("Secret"), std::string::npos) << first.lines;
    }
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.1.2.3\r\n");
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_NE(smtp.Stored()[0].Data.find("10.1.2.3"), std::string::npos);
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
    EXPECT_NE(Bytes(rig.settings.logFilename).find("10.1.2.3"), std::string::npos);
    EXPECT_EQ(rig.saved().uploadedIp, "10.1.2.3");
    EXPECT_EQ(rig.saved().mailedIp, "10.1.2.3");
    EXPECT_EQ(rig.saved().mailSubject, "Address");

    // A later run finds the same address and publishes nothing.
    std::filesystem::remove(rig.ipFile);
    std::filesystem::remove(ftp.Root() / "ip.txt");
    RunnerRun second(rig, ftp.Port());
    EXPECT_EQ(second.runner.checkOnce(), 0);
    EXPECT_EQ(second.lines, "Address found: 10.1.2.3\n");
    EXPECT_EQ(smtp.Stored().size(), 1u);
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    EXPECT_FALSE(std::filesystem::exists(ftp.Root() / "ip.txt"));
}

TEST(HeadlessRunner, StatusTellsAFailedLookupFromAFailedAction)
{
    HeadlessRig rig("10.1.2.3");
    FtpServer ftp("up", "right");
    UseFtp(rig, "wrong-Secret-5");
    rig.save();
    RunnerRun refused(rig, ftp.Port());
    EXPECT_EQ(refused.runner.checkOnce(), 2);
    EXPECT_NE(refused.lines.find("Upload failed: "), std::string::npos) << refused.lines;
    EXPECT_EQ(refused.lines.find("Secret"), std::string::npos) << refused.lines;
    EXPECT_EQ(rig.saved().uploadedIp, "");

    rig.settings.ftpEnable = false;
    rig.setPage("nothing here");
    rig.save();
    RunnerRun placeholder(rig);
    EXPECT_EQ(placeholder.runner.checkOnce(), 1);

    rig.page.reset();
    RunnerRun unreachable(rig);
    EXPECT_EQ(unreachable.runner.checkOnce(), 1);
    EXPECT_NE(unreachable.lines.find("Connection refused"), std::string::npos) << unreachable.lines;
}

TEST(HeadlessRunner, AFirstRunWithNothingSetUpNamesTheSettingsFileAndItsKeys)
{
    HeadlessRig rig("10.1.2.3");
    rig.settings.selectedRouter = -1;
    rig.save();
    RunnerRun run(rig);
    EXPECT_EQ(run.runner.checkOnce(), 1);
    const std::string said = "No address lookup is set up. In " + rig.settingsFile +
                             " set External=1 in [Lookup] for an external service (ExtDNS names it), or SelectedRouter "
                             "in [Router] to a lookup of [Routers] and [RoutersData] (0 is the first) or to a router "
                             "preset (100 and up).\n";
    EXPECT_NE(run.lines.find(said), std::string::npos) << run.lines;
    EXPECT_EQ(run.lines.find("Host not found"), std::string::npos) << run.lines;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(HeadlessRunner, DnsEntriesAndPendingRetriesAreKeptInTheSettingsFile)
{
    HeadlessRig rig("10.1.2.3");
    testsupport::DnsUpdateServer dns;
    const kestrune::core::DnsUpdateEntry dyndns2 = Dyndns2Entry(dns.origin());
    kestrune::core::DnsUpdateEntry custom = dyndns2;
    custom.provider = "custom";
    custom.server.clear();
    custom.hosts = "nas.example";
    custom.user.clear();
    custom.password.clear();
    custom.url = dns.origin() + "/busy?ip={IP}";
    rig.settings.dnsUpdates = {dyndns2, custom};
    rig.save();
    dns.answer(200, "good 10.1.2.3");
    {
        RunnerRun first(rig);
        first.runner.checkOnce();
    }
    ASSERT_EQ(dns.requests().size(), 2u);
    EXPECT_EQ(rig.saved().dnsUpdates[0].lastIp, "10.1.2.3");
    EXPECT_EQ(rig.saved().dnsUpdates[1].lastIp, "10.1.2.3");
    EXPECT_TRUE(rig.saved().pendingRetries.empty());

    // The next run sends nothing again; a failing entry leaves its retry in the file for the run after.
    rig.setPage("10.9.9.9");
    dns.answer(503, "busy");
    {
        RunnerRun second(rig);
        second.runner.checkOnce();
    }
    EXPECT_EQ(dns.requests().size(), 4u);
    ASSERT_EQ(rig.saved().pendingRetries.size(), 2u);
    EXPECT_EQ(rig.saved().pendingRetries[0].channel, "dns1");
    EXPECT_EQ(rig.saved().pendingRetries[1].address, "10.9.9.9");
    EXPECT_EQ(rig.saved().dnsUpdates[0].lastIp, "10.1.2.3");
}

TEST(HeadlessRunner, MetricsFileCountsChecksAndStepsAfterASuccessAndAFailure)
{
    HeadlessRig rig("10.1.2.3");
    testsupport::DnsUpdateServer dns;
    dns.answer(503, "busy");
    rig.settings.dnsUpdates = {Dyndns2Entry(dns.origin())};
    rig.settings.metricsFile = rig.folder.File("kestrune.prom");
    rig.save();
    RunnerRun run(rig);
    struct Stage {
        const char* name;
        bool pageUp;
        std::vector<std::string> lines;
    };
    const std::vector<Stage> stages = {
        {"success", true,
         {"kestrune_checks_total{result=\"success\"} 1\n", "kestrune_checks_total{result=\"failure\"} 0\n",
          "kestrune_publish_total{channel=\"ipfile\",result=\"success\"} 1\n",
          "kestrune_publish_total{channel=\"dns1\",result=\"failure\"} 1\n", "kestrune_pending_retries 1\n",
          "kestrune_address_age_seconds "}},
        {"failure", false,
         {"kestrune_checks_total{result=\"success\"} 1\n", "kestrune_checks_total{result=\"failure\"} 1\n",
          "kestrune_publish_total{channel=\"ipfile\",result=\"success\"} 1\n"}},
    };
    for (const Stage& stage : stages) {
        if (!stage.pageUp)
            rig.page.reset();
        run.runner.checkOnce();
        const std::string metrics = Bytes(rig.settings.metricsFile);
        for (const std::string& line : stage.lines)
            EXPECT_NE(metrics.find(line), std::string::npos) << stage.name << ": " << line << "\n" << metrics;
        EXPECT_EQ(metrics.find("kestrune_last_check_timestamp_seconds 0\n"), std::string::npos) << metrics;
    }
}

// Each DNS entry and each command run says how it ended in one line; any failed publish step is 2, never 1.
TEST(HeadlessRunner, EveryDnsEntryAndCommandRunIsOneLineAndAFailureIsAFailedAction)
{
    struct Case { std::string dnsBody; int dnsStatus; std::string command; int status; std::string line; std::string server = {}; };
    const std::vector<Case> cases = {
        // The socket error's own full stop does not end the clause before the retry.
        {"", 0, "/bin/true", 2, "DNS update of home.example failed: Connection refused; it will be tried again. (Socket Error # 10061)\n", "http://127.0.0.1:1"},
        {"good 10.1.2.3", 200, "/bin/true", 0, "DNS update of home.example: good (10.1.2.3)\nCommand ended with exit status 0.\n"},
        {"oops", 500, "/bin/true", 2, "DNS update of home.example failed: HTTP 500; it will be tried again.\n"},
        {"badauth", 200, "/bin/true", 2, "DNS update of home.example stopped: the server answered badauth. It stays stopped until the entry's settings change.\n"},
        {"good", 200, "/bin/false", 2, "Command ended with exit status 1.\n"},
        // The secret reaches the command through its environment alone and never its line.
        {"good", 200, "/bin/sh -c \"echo [$KESTRUNE_PASSWORD]\"", 0, "Command ended with exit status 0: [********]\n"},
        {"good", 200, "/nonexistent/hook", 2, "Command could not be started: /nonexistent/hook: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        HeadlessRig rig("10.1.2.3");
        testsupport::DnsUpdateServer dns;
        dns.answer(c.dnsStatus, c.dnsBody);
        rig.settings.dnsUpdates = {Dyndns2Entry(c.server.empty() ? dns.origin() : c.server)};
        rig.settings.runCommand = true;
        rig.settings.command = c.command;
        rig.settings.commandPassword = "hook S3cret";
        rig.save();
        RunnerRun run(rig);
        EXPECT_EQ(run.runner.checkOnce(), c.status) << run.lines;
        EXPECT_NE(run.lines.find(c.line), std::string::npos) << run.lines;
        EXPECT_EQ(run.lines.find("S3cret"), std::string::npos) << run.lines;
        // A stopped entry's balloon is not said again.
        EXPECT_EQ(run.lines.find("DNS update"), run.lines.rfind("DNS update")) << run.lines;
    }
}

TEST(HeadlessRunner, HangUpWithAnUnreadableSettingsFileKeepsTheSettingsReadBefore)
{
    HeadlessRig rig("10.1.2.3");
    rig.save();
    RunnerRun run(rig);
    std::filesystem::remove(rig.settingsFile);
    std::filesystem::create_directory(rig.settingsFile);
    run.runner.requestReload();
    EXPECT_NE(run.lines.find("it is not a regular file.\nwarning: The settings read before stay in use.\n"), std::string::npos) << run.lines;
    run.runner.checkOnce();
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
}
