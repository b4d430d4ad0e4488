#include "Monitor.h"

#include "AddressEvents.h"

#include "IpExtraction.h"
#include "Lookup.h"
#include "LookupTexts.h"
#include "FlagScope.h"
#include "Uri.h"
#include "PublicAddress.h"
#include "SchedulerRules.h"
#include "AddressTexts.h"
#include "Settings.h"

#include <algorithm>
#include <exception>
#include <optional>

using namespace kestrune::lookup;
using namespace kestrune::net;

namespace kestrune::core {

namespace {
constexpr std::string_view kManual = "Manual";
constexpr std::string_view kTitlePrefix = "Kestrune [";
constexpr std::string_view kUnknownError = "Unknown error.";
} // namespace

Monitor::Monitor(Settings& settings, MonitorObserver& observer, TimerService& timers)
    : m_settings(settings), m_observer(observer), m_timers(timers), m_lastUploaded(settings.uploadedIp),
      m_lastMailed(settings.mailedIp), m_lastUploaded6(settings.uploadedIp6), m_lastMailed6(settings.mailedIp6),
      m_retries(settings.pendingRetries)
{
    m_http6.family = IpFamily::V6;
    m_ftp.onConnected = [this] { m_ftpConnected = true; };
    m_ftp.onDisconnected = [this] { m_ftpConnected = false; };
}

Monitor::~Monitor()
{
    // The face's timers must not call into a monitor that is gone.
    m_timers.stop(TimerId::Minute);
    m_timers.stop(TimerId::ServiceBlock1);
    m_timers.stop(TimerId::ServiceBlock2);
    m_timers.stop(TimerId::Retry);
    m_timers.stop(TimerId::AddressSettle);
    if (m_addressEvents)
        m_observer.watchAddressEvents(-1);
}

void Monitor::guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        m_observer.notice(Notice::Error, error.what());
    } catch (...) {
        m_observer.notice(Notice::Error, std::string(kUnknownError));
    }
}

void Monitor::setAddress(const std::string& address)
{
    m_address = address;
    m_observer.addressChanged(m_address);
}

void Monitor::setCountdownText(const std::string& text) { m_observer.countdownChanged(text); }

void Monitor::setRunning(bool running)
{
    if (running)
        m_timers.start(TimerId::Minute, kMinuteInterval);
    else
        m_timers.stop(TimerId::Minute);
    m_running = running;
    if (running)
        openAddressEvents();
    else
        closeAddressEvents();
    m_observer.schedulerStateChanged(running);
}

void Monitor::start()
{
    guarded([this] {
        if (m_checkRunning) {
            m_observer.notice(Notice::Beep, {});
            return;
        }
        applyIntervalRule();
        const int interval = m_settings.interval;
        if (interval != 0)
            m_minimumInterval = kMinRunningInterval;
        setRunning(interval != 0);
        m_countdown = interval;
        setCountdownText(interval == 0 ? std::string(kManual) : std::to_string(m_countdown));
        runCheck(false);
    });
}

void Monitor::stop()
{
    setRunning(false);
    setCountdownText({});
}

void Monitor::startUp()
{
    if (m_settings.autoStart && !m_running)
        start();
}

void Monitor::setInterval(int minutes)
{
    m_settings.interval = minutes;
    if (minutes != 0) {
        setCountdownText({});
    } else {
        setCountdownText(std::string(kManual));
        if (m_running)
            setRunning(false);
        else
            m_timers.stop(TimerId::Minute);
    }
}

void Monitor::applyIntervalRule()
{
    const int ruled = IntervalByRule(m_settings.interval, m_settings.external, m_settings.userDefined, m_page.url);
    const int bounded = std::clamp(ruled, m_minimumInterval, kMaxInterval);
    if (bounded != m_settings.interval) {
        setInterval(bounded);
        m_observer.intervalChanged(bounded);
    }
    m_observer.intervalRuleApplied(bounded);
}

void Monitor::onTimer(TimerId id)
{
    switch (id) {
    case TimerId::Minute:
        break;
    case TimerId::ServiceBlock1:
        unblockService(0);
        return;
    case TimerId::ServiceBlock2:
        unblockService(1);
        return;
    case TimerId::Retry:
        guarded([this] { retryDue(); });
        return;
    case TimerId::AddressSettle:
        addressesSettled();
        return;
    }
    if (!m_running)
        return;
    --m_countdown;
    setCountdownText(HoursMinutes(m_countdown));
    if (m_countdown != 0)
        return;
    if (m_checkRunning) {
        // Another lookup still waits on the network: try again at the next tick.
        m_countdown = 1;
        return;
    }
    // Whatever the check met, the next one comes at the set interval.
    guarded([this] { runCheck(true); });
    resetCountdown();
}

void Monitor::resetCountdown()
{
    m_countdown = std::min(m_settings.interval, kMaxInterval);
    setCountdownText(std::to_string(m_countdown));
}

