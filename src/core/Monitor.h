#pragma once

#include "AddressSources.h"
#include "AppPaths.h"
#include "ExternalServices.h"
#include "Lookup.h"
#include "LogFile.h"
#include "MonitorObserver.h"
#include "FtpClient.h"
#include "HttpClient.h"
#include "Ipv6Lookup.h"
#include "PageFields.h"
#include "PublishRetries.h"
#include "TimerService.h"
#include "MailSender.h"
#include "NoticeChannel.h"

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kestrune::core { struct Settings; struct DnsUpdateEntry; class RunRecord; }
namespace kestrune::lookup { class AddressEvents; }

namespace kestrune::core {

// The public-address monitor: the current address, what was published, the countdown and the rules of a check,
// without any window. A face keeps the settings and the page fields current, forwards the user's requests
// (the intents below) and its timers, and renders what the observer reports. Intents never throw: an error
// that escapes a rule is reported as Notice::Error. Network waits may re-enter the monitor through an intent
// or a timer; those are refused with a beep or deferred, as the rules say.
class Monitor {
public:
    // The settings are read when the monitor acts; the last uploaded and mailed addresses are taken from them.
    // Settings, observer and timers must outlive the monitor, which must not be destroyed inside one of its
    // own network waits.
    Monitor(Settings& settings, MonitorObserver& observer, TimerService& timers);
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Live inputs besides the settings.
    void setPageFields(const PageFields& fields) { m_page = fields; }
    const PageFields& pageFields() const { return m_page; }
    void setAppPaths(const AppPaths& paths) { m_paths = paths; }
    // The day and month names of the log's date; English until a face sets its locale's.
    void setDateNames(const actions::DateNames& names) { m_dateNames = names; }
    const actions::DateNames& dateNames() const { return m_dateNames; }
    // The services of the external source, in the order the service box offers them; the first two keep the
    // classic rules. Their texts must outlive the monitor.
    void setExternalServices(std::vector<lookup::ExternalService> services) { m_services = std::move(services); }
    // The IPv6 services in the order the settings offer them (a test's own pages).
    void setIpv6Services(std::vector<lookup::ExternalService> services) { m_services6 = std::move(services); }
    // Where the interface source reads the kernel's addresses; the netlink dump at first.
    void setAddressReader(lookup::AddressReader reader) { m_readAddresses = std::move(reader); }
    // Where this face's user sets up a lookup; a check that finds none set up says so and names the place.
    enum class SetupPlace { WindowTabs, SettingsFile };
    void setSetupPlace(SetupPlace place) { m_setupPlace = place; }
    // Restores the published addresses (a settings file read again).
    void setLastUploaded(const std::string& address) { m_lastUploaded = address; }
    void setLastMailed(const std::string& address) { m_lastMailed = address; }
    void setLastUploaded6(const std::string& address) { m_lastUploaded6 = address; }
    void setLastMailed6(const std::string& address) { m_lastMailed6 = address; }
    // The clock of the retries and the servers' waits; the system clock at first.
    void setClock(WallClock clock) { m_clock = std::move(clock); }
    // Arms the retry timer for the pending retries the settings hold (after a start or a settings file read),
    // first mending and reporting rows a damaged file brought (repeated channels, counts and times out of range).
    void resumeRetries();

    // Intents of the scheduler.
    // Start / Update: applies the interval rule, runs the scheduler unless the interval is 0, checks at once.
    void start();
    void stop();
    // Program start: runs Start when auto-start is set and the scheduler is not running.
    void startUp();
    // The interval as the user edits it (every change of the box); 0 switches to manual mode.
    void setInterval(int minutes);
    // The interval rule and the interval's bounds applied to the settings' interval (leaving the box).
    void applyIntervalRule();
    void onTimer(TimerId id);
    // The descriptor given to watchAddressEvents became readable: a changed address or link brings a check
    // within a second (a burst of events brings one).
    void onAddressEvents();

