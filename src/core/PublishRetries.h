#pragma once

#include "Settings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::core {

// Seconds since the epoch; the monitor's clock, replaceable so tests can step it.
using WallClock = std::function<long long()>;

// The publish steps waiting for another try, kept in the settings so they survive a restart. A step that
// failed for a passing reason is tried after 1, 2, 4, 8 ... minutes, never sooner than a minute after its
// failure and never after the next scheduled check (17 hours at most); a server that asked for rest gets 30 minutes at least.
class PublishRetries {
public:
    explicit PublishRetries(std::vector<core::PendingRetry>& pending) : m_pending(pending) {}

    void failed(const std::string& channel, const std::string& address, long long now,
                std::optional<long long> nextCheck);
    // The server asked for rest: seconds, 30 minutes unless it said how long.
    void serverWait(const std::string& channel, const std::string& address, long long now,
                    long long seconds = kServerWait);
    void succeeded(const std::string& channel);
    // A new address was found: steps pending for another one of its family are dropped (the change tries them
    // anew), except a server's wait, which goes on with the new address, and notices, which keep theirs.
    void addressChanged(const std::string& address);
    // The server's wait of channel still runs at now.
    bool waiting(const std::string& channel, long long now) const;
    std::vector<core::PendingRetry> due(long long now) const;
    std::optional<long long> nextDue() const;
    bool empty() const { return m_pending.empty(); }
    // Mends rows a damaged or hand-edited file brought: one row per channel (the first), attempts within
    // 0..kMaxAttempts, due times within 0..now + kLongestDelay. Returns a sentence per mend, empty when none.
    std::vector<std::string> mend(long long now);

    static constexpr long long kMinimumDelay = 60;
    static constexpr long long kServerWait = 30 * 60;
    static constexpr int kMaxAttempts = 1000;
    static constexpr int kMaxDoublings = 10;
    static constexpr long long kLongestDelay = kMinimumDelay << kMaxDoublings;

private:
    core::PendingRetry& entry(const std::string& channel, const std::string& address);

    std::vector<core::PendingRetry>& m_pending;
};

} // namespace kestrune::core
