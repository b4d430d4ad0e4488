// Notices: which events are raised, to which entries they go, and their retries.
#include "Monitor.h"

#include "AddressTexts.h"
#include "NoticeChannels.h"
#include "Settings.h"

#include <unistd.h>

#include <charconv>
#include <limits.h>

using namespace kestrune::actions;

namespace kestrune::core {

namespace {

constexpr std::string_view kNoticeChannel = "notice";
constexpr char kSeparator = '|';

std::string machineName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

// "notice<n>|<event>|<time>|<old address>|<details>": everything a retry needs to send the same notice.
std::string retryChannel(std::size_t index, NoticeEvent event, long long time, const std::string& oldIp,
                         const std::string& details)
{
    std::string channel = std::string(kNoticeChannel) + std::to_string(index + 1);
    for (const std::string& part : {std::to_string(static_cast<int>(event)), std::to_string(time), oldIp, details}) {
        channel += kSeparator;
        // A settings value holds no line break.
        for (const char c : part)
            channel += c == '\r' || c == '\n' ? ' ' : c;
    }
    return channel;
}

std::string noticeName(std::size_t index, const NoticeEntry& entry)
{
    const NoticeChannel* channel = noticeChannel(entry.kind);
    const std::string host = noticeHost(entry.url);
    return "Notice " + std::to_string(index + 1) + " (" + std::string(channel ? channel->caption() : entry.kind) +
           (host.empty() ? std::string() : " at " + host) + ")";
}

} // namespace

void Monitor::addressNoticed(int family, const std::string& address)
{
    std::string& last = family == 6 ? m_settings.noticeState.lastIp6 : m_settings.noticeState.lastIp;
    if (address == last)
        return;
    const std::string old = last;
    last = address;
    m_observer.publishStateChanged();
    const std::string what = family == 6 ? "public IPv6 address" : "public address";
    raiseNotice(family == 6 ? NoticeEvent::Address6 : NoticeEvent::Address4,
                old.empty() ? "The " + what + " is " + address + "."
                            : "The " + what + " changed from " + old + " to " + address + ".",
                old);
}

void Monitor::lookupEnded(bool failed, const std::string& what)
{
    const int threshold = std::max(1, m_settings.noticeState.lookupFailures);
    int& inARow = m_settings.noticeState.failedInARow;
    if (!failed) {
        if (inARow >= threshold)
            raiseNotice(NoticeEvent::LookupRecovered, "The address lookup works again: " + what + ".");
        if (inARow != 0) {
            inARow = 0;
            m_observer.publishStateChanged();
        }
        return;
    }
    ++inARow;
    m_observer.publishStateChanged();
    if (inARow == threshold)
        raiseNotice(NoticeEvent::LookupFailing,
                    "The address lookup failed " + std::to_string(threshold) + " times in a row: " + what);
}

void Monitor::stepNoticed(const std::string& channel, const std::string& name, bool done, bool fatal,
                          const std::string& reason)
{
    if (channel.starts_with(kNoticeChannel))
        return;
    if (done) {
        m_failedForGood.erase(channel);
        if (m_retrying)
            raiseNotice(NoticeEvent::RetrySucceeded, name + " went through on a later try.");
        return;
    }
    if (fatal && m_failedForGood.insert(channel).second)
        raiseNotice(NoticeEvent::StepFailed, reason.empty() ? name + " failed for good." : reason);
}

NoticeValues Monitor::noticeValues(std::size_t index, NoticeEvent event, long long time, const std::string& ip,
                                   const std::string& oldIp, const std::string& details) const
{
    NoticeValues values;
    values.event = event;
    values.ip = ip;
    values.ip6 = m_settings.noticeState.lastIp6;
    values.oldIp = oldIp;
    values.host = machineName();
    values.time = localTimeText(time);
    values.details = details;
    values.id = "kestrune-" + std::to_string(time) + "-" + std::to_string(static_cast<int>(event)) + "-" +
                std::to_string(index + 1);
    return values;
}

void Monitor::raiseNotice(NoticeEvent event, const std::string& details, const std::string& oldIp)
{
    const long long time = now();
    const std::string ip = publishable(m_address) ? m_address : m_settings.noticeState.lastIp;
    for (std::size_t i = 0; i < m_settings.notices.size(); ++i) {
        const NoticeEntry& entry = m_settings.notices[i];
        if (!entry.enabled || !eventChosen(entry.events, event))
            continue;
        const StepEnd end = deliverNotice(i, noticeValues(i, event, time, ip, oldIp, details));
        if (end == StepEnd::Passing) {
            // A retry needs an address to be kept; a notice raised before any was found keeps the placeholder.
            m_retries.failed(retryChannel(i, event, time, oldIp, details), ip.empty() ? std::string(kPlaceholderAddress) : ip,
                             now(), nextCheckTime());
            armRetryTimer();
            m_observer.publishStateChanged();
        }
        // The wait may have let the list change.
        if (i >= m_settings.notices.size())
            break;
    }
}

Monitor::StepEnd Monitor::deliverNotice(std::size_t index, const NoticeValues& values, std::string* outcome)
{
    const NoticeEntry entry = m_settings.notices.at(index);
    const std::string name = noticeName(index, entry);
    const NoticeChannel* channel = noticeChannel(entry.kind);
    NoticeResult result{NoticeEnd::Fatal, "unknown kind \"" + entry.kind + "\""};
    if (channel) {
        const std::string host = noticeHost(entry.url);
        const BusyScope busy(*this, "Sending a notice" + (host.empty() ? std::string() : " to " + host) + kEllipsis);
        result = sendNotice(m_noticeHttp, *channel, NoticeRequest{entry.url, entry.token, entry.title, entry.body}, values);
    }
    std::string text;
    switch (result.end) {
    case NoticeEnd::Delivered:
        text = name + (values.event == NoticeEvent::Test ? ": the test notice was sent." : ": sent.");
        break;
    case NoticeEnd::Fatal:
        text = name + " refused: " + result.reason + ".";
        break;
    case NoticeEnd::Passing:
        text = name + " failed: " + asClause(result.reason) +
               (values.event == NoticeEvent::Test ? "." : "; it will be tried again.");
        break;
    }
    m_observer.statusChanged(text);
    m_observer.debugText(text);
    // A test's outcome comes as a message of its own.
    if (values.event != NoticeEvent::Test)
        m_observer.actionFinished(Action::Notice, result.end == NoticeEnd::Delivered ? std::string() : text);
    if (outcome)
        *outcome = text;
    return result.end == NoticeEnd::Delivered ? StepEnd::Done
           : result.end == NoticeEnd::Fatal   ? StepEnd::Fatal
                                              : StepEnd::Passing;
}

void Monitor::retryNotice(const PendingRetry& retry)
{
    // notice<n>|<event>|<time>|<old address>|<details>
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (int field = 0; field < 4; ++field) {
        const std::size_t end = retry.channel.find(kSeparator, start);
        if (end == std::string::npos)
            break;
        parts.push_back(retry.channel.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(retry.channel.substr(start));
    std::size_t number = 0;
    int event = -1;
    long long time = 0;
    const auto number_of = [](const std::string& text, auto& value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size();
    };
    const bool whole = parts.size() == 5 && number_of(parts[0].substr(kNoticeChannel.size()), number) &&
                       number_of(parts[1], event) && number_of(parts[2], time) && event >= 0 &&
                       event <= static_cast<int>(NoticeEvent::Test);
    if (!whole || number == 0 || number > m_settings.notices.size() || !m_settings.notices[number - 1].enabled) {
        dropRetry(retry.channel);
        return;
    }
    const std::string ip = retry.address == kPlaceholderAddress ? std::string() : retry.address;
    stepEnded(retry.channel, retry.address,
              deliverNotice(number - 1, noticeValues(number - 1, static_cast<NoticeEvent>(event), time, ip, parts[3],
                                                     parts[4])));
}

bool Monitor::sendTestNotice(std::size_t index)
{
    bool delivered = false;
    guarded([&] {
        if (index >= m_settings.notices.size()) {
            m_observer.notice(Notice::Message, "There is no notice " + std::to_string(index + 1) + ".");
            return;
        }
        const std::string ip = publishable(m_address) ? m_address : m_settings.noticeState.lastIp;
        NoticeValues values = noticeValues(index, NoticeEvent::Test, now(), ip, m_settings.noticeState.lastIp, {});
        values.details = "A test notice from Kestrune on " + values.host + ".";
        std::string outcome;
        delivered = deliverNotice(index, values, &outcome) == StepEnd::Done;
        m_observer.notice(Notice::Message, outcome);
    });
    return delivered;
}

} // namespace kestrune::core
