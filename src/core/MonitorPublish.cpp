// The publish steps beside the upload: dynamic-DNS updates, the command, the change mail and their retries.
#include "Monitor.h"

#include "CommandHook.h"
#include "DnsProvider.h"
#include "FlagScope.h"
#include "NetworkErrors.h"
#include "AddressTexts.h"
#include "RunRecord.h"
#include "Settings.h"

#include <algorithm>
#include <chrono>
#include <exception>

using namespace kestrune::actions;
using namespace kestrune::net;

namespace kestrune::core {

namespace {

using actions::DnsAnswer;

constexpr std::string_view kDnsChannel = "dns";

std::string dnsChannel(std::size_t index) { return std::string(kDnsChannel) + std::to_string(index + 1); }

std::string entryName(const core::DnsUpdateEntry& entry)
{
    return entry.hosts.empty() ? std::string("DNS update") : "DNS update of " + entry.hosts;
}

constexpr const char* kProxiedProof = "the provider answers for the name with its own addresses (proxied): not checked";

bool verifies(const core::DnsUpdateEntry& entry)
{
    const actions::DnsProviderInfo* info = actions::findDnsProvider(entry.provider);
    // A key-URL entry may name no host: the key alone says which record it updates.
    return entry.verify != "off" && info && info->verifiable && !entry.hosts.empty();
}

} // namespace

bool Monitor::publishable(const std::string& address)
{
    return !address.empty() && address != kPlaceholderAddress && address != kErrorAddress;
}

long long Monitor::now() const
{
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::optional<long long> Monitor::nextCheckTime() const
{
    if (!m_running)
        return std::nullopt;
    return now() + 60LL * std::max(m_countdown, 1);
}

void Monitor::stepEnded(const std::string& channel, const std::string& address, StepEnd end, const std::string& reason)
{
    if (end == StepEnd::Passing)
        m_retries.failed(channel, address, now(), nextCheckTime());
    else
        m_retries.succeeded(channel);
    armRetryTimer();
    m_observer.publishStateChanged();
    // The IPv6 address's steps ("upload6", "mail6", "command6") are named as their IPv4 twins.
    const std::string name = channel.starts_with("upload") ? "The upload"
                             : channel.starts_with("mail") ? "The mail"
                                                           : "The command";
    stepNoticed(channel, name, end == StepEnd::Done, end == StepEnd::Fatal, reason);
}

void Monitor::dropRetry(const std::string& channel)
{
    m_retries.succeeded(channel);
    armRetryTimer();
    m_observer.publishStateChanged();
}

void Monitor::reportStep(const std::string& text, bool failed)
{
    m_observer.publishReported(text, failed);
    m_observer.statusChanged(text);
    m_observer.debugText(text);
}

std::string Monitor::updateDnsEntries(const std::string& address, const std::string& address6)
{
    std::string lines;
    for (std::size_t i = 0; i < m_settings.dnsUpdates.size(); ++i) {
        core::DnsUpdateEntry& entry = m_settings.dnsUpdates[i];
        if (!entry.enabled)
            continue;
        if (liftStaleHold(entry)) {
            m_observer.publishStateChanged();
        } else if (!entry.hold.empty()) {
            // Named at every check, so a stopped entry is never forgotten.
            reportStep(entryName(entry) + " stays stopped: the server answered " + entry.hold +
                           ". Change the entry's provider, server, hosts, user, password or URL to resume it.",
                       true);
            continue;
        }
        // Providers block clients that send an address again or come back before the rest they asked for.
        if (m_retries.waiting(dnsChannel(i), now()))
            continue;
        const DnsAddresses sent = dnsAddresses(entry, address, address6);
        if (sent.ipv4.empty() && sent.ipv6.empty())
            continue;
        const bool changed = (!sent.ipv4.empty() && entry.lastIp != sent.ipv4) ||
                             (!sent.ipv6.empty() && entry.lastIp6 != sent.ipv6);
        if (!changed && !refreshDue(entry))
            continue;
        const std::string line = updateDnsEntry(i, address, address6);
        if (!line.empty())
            lines += (lines.empty() ? "" : "\r\n") + line;
    }
    return lines;
}

Monitor::DnsAddresses Monitor::dnsAddresses(const core::DnsUpdateEntry& entry, const std::string& address,
                                            const std::string& address6)
{
    DnsAddresses sent;
    if (entry.family != 6 && publishable(address))
        sent.ipv4 = address;
    if (entry.family != 4)
        sent.ipv6 = address6;
    return sent;
}

bool Monitor::refreshDue(const core::DnsUpdateEntry& entry) const
{
    const actions::DnsProviderInfo* info = actions::findDnsProvider(entry.provider);
    const int days = entry.refreshDays >= 0 ? entry.refreshDays : info ? info->refreshDays : 0;
    return days > 0 && entry.updated > 0 && now() - entry.updated >= days * 86400LL;
}

std::string Monitor::updateDnsEntry(std::size_t index, const std::string& address, const std::string& address6)
{
    core::DnsUpdateEntry& entry = m_settings.dnsUpdates.at(index);
    const std::string name = entryName(entry);
    if (!actions::findDnsProvider(entry.provider)) {
        reportStep(name + ": unknown provider \"" + entry.provider + "\".", true);
        return {};
    }
    const DnsAddresses sent = dnsAddresses(entry, address, address6);
    actions::DnsUpdateRequest request;
    request.server = entry.server;
    request.zone = entry.zone;
    request.hosts = entry.hosts;
    request.user = entry.user;
    request.password = entry.password;
    request.urlTemplate = entry.url;
    request.algorithm = entry.algorithm;
    request.ttl = entry.ttl;
    request.ipv4 = sent.ipv4;
    request.ipv6 = sent.ipv6;
    // A hold remembers what it was taken for: the settings as sent, whatever an edit meanwhile did.
    const std::string sentFor = dnsEntryFingerprint(entry);
    m_observer.statusChanged(name + "...");
    const std::string provider = entry.provider;
    const actions::DnsUpdateResult result = actions::sendDnsUpdate(m_dnsHttp, provider, request);
    // The entry was left untouched while waiting, but a wait may have changed the list: look it up again.
    if (index >= m_settings.dnsUpdates.size())
        return {};
    core::DnsUpdateEntry& updated = m_settings.dnsUpdates[index];
    const std::string channel = dnsChannel(index);
    const std::string shown = sent.ipv4.empty() ? sent.ipv6 : sent.ipv6.empty() ? sent.ipv4 : sent.ipv4 + ", " + sent.ipv6;
    std::string text;
    switch (result.answer) {
    case DnsAnswer::Success:
        if (!sent.ipv4.empty())
            updated.lastIp = sent.ipv4;
        if (!sent.ipv6.empty())
            updated.lastIp6 = sent.ipv6;
        updated.updated = now();
        updated.answer = result.code;
        m_retries.succeeded(channel);
        stepNoticed(channel, name, true, false, {});
        text = name + ": " + result.code + " (" + shown + ")";
        if (!result.remark.empty())
            text += "; " + asClause(result.remark);
        if (result.answersElsewhere) {
            if (updated.proof != kProxiedProof)
                text += "; " + std::string(kProxiedProof);
            updated.proof = kProxiedProof;
        } else if (verifies(updated)) {
            // Shown before the proof's own line, which may take a few seconds.
            reportStep(text, false);
            startProof(index, sent.ipv4, sent.ipv6);
            m_observer.publishStateChanged();
            return name + ": " + result.code;
        }
        break;
    case DnsAnswer::Fatal:
        updated.hold = result.code;
        updated.answer = result.code;
        updated.holdFor = sentFor;
        m_retries.succeeded(channel);
        text = name + " stopped: the server answered " + result.code +
               ". It stays stopped until the entry's settings change.";
        break;
    case DnsAnswer::Wait: {
        const long long wait = result.waitSeconds > 0 ? result.waitSeconds : PublishRetries::kServerWait;
        m_retries.serverWait(channel, address, now(), wait);
        updated.answer = result.code;
        text = name + ": the server answered " + asClause(result.code) + "; next try in " + std::to_string(wait / 60) +
               " minutes.";
        break;
    }
    case DnsAnswer::Passing:
        m_retries.failed(channel, address, now(), nextCheckTime());
        updated.answer = result.code;
        text = name + " failed: " + asClause(result.code) + "; it will be tried again.";
        break;
    }
    reportStep(text, result.answer != DnsAnswer::Success);
    if (result.answer == DnsAnswer::Fatal) {
        m_observer.notice(Notice::Balloon, text);
        if (m_settings.sendMail)
            guarded([this, &text] { sendWebmail(text); });
        stepNoticed(channel, name, false, true, text);
    }
    armRetryTimer();
    m_observer.publishStateChanged();
    return result.answer == DnsAnswer::Success ? name + ": " + result.code : std::string();
}

void Monitor::runCommandHook(const std::string& address)
{
    if (!m_settings.runCommand || m_settings.command.empty() || m_settings.commandIp == address)
        return;
    runCommandWith(address, publishable6(), "command");
}

void Monitor::runCommandWith(const std::string& address, const std::string& address6, const std::string& channel)
{
    actions::CommandOutcome outcome;
    try {
        actions::CommandRun run = actions::commandForAddress(m_settings.command, address, m_settings.commandIp);
        if (m_settings.ipv6Enabled)
            actions::addIpv6Address(run, address6, m_settings.commandIp6);
        // In the environment only: a command line shows in every process list.
        if (!m_settings.commandPassword.empty())
            run.environment.push_back("KESTRUNE_PASSWORD=" + m_settings.commandPassword);
        outcome = actions::runCommand(run);
        // A command that prints its secret does not put it into the status line or a log.
        outcome.output = masked(outcome.output, m_settings.commandPassword);
    } catch (const std::invalid_argument& error) {
        outcome.error = error.what();
    } catch (const CancelledError&) {
        // The program is closing: the command was ended and is kept for a retry, as a DNS update or mail is.
        reportStep("Command interrupted; it will be run again.", true);
        stepEnded(channel, channel == "command6" ? address6 : address, StepEnd::Passing);
        return;
    }
    reportStep(outcome.summary(), !outcome.succeeded());
    if (outcome.succeeded()) {
        m_settings.commandIp = address;
        if (m_settings.ipv6Enabled && !address6.empty())
            m_settings.commandIp6 = address6;
    }
    // A command that cannot start will not start at the next try either.
    stepEnded(channel, channel == "command6" ? address6 : address,
              outcome.succeeded() ? StepEnd::Done : outcome.started ? StepEnd::Passing : StepEnd::Fatal, outcome.summary());
}

void Monitor::sendChangeMail(const std::string& address, const std::string& text)
{
    // Counted as mailed only once the server took it, so a failed mail is tried again.
    const bool sent = sendWebmail(text);
    if (sent) {
        m_lastMailed = address;
        // The mail named the IPv6 address too.
        if (m_settings.ipv6Enabled && !publishable6().empty())
            m_lastMailed6 = publishable6();
    }
    if (publishable(address))
        stepEnded("mail", address, sent ? StepEnd::Done : StepEnd::Passing);
}

void Monitor::retryDue()
{
    m_timers.stop(TimerId::Retry);
    if (m_checkRunning || m_changeRunning) {
        // A check waits on the network and may publish the same steps: come back in a minute.
        m_timers.start(TimerId::Retry, std::chrono::seconds(PublishRetries::kMinimumDelay));
        return;
    }
    const FlagScope changeScope(m_changeRunning);
    const FlagScope checkScope(m_checkRunning);
    const FlagScope retryScope(m_retrying);
    proofsDue();
    for (const core::PendingRetry& retry : m_retries.due(now())) {
        const std::string& channel = retry.channel;
        if (channel == "upload") {
            m_ftpConnected = false;
            const StepEnd end = uploadToServer(retry.address, templateAddress6());
            if (m_ftpConnected)
                disconnectFtp();
            stepEnded(channel, retry.address, end, "The upload to " + m_settings.ftpHost + " failed for good: " + m_uploadError);
            // The failed upload made the other channels publish "Error": they get the address back.
            if (end == StepEnd::Done && (m_address == kErrorAddress || m_address == retry.address)) {
                setAddress(retry.address);
                publishDisplayed({});
            }
        } else if (channel == "upload6") {
            m_ftpConnected = false;
            const StepEnd end = m_settings.ftpEnable ? uploadToServer(m_lastUploaded, retry.address) : StepEnd::Done;
            if (m_ftpConnected)
                disconnectFtp();
            stepEnded(channel, retry.address, end);
        } else if (channel == "mail") {
            if (m_settings.sendMail && retry.address != m_lastMailed)
                guarded([&] { sendChangeMail(retry.address, changeMailText(retry.address, {})); });
            else
                dropRetry(channel);
        } else if (channel == "mail6") {
            if (m_settings.sendMail && retry.address != m_lastMailed6)
                guarded([&] { sendChangeMail6(retry.address, changeMailText(m_lastMailed, {})); });
            else
                dropRetry(channel);
        } else if (channel == "command") {
            // A command switched off or already run for this address has nothing left to retry.
            if (m_settings.runCommand && !m_settings.command.empty() && m_settings.commandIp != retry.address)
                guarded([&] { runCommandHook(retry.address); });
            else
                dropRetry(channel);
        } else if (channel == "command6") {
            if (m_settings.runCommand && !m_settings.command.empty() && m_settings.commandIp6 != retry.address)
                guarded([&] { runCommandHook6(retry.address); });
            else
                dropRetry(channel);
        } else if (channel.starts_with("notice")) {
            guarded([&] { retryNotice(retry); });
        } else if (channel.starts_with(kDnsChannel)) {
            std::size_t index = 0;
            try {
                index = std::stoul(channel.substr(kDnsChannel.size())) - 1;
            } catch (const std::exception&) {
                index = m_settings.dnsUpdates.size();
            }
            if (index < m_settings.dnsUpdates.size() && m_settings.dnsUpdates[index].enabled &&
                (liftStaleHold(m_settings.dnsUpdates[index]) || m_settings.dnsUpdates[index].hold.empty()))
                guarded([&] { updateDnsEntry(index, retry.address, publishable6()); });
            else
                dropRetry(channel);
        } else {
            dropRetry(channel);
        }
    }
    armRetryTimer();
}

void Monitor::resumeRetries()
{
    m_record->restart();
    const std::vector<std::string> mends = m_retries.mend(now());
    for (const std::string& text : mends)
        reportStep(text, false);
    if (!mends.empty())
        m_observer.publishStateChanged();
    armRetryTimer();
}

void Monitor::armRetryTimer()
{
    std::optional<long long> due = m_retries.nextDue();
    if (const std::optional<long long> proof = nextProofDue(); proof && (!due || *proof < *due))
        due = proof;
    if (!due) {
        m_timers.stop(TimerId::Retry);
        return;
    }
    // One second at least, so an overdue retry read from the file does not spin the timer; a day at most, so
    // a damaged due time still fits a timer (the timer comes back and looks again).
    const long long wait = std::clamp(*due - now(), 1LL, 86400LL);
    m_timers.start(TimerId::Retry, std::chrono::seconds(wait));
}

} // namespace kestrune::core
