// The publish steps of a change: dynamic-DNS entries, the command, the change mail and their retries,
// through the monitor's public API against real local peers, the clock stepped by the test.
#include "BindServer.h"
#include "DnsUpdateServer.h"
#include "Monitor.h"
#include "NginxServer.h"
#include "Settings.h"
#include "SmtpServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <map>

using namespace kestrune::lookup;

using namespace kestrune::core;

namespace {

std::string RouterPage(const std::string& address) { return "<html><body>WAN IP: " + address + " Mask</body></html>"; }

struct Recorder : MonitorObserver {
    void addressChanged(const std::string& text) override { address = text; }
    void addressFound(const std::string&) override {}
    void windowTitleChanged(const std::string&) override {}
    void statusChanged(const std::string& text) override { status = text; }
    void countdownChanged(const std::string&) override {}
    void schedulerStateChanged(bool) override {}
    void intervalChanged(int) override {}
    void notice(Notice kind, const std::string& text) override { notices[kind].push_back(text); }
    void debugText(const std::string& text) override { debug.push_back(text); }
    void publishReported(const std::string& text, bool failed) override { reported.emplace_back(text, failed); }
    std::string address, status;
    std::vector<std::string> debug;
    std::vector<std::pair<std::string, bool>> reported;
    std::map<Notice, std::vector<std::string>> notices;
};

struct Timers : TimerService {
    void start(TimerId id, std::chrono::milliseconds interval) override { active[id] = interval; }
    void stop(TimerId id) override { active.erase(id); }
    std::map<TimerId, std::chrono::milliseconds> active;
};

struct Rig {
    explicit Rig(const std::string& address)
    {
        setAddress(address);
        testsupport::NginxServer::Options options;
        options.DocumentRoot = root.Path();
        page = std::make_unique<testsupport::NginxServer>(options);
        settings.external = false;
        settings.userDefined = true;
        settings.interval = 0;
        // The page shows a private address; the public-address rule has cases of its own.
        settings.publicOnly = false;
        PageFields fields;
        fields.url = "127.0.0.1:" + std::to_string(page->Port()) + "/status.htm";
        fields.keyword = "WAN IP:";
        fields.charToSkip = "0";
        monitor->setPageFields(fields);
        monitor->setClock([this] { return clock; });
    }
    void setAddress(const std::string& address) const { root.Write("status.htm", RouterPage(address)); }
    void check(const std::string& address)
    {
        setAddress(address);
        monitor->start();
    }
    void addEntry(const testsupport::DnsUpdateServer& server)
    {
        DnsUpdateEntry entry;
        entry.enabled = true;
        entry.provider = "dyndns2";
        entry.server = server.origin();
        entry.hosts = "home.example";
        entry.user = "me";
        entry.password = "pw";
        entry.verify = "off";
        settings.dnsUpdates.push_back(entry);
    }
    std::chrono::milliseconds retryTimer() const
    {
        return timers.active.contains(TimerId::Retry) ? timers.active.at(TimerId::Retry) : std::chrono::milliseconds(0);
    }
    void stepTo(std::chrono::milliseconds wait)
    {
        clock += wait.count() / 1000;
        monitor->onTimer(TimerId::Retry);
    }
    void useMail(const SmtpServer& server, const std::string& password)
    {
        settings.sendMail = true;
        settings.mailTo = "owner@home.example";
        settings.mailServer = "127.0.0.1";
        settings.mailPort = std::to_string(server.Port());
        settings.mailFrom = "kestrune@home.example";
        settings.webAuth = true;
        settings.webUser = "u";
        settings.webPass = password;
    }