    // Intents of the lookup and the change actions.
    // The external-service button: one lookup, each service at most once in ten minutes.
    void checkExternalService();
    // "Get IP" / "Test": one lookup of the user-defined page.
    void testLookup();
    // The Upload button: the upload alone, whether or not uploads are enabled.
    void uploadNow();
    void sendTestMail();
    // The IP file's test button: writes it whether or not it is enabled.
    void writeIpFileNow();
    // "Send test" and --test-notice: one test notice through the entry at index (from 0), whatever its events
    // and whether it is on; reported as a message. True when the server took it. Never retried.
    bool sendTestNotice(std::size_t index);

    // State.
    const std::string& address() const { return m_address; }
    const std::string& lastUploaded() const { return m_lastUploaded; }
    const std::string& lastMailed() const { return m_lastMailed; }
    const std::string& lastSaved() const { return m_lastSaved; }
    const std::string& lastLogged() const { return m_lastLogged; }
    // IPv6 (when enabled): the address the last check found, empty when none qualified, and then why.
    const std::string& address6() const { return m_address6; }
    const std::string& address6Reason() const { return m_address6Reason; }
    const std::string& lastUploaded6() const { return m_lastUploaded6; }
    const std::string& lastMailed6() const { return m_lastMailed6; }
    const std::string& lastSaved6() const { return m_lastSaved6; }
    const std::string& lastLogged6() const { return m_lastLogged6; }
    int countdown() const { return m_countdown; }
    bool running() const { return m_running; }
    // A check, lookup, manual upload or test mail waits on the network; another check is refused meanwhile.
    bool checkRunning() const { return m_checkRunning; }
    bool changeRunning() const { return m_changeRunning; }
    bool serviceBlocked(int service) const { return m_serviceBlocked.at(static_cast<std::size_t>(service)); }
    // The interval's lower bound: 0 until the first Start of the scheduler, 10 from then on.
    int minimumInterval() const { return m_minimumInterval; }

    // The servers of the sources beside the web that the settings do not name (DNS, the router's own URL), for
    // tests and benchmarks; the time-out and the STUN servers come from the client and the settings.
    lookup::SourceOptions& sourceOptions() { return m_sourceOptions; }

    // The network clients, for a face's or test's connection settings (ports, time-outs).
    net::HttpClient& http() { return m_http; }
    net::FtpClient& ftp() { return m_ftp; }
    actions::MailSender& mail() { return m_mail; }
    net::HttpClient& dnsHttp() { return m_dnsHttp; }
    // The IPv6 service lookups' client: it reaches its hosts over IPv6 alone.
    net::HttpClient& http6() { return m_http6; }
    net::HttpClient& noticeHttp() { return m_noticeHttp; }

private:
    // Reports a network action to the observer for as long as it lives; nested ones end the busy state once.
    struct BusyScope {
        BusyScope(Monitor& monitor, const std::string& text);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;
        Monitor& monitor;
    };

    // Runs an intent; an error that escapes it is reported and the monitor goes on.
    void guarded(const std::function<void()>& action);
    void setAddress(const std::string& address);
    void setCountdownText(const std::string& text);
    void setRunning(bool running);
    void resetCountdown();
    void runCheck(bool scheduled);
    // A check asks the chosen source; the buttons that test a page or a service ask the web.
    void lookUp(lookup::SourceKind source);
    lookup::LookupResult askOtherServices(const lookup::LookupFields& fields, lookup::LookupResult failed);
    void reportLookupError(const std::string& text);

