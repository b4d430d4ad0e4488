#include "RunRecord.h"

#include "AddressTexts.h"
#include "LookupTexts.h"
#include "Monitor.h"

#include <algorithm>
#include <ctime>
#include <exception>

namespace kestrune::core {

namespace {

long long secondsNow() { return static_cast<long long>(std::time(nullptr)); }

} // namespace

RunRecord::RunRecord(const Monitor& monitor, Settings& settings, MonitorObserver& face)
    : m_monitor(monitor), m_settings(settings), m_face(face)
{
}

void RunRecord::restart()
{
    m_seenDnsUpdates = m_settings.dnsUpdates;
    m_seenRetries = m_settings.pendingRetries;
    m_seenCommandIp = m_settings.commandIp;
    m_seenCommandIp6 = m_settings.commandIp6;
    m_seenUploaded6 = m_monitor.lastUploaded6();
    m_seenMailed6 = m_monitor.lastMailed6();
    m_seenLogged6 = m_monitor.lastLogged6();
}

void RunRecord::roundEnded(bool checked)
{
    writeMetrics();
    if (checked)
        m_face.publishStateChanged();
}

void RunRecord::addressFound(const std::string& address)
{
    if (address == kPlaceholderAddress)
        recordCheck({}, "no address found");
    else
        recordCheck(address, {});
    m_face.addressFound(address);
}

void RunRecord::notice(Notice kind, const std::string& text)
{
    if (kind == Notice::Balloon && text.starts_with(lookup::lookuptexts::kErrorPrefix))
        recordCheck({}, text.substr(lookup::lookuptexts::kErrorPrefix.size()));
    m_face.notice(kind, text);
}

void RunRecord::serviceAnswered(const std::string& service)
{
    m_answeredBy = service;
    m_face.serviceAnswered(service);
}

void RunRecord::address6Changed(const std::string& address, const std::string& note)
{
    m_settings.runStatus.address6 = address;
    m_face.address6Changed(address, note);
}

void RunRecord::actionFinished(Action action, const std::string& error)
{
    const bool succeeded = error.empty();
    const std::string& address = m_settings.runStatus.address;
    switch (action) {
    case Action::Upload:
        recordPublished("Upload", "upload", address, succeeded);
        if (succeeded)
            recordChanged6("Upload6", m_monitor.lastUploaded6(), m_seenUploaded6);
        break;
    case Action::Mail:
        recordPublished("Mail", "mail", address, succeeded);
        break;
    case Action::IpFile:
        recordPublished("IpFile", "ipfile", address, succeeded);
        break;
    case Action::Log:
        // The IPv6 address's entry is the one that moved the last logged IPv6 address.
        if (succeeded && m_monitor.lastLogged6() != m_seenLogged6) {
            recordChanged6("Log6", m_monitor.lastLogged6(), m_seenLogged6);
            m_metrics.published("log", true);
        } else {
            recordPublished("Log", "log", address, succeeded);
        }
        break;
    case Action::Notice:
        m_metrics.published("notice", succeeded);
        break;
    case Action::IpFile6:
        if (succeeded)
            m_settings.runStatus.published["IpFile6"] = {m_monitor.lastSaved6(), secondsNow()};
        m_metrics.published("ipfile6", succeeded);
        break;
    }
    m_face.actionFinished(action, error);
}

// The DNS entries, the command and the IPv6 mail report no action of their own: what they did shows in the
// state they leave.
void RunRecord::publishStateChanged()
{
    for (std::size_t i = 0; i < m_settings.dnsUpdates.size(); ++i) {
        const DnsUpdateEntry& entry = m_settings.dnsUpdates[i];
        DnsUpdateEntry seen = i < m_seenDnsUpdates.size() ? m_seenDnsUpdates[i] : DnsUpdateEntry{};
        const std::string number = std::to_string(i + 1);
        if (!entry.lastIp.empty() && entry.lastIp != seen.lastIp)
            recordPublished("DNS" + number, "dns" + number, entry.lastIp, true);
        if (!entry.hold.empty() && entry.hold != seen.hold)
            recordPublished("DNS" + number, "dns" + number, {}, false);
        recordChanged6("DNSv6" + number, entry.lastIp6, seen.lastIp6);
    }
    if (!m_settings.commandIp.empty() && m_settings.commandIp != m_seenCommandIp)
        recordPublished("Command", "command", m_settings.commandIp, true);
    recordChanged6("Command6", m_settings.commandIp6, m_seenCommandIp6);
    recordChanged6("Mail6", m_monitor.lastMailed6(), m_seenMailed6);
    for (const PendingRetry& retry : m_settings.pendingRetries) {
        if (retry.channel != "command" && !retry.channel.starts_with("dns"))
            continue;
        const auto seen = std::find_if(m_seenRetries.begin(), m_seenRetries.end(),
                                       [&](const PendingRetry& old) { return old.channel == retry.channel; });
        if (seen == m_seenRetries.end() || retry.attempts > seen->attempts)
            recordPublished({}, retry.channel, {}, false);
    }
    m_seenDnsUpdates = m_settings.dnsUpdates;
    m_seenRetries = m_settings.pendingRetries;
    m_seenCommandIp = m_settings.commandIp;
    m_face.publishStateChanged();
}

void RunRecord::recordCheck(const std::string& address, const std::string& error)
{
    RunStatus& status = m_settings.runStatus;
    const long long now = secondsNow();
    status.lastCheck = now;
    if (resolveLookupSource(m_settings.external, m_settings.userDefined) == LookupSource::External)
        status.source = m_answeredBy.empty() ? m_settings.extDns : m_answeredBy;
    else
        status.source = m_monitor.pageFields().url;
    m_answeredBy.clear();
    if (!address.empty() && address != status.address)
        status.changed = now;
    if (!address.empty())
        status.address = address;
    status.error = error;
    m_metrics.checked(error.empty());
}

void RunRecord::recordPublished(const std::string& name, const std::string& channel, const std::string& address,
                                bool succeeded)
{
    if (succeeded && !name.empty())
        m_settings.runStatus.published[name] = {address, secondsNow()};
    m_metrics.published(channel, succeeded);
}

void RunRecord::recordChanged6(const std::string& name, const std::string& address, std::string& seen)
{
    if (!address.empty() && address != seen)
        m_settings.runStatus.published[name] = {address, secondsNow()};
    seen = address;
}

void RunRecord::writeMetrics()
{
    if (m_settings.metricsFile.empty())
        return;
    try {
        m_metrics.write(m_settings.metricsFile, m_settings.runStatus, m_settings.pendingRetries.size(), secondsNow());
        m_metricsError.clear();
    } catch (const std::exception& error) {
        // Once per cause, not at every minute's write.
        if (m_metricsError != error.what())
            m_face.notice(Notice::Error, error.what());
        m_metricsError = error.what();
    }
}

} // namespace kestrune::core
