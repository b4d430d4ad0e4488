#include "HeadlessRunner.h"

#include "AddressTexts.h"
#include "ExternalServices.h"
#include "IpExtraction.h"
#include "LogFile.h"
#include "SettingsManual.h"
#include "SelectedLookup.h"
#include "ServiceNotifier.h"

#include <langinfo.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>

using namespace kestrune::actions;
using namespace kestrune::core;
using namespace kestrune::lookup;

namespace kestrune::headless {

namespace {

using lookup::kPlaceholderAddress;

// The abbreviated day and month names of the user's locale (LC_TIME), as the window's log entries have them.
DateNames localeDateNames()
{
    DateNames names;
    for (int day = 0; day < 7; ++day)
        names.shortDayNames[static_cast<std::size_t>(day)] = ::nl_langinfo(static_cast<nl_item>(ABDAY_1 + day));
    for (int month = 0; month < 12; ++month)
        names.shortMonthNames[static_cast<std::size_t>(month)] = ::nl_langinfo(static_cast<nl_item>(ABMON_1 + month));
    return names;
}

} // namespace

HeadlessRunner::HeadlessRunner(const AppPaths& paths, LineWriter writeLine)
    : HeadlessRunner(paths, EventLog(std::move(writeLine)))
{
}

HeadlessRunner::HeadlessRunner(const AppPaths& paths, EventLog log)
    : m_paths(paths), m_log(std::move(log)), m_settings(defaultSettings(kExternalServices[0].url))
{
    for (core::TimerId id : {core::TimerId::Minute, core::TimerId::ServiceBlock1, core::TimerId::ServiceBlock2,
                              core::TimerId::Retry, core::TimerId::AddressSettle}) {
        m_timers[id] = m_loop.addTimer([this, id] {
            m_monitor->onTimer(id);
            if (id == core::TimerId::Minute || id == core::TimerId::Retry)
                saveState();
        });
    }
    m_monitor = std::make_unique<core::Monitor>(m_settings, *this, *this);
    m_monitor->setAppPaths(m_paths);
    m_monitor->setSetupPlace(core::Monitor::SetupPlace::SettingsFile);
    m_monitor->setDateNames(localeDateNames());
}

HeadlessRunner::~HeadlessRunner()
{
    // The monitor stops its timers as it goes, so it goes while they are still there.
    m_monitor.reset();
}

bool HeadlessRunner::load()
{
    try {
        const IniFile ini = IniFile::load(m_paths.settingsFile);
        apply(loadSettings(ini, kExternalServices[0].url));
        for (const std::string& key : unknownKeys(ini))
            report(Level::Warning, "The settings file has a key Kestrune does not know: " + key + "; it is ignored.");
        return true;
    } catch (const std::exception& error) {
        report(Level::Error, error.what());
        return false;
    }
}

void HeadlessRunner::apply(const Settings& settings)
{
    m_settings = settings;
    m_savedUploaded = settings.uploadedIp;
    m_savedMailed = settings.mailedIp;
    m_savedUploaded6 = settings.uploadedIp6;
    m_savedMailed6 = settings.mailedIp6;
    m_savedDnsUpdates = settings.dnsUpdates;
    m_savedRetries = settings.pendingRetries;
    m_savedCommandIP = settings.commandIp;
    m_savedStatus = settings.runStatus;
    m_savedDiagnosis = settings.diagnosis;
    m_savedNoticeState = settings.noticeState;
    m_monitor->setLastUploaded(settings.uploadedIp);
    m_monitor->setLastMailed(settings.mailedIp);
    m_monitor->setLastUploaded6(settings.uploadedIp6);
    m_monitor->setLastMailed6(settings.mailedIp6);
    m_monitor->setPageFields(selectedPageFields(settings));
    m_monitor->resumeRetries();
}

int HeadlessRunner::checkOnce()
{
    // Interval 0 is the window's "Check once at startup"; the interval is not written back.
    const int interval = m_settings.interval;
    m_settings.interval = 0;
    startChecks();
    m_settings.interval = interval;
    return statusAfterSaving();
}

void HeadlessRunner::startChecks()
{
    m_found = m_lookupFailed = m_actionFailed = false;
    m_lastStepLine.clear();
    m_monitor->stop();
    m_monitor->start();
}

int HeadlessRunner::testNotice(int number)
{
    const bool sent = number > 0 && m_monitor->sendTestNotice(static_cast<std::size_t>(number - 1));
    return sent ? 0 : 2;
}

int HeadlessRunner::checkStatus() const
{
    if (m_lookupFailed || !m_found)
        return 1;
    return m_actionFailed ? 2 : 0;
}

int HeadlessRunner::statusAfterSaving()
{
    // A state that could not be written would be published again by the next run.
    const bool saved = saveState();
    const int status = checkStatus();
    return status == 0 && !saved ? 2 : status;
}

int HeadlessRunner::run()
{
    startChecks();
    if (!m_monitor->running())
        return statusAfterSaving();
    saveState();
    report(Level::Info, "Checking every " + std::to_string(m_settings.interval) + " minutes.");
    return m_loop.exec();
}

void HeadlessRunner::requestStop()
{
    m_monitor->stop();
    const bool saved = saveState();
    m_loop.exit(saved ? 0 : 1);
}

void HeadlessRunner::requestReload()
{
    saveState();
    if (!load()) {
        report(Level::Warning, "The settings read before stay in use.");
        return;
    }
    report(Level::Notice, "Settings read again.");
    startChecks();
    if (!m_monitor->running())
        m_loop.exit(statusAfterSaving());
    else
        saveState();
}

bool HeadlessRunner::saveState()
{
    if (m_monitor->lastUploaded() == m_savedUploaded && m_monitor->lastMailed() == m_savedMailed &&
        m_monitor->lastUploaded6() == m_savedUploaded6 && m_monitor->lastMailed6() == m_savedMailed6 &&
        m_settings.dnsUpdates == m_savedDnsUpdates && m_settings.pendingRetries == m_savedRetries &&
        m_settings.commandIp == m_savedCommandIP && m_settings.diagnosis == m_savedDiagnosis &&
        m_settings.noticeState == m_savedNoticeState && m_settings.runStatus == m_savedStatus)
        return true;
    try {
        // Only the state is written: whatever else the file holds now stays, a hand edit included.
        IniFile ini = IniFile::loadForUpdate(m_paths.settingsFile);
        Settings onDisk = loadSettings(ini, kExternalServices[0].url);
        onDisk.uploadedIp = m_monitor->lastUploaded();
        onDisk.mailedIp = m_monitor->lastMailed();
        onDisk.uploadedIp6 = m_monitor->lastUploaded6();
        onDisk.mailedIp6 = m_monitor->lastMailed6();
        // An entry edited on disk meanwhile keeps what the edit says.
        for (std::size_t i = 0; i < onDisk.dnsUpdates.size() && i < m_settings.dnsUpdates.size(); ++i) {
            kestrune::core::DnsUpdateEntry& entry = onDisk.dnsUpdates[i];
            const kestrune::core::DnsUpdateEntry& ran = m_settings.dnsUpdates[i];
            if (i < m_savedDnsUpdates.size() && entry == m_savedDnsUpdates[i]) {
                entry.lastIp = ran.lastIp;
                entry.lastIp6 = ran.lastIp6;
                entry.hold = ran.hold;
                entry.holdFor = ran.holdFor;
                entry.updated = ran.updated;
                entry.answer = ran.answer;
                entry.proof = ran.proof;
            }
        }
        onDisk.pendingRetries = m_settings.pendingRetries;
        onDisk.commandIp = m_settings.commandIp;
        onDisk.diagnosis = m_settings.diagnosis;
        onDisk.noticeState.lastIp = m_settings.noticeState.lastIp;
        onDisk.noticeState.lastIp6 = m_settings.noticeState.lastIp6;
        onDisk.runStatus = m_settings.runStatus;
        saveSettings(onDisk, ini);
        ensureAppFolder(m_paths);
        ini.save(m_paths.settingsFile);
        m_savedStatus = m_settings.runStatus;
        m_savedUploaded = onDisk.uploadedIp;
        m_savedMailed = onDisk.mailedIp;
        m_savedUploaded6 = onDisk.uploadedIp6;
        m_savedMailed6 = onDisk.mailedIp6;
        m_savedDnsUpdates = m_settings.dnsUpdates;
        m_savedRetries = m_settings.pendingRetries;
        m_savedCommandIP = m_settings.commandIp;
        m_savedDiagnosis = m_settings.diagnosis;
        m_savedNoticeState = m_settings.noticeState;
        return true;
    } catch (const std::exception& error) {
        report(Level::Error, error.what());
        return false;
    }
}

void HeadlessRunner::report(Level level, const std::string& text) const
{
    if (!m_log.shows(level))
        return;
    std::string line = text;
    std::vector<const std::string*> secrets = {&m_settings.ftpPassword, &m_settings.webPass,
                                               &m_settings.commandPassword, &m_monitor->pageFields().password};
    for (const DnsUpdateEntry& entry : m_settings.dnsUpdates)
        secrets.push_back(&entry.password);
    for (const NoticeEntry& entry : m_settings.notices)
        secrets.push_back(&entry.token);
    for (const std::string* secret : secrets)
        line = masked(std::move(line), *secret);
    m_log.write(level, line);
}

void HeadlessRunner::checked(const std::string& outcome)
{
    if (m_service == nullptr)
        return;
    m_service->status("Last check " + localTimeText(std::time(nullptr)) + ": " + outcome);
}

void HeadlessRunner::reportStart() const
{
    std::string lookup;
    switch (resolveLookupSource(m_settings.external, m_settings.userDefined)) {
    case LookupSource::UserDefined: {
        const PageFields& page = m_monitor->pageFields();
        lookup = page.url.empty() ? "a user-defined page, none selected" : "the user-defined page " + page.url;
        break;
    }
    case LookupSource::External:
        lookup = "the external service " + m_settings.extDns + (m_settings.fallback ? " (with fallback)" : "");
        break;
    case LookupSource::Neither:
        lookup = "none";
        break;
    }
    report(Level::Info, "Kestrune " KESTRUNE_VERSION " starts: settings file " + m_paths.settingsFile.string() +
                            ", lookup " + lookup + ".");
}

void HeadlessRunner::reportEnd(const std::string& why, int status) const
{
    report(Level::Info, "Kestrune ends (exit status " + std::to_string(status) + "): " + why);
}

void HeadlessRunner::addressChanged(const std::string&) {}

void HeadlessRunner::addressFound(const std::string& address)
{
    if (address == kPlaceholderAddress) {
        m_lookupFailed = true;
        report(Level::Error, "No address found: " + address);
        checked("no address found");
        return;
    }
    m_found = true;
    report(Level::Info, "Address found: " + address);
    checked(address);
}

void HeadlessRunner::address6Changed(const std::string& address, const std::string& note)
{
    if (address.empty() && note.empty())
        return;
    if (address.empty())
        report(Level::Warning, "No IPv6 address: " + note + ".");
    else
        report(note.empty() ? Level::Info : Level::Warning,
               "IPv6 address found: " + address + (note.empty() ? std::string() : ". " + note));
}

void HeadlessRunner::watchAddressEvents(int handle)
{
    if (m_addressEvents >= 0)
        m_loop.unwatch(m_addressEvents);
    m_addressEvents = handle;
    if (handle >= 0)
        m_loop.watch(handle, [this] { m_monitor->onAddressEvents(); });
}

void HeadlessRunner::intervalChanged(int minutes)
{
    report(Level::Notice, "Interval set to " + std::to_string(minutes) + " minutes.");
}

void HeadlessRunner::notice(core::Notice kind, const std::string& text)
{
    Level level = Level::Error;
    switch (kind) {
    case core::Notice::Beep:
        return;
    case core::Notice::Balloon:
        if (text == m_lastStepLine)
            return;
        m_lookupFailed = true;
        checked("lookup failed");
        break;
    case core::Notice::Error:
        m_actionFailed = true;
        break;
    case core::Notice::Message:
        level = Level::Notice;
        break;
    }
    report(level, text);
}

void HeadlessRunner::actionFinished(core::Action action, const std::string& error)
{
    if (!error.empty())
        m_actionFailed = true;
    const Level level = error.empty() ? Level::Notice : Level::Error;
    switch (action) {
    case core::Action::Upload:
        report(level, error.empty() ? "Uploaded \"" + m_settings.ftpRemoteFile + "\" to " + m_settings.ftpHost + "."
                             : "Upload failed: " + error);
        break;
    case core::Action::Mail:
        report(level, error.empty() ? "Mail sent to " + m_settings.mailTo + "." : "Mail failed: " + error);
        break;
    case core::Action::IpFile:
        report(level, "IP file written: " + m_settings.ipFilename);
        break;
    case core::Action::IpFile6:
        report(level, "IPv6 IP file written: " + m_settings.ipv6Filename);
        break;
    case core::Action::Log:
        report(level, "Log written: " + m_settings.logFilename);
        break;
    case core::Action::Notice:
        report(level, error.empty() ? std::string("Notice sent.") : error);
        break;
    }
}

void HeadlessRunner::publishReported(const std::string& text, bool failed)
{
    if (failed)
        m_actionFailed = true;
    m_lastStepLine = text;
    report(failed ? Level::Error : Level::Notice, text);
}

// What the window shows in its status line and debug view is the lookup's reasoning here; a publish step's
// line, which comes there too, is said once.
void HeadlessRunner::statusChanged(const std::string& text)
{
    if (!text.empty() && text != m_lastStepLine)
        reportReasoning(text);
}

void HeadlessRunner::debugText(const std::string& text)
{
    if (text != m_lastStepLine)
        reportReasoning(text);
}

void HeadlessRunner::busyChanged(bool busy, const std::string& text)
{
    if (busy && !text.empty())
        reportReasoning(text);
    if (!busy)
        m_lastReasoning.clear();  // the next check's lines are news again
}

void HeadlessRunner::reportReasoning(const std::string& text)
{
    if (text == m_lastReasoning)
        return;
    m_lastReasoning = text;
    report(Level::Debug, text);
}

void HeadlessRunner::serviceAnswered(const std::string& service)
{
    report(Level::Debug, "Answered by " + service + ".");
}

// A shared address is a warning the user has to act on; a clear finding is news.
void HeadlessRunner::diagnosisChanged(const std::string& text, bool providerHides)
{
    report(providerHides ? Level::Warning : Level::Info, text);
}

void HeadlessRunner::start(core::TimerId id, std::chrono::milliseconds interval)
{
    m_loop.startTimer(m_timers.at(id), interval);
}

void HeadlessRunner::stop(core::TimerId id) { m_loop.stopTimer(m_timers.at(id)); }

} // namespace kestrune::headless
