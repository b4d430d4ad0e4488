// The monitor's scheduler and change-handling rules through its public API, against real local peers.
#include "FtpServer.h"
#include "FtpUpload.h"
#include "Monitor.h"
#include "MonitorRecorder.h"
#include "NginxServer.h"
#include "SchedulerRules.h"
#include "Settings.h"
#include "SmtpServer.h"
#include "TempDir.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

using namespace kestrune::actions;
using namespace kestrune::lookup;
using namespace kestrune::net;

using namespace kestrune::core;

namespace {

std::string RouterPage(const std::string& address) { return "<html><body>WAN IP: " + address + " Mask</body></html>"; }

// The file's bytes, or "(none)" when it does not exist.
std::string Bytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
}

using Recorder = testsupport::MonitorRecorder;
using Timers = testsupport::ManualTimers;

// A monitor on a user-defined local page served by a private nginx, its files in a folder of its own.
struct Rig {
    explicit Rig(const std::string& address)
    {
        setPage(RouterPage(address));
        testsupport::NginxServer::Options options;
        options.DocumentRoot = root.Path();
        page = std::make_unique<testsupport::NginxServer>(options);
        settings.external = false;
        settings.userDefined = true;
        settings.interval = 3;
        // The pages of most cases show private addresses; the public-address rule has cases of its own.
        settings.publicOnly = false;
        settings.ipFilename = ipFile;
        settings.logFilename = folder.File("ip.log");
        setPageFields(pageAddress(), "WAN IP:");
        monitor.setAppPaths({folder.Path(), {}, {}, folder.File("kestrune.tmp"), false});
    }
    void setPage(const std::string& body) const { root.Write("status.htm", body); }
    std::string pageAddress() const { return "127.0.0.1:" + std::to_string(page->Port()) + "/status.htm"; }
    void setPageFields(const std::string& url, const std::string& keyword)
    {
        PageFields fields;
        fields.url = url;
        fields.keyword = keyword;
        fields.charToSkip = "0";
        monitor.setPageFields(fields);
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            monitor.onTimer(TimerId::Minute);
    }
    void useFtp(const FtpServer& server, const std::string& password)
    {
        settings.ftpEnable = true;
        settings.ftpHost = "127.0.0.1:" + std::to_string(server.Port());
        settings.ftpUsername = "up";
        settings.ftpPassword = password;
        settings.ftpLocalFile = folder.Write("t.txt", "ip={IP}\n");
        settings.ftpRemoteFile = "ip.txt";
    }
    void useMail(const SmtpServer& server)
    {
        settings.sendMail = true;
        settings.mailTo = "owner@home.example";
        settings.mailServer = "127.0.0.1";
        settings.mailPort = std::to_string(server.Port());
        settings.mailFrom = "kestrune@home.example";
    }

    testsupport::TempDir folder{"kestrune-core"};
    testsupport::TempDir root{"kestrune-page"};
    const std::string ipFile = folder.File("ip.txt");
    std::unique_ptr<testsupport::NginxServer> page;
    Settings settings = defaultSettings(kExternalServices[0].url);
    Recorder seen;
    Timers timers;
    Monitor monitor{settings, seen, timers};
};

} // namespace

TEST(MonitorScheduler, StartChecksAtOnceThenEveryIntervalAndStopsCleanly)
{
    Rig rig("10.1.2.3");
    rig.settings.saveIp = true;

    rig.monitor.start();
    EXPECT_TRUE(rig.seen.running);
    EXPECT_EQ(rig.timers.active.at(TimerId::Minute), kMinuteInterval);
    EXPECT_EQ(rig.seen.countdowns.back(), "3");
    EXPECT_EQ(rig.seen.address, "10.1.2.3");
    EXPECT_EQ(rig.seen.title, "Kestrune [10.1.2.3]");
    EXPECT_EQ(rig.seen.found, "10.1.2.3");
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
    EXPECT_EQ(rig.monitor.minimumInterval(), 10);

    // The same address again is not written again; a new one is, at the tick that reaches 0.
    std::filesystem::remove(rig.ipFile);
    rig.ticks(3);
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    rig.setPage(RouterPage("10.9.9.9"));
    rig.ticks(2);
    EXPECT_EQ(rig.seen.countdowns.back(), "0 hr : 1 min");
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    rig.ticks(1);
    EXPECT_EQ(Bytes(rig.ipFile), "10.9.9.9");
    EXPECT_EQ(rig.seen.countdowns.back(), "3");
    EXPECT_EQ(rig.monitor.countdown(), 3);

    rig.monitor.stop();
    EXPECT_FALSE(rig.seen.running);
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Minute));
    EXPECT_EQ(rig.seen.countdowns.back(), "");

    // Once the scheduler has run, a local page's short interval is raised to the lower bound.
    rig.monitor.start();
    EXPECT_EQ(rig.seen.intervals, std::vector<int>{10});
    EXPECT_EQ(rig.settings.interval, 10);
    EXPECT_EQ(rig.seen.countdowns.back(), "10");
    EXPECT_TRUE(rig.seen.notices.empty());
}