    // The sources beside the web, the confirmation and the provider diagnosis (MonitorSources.cpp).
    lookup::LookupFields lookupFields() const;
    lookup::SourceOptions currentSourceOptions() const;
    lookup::LookupResult askSource(lookup::SourceKind kind);
    // A second source agrees with the changed address; otherwise says which source said what.
    bool changeConfirmed();
    // At most once an hour: the router's WAN address against the address found.
    void diagnoseProvider();
    // The IPv6 lookup of a check; clears the IPv6 state when IPv6 is off.
    void lookUp6();
    // The IPv6 address a check may publish: found and not refused by the public-address rule; else empty.
    std::string publishable6() const;
    // The IPv6 steps of a check: each channel publishes the IPv6 address when it is new to that channel.
    void publishIpv6(const std::string& dnsLines);
    // The DNS entries and the IPv6 channels when no IPv4 change is published (address empty: none to send).
    void publishBesideIpv4(const std::string& address);
    // The change mail's text: the address, the IPv6 one (IPv6 on), then what the DNS updates answered.
    std::string changeMailText(const std::string& address, const std::string& dnsLines) const;
    void sendChangeMail6(const std::string& address6, const std::string& text);
    void runCommandHook6(const std::string& address6);
    // Runs the command with both addresses and records it under channel ("command" or "command6").
    void runCommandWith(const std::string& address, const std::string& address6, const std::string& channel);
    void writeLogEntry(const std::string& address);
    void openAddressEvents();
    void closeAddressEvents();
    void addressesSettled();
    // What a check says when no lookup is set up (no external service, no page address).
    std::string notSetUpText() const;
    // The address may go out (upload, mail, IP file, log): not refused by the public-address rule.
    bool mayPublish() const;
    // Reports why the address is not published; false when it may be.
    bool refusedToPublish();
    void handleChange(bool manual);
    // The mail, the IP file and the log with the address displayed, each once per address.
    void publishDisplayed(const std::string& dnsLines);
    enum class StepEnd { Done, Passing, Fatal };
    // address6 fills "{IP6}" (IPv6 on); a successful upload makes both the last uploaded ones.
    StepEnd uploadToServer(const std::string& address, const std::optional<std::string>& address6);
    std::optional<std::string> templateAddress6() const;
    void disconnectFtp();
    actions::MailSenderSettings mailSettings() const;
    bool sendWebmail(const std::string& text);
    void writeDataFile(bool test);
    void writeLog();
    void unblockService(int service);

    // The publish steps beside upload and mail (MonitorPublish.cpp).
    static bool publishable(const std::string& address);
    long long now() const;
    std::optional<long long> nextCheckTime() const;
    // reason: why a step failed for good, for its notice.
    void stepEnded(const std::string& channel, const std::string& address, StepEnd end, const std::string& reason = {});
    // A retry that is no longer wanted (its entry went or is off, or it was done meanwhile).
    void dropRetry(const std::string& channel);
    // A publish step's line to the status line, the debug view and the observer's publish report.
    void reportStep(const std::string& text, bool failed);
    // Each enabled entry not stopped, waiting or up to date; returns a line per update for the mail.
    // address6 is the IPv6 address found, or empty.
    std::string updateDnsEntries(const std::string& address, const std::string& address6);
    std::string updateDnsEntry(std::size_t index, const std::string& address, const std::string& address6);
    struct DnsAddresses {
        std::string ipv4, ipv6;
    };
    // What the entry sends of the addresses found: its families, each only when it may be published.
    static DnsAddresses dnsAddresses(const core::DnsUpdateEntry& entry, const std::string& address,
                                     const std::string& address6);
    // The entry's last update is older than its refresh period.
    bool refreshDue(const core::DnsUpdateEntry& entry) const;
    void runCommandHook(const std::string& address);
    void sendChangeMail(const std::string& address, const std::string& text);
    void retryDue();
    void armRetryTimer();
    // The proof that an updated entry's names answer what was sent (MonitorProof.cpp): asked at once, then
    // again after growing pauses for up to five minutes, on the retry timer.
    void startProof(std::size_t index, const std::string& ipv4, const std::string& ipv6);
    void proofsDue();
    std::optional<long long> nextProofDue() const;
    // One round for the proof; true when it ended (answering, or given up).
    struct PendingProof;
    bool askForProof(PendingProof& proof);

