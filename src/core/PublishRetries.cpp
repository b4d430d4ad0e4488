#include "PublishRetries.h"

#include <algorithm>

namespace kestrune::core {

core::PendingRetry& PublishRetries::entry(const std::string& channel, const std::string& address)
{
    auto found = std::ranges::find(m_pending, channel, &core::PendingRetry::channel);
    if (found == m_pending.end()) {
        m_pending.push_back({channel, address, 0, 0, false});
        return m_pending.back();
    }
    if (found->address != address && !found->serverWait)
        found->attempts = 0;
    found->address = address;
    return *found;
}

void PublishRetries::failed(const std::string& channel, const std::string& address, long long now,
                            std::optional<long long> nextCheck)
{
    core::PendingRetry& retry = entry(channel, address);
    retry.attempts = std::min(retry.attempts, kMaxAttempts - 1) + 1;
    retry.serverWait = false;
    long long delay = kMinimumDelay << std::min(retry.attempts - 1, kMaxDoublings);
    if (nextCheck)
        delay = std::min(delay, *nextCheck - now);
    retry.due = now + std::max(delay, kMinimumDelay);
}

void PublishRetries::serverWait(const std::string& channel, const std::string& address, long long now,
                                long long seconds)
{
    core::PendingRetry& retry = entry(channel, address);
    retry.attempts = std::min(retry.attempts, kMaxAttempts - 1) + 1;
    retry.serverWait = true;
    retry.due = now + seconds;
}

std::vector<std::string> PublishRetries::mend(long long now)
{
    std::vector<std::string> mends;
    std::vector<core::PendingRetry> kept;
    std::vector<std::pair<std::string, int>> dropped;  // channel, rows dropped
    const long long latest = now + std::max(kLongestDelay, kServerWait);
    for (core::PendingRetry& retry : m_pending) {
        const std::string channel = retry.channel;
        if (std::ranges::find(kept, channel, &core::PendingRetry::channel) != kept.end()) {
            auto counted = std::ranges::find(dropped, channel, &std::pair<std::string, int>::first);
            if (counted == dropped.end())
                dropped.emplace_back(channel, 1);
            else
                ++counted->second;
            continue;
        }
        if (retry.attempts < 0 || retry.attempts > kMaxAttempts) {
            const int held = std::clamp(retry.attempts, 0, kMaxAttempts);
            mends.push_back("The retry of " + channel + " counted " + std::to_string(retry.attempts) +
                            " attempts; it now counts " + std::to_string(held) + ".");
            retry.attempts = held;
        }
        if (retry.due < 0 || retry.due > latest) {
            mends.push_back("The retry of " + channel + " had an impossible due time; it is now due " +
                            (retry.due < 0 ? std::string("at once.")
                                           : "within " + std::to_string(latest - now) + " seconds."));
            retry.due = retry.due < 0 ? 0 : latest;
        }
        kept.push_back(std::move(retry));
    }
    for (const auto& [channel, count] : dropped)
        mends.push_back("The settings file held " + std::to_string(count + 1) + " retries of " + channel +
                        "; the first is kept, the other " + std::to_string(count) + " dropped.");
    m_pending = std::move(kept);
    return mends;
}

void PublishRetries::succeeded(const std::string& channel)
{
    std::erase_if(m_pending, [&](const core::PendingRetry& r) { return r.channel == channel; });
}

void PublishRetries::addressChanged(const std::string& address)
{
    // Each family has its own steps: a new IPv4 address leaves the IPv6 ones alone, and the reverse. A notice
    // tells of what happened when it was raised, whatever the address became since.
    const auto sameFamily = [&](const core::PendingRetry& r) {
        return (r.address.find(':') == std::string::npos) == (address.find(':') == std::string::npos);
    };
    const auto tellsOfThePast = [](const core::PendingRetry& r) { return r.channel.starts_with("notice"); };
    std::erase_if(m_pending, [&](const core::PendingRetry& r) {
        return sameFamily(r) && !r.serverWait && r.address != address && !tellsOfThePast(r);
    });
    for (core::PendingRetry& retry : m_pending)
        if (sameFamily(retry) && !tellsOfThePast(retry))
            retry.address = address;
}

bool PublishRetries::waiting(const std::string& channel, long long now) const
{
    return std::ranges::any_of(m_pending, [&](const core::PendingRetry& r) {
        return r.channel == channel && r.serverWait && r.due > now;
    });
}

std::vector<core::PendingRetry> PublishRetries::due(long long now) const
{
    std::vector<core::PendingRetry> result;
    std::ranges::copy_if(m_pending, std::back_inserter(result),
                         [now](const core::PendingRetry& r) { return r.due <= now; });
    return result;
}

std::optional<long long> PublishRetries::nextDue() const
{
    if (m_pending.empty())
        return std::nullopt;
    return std::ranges::min(m_pending, {}, &core::PendingRetry::due).due;
}

} // namespace kestrune::core