TEST(MonitorScheduler, IntervalZeroChecksOncePerPress)
{
    Rig rig("10.1.2.3");
    rig.monitor.setInterval(0);
    EXPECT_EQ(rig.seen.countdowns.back(), "Manual");
    rig.monitor.start();
    EXPECT_EQ(rig.seen.address, "10.1.2.3");
    EXPECT_FALSE(rig.seen.running);
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Minute));
    EXPECT_EQ(rig.seen.countdowns.back(), "Manual");
    EXPECT_EQ(rig.monitor.minimumInterval(), 0);
}

TEST(MonitorChanges, NewAddressIsUploadedMailedSavedAndLoggedOnce)
{
    FtpServer ftp("up", "pw");
    SmtpServer smtp({});
    Rig rig("10.1.2.3");
    rig.useFtp(ftp, "pw");
    rig.useMail(smtp);
    rig.settings.saveIp = true;
    rig.settings.saveLog = true;

    rig.monitor.start();
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.1.2.3\r\n");
    EXPECT_EQ(rig.monitor.lastUploaded(), "10.1.2.3");
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 1);
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_NE(smtp.Stored()[0].Data.find("\r\n10.1.2.3\r\n"), std::string::npos);
    EXPECT_EQ(rig.seen.status, "");

    rig.ticks(3);
    EXPECT_EQ(smtp.Stored().size(), 1u);
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 1);

    rig.setPage(RouterPage("10.9.9.9"));
    rig.ticks(3);
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.9.9.9\r\n");
    EXPECT_EQ(smtp.Stored().size(), 2u);
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 2);
    EXPECT_EQ(Bytes(rig.ipFile), "10.9.9.9");

    // A manual upload uploads alone.
    rig.settings.ftpEnable = false;
    rig.setPage(RouterPage("10.5.5.5"));
    rig.monitor.testLookup();
    rig.monitor.uploadNow();
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.5.5.5\r\n");
    EXPECT_EQ(rig.monitor.lastUploaded(), "10.5.5.5");
    EXPECT_EQ(smtp.Stored().size(), 2u);
    EXPECT_EQ(Bytes(rig.ipFile), "10.9.9.9");
    EXPECT_TRUE(rig.seen.notices.empty());
}

TEST(MonitorChanges, FailedUploadLeavesErrorAndPlaceholderDoesNothing)
{
    FtpServer ftp("up", "pw");
    Rig rig("10.1.2.3");
    rig.useFtp(ftp, "wrong");
    rig.settings.saveIp = true;
    rig.monitor.start();
    EXPECT_EQ(rig.seen.address, "Error");
    EXPECT_EQ(rig.monitor.lastUploaded(), "");
    EXPECT_EQ(Bytes(rig.ipFile), "Error");
    EXPECT_TRUE(rig.seen.notices.empty());

    rig.setPage("<html>no address here</html>");
    rig.monitor.stop();
    rig.monitor.start();
    EXPECT_EQ(rig.seen.address, "---.---.---.---");
    EXPECT_EQ(Bytes(rig.ipFile), "Error");
}

