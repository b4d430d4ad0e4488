#include "PublishSettings.h"

#include "EnDeCrypt.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrune::core {

namespace {

constexpr std::string_view kDnsSection = "DNSUpdate";
constexpr std::string_view kRetrySection = "Retry";
// A count beyond this is a damaged file, not a list anyone typed.
constexpr int kMaxRows = 10000;

std::string key(std::string_view name, int row) { return std::string(name) + std::to_string(row); }

// The entry number (from 1) a retry channel names after prefix ("notice2|ip4": 2), with where the number ends;
// 0 for another channel.
std::size_t channelEntry(const std::string& channel, std::string_view prefix, std::size_t& numberEnd)
{
    if (!channel.starts_with(prefix))
        return 0;
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(channel.data() + prefix.size(), channel.data() + channel.size(), number);
    numberEnd = static_cast<std::size_t>(end - channel.data());
    return error == std::errc() && (numberEnd == channel.size() || channel[numberEnd] == '|') ? number : 0;
}

int rowCount(const IniFile& ini, std::string_view section)
{
    const int count = ini.readInteger(section, "Count", 0);
    return count < 0 ? 0 : std::min(count, kMaxRows);
}

long long readNumber(const IniFile& ini, std::string_view section, const std::string& name)
{
    const std::string text = ini.readString(section, name, "");
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

} // namespace

std::string dnsEntryFingerprint(const DnsUpdateEntry& entry)
{
    // FNV-1a over the fields, each ended by a NUL so that no two splits of the same bytes meet.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    // Fields of later versions count only when set, so a hold kept by an earlier one keeps its fingerprint.
    std::string laterFields;
    if (entry.family != 4 || !entry.zone.empty() || !entry.algorithm.empty() || entry.ttl != 0)
        laterFields = std::to_string(entry.family) + ' ' + entry.zone + ' ' + entry.algorithm + ' ' + std::to_string(entry.ttl);
    const std::string& later = laterFields;
    for (const std::string* field :
         {&entry.provider, &entry.server, &entry.hosts, &entry.user, &entry.password, &entry.url, &later}) {
        if (field == &later && later.empty())
            continue;
        for (const char c : *field + '\0') {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool liftStaleHold(DnsUpdateEntry& entry)
{
    if (entry.hold.empty()) {
        entry.holdFor.clear();
        return false;
    }
    const std::string now = dnsEntryFingerprint(entry);
    if (entry.holdFor.empty())
        entry.holdFor = now;
    if (entry.holdFor == now)
        return false;
    entry.hold.clear();
    entry.holdFor.clear();
    entry.lastIp.clear();
    entry.lastIp6.clear();
    return true;
}

DnsUpdateEntry editedDnsUpdateEntry(const DnsUpdateEntry& old, DnsUpdateEntry edited)
{
    const bool same = old.provider == edited.provider && old.server == edited.server &&
                      old.hosts == edited.hosts && old.user == edited.user && old.password == edited.password &&
                      old.url == edited.url && old.family == edited.family && old.zone == edited.zone &&
                      old.algorithm == edited.algorithm && old.ttl == edited.ttl;
    if (!same || (edited.enabled && !old.enabled)) {
        edited.hold.clear();
        edited.holdFor.clear();
        if (!same) {
            edited.lastIp.clear();
            edited.lastIp6.clear();
            edited.proof.clear();
        }
    }
    return edited;
}

std::vector<DnsUpdateEntry> loadDnsUpdates(const IniFile& ini)
{
    std::vector<DnsUpdateEntry> entries;
    const int count = rowCount(ini, kDnsSection);
    for (int i = 1; i <= count; ++i) {
        DnsUpdateEntry entry;
        entry.enabled = ini.readBool(kDnsSection, key("Enabled", i), false);
        entry.provider = ini.readString(kDnsSection, key("Provider", i), "");
        entry.server = ini.readString(kDnsSection, key("Server", i), "");
        entry.hosts = ini.readString(kDnsSection, key("Hosts", i), "");
        entry.user = ini.readString(kDnsSection, key("User", i), "");
        entry.password = enDeCrypt(ini.readString(kDnsSection, key("Password", i), ""));
        entry.url = ini.readString(kDnsSection, key("URL", i), "");
        entry.lastIp = ini.readString(kDnsSection, key("LastIP", i), "");
        entry.hold = ini.readString(kDnsSection, key("Hold", i), "");
        const int family = ini.readInteger(kDnsSection, key("Family", i), 4);
        entry.family = family == 6 || family == 46 ? family : 4;
        entry.lastIp6 = ini.readString(kDnsSection, key("LastIP6", i), "");
        entry.zone = ini.readString(kDnsSection, key("Zone", i), "");
        entry.algorithm = ini.readString(kDnsSection, key("Algorithm", i), "");
        entry.ttl = std::clamp(ini.readInteger(kDnsSection, key("TTL", i), 0), 0, 604800);
        entry.verify = ini.readString(kDnsSection, key("Verify", i), "");
        entry.refreshDays = std::clamp(ini.readInteger(kDnsSection, key("Refresh", i), -1), -1, 3650);
        entry.updated = readNumber(ini, kDnsSection, key("Updated", i));
        entry.answer = ini.readString(kDnsSection, key("Answer", i), "");
        entry.proof = ini.readString(kDnsSection, key("Proof", i), "");
        entry.holdFor = ini.readString(kDnsSection, key("HoldFor", i), "");
        liftStaleHold(entry);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void saveDnsUpdates(const std::vector<DnsUpdateEntry>& entries, IniFile& ini)
{
    ini.eraseSection(kDnsSection);
    if (entries.empty())
        return;
    ini.writeInteger(kDnsSection, "Count", static_cast<int>(entries.size()));
    int i = 0;
    for (const DnsUpdateEntry& entry : entries) {
        ++i;
        ini.writeBool(kDnsSection, key("Enabled", i), entry.enabled);
        ini.writeString(kDnsSection, key("Provider", i), entry.provider);
        ini.writeString(kDnsSection, key("Server", i), entry.server);
        ini.writeString(kDnsSection, key("Hosts", i), entry.hosts);
        ini.writeString(kDnsSection, key("User", i), entry.user);
        ini.writeString(kDnsSection, key("Password", i), enDeCrypt(entry.password));
        ini.writeString(kDnsSection, key("URL", i), entry.url);
        ini.writeString(kDnsSection, key("LastIP", i), entry.lastIp);
        ini.writeString(kDnsSection, key("Hold", i), entry.hold);
        ini.writeInteger(kDnsSection, key("Family", i), entry.family);
        ini.writeString(kDnsSection, key("LastIP6", i), entry.lastIp6);
        ini.writeString(kDnsSection, key("Zone", i), entry.zone);
        ini.writeString(kDnsSection, key("Algorithm", i), entry.algorithm);
        ini.writeInteger(kDnsSection, key("TTL", i), entry.ttl);
        ini.writeString(kDnsSection, key("Verify", i), entry.verify);
        // Missing reads as the provider's default, which a later version may change.
        if (entry.refreshDays >= 0)
            ini.writeInteger(kDnsSection, key("Refresh", i), entry.refreshDays);
        ini.writeString(kDnsSection, key("Updated", i), std::to_string(entry.updated));
        ini.writeString(kDnsSection, key("Answer", i), entry.answer);
        ini.writeString(kDnsSection, key("Proof", i), entry.proof);
        ini.writeString(kDnsSection, key("HoldFor", i), entry.holdFor);
    }
}

std::vector<PendingRetry> loadPendingRetries(const IniFile& ini)
{
    std::vector<PendingRetry> retries;
    const int count = rowCount(ini, kRetrySection);
    for (int i = 1; i <= count; ++i) {
        PendingRetry retry;
        retry.channel = ini.readString(kRetrySection, key("Channel", i), "");
        retry.address = ini.readString(kRetrySection, key("Address", i), "");
        retry.attempts = std::max(0, ini.readInteger(kRetrySection, key("Attempts", i), 0));
        retry.due = readNumber(ini, kRetrySection, key("Due", i));
        retry.serverWait = ini.readBool(kRetrySection, key("Wait", i), false);
        if (!retry.channel.empty() && !retry.address.empty())
            retries.push_back(std::move(retry));
    }
    return retries;
}

void savePendingRetries(const std::vector<PendingRetry>& retries, IniFile& ini)
{
    ini.eraseSection(kRetrySection);
    if (retries.empty())
        return;
    ini.writeInteger(kRetrySection, "Count", static_cast<int>(retries.size()));
    int i = 0;
    for (const PendingRetry& retry : retries) {
        ++i;
        ini.writeString(kRetrySection, key("Channel", i), retry.channel);
        ini.writeString(kRetrySection, key("Address", i), retry.address);
        ini.writeInteger(kRetrySection, key("Attempts", i), retry.attempts);
        ini.writeString(kRetrySection, key("Due", i), std::to_string(retry.due));
        ini.writeBool(kRetrySection, key("Wait", i), retry.serverWait);
    }
}

void forgetEntryRetries(std::vector<PendingRetry>& retries, std::string_view prefix, std::size_t removed)
{
    const std::size_t number = removed + 1;
    std::size_t end = 0;
    std::erase_if(retries, [&](const PendingRetry& retry) { return channelEntry(retry.channel, prefix, end) == number; });
    for (PendingRetry& retry : retries) {
        const std::size_t entry = channelEntry(retry.channel, prefix, end);
        if (entry > number)
            retry.channel = std::string(prefix) + std::to_string(entry - 1) + retry.channel.substr(end);
    }
}

} // namespace kestrune::core
