// The publish steps of a change: dynamic-DNS entries, the command, the change mail, notices and their retries,
// through the monitor's public API against real local peers, the clock stepped by the test.
#include "BindServer.h"
#include "DnsUpdateServer.h"
#include "Monitor.h"
#include "MonitorRecorder.h"
#include "InterfaceAddresses.h"
#include "NginxServer.h"
#include "NoticeServer.h"
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

using Recorder = testsupport::MonitorRecorder;
using Timers = testsupport::ManualTimers;

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
        fields.url = "127.0.0.1:" + std::to_string(page->Port()) + "/status.htm";
        fields.keyword = "WAN IP:";
        fields.charToSkip = "0";
        monitor->setPageFields(fields);
        monitor->setClock([this] { return clock; });
    }
    // Empty: the page shows no address.
    void setAddress(const std::string& address) const
    {
        root.Write("status.htm", address.empty() ? "" : RouterPage(address));
    }
    // The program starts again with the settings it kept.
    void restart()
    {
        monitor = std::make_unique<Monitor>(settings, seen, timers);
        monitor->setPageFields(fields);
        monitor->setClock([this] { return clock; });
        monitor->resumeRetries();
    }
    void check(const std::string& address)
    {
        setAddress(address);
        monitor->start();
    }
    void addEntry(const testsupport::DnsUpdateServer& server, const std::string& host = "home.example")
    {
        DnsUpdateEntry entry;
        entry.enabled = true;
        entry.provider = "dyndns2";
        entry.server = server.origin();
        entry.hosts = host;
        entry.user = "me";
        entry.password = "pw";
        entry.verify = "off";
        settings.dnsUpdates.push_back(entry);
    }
    void addNotice(const std::string& kind, const std::string& url, const std::string& token, const std::string& events)
    {
        settings.notices.push_back({true, kind, url, token, events, "", "{EVENT}|{IP}|{OLD_IP}|{DETAILS}"});
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
    PageFields fields;
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

// The messages ntfy took, in order.
std::vector<std::string> ntfyMessages(const testsupport::NoticeServer& server)
{
    std::vector<std::string> result;
    for (const auto& request : server.requests())
        if (request.contains("ntfy"))
            result.push_back(request["ntfy"]["message"]);
    return result;
}

TEST(MonitorNotices, EachEventReachesTheEntriesThatChoseItOncePerOccurrence)
{
    testsupport::NoticeServer server("", "");
    Rig rig("");
    rig.addNotice("ntfy", server.origin() + "/changes", "", "ip4");
    rig.addNotice("ntfy", server.origin() + "/trouble", "", "lookup");
    rig.addNotice("ntfy", server.origin() + "/six", "", "ip6");
    rig.settings.noticeState.lookupFailures = 2;
    rig.settings.ipv6Enabled = true;
    std::vector<InterfaceAddress> addresses = {testsupport::GlobalAddress("2001:db8:1::1")};
    rig.monitor->setAddressReader([&] { return addresses; });

    // Each row: what the page shows at a check, and what each topic has received since the check before.
    struct Step {
        std::string address;  // empty: the page has no address
        std::string address6;
        std::vector<std::string> changes, trouble, six;
        bool restartFirst = false;  // the failures in a row count across a restart
    };
    const Step steps[] = {
        {"10.1.2.3", "2001:db8:1::1", {"Address changed|10.1.2.3||The public address is 10.1.2.3."}, {},
         {"IPv6 address changed|10.1.2.3||The public IPv6 address is 2001:db8:1::1."}},
        {"10.1.2.3", "2001:db8:1::1", {}, {}, {}},
        {"10.1.2.4", "2001:db8:1::1",
         {"Address changed|10.1.2.4|10.1.2.3|The public address changed from 10.1.2.3 to 10.1.2.4."}, {}, {}},
        {"10.1.2.4", "2001:db8:2::1", {}, {},
         {"IPv6 address changed|10.1.2.4|2001:db8:1::1|The public IPv6 address changed from 2001:db8:1::1 to "
          "2001:db8:2::1."}},
        {"", "2001:db8:2::1", {}, {}, {}},
        {"", "2001:db8:2::1", {},
         {"Lookup failing|10.1.2.4||The address lookup failed 2 times in a row: no address on the page"}, {}, true},
        {"", "2001:db8:2::1", {}, {}, {}},
        {"10.1.2.4", "2001:db8:2::1", {}, {"Lookup recovered|10.1.2.4||The address lookup works again: 10.1.2.4."}, {}},
        {"10.1.2.4", "2001:db8:2::1", {}, {}, {}},
    };
    std::size_t seen = 0;
    for (const Step& step : steps) {
        addresses[0].address = step.address6;
        if (step.restartFirst) {
            rig.restart();
            rig.monitor->setAddressReader([&] { return addresses; });
        }
        rig.check(step.address);
        const auto requests = server.requests();
        std::map<std::string, std::vector<std::string>> topics;
        for (std::size_t i = seen; i < requests.size(); ++i)
            topics[requests[i]["ntfy"]["topic"]].push_back(requests[i]["ntfy"]["message"]);
        seen = requests.size();
        EXPECT_EQ(topics["changes"], step.changes) << "page: " << step.address;
        EXPECT_EQ(topics["trouble"], step.trouble) << "page: " << step.address;
        EXPECT_EQ(topics["six"], step.six) << "page: " << step.address6;
    }
}

TEST(MonitorNotices, ANoticeRefusedAtTheDoorIsRetriedAcrossARestartAndSentOnce)
{
    uint16_t port = 0;
    {
        const testsupport::NoticeServer gone("", "");
        port = gone.port();
    }
    Rig rig("");
    rig.addNotice("ntfy", "http://127.0.0.1:" + std::to_string(port) + "/home", "", "ip4");
    rig.check("10.1.2.3");
    ASSERT_EQ(rig.settings.pendingRetries.size(), 1u);
    EXPECT_NE(rig.seen.noticeErrors.back().find("Connection refused"), std::string::npos);
    // One minute, then two: the retries back off.
    EXPECT_EQ(rig.retryTimer(), 60s);
    rig.stepTo(rig.retryTimer());
    EXPECT_EQ(rig.retryTimer(), 120s);

    // The server is back after a restart; an address found meanwhile does not change what the pending notice says.
    rig.restart();
    const testsupport::NoticeServer back("", "", port);
    rig.check("10.1.2.9");
    ASSERT_TRUE(rig.timers.active.contains(TimerId::Retry));
    rig.stepTo(rig.retryTimer());
    EXPECT_EQ(ntfyMessages(back),
              (std::vector<std::string>{
                  "Address changed|10.1.2.9|10.1.2.3|The public address changed from 10.1.2.3 to 10.1.2.9.",
                  "Address changed|10.1.2.3||The public address is 10.1.2.3."}));
    EXPECT_TRUE(rig.settings.pendingRetries.empty());
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));
}