TEST(MonitorChanges, UploadRetryAfterAShortOutageBringsWhatPublishedErrorBackOnce)
{
    SmtpServer smtp({});
    Rig rig("10.1.2.3");
    auto ftp = std::make_unique<FtpServer>("up", "pw");
    rig.useFtp(*ftp, "pw");
    rig.useMail(smtp);
    rig.settings.saveIp = rig.settings.saveLog = true;
    long long clock = 1'700'000'000;
    rig.monitor.setClock([&clock] { return clock; });
    ftp.reset();  // down: nothing listens where it was
    rig.monitor.start();
    EXPECT_EQ(Bytes(rig.ipFile), "Error");
    ASSERT_EQ(rig.timers.active.at(TimerId::Retry), std::chrono::seconds(60));

    // Back within the minute, shorter than the interval.
    ftp = std::make_unique<FtpServer>("up", "pw");
    rig.settings.ftpHost = "127.0.0.1:" + std::to_string(ftp->Port());
    clock += 60;
    rig.monitor.onTimer(TimerId::Retry);
    EXPECT_EQ(ftp->ReadStored("ip.txt"), "ip=10.1.2.3\r\n");
    EXPECT_EQ(rig.seen.address, "10.1.2.3");
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
    ASSERT_EQ(smtp.Stored().size(), 2u);
    EXPECT_NE(smtp.Stored()[1].Data.find("\r\n10.1.2.3\r\n"), std::string::npos);
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 2);

    // The next scheduled check finds nothing new.
    rig.ticks(3);
    EXPECT_EQ(smtp.Stored().size(), 2u);
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 2);
}

TEST(MonitorChanges, AnUploadThatGetsThroughOnlyInPassiveModeSaysSo)
{
    FtpServer ftp("up", "pw", {}, {}, true);
    Rig rig("10.1.2.3");
    rig.useFtp(ftp, "pw");
    rig.monitor.start();
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.1.2.3\r\n");
    EXPECT_EQ(rig.seen.status, passiveFallbackStatusText());

    rig.settings.ftpPassive = true;
    rig.setPage(RouterPage("10.9.9.9"));
    rig.ticks(3);
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=10.9.9.9\r\n");
    EXPECT_EQ(rig.seen.status, "");
}

TEST(MonitorChanges, ScheduledCheckLeavesAnEmptyAddressAloneButStartDoesNot)
{
    FtpServer ftp("up", "pw");
    Rig rig("10.1.2.3");
    Monitor& monitor = rig.monitor;
    monitor.setLastUploaded("10.1.2.3");
    rig.useFtp(ftp, "pw");
    rig.settings.interval = 10;
    monitor.start();
    EXPECT_EQ(rig.seen.address, "10.1.2.3");

    // An external service that fails leaves the display empty.
    const std::string missing = "http://" + rig.pageAddress() + ".missing";
    monitor.setExternalServices({ExternalService{missing, "first.example"}, kExternalServices[1]});
    rig.settings.external = true;
    rig.settings.userDefined = false;
    rig.settings.extDns = missing;
    rig.ticks(10);
    EXPECT_EQ(rig.seen.address, "");
    ASSERT_EQ(rig.seen.notices[Notice::Balloon].size(), 1u);
    EXPECT_EQ(rig.seen.notices[Notice::Balloon][0].rfind("The Lookup Service has reported an error: ", 0), 0u);
    EXPECT_EQ(monitor.lastUploaded(), "10.1.2.3");
    EXPECT_FALSE(std::filesystem::exists(ftp.Root() / "ip.txt"));
    EXPECT_EQ(rig.seen.countdowns.back(), "10");

    monitor.stop();
    monitor.start();
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=\r\n");
    EXPECT_EQ(monitor.lastUploaded(), "");
}

TEST(MonitorChanges, FailingLogIsReportedAndTheRestGoesOnAlsoAtStartUp)
{
    SmtpServer smtp({});
    Rig rig("10.1.2.3");
    rig.useMail(smtp);
    rig.settings.saveIp = true;
    rig.settings.saveLog = true;
    // A folder where the log should be: every log write fails, whoever runs the test.
    rig.settings.logFilename = rig.folder.File("ip.log");
    std::filesystem::create_directory(rig.settings.logFilename);
    rig.settings.autoStart = true;

    rig.monitor.startUp();
    ASSERT_EQ(rig.seen.notices[Notice::Error].size(), 1u);
    EXPECT_NE(rig.seen.notices[Notice::Error][0].find("ip.log"), std::string::npos);
    EXPECT_EQ(smtp.Stored().size(), 1u);
    EXPECT_EQ(Bytes(rig.ipFile), "10.1.2.3");
    EXPECT_TRUE(rig.seen.running);

    rig.setPage(RouterPage("10.9.9.9"));
    rig.ticks(3);
    EXPECT_EQ(rig.seen.notices[Notice::Error].size(), 2u);
    EXPECT_EQ(Bytes(rig.ipFile), "10.9.9.9");
    EXPECT_EQ(rig.seen.countdowns.back(), "3");
    rig.ticks(3);
    EXPECT_EQ(rig.seen.countdowns.back(), "3");
}