bool Monitor::mayPublish() const
{
    return !m_settings.publicOnly || !isValidIp(m_address) || !lookup::publicAddressProblem(m_address);
}

bool Monitor::refusedToPublish()
{
    if (!m_settings.publicOnly || !isValidIp(m_address))
        return false;
    const std::optional<std::string> problem = lookup::publicAddressProblem(m_address);
    if (!problem)
        return false;
    m_observer.statusChanged(*problem);
    m_observer.notice(Notice::Balloon, *problem);
    return true;
}

Monitor::BusyScope::BusyScope(Monitor& owner, const std::string& text) : monitor(owner)
{
    ++monitor.m_busyDepth;
    monitor.m_observer.busyChanged(true, text);
}

Monitor::BusyScope::~BusyScope()
{
    if (--monitor.m_busyDepth == 0)
        monitor.m_observer.busyChanged(false, {});
}

void Monitor::runCheck(bool scheduled)
{
    const FlagScope scope(m_checkRunning);
    const BusyScope busy(*this, {});
    lookUp(sourceFromKey(m_settings.source));
    lookUp6();
    if (isValidIp(m_address))
        guarded([this] { diagnoseProvider(); });
    if (m_address == m_lastUploaded) {
        // An entry added or resumed since the last change is brought up to date without a new upload.
        publishBesideIpv4(publishable(m_address) ? m_address : std::string());
        return;
    }
    // An IPv4 address that failed or waits for confirmation holds back only itself, not the IPv6 one.
    if (scheduled && (m_address.empty() || m_address == kErrorAddress)) {
        publishBesideIpv4({});
        return;
    }
    if (m_settings.confirm && isValidIp(m_address) && !changeConfirmed()) {
        publishBesideIpv4({});
        return;
    }
    handleChange(false);
}

void Monitor::publishBesideIpv4(const std::string& address)
{
    const std::string address6 = publishable6();
    std::string updated;
    if (!address.empty() || !address6.empty())
        guarded([&] { updated = updateDnsEntries(address, address6); });
    publishIpv6(updated);
}

void Monitor::lookUp6()
{
    if (!m_settings.ipv6Enabled) {
        if (!m_address6.empty() || !m_address6Reason.empty()) {
            m_address6.clear();
            m_address6Reason.clear();
            m_observer.address6Changed({}, {});
        }
        return;
    }
    Ipv6LookupFields fields;
    fields.source = m_settings.ipv6Source == "service" ? Ipv6Source::Service : Ipv6Source::Interface;
    fields.interfaceName = m_settings.ipv6Interface;
    fields.serviceUrl = m_settings.ipv6Service.empty() && !m_services6.empty() ? std::string(m_services6.front().url)
                                                                               : m_settings.ipv6Service;
    fields.fallback = m_settings.ipv6Fallback;
    fields.suffix = m_settings.ipv6Suffix;
    // Kept while still valid, so the published address does not flip to another one.
    fields.lastPublished = !m_address6.empty() ? m_address6 : !m_lastUploaded6.empty() ? m_lastUploaded6 : m_lastMailed6;
    Ipv6LookupResult result;
    {
        const BusyScope busy(*this, fields.source == Ipv6Source::Service ? "Looking up the IPv6 address at " +
                                                                              Uri(fields.serviceUrl).host + kEllipsis
                                                                        : std::string());
        result = lookUpIpv6(m_http6, fields, m_services6, m_readAddresses);
    }
    for (const std::string& line : result.lines)
        m_observer.debugText(line);
    m_address6 = result.address;
    m_address6Reason = result.reason;
    std::string note = m_address6Reason;
    if (!m_address6.empty() && m_settings.publicOnly)
        note = lookup::publicAddressProblem(m_address6).value_or(std::string());
    m_observer.address6Changed(m_address6, note);
}