TEST(MonitorNotices, AStepFailedForGoodAndARetryThatGotThroughAreTold)
{
    testsupport::NoticeServer server("", "");
    testsupport::DnsUpdateServer dns;
    Rig rig("");
    rig.addNotice("ntfy", server.origin() + "/steps", "", "failed,retry");
    rig.addEntry(dns, "a.example");
    rig.addEntry(dns, "b.example");

    dns.answer(500, "");
    rig.check("10.1.2.3");
    EXPECT_TRUE(ntfyMessages(server).empty());
    dns.answer(200, "good 10.1.2.3");
    rig.stepTo(rig.retryTimer());
    EXPECT_EQ(ntfyMessages(server),
              (std::vector<std::string>{"Retry succeeded|10.1.2.3||DNS update of a.example went through on a later try.",
                                        "Retry succeeded|10.1.2.3||DNS update of b.example went through on a later try."}));

    dns.answer(200, "badauth");
    rig.check("10.1.2.4");
    ASSERT_EQ(ntfyMessages(server).size(), 4u);
    EXPECT_EQ(ntfyMessages(server)[2], "Publish step failed|10.1.2.4||DNS update of a.example stopped: the server "
                                       "answered badauth. It stays stopped until the entry's settings change.");
}

// The IPv6 address's own mail has a channel of its own; it is told as the mail all the same.
TEST(MonitorNotices, AnIpv6MailThatGotThroughOnARetryIsToldAsTheMail)
{
    testsupport::NoticeServer server("", "");
    const SmtpServer smtp({});
    std::string closed;
    {
        const SmtpServer gone({});
        closed = std::to_string(gone.Port());
    }
    Rig rig("");
    rig.addNotice("ntfy", server.origin() + "/steps", "", "retry");
    rig.useMail(smtp, "");
    rig.settings.webAuth = false;
    rig.settings.mailPort = closed;
    rig.settings.ipv6Enabled = true;
    rig.monitor->setAddressReader([] { return std::vector{testsupport::GlobalAddress("2001:db8:1::1")}; });
    rig.check("");
    rig.settings.mailPort = std::to_string(smtp.Port());
    rig.stepTo(rig.retryTimer());
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_EQ(ntfyMessages(server), std::vector<std::string>{"Retry succeeded|||The mail went through on a later try."});
}

TEST(MonitorNotices, TheTestActionSendsOnceWhateverTheEntrysEventsAndReportsTheOutcome)
{
    testsupport::NoticeServer server("", "AppToken");
    Rig rig("");
    rig.addNotice("gotify", server.origin(), "AppToken", "");
    rig.settings.notices[0].enabled = false;
    rig.addNotice("gotify", server.origin(), "wrong", "ip4");

    EXPECT_TRUE(rig.monitor->sendTestNotice(0));
    EXPECT_FALSE(rig.monitor->sendTestNotice(1));
    EXPECT_FALSE(rig.monitor->sendTestNotice(2));
    EXPECT_EQ(rig.seen.notices[Notice::Message],
              (std::vector<std::string>{"Notice 1 (Gotify at 127.0.0.1): the test notice was sent.",
                                        "Notice 2 (Gotify at 127.0.0.1) refused: HTTP 401 Unauthorized.",
                                        "There is no notice 3."}));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0]["gotify"]["title"].get<std::string>().starts_with("Test notice on "));
    EXPECT_TRUE(rig.settings.pendingRetries.empty());
}

} // namespace
