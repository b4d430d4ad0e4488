// Notices raised by the monitor: which events reach which entries, once per occurrence, and their retries,
// against a real page (nginx), the tests' own notice and dynamic-DNS servers, the clock stepped by the test.
#include "DnsUpdateServer.h"
#include "Monitor.h"
#include "NginxServer.h"
#include "NoticeServer.h"
#include "InterfaceAddresses.h"
#include "Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace kestrune::core;
using testsupport::NoticeServer;

namespace {

struct Seen : MonitorObserver {
    void addressChanged(const std::string&) override {}
    void addressFound(const std::string&) override {}
    void windowTitleChanged(const std::string&) override {}
    void statusChanged(const std::string& text) override { status = text; }
    void countdownChanged(const std::string&) override {}
    void schedulerStateChanged(bool) override {}
    void intervalChanged(int) override {}
    void notice(Notice kind, const std::string& text) override { notices[kind].push_back(text); }
    void actionFinished(Action action, const std::string& error) override
    {
        if (action == Action::Notice)
            noticeErrors.push_back(error);
    }
    std::string status;
    std::map<Notice, std::vector<std::string>> notices;
    std::vector<std::string> noticeErrors;
};

struct Timers : TimerService {
    void start(TimerId id, std::chrono::milliseconds interval) override { active[id] = interval; }
    void stop(TimerId id) override { active.erase(id); }
    std::map<TimerId, std::chrono::milliseconds> active;
};

// A monitor whose page (nginx) shows the address the test sets, or nothing at all.
struct NoticeRig {
    NoticeRig()
    {
        testsupport::NginxServer::Options options;
        options.DocumentRoot = root.Path();
        page = std::make_unique<testsupport::NginxServer>(options);
        settings.external = false;
        settings.userDefined = true;
        settings.interval = 0;
        settings.publicOnly = false;
        start();
    }
    void start()
    {
        monitor = std::make_unique<Monitor>(settings, seen, timers);
        PageFields fields;
        fields.url = "127.0.0.1:" + std::to_string(page->Port()) + "/status.htm";
        fields.keyword = "WAN IP:";
        fields.charToSkip = "0";
        monitor->setPageFields(fields);
        monitor->setClock([this] { return clock; });
        monitor->resumeRetries();
    }
    void check(const std::string& address)
    {
        if (address.empty())
            root.Write("status.htm", "");
        else
            root.Write("status.htm", "<html>WAN IP: " + address + " Mask</html>");
        monitor->start();
    }
    void addEntry(const std::string& kind, const std::string& url, const std::string& token, const std::string& events)
    {
        settings.notices.push_back({true, kind, url, token, events, "", "{EVENT}|{IP}|{OLD_IP}|{DETAILS}"});
    }
    void stepRetry()
    {
        ASSERT_TRUE(timers.active.contains(TimerId::Retry));
        clock += timers.active.at(TimerId::Retry).count() / 1000;
        monitor->onTimer(TimerId::Retry);
    }