TEST(MonitorReentry, RequestsDuringACheckAreRefusedAndATickIsDeferred)
{
    Rig rig("10.1.2.3");
    rig.settings.interval = 1;
    // Published already, so the countdown is the tick's alone to keep.
    rig.monitor.setLastUploaded("10.1.2.3");
    NetworkWait antiFreeze;
    testsupport::ActOnFirstWait hook;
    NetworkWait::installHook(&hook);
    hook.during = [&] {
        rig.monitor.onTimer(TimerId::Minute);
        rig.monitor.start();
        rig.monitor.uploadNow();
        rig.monitor.testLookup();
        rig.monitor.checkExternalService();
    };
    rig.monitor.start();
    NetworkWait::installHook(nullptr);
    EXPECT_EQ(rig.seen.notices[Notice::Beep].size(), 4u);
    EXPECT_EQ(rig.seen.countdowns.at(1), "0 hr : 0 min");
    EXPECT_EQ(rig.monitor.countdown(), 1);
    EXPECT_EQ(rig.seen.address, "10.1.2.3");

    rig.setPage(RouterPage("10.9.9.9"));
    rig.ticks(1);
    EXPECT_EQ(rig.seen.address, "10.9.9.9");
}

TEST(MonitorLookup, ExternalServiceIsBlockedForTenMinutesWithItsMessage)
{
    Rig rig("203.0.113.7");
    rig.setPage("<html><body>Current IP Address: 203.0.113.7</body></html>");
    const std::string first = "http://" + rig.pageAddress();
    rig.monitor.setExternalServices({ExternalService{first, "first.example"}, kExternalServices[1]});
    rig.settings.external = true;
    rig.settings.userDefined = false;
    rig.settings.extDns = first;

    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "203.0.113.7");
    EXPECT_TRUE(rig.monitor.serviceBlocked(0));
    EXPECT_EQ(rig.timers.active.at(TimerId::ServiceBlock1), kServiceBlockInterval);

    rig.setPage("<html><body>Current IP Address: 203.0.113.8</body></html>");
    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.notices[Notice::Message],
              std::vector<std::string>{"first.example requests that their lookup services\r\n"
                                       "are not requested at less than 10 minute intervals."});
    EXPECT_EQ(rig.seen.address, "203.0.113.7");

    rig.monitor.onTimer(TimerId::ServiceBlock1);
    EXPECT_FALSE(rig.monitor.serviceBlocked(0));
    EXPECT_FALSE(rig.timers.active.contains(TimerId::ServiceBlock1));
    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "203.0.113.8");

    // Get IP needs every field of the page and the user-defined source.
    rig.monitor.testLookup();
    EXPECT_EQ(rig.seen.notices[Notice::Message].back(),
              "User-defined lookup radio button needs to be \r\nselected for Get IP button to work.");
    rig.setPageFields(rig.pageAddress(), "");
    rig.monitor.testLookup();
    EXPECT_EQ(rig.seen.notices[Notice::Message].back(), "Required entry is missing!");
}

TEST(MonitorLookup, ACheckWithNoLookupSetUpSaysWhereToSetOneUpAndAsksNoOne)
{
    Rig rig("10.1.2.3");
    rig.settings.saveIp = true;
    rig.setPageFields("", "WAN IP:");
    rig.monitor.start();
    EXPECT_EQ(rig.seen.notices[Notice::Balloon],
              std::vector<std::string>{"No address lookup is set up. Choose a router page on the \"User-Defined "
                                       "Service\" tab or an external service on the \"External Service\" tab."});
    EXPECT_EQ(rig.seen.found, "");
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
}