    testsupport::TempDir folder{"kestrune-publish"};
    testsupport::TempDir root{"kestrune-page"};
    std::unique_ptr<testsupport::NginxServer> page;
    Settings settings = defaultSettings(kExternalServices[0].url);
    Recorder seen;
    Timers timers;
    long long clock = 1'700'000'000;
    std::unique_ptr<Monitor> monitor = std::make_unique<Monitor>(settings, seen, timers);
};

using namespace std::chrono_literals;

TEST(MonitorPublish, DnsEntryIsUpdatedOncePerAddressWaitsWhenAskedAndStopsOnAFatalAnswer)
{
    testsupport::DnsUpdateServer dns;
    SmtpServer smtp({false, "u", "pw"});
    Rig rig("10.1.2.3");
    rig.addEntry(dns);
    rig.useMail(smtp, "pw");
    rig.settings.runCommand = true;
    const std::string seenByCommand = rig.folder.File("command.txt");
    rig.settings.command = "/bin/sh -c \"echo {IP} $KESTRUNE_OLD_IP >> " + seenByCommand + "\"";

    dns.answer(200, "good 10.1.2.3");
    rig.check("10.1.2.3");
    ASSERT_EQ(dns.requests().size(), 1u);
    EXPECT_EQ(dns.requests()[0].path, "/nic/update?hostname=home.example&myip=10.1.2.3");
    EXPECT_EQ(rig.settings.dnsUpdates[0].lastIp, "10.1.2.3");
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_NE(smtp.Stored()[0].Data.find("\r\n10.1.2.3\r\nDNS update of home.example: good\r\n"), std::string::npos);

    // The same address is never sent twice in a row, nor is the command run again.
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 1u);

    // 911: half an hour of rest, whatever the address becomes meanwhile.
    dns.answer(200, "911");
    rig.check("10.9.9.9");
    EXPECT_EQ(dns.requests().size(), 2u);
    EXPECT_EQ(rig.retryTimer(), 1800s);
    dns.answer(200, "good 10.5.5.5");
    rig.check("10.5.5.5");
    EXPECT_EQ(dns.requests().size(), 2u);
    rig.stepTo(rig.retryTimer());
    ASSERT_EQ(dns.requests().size(), 3u);
    EXPECT_EQ(dns.requests()[2].path, "/nic/update?hostname=home.example&myip=10.5.5.5");
    EXPECT_EQ(rig.settings.dnsUpdates[0].lastIp, "10.5.5.5");
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));

    // badauth stops the entry and is told once: balloon, failure mail.
    dns.answer(200, "badauth");
    const std::size_t mails = smtp.Stored().size();
    rig.check("10.6.6.6");
    EXPECT_EQ(rig.settings.dnsUpdates[0].hold, "badauth");
    ASSERT_EQ(rig.seen.notices[Notice::Balloon].size(), 1u);
    EXPECT_EQ(rig.seen.notices[Notice::Balloon][0],
              "DNS update of home.example stopped: the server answered badauth. It stays stopped until the "
              "entry's settings change.");
    EXPECT_EQ(smtp.Stored().size(), mails + 2);  // the failure and the change
    rig.check("10.7.7.7");
    EXPECT_EQ(dns.requests().size(), 4u);
    EXPECT_EQ(rig.seen.notices[Notice::Balloon].size(), 1u);
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));

    std::ifstream commandLog(seenByCommand);
    const std::string ran((std::istreambuf_iterator<char>(commandLog)), {});
    EXPECT_EQ(ran, "10.1.2.3\n10.9.9.9 10.1.2.3\n10.5.5.5 10.9.9.9\n10.6.6.6 10.5.5.5\n10.7.7.7 10.6.6.6\n");
    EXPECT_EQ(rig.settings.commandIp, "10.7.7.7");
    EXPECT_EQ(rig.seen.debug.back(), "Command ended with exit status 0.");
}