    testsupport::TempDir root{"kestrune-page"};
    std::unique_ptr<testsupport::NginxServer> page;
    Settings settings = defaultSettings("");
    Seen seen;
    Timers timers;
    long long clock = 1'700'000'000;
    std::unique_ptr<Monitor> monitor;
};

// The messages ntfy took, in order.
std::vector<std::string> messages(const NoticeServer& server)
{
    std::vector<std::string> result;
    for (const auto& request : server.requests())
        if (request.contains("ntfy"))
            result.push_back(request["ntfy"]["message"]);
    return result;
}

TEST(MonitorNotices, EachEventReachesTheEntriesThatChoseItOncePerOccurrence)
{
    NoticeServer server("", "");
    NoticeRig rig;
    rig.addEntry("ntfy", server.origin() + "/changes", "", "ip4");
    rig.addEntry("ntfy", server.origin() + "/trouble", "", "lookup");
    rig.settings.noticeState.lookupFailures = 2;

    // Each row: what the page shows at a check, and what each topic has received since the check before.
    struct Step {
        std::string address;  // empty: the page has no address
        std::vector<std::string> changes, trouble;
    };
    const Step steps[] = {
        {"10.1.2.3", {"Address changed|10.1.2.3||The public address is 10.1.2.3."}, {}},
        {"10.1.2.3", {}, {}},
        {"10.1.2.4", {"Address changed|10.1.2.4|10.1.2.3|The public address changed from 10.1.2.3 to 10.1.2.4."}, {}},
        {"", {}, {}},
        {"", {}, {"Lookup failing|10.1.2.4||The address lookup failed 2 times in a row: no address on the page"}},
        {"", {}, {}},
        {"10.1.2.4", {}, {"Lookup recovered|10.1.2.4||The address lookup works again: 10.1.2.4."}},
        {"10.1.2.4", {}, {}},
    };
    std::size_t seen = 0;
    for (const Step& step : steps) {
        rig.check(step.address);
        const auto requests = server.requests();
        std::vector<std::string> changes, trouble;
        for (std::size_t i = seen; i < requests.size(); ++i)
            (requests[i]["ntfy"]["topic"] == "changes" ? changes : trouble).push_back(requests[i]["ntfy"]["message"]);
        seen = requests.size();
        EXPECT_EQ(changes, step.changes) << "page: " << step.address;
        EXPECT_EQ(trouble, step.trouble) << "page: " << step.address;
    }
}

TEST(MonitorNotices, AnIpv6ChangeReachesTheIpv6EntryOncePerAddress)
{
    NoticeServer server("", "");
    NoticeRig rig;
    rig.addEntry("ntfy", server.origin() + "/six", "", "ip6");
    rig.settings.ipv6Enabled = true;
    std::vector<kestrune::lookup::InterfaceAddress> addresses(1);
    addresses[0].interfaceName = "eth0";
    addresses[0].prefixLength = 64;
    rig.monitor->setAddressReader([&] { return addresses; });

    addresses[0].address = "2001:db8:1::1";
    rig.check("10.1.2.3");
    rig.check("10.1.2.3");
    addresses[0].address = "2001:db8:2::1";
    rig.check("10.1.2.3");
    EXPECT_EQ(messages(server), (std::vector<std::string>{
                                    "IPv6 address changed|10.1.2.3||The public IPv6 address is 2001:db8:1::1.",
                                    "IPv6 address changed|10.1.2.3|2001:db8:1::1|The public IPv6 address changed "
                                    "from 2001:db8:1::1 to 2001:db8:2::1.",
                                }));
}

TEST(MonitorNotices, ANoticeRefusedAtTheDoorIsRetriedAcrossARestartAndSentOnce)
{
    uint16_t port = 0;
    {
        const NoticeServer gone("", "");
        port = gone.port();
    }
    NoticeRig rig;
    rig.addEntry("ntfy", "http://127.0.0.1:" + std::to_string(port) + "/home", "", "ip4");
    rig.check("10.1.2.3");
    ASSERT_EQ(rig.settings.pendingRetries.size(), 1u);
    EXPECT_NE(rig.seen.noticeErrors.back().find("Connection refused"), std::string::npos);
    // One minute, then two: the retries back off.
    EXPECT_EQ(rig.timers.active.at(TimerId::Retry), std::chrono::seconds(60));
    rig.stepRetry();
    EXPECT_EQ(rig.timers.active.at(TimerId::Retry), std::chrono::seconds(120));

    // The program starts again with what its settings file kept, and the server is back.
    rig.monitor.reset();
    rig.start();
    const NoticeServer back("", "", port);
    // An address found meanwhile does not change what the pending notice says.
    rig.check("10.1.2.9");
    rig.stepRetry();
    EXPECT_EQ(messages(back), (std::vector<std::string>{
                                  "Address changed|10.1.2.9|10.1.2.3|The public address changed from 10.1.2.3 to 10.1.2.9.",
                                  "Address changed|10.1.2.3||The public address is 10.1.2.3."}));
    EXPECT_TRUE(rig.settings.pendingRetries.empty());
    EXPECT_FALSE(rig.timers.active.contains(TimerId::Retry));
}

TEST(MonitorNotices, AStepFailedForGoodAndARetryThatGotThroughAreTold)
{
    NoticeServer server("", "");
    testsupport::DnsUpdateServer dns;
    NoticeRig rig;
    rig.addEntry("ntfy", server.origin() + "/steps", "", "failed,retry");
    for (const char* host : {"a.example", "b.example"}) {
        DnsUpdateEntry entry;
        entry.enabled = true;
        entry.provider = "dyndns2";
        entry.server = dns.origin();
        entry.hosts = host;
        entry.user = "me";
        entry.password = "pw";
        entry.verify = "off";  // no name server is asked
        rig.settings.dnsUpdates.push_back(entry);
    }

    dns.answer(500, "");
    rig.check("10.1.2.3");
    EXPECT_TRUE(messages(server).empty());
    dns.answer(200, "good 10.1.2.3");
    rig.stepRetry();
    EXPECT_EQ(messages(server),
              (std::vector<std::string>{"Retry succeeded|10.1.2.3||DNS update of a.example went through on a later try.",
                                        "Retry succeeded|10.1.2.3||DNS update of b.example went through on a later try."}));

    dns.answer(200, "badauth");
    rig.check("10.1.2.4");
    ASSERT_EQ(messages(server).size(), 4u);
    EXPECT_EQ(messages(server)[2], "Publish step failed|10.1.2.4||DNS update of a.example stopped: the server answered "
                                   "badauth. It stays stopped until the entry's settings change.");
}

TEST(MonitorNotices, TheTestActionSendsOnceWhateverTheEntrysEventsAndReportsTheOutcome)
{
    NoticeServer server("", "AppToken");
    NoticeRig rig;
    rig.addEntry("gotify", server.origin(), "AppToken", "");
    rig.settings.notices[0].enabled = false;
    rig.addEntry("gotify", server.origin(), "wrong", "ip4");

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