TEST(MonitorLookup, FallbackAsksTheOtherServicesInBoxOrderAfterTheChosenOne)
{
    Rig rig("203.0.113.7");
    rig.root.Write("a.txt", "203.0.113.1\n");
    rig.root.Write("b.txt", "203.0.113.2\n");
    const std::string base = "http://127.0.0.1:" + std::to_string(rig.page->Port());
    const std::string missing = base + "/missing.txt";
    const std::vector<std::string> urls = {missing + "?0", missing + "?1", base + "/a.txt", missing + "?3",
                                           base + "/b.txt"};
    rig.monitor.setExternalServices(
        {{urls[0], "s0"}, {urls[1], "s1"}, {urls[2], "s2"}, {urls[3], "s3"}, {urls[4], "s4"}});
    rig.settings.external = true;
    rig.settings.userDefined = false;
    rig.settings.extDns = urls[3];

    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "");
    ASSERT_EQ(rig.seen.notices[Notice::Balloon].size(), 1u);

    rig.settings.fallback = true;
    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "203.0.113.2");
    EXPECT_EQ(rig.seen.status, "The chosen service failed; the address came from s4.");
    EXPECT_EQ(rig.seen.answeredBy, "s4");

    // After the last one the box starts again from the top, each by its own rule; a classic service whose
    // rate rule blocks it is passed over.
    rig.root.Write("b.txt", "not an address");
    rig.root.Write("missing.txt", "<html><body>Current IP Address: 203.0.113.9</body></html>");
    rig.settings.extDns = urls[0];
    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "203.0.113.9");
    EXPECT_EQ(rig.seen.status, "");
    EXPECT_TRUE(rig.monitor.serviceBlocked(0));
    rig.settings.extDns = urls[4];
    rig.monitor.checkExternalService();
    EXPECT_EQ(rig.seen.address, "203.0.113.1");  // s1's rule finds nothing on that page
    EXPECT_EQ(rig.seen.answeredBy, "s2");
    EXPECT_EQ(rig.seen.notices[Notice::Balloon].size(), 1u);
}

TEST(MonitorChanges, AddressesThatAreNotPublicAreShownButNeverPublished)
{
    FtpServer ftp("up", "pw");
    Rig rig("10.1.2.3");
    rig.useFtp(ftp, "pw");
    rig.settings.publicOnly = true;
    rig.settings.saveIp = true;
    rig.settings.saveLog = true;
    rig.monitor.start();
    const std::string why = "Not published: 10.1.2.3 is a private address (10.0.0.0/8), not a public one.";
    EXPECT_EQ(rig.seen.address, "10.1.2.3");
    EXPECT_EQ(rig.seen.status, why);
    EXPECT_EQ(rig.seen.notices[Notice::Balloon], std::vector<std::string>{why});
    rig.monitor.writeIpFileNow();
    rig.monitor.uploadNow();
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    EXPECT_EQ(Bytes(rig.settings.logFilename), "(none)");
    EXPECT_FALSE(std::filesystem::exists(ftp.Root() / "ip.txt"));

    rig.setPage(RouterPage("100.64.7.8"));
    rig.ticks(3);
    EXPECT_NE(rig.seen.status.find("carrier-grade NAT"), std::string::npos) << rig.seen.status;
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");

    rig.setPage(RouterPage("203.0.113.7"));
    rig.ticks(3);
    EXPECT_EQ(Bytes(rig.ipFile), "203.0.113.7");
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=203.0.113.7\r\n");
    EXPECT_NE(Bytes(rig.settings.logFilename).find("203.0.113.7"), std::string::npos);
}

TEST(MonitorScheduler, AnHttpsRouterPageOnTheLocalNetworkKeepsShortIntervals)
{
    EXPECT_TRUE(IsLocalPage("https://192.168.1.1/status"));
    EXPECT_TRUE(IsLocalPage("HTTPS://10.0.0.1/"));
    EXPECT_FALSE(IsLocalPage("https://203.0.113.1/"));
    EXPECT_EQ(IntervalByRule(5, false, true, "https://192.168.1.1/"), 5);
    EXPECT_EQ(IntervalByRule(5, false, true, "https://router.example/"), 10);
}