void Monitor::lookUp(SourceKind source)
{
    const FlagScope scope(m_checkRunning);
    const LookupFields fields = lookupFields();
    m_lookupNote.clear();
    if (source == SourceKind::Web && !fields.external && fields.url.empty()) {
        // A first run: asking "http://" would only say "Host not found" at every check.
        m_observer.notice(Notice::Balloon, notSetUpText());
        m_observer.statusChanged({});
        return;
    }
    // The page address may come without its scheme; the host alone is shown, never a login.
    const std::string pageUrl = m_page.url.find("://") == std::string::npos ? "http://" + m_page.url : m_page.url;
    const bool retrieving = fields.external || source != SourceKind::Web;
    const BusyScope busy(*this, source != SourceKind::Web
                                    ? "Asking " + std::string(sourceInfo(source).name) + " for the address" + kEllipsis
                                : fields.external ? std::string(lookuptexts::kRetrieving)
                                                  : "Looking up the address at " + Uri(pageUrl).host + kEllipsis);
    if (retrieving) {
        // The title goes with the display, so a failure leaves neither showing the old address.
        setAddress({});
        m_observer.windowTitleChanged({});
        m_observer.statusChanged(std::string(lookuptexts::kRetrieving));
    }
    LookupResult result = source != SourceKind::Web ? lookUpAddress(source, currentSourceOptions())
                                                    : runLookup(m_http, fields, m_services);
    if (source == SourceKind::Web && fields.external && m_settings.fallback)
        result = askOtherServices(fields, std::move(result));
    if (result.failed()) {
        reportLookupError(std::string(lookuptexts::kErrorPrefix) + result.errorMessage);
        guarded([&] { lookupEnded(true, result.errorMessage); });
        return;
    }
    setAddress(result.address);
    m_observer.windowTitleChanged(std::string(kTitlePrefix) + result.address + "]");
    m_observer.addressFound(result.address);
    m_observer.statusChanged(m_lookupNote);
    const bool found = result.address != kPlaceholderAddress;
    guarded([&] { lookupEnded(!found, found ? result.address : "no address on the page"); });
}

LookupResult Monitor::askOtherServices(const LookupFields& fields, LookupResult failed)
{
    auto answered = [](const LookupResult& result) {
        return !result.failed() && result.address != kPlaceholderAddress;
    };
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < m_services.size() && !chosen; ++i)
        if (fields.serviceUrl == m_services[i].url)
            chosen = i;
    if (answered(failed)) {
        m_observer.serviceAnswered(chosen ? std::string(m_services[*chosen].name) : fields.serviceUrl);
        return failed;
    }
    for (std::size_t i : fallbackOrder(m_services.size(), chosen)) {
        // The classic services' rate rule holds for the fallback too.
        if (i < kClassicServiceCount && m_serviceBlocked[i])
            continue;
        LookupFields other = fields;
        other.serviceUrl = std::string(m_services[i].url);
        LookupResult result = runLookup(m_http, other, m_services);
        if (answered(result)) {
            const std::string name(m_services[i].name);
            m_lookupNote = fallbackStatus(name);
            m_observer.serviceAnswered(name);
            return result;
        }
    }
    // Nobody answered: the chosen service's own result is reported.
    return failed;
}

std::string Monitor::notSetUpText() const
{
    const std::string problem = "No address lookup is set up.";
    if (m_setupPlace == SetupPlace::WindowTabs)
        return problem + " Choose a router page on the \"User-Defined Service\" tab or an external service on "
                         "the \"External Service\" tab.";
    return problem + " In " + m_paths.settingsFile.string() +
           " set External=1 in [Lookup] for an external service (ExtDNS names it), or SelectedRouter in [Router] "
           "to a lookup of [Routers] and [RoutersData] (0 is the first) or to a router preset (100 and up).";
}

void Monitor::reportLookupError(const std::string& text)
{
    m_observer.notice(Notice::Balloon, text);
    if (m_settings.sendMail)
        guarded([this, &text] { sendWebmail(text); });
    m_observer.statusChanged({});
}

void Monitor::checkExternalService()
{
    guarded([this] {
        // Only the classic services have the rate rule.
        std::optional<std::size_t> service;
        for (std::size_t i = 0; i < std::min(m_services.size(), kClassicServiceCount) && !service; ++i)
            if (m_settings.extDns == m_services[i].url)
                service = i;
        if (service && m_serviceBlocked[*service]) {
            m_observer.notice(Notice::Message, rateMessage(m_services[*service]));
            return;
        }
        if (m_checkRunning) {
            m_observer.notice(Notice::Beep, {});
            return;
        }
        setAddress({});
        if (service) {
            m_timers.start(*service == 0 ? TimerId::ServiceBlock1 : TimerId::ServiceBlock2, kServiceBlockInterval);
            m_serviceBlocked[*service] = true;
        }
        lookUp(SourceKind::Web);
    });
}

void Monitor::unblockService(int service)
{
    m_serviceBlocked[static_cast<std::size_t>(service)] = false;
    m_timers.stop(service == 0 ? TimerId::ServiceBlock1 : TimerId::ServiceBlock2);
}

void Monitor::testLookup()
{
    guarded([this] {
        if (m_page.url.empty() || m_page.keyword.empty() || m_page.charToSkip.empty()) {
            m_observer.notice(Notice::Message, std::string(lookuptexts::kRequiredEntryMissing));
            return;
        }
        if (!m_settings.userDefined) {
            m_observer.notice(Notice::Message, std::string(lookuptexts::kNeedUserDefined));
            return;
        }
        if (m_checkRunning) {
            m_observer.notice(Notice::Beep, {});
            return;
        }
        m_observer.windowTitleChanged({});
        setAddress({});
        lookUp(SourceKind::Web);
    });
}

} // namespace kestrune::core