    // Notices (MonitorNotices.cpp).
    // family 4 or 6: a notice when address differs from the last one noticed of that family.
    void addressNoticed(int family, const std::string& address);
    // A lookup ended; counts failures in a row for "lookup failing" and its recovery.
    void lookupEnded(bool failed, const std::string& what);
    // A step's end as the notices see it: the first failure for good, or a retry that got through.
    void stepNoticed(const std::string& channel, const std::string& name, bool done, bool fatal,
                     const std::string& reason);
    void raiseNotice(actions::NoticeEvent event, const std::string& details, const std::string& oldIp = {});
    // index: the entry's, which makes {TXN} differ between entries sent the same notice.
    actions::NoticeValues noticeValues(std::size_t index, actions::NoticeEvent event, long long time,
                                       const std::string& ip, const std::string& oldIp,
                                       const std::string& details) const;
    // outcome, when given, receives the line reported.
    StepEnd deliverNotice(std::size_t index, const actions::NoticeValues& values, std::string* outcome = nullptr);
    void retryNotice(const core::PendingRetry& retry);

    Settings& m_settings;
    // Every event passes the run's record on its way to the face's observer.
    std::unique_ptr<RunRecord> m_record;
    MonitorObserver& m_observer;
    TimerService& m_timers;
    PageFields m_page;
    AppPaths m_paths;
    SetupPlace m_setupPlace = SetupPlace::WindowTabs;
    actions::DateNames m_dateNames = actions::DateNames::english();
    std::vector<lookup::ExternalService> m_services{std::begin(lookup::kExternalServices), std::end(lookup::kExternalServices)};

    net::HttpClient m_http;
    net::FtpClient m_ftp;
    actions::MailSender m_mail;
    net::HttpClient m_dnsHttp;
    net::HttpClient m_http6;
    std::vector<lookup::ExternalService> m_services6{std::begin(lookup::kIpv6Services), std::end(lookup::kIpv6Services)};
    lookup::AddressReader m_readAddresses = lookup::readInterfaceAddresses;
    net::HttpClient m_noticeHttp;

    std::string m_address;
    struct PendingProof {
        std::size_t index = 0;
        std::string hosts;  // the entry's hosts when it was updated: a proof of an entry since edited is dropped
        std::string ipv4, ipv6;
        long long started = 0;
        long long due = 0;
        long long pause = 0;
    };
    std::vector<PendingProof> m_proofs;
    std::string m_lastUploaded;
    std::string m_lastMailed;
    std::string m_lastSaved;
    std::string m_lastLogged;
    std::string m_address6;
    std::string m_address6Reason;
    std::string m_lastUploaded6;
    std::string m_lastMailed6;
    std::string m_lastSaved6;
    std::string m_lastLogged6;
    // The status line's text once a check is done: which service answered after a fallback, else empty.
    std::string m_lookupNote;
    int m_countdown = 0;
    int m_minimumInterval = 0;
    bool m_running = false;
    int m_busyDepth = 0;
    bool m_checkRunning = false;
    bool m_changeRunning = false;
    bool m_ftpConnected = false;
    bool m_passiveFallback = false;  // the last upload got through only in passive mode
    std::array<bool, 2> m_serviceBlocked = {false, false};
    WallClock m_clock;
    PublishRetries m_retries;
    lookup::SourceOptions m_sourceOptions;
    std::optional<long long> m_lastRouterCheck;
    std::unique_ptr<lookup::AddressEvents> m_addressEvents;
    bool m_settlePending = false;
    bool m_retrying = false;   // the publish steps run are retries
    // The steps whose failure for good was noticed; a step leaves when it goes through again.
    std::set<std::string> m_failedForGood;
    std::string m_uploadError;
};

} // namespace kestrune::core