TEST(MonitorPublish, FailedStepsAreRetriedOnTheirOwnDoublingUpToTheNextCheck)
{
    testsupport::DnsUpdateServer dns;
    Rig rig("10.1.2.3");
    rig.addEntry(dns);
    rig.settings.interval = 3;

    dns.answer(503, "busy");
    rig.check("10.1.2.3");
    EXPECT_EQ(rig.seen.status, "DNS update of home.example failed: HTTP 503; it will be tried again.");
    // 1, 2 minutes, then no later than the check three minutes away.
    for (const auto expected : {60s, 120s, 180s, 180s}) {
        EXPECT_EQ(rig.retryTimer(), expected);
        rig.stepTo(rig.retryTimer());
    }
    EXPECT_EQ(dns.requests().size(), 5u);
    EXPECT_EQ(rig.seen.address, "10.1.2.3");  // no new lookup meanwhile

    dns.answer(200, "nochg 10.1.2.3");
    rig.stepTo(rig.retryTimer());
    EXPECT_EQ(dns.requests().size(), 6u);
    EXPECT_EQ(rig.settings.dnsUpdates[0].lastIp, "10.1.2.3");
    EXPECT_TRUE(rig.settings.pendingRetries.empty());
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));

    // A retry due for an address that changed meanwhile gives way to the new address.
    dns.answer(503, "busy");
    rig.check("10.2.2.2");
    rig.settings.interval = 0;
    dns.answer(200, "good");
    rig.check("10.3.3.3");
    ASSERT_EQ(dns.requests().size(), 8u);
    EXPECT_EQ(dns.requests()[7].path, "/nic/update?hostname=home.example&myip=10.3.3.3");
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));
}

TEST(MonitorPublish, FailedMailIsNotCountedAsSentAndItsRetrySurvivesARestart)
{
    SmtpServer smtp({false, "u", "pw"});
    Rig rig("10.1.2.3");
    rig.useMail(smtp, "wrong");
    rig.check("10.1.2.3");
    EXPECT_TRUE(smtp.Stored().empty());
    EXPECT_EQ(rig.monitor->lastMailed(), "");
    ASSERT_EQ(rig.settings.pendingRetries.size(), 1u);
    EXPECT_EQ(rig.retryTimer(), 60s);

    // The program closes and starts again a while later; the password has been put right.
    const std::string file = rig.folder.File("kestrune.ini");
    saveSettingsFile(rig.settings, file);
    rig.monitor.reset();
    rig.timers.active.clear();
    rig.settings = loadSettingsFile(file, kExternalServices[0].url);
    rig.settings.webPass = "pw";
    rig.clock += 30;
    rig.monitor = std::make_unique<Monitor>(rig.settings, rig.seen, rig.timers);
    rig.monitor->setClock([&rig] { return rig.clock; });
    rig.monitor->resumeRetries();
    EXPECT_EQ(rig.retryTimer(), 30s);
    rig.stepTo(rig.retryTimer());
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_NE(smtp.Stored()[0].Data.find("\r\n10.1.2.3\r\n"), std::string::npos);
    EXPECT_EQ(rig.monitor->lastMailed(), "10.1.2.3");
    EXPECT_TRUE(rig.settings.pendingRetries.empty());
}

TEST(MonitorPublish, AHeldEntryIsNamedAtEachCheckAndAnyChangeOfWhatItSendsResumesIt)
{
    testsupport::DnsUpdateServer dns;
    Rig rig("10.1.2.3");
    rig.addEntry(dns);
    dns.answer(200, "badauth");
    rig.check("10.1.2.3");
    rig.seen.reported.clear();
    rig.check("10.1.2.3");
    const std::pair<std::string, bool> held{"DNS update of home.example stays stopped: the server answered badauth. Change "
                                            "the entry's provider, server, hosts, user, password or URL to resume it.", true};
    EXPECT_EQ(rig.seen.reported, std::vector{held});
    EXPECT_EQ(dns.requests().size(), 1u);

    // Put right in the settings the monitor reads (a reload, another face's edit): sent at the next check.
    rig.settings.dnsUpdates[0].password = "right";
    dns.answer(200, "good 10.1.2.3");
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 2u);
    EXPECT_EQ(rig.settings.dnsUpdates[0].hold, "");
}