TEST(MonitorIpv6, AnIpv6ChangeIsPublishedOnEveryChannelWithoutSendingTheIpv4AddressAgain)
{
    FtpServer ftp("up", "pw");
    SmtpServer smtp({});
    Rig rig("198.51.100.7");
    rig.useFtp(ftp, "pw");
    rig.settings.ftpLocalFile = rig.folder.Write("t.txt", "ip={IP} ip6={IP6}\n");
    rig.useMail(smtp);
    rig.settings.saveIp = true;
    rig.settings.saveLog = true;
    rig.settings.ipv6Enabled = true;
    rig.settings.ipv6Filename = rig.folder.File("ip6.txt");
    const std::string commandOut = rig.folder.File("command.txt");
    rig.settings.runCommand = true;
    rig.settings.command = "/bin/sh -c \"echo {IP} {IP6} new=$KESTRUNE_IP6 old=$KESTRUNE_OLD_IP6 >> " + commandOut + "\"";
    std::vector<InterfaceAddress> addresses = {testsupport::GlobalAddress("2001:db8:1::1")};
    rig.monitor.setAddressReader([&] { return addresses; });

    rig.monitor.start();
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=198.51.100.7 ip6=2001:db8:1::1\r\n");
    ASSERT_EQ(smtp.Stored().size(), 1u);
    EXPECT_NE(smtp.Stored()[0].Data.find("\r\n198.51.100.7\r\nIPv6: 2001:db8:1::1\r\n"), std::string::npos);
    EXPECT_EQ(Bytes(rig.ipFile), "198.51.100.7");
    EXPECT_EQ(Bytes(rig.settings.ipv6Filename), "2001:db8:1::1");
    EXPECT_EQ(std::ranges::count(Bytes(rig.settings.logFilename), '\n'), 2);
    EXPECT_EQ(Bytes(commandOut), "198.51.100.7 2001:db8:1::1 new=2001:db8:1::1 old=\n");

    // The prefix changes, the IPv4 address stays: each channel sends the IPv6 address alone.
    addresses = {testsupport::GlobalAddress("2001:db8:2::1")};
    std::filesystem::remove(rig.ipFile);
    rig.ticks(3);
    EXPECT_EQ(ftp.ReadStored("ip.txt"), "ip=198.51.100.7 ip6=2001:db8:2::1\r\n");
    ASSERT_EQ(smtp.Stored().size(), 2u);
    EXPECT_NE(smtp.Stored()[1].Data.find("IPv6: 2001:db8:2::1\r\n"), std::string::npos);
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    EXPECT_EQ(Bytes(rig.settings.ipv6Filename), "2001:db8:2::1");
    const std::string log = Bytes(rig.settings.logFilename);
    EXPECT_EQ(std::ranges::count(log, '\n'), 3);
    EXPECT_TRUE(log.substr(0, log.find('\r')).ends_with("   2001:db8:2::1")) << log;
    EXPECT_EQ(Bytes(commandOut), "198.51.100.7 2001:db8:1::1 new=2001:db8:1::1 old=\n"
                                 "198.51.100.7 2001:db8:2::1 new=2001:db8:2::1 old=2001:db8:1::1\n");
    EXPECT_EQ(rig.monitor.lastUploaded6(), "2001:db8:2::1");
    EXPECT_EQ(rig.monitor.lastMailed6(), "2001:db8:2::1");
}

TEST(MonitorIpv6, BehindCarrierGradeNatTheIpv6AddressIsStillPublished)
{
    Rig rig("100.64.1.2");
    rig.settings.publicOnly = true;
    rig.settings.saveIp = true;
    rig.settings.ipv6Enabled = true;
    rig.settings.ipv6Filename = rig.folder.File("ip6.txt");
    rig.monitor.setAddressReader([] { return std::vector{testsupport::GlobalAddress("2001:db8:1::1")}; });
    rig.monitor.start();
    EXPECT_EQ(Bytes(rig.ipFile), "(none)");
    EXPECT_EQ(Bytes(rig.settings.ipv6Filename), "2001:db8:1::1");
    EXPECT_EQ(rig.monitor.address6(), "2001:db8:1::1");
}