TEST(MonitorPublish, ADamagedRetrySectionKeepsOneRowPerChannelWithinBoundsAndSaysWhatWasMended)
{
    testsupport::DnsUpdateServer dns;
    Rig rig("10.1.2.3");
    rig.addEntry(dns);
    dns.answer(200, "good 10.1.2.3");
    rig.settings.pendingRetries.assign(50, {"dns1", "10.1.2.3", 1, rig.clock - 5, false});
    rig.settings.pendingRetries.push_back({"mail", "10.1.2.3", std::numeric_limits<int>::max(), std::numeric_limits<long long>::max(), false});
    rig.settings.pendingRetries.push_back({"command", "10.1.2.3", 2, std::numeric_limits<long long>::min(), false});
    rig.monitor->resumeRetries();
    const std::vector<PendingRetry> mended = {{"dns1", "10.1.2.3", 1, rig.clock - 5, false},
                                              {"mail", "10.1.2.3", 1000, rig.clock + 61440, false},
                                              {"command", "10.1.2.3", 2, 0, false}};
    EXPECT_EQ(rig.settings.pendingRetries, mended);
    EXPECT_EQ(rig.seen.reported.back().first, "The settings file held 50 retries of dns1; the first is kept, the other 49 dropped.");

    // One update for the one row; the command, not set up, leaves no row behind.
    rig.stepTo(rig.retryTimer());
    EXPECT_EQ(dns.requests().size(), 1u);
    EXPECT_EQ(rig.settings.pendingRetries, std::vector<PendingRetry>{mended[1]});
}

// A free account lapses without updates: once the refresh period is over the unchanged address goes out once.
TEST(MonitorPublish, UnchangedAddressIsSentAgainOnceTheRefreshPeriodIsOver)
{
    testsupport::DnsUpdateServer dns;
    Rig rig("10.1.2.3");
    rig.addEntry(dns);
    dns.answer(200, "good");
    rig.check("10.1.2.3");
    ASSERT_EQ(dns.requests().size(), 1u);
    EXPECT_EQ(rig.settings.dnsUpdates[0].updated, rig.clock);
    rig.clock += 24 * 86400;
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 1u);
    rig.clock += 86400;
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 2u);
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 2u);
    // 0 days: never.
    rig.settings.dnsUpdates[0].refreshDays = 0;
    rig.clock += 100 * 86400;
    rig.check("10.1.2.3");
    EXPECT_EQ(dns.requests().size(), 2u);
}

// After an update the zone's server is asked until it answers the new address: at once, then after growing
// pauses for five minutes; a name that never does is named with what it answers and sent again at the next check.
TEST(MonitorPublish, UpdatedNamesAreProvenToAnswerOrSentAgain)
{
    if (!testsupport::BindServer::Available())
        GTEST_SKIP() << "named or nsupdate missing (bind9, bind9-dnsutils)";
    testsupport::BindServer bind;
    testsupport::DnsUpdateServer accepting;
    Rig rig("10.1.2.3");
    DnsUpdateEntry own;
    own.enabled = true;
    own.provider = "rfc2136";
    own.server = bind.Address();
    own.zone = "example.test";
    own.hosts = "home.example.test";
    own.user = testsupport::BindServer::KeyName();
    own.password = bind.Secret();
    own.verify = bind.Address();
    rig.settings.dnsUpdates.push_back(own);
    rig.check("10.1.2.3");
    const std::string& proof = rig.settings.dnsUpdates[0].proof;
    EXPECT_TRUE(proof.starts_with("answering since ") && proof.ends_with(" (after 0 s)")) << proof;
    EXPECT_EQ(rig.seen.status, "DNS update of home.example.test: " + proof + ".");

    // A provider that says yes and changes nothing.
    DnsUpdateEntry idle;
    idle.enabled = true;
    idle.provider = "custom";
    idle.hosts = "home.locked.test";
    idle.url = accepting.origin() + "/set?ip={IP}";
    idle.verify = bind.Address();
    rig.settings.dnsUpdates = {idle};
    rig.check("10.1.2.4");
    EXPECT_EQ(rig.settings.dnsUpdates[0].proof, "not answering yet");
    std::vector<long long> pauses;
    while (rig.timers.active.contains(TimerId::Retry) && pauses.size() < 10) {
        pauses.push_back(rig.retryTimer().count() / 1000);
        rig.stepTo(rig.retryTimer());
    }
    EXPECT_EQ(pauses, (std::vector<long long>{5, 10, 20, 40, 80, 145}));
    EXPECT_EQ(rig.settings.dnsUpdates[0].proof,
              "not answering: " + bind.Address() + " answers 192.0.2.1 for home.locked.test");
    EXPECT_EQ(rig.settings.dnsUpdates[0].lastIp, "");
    rig.check("10.1.2.4");
    EXPECT_EQ(accepting.requests().size(), 2u);
}

} // namespace
