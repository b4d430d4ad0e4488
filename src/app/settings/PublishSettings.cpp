#include "PublishSettings.h"

#include "EnDeCrypt.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace kestrune::settings {

namespace {

constexpr std::string_view kDnsSection = "DNSUpdate";
constexpr std::string_view kRetrySection = "Retry";
// A count beyond this is a damaged file, not a list anyone typed.
constexpr int kMaxRows = 10000;

std::string key(std::string_view name, int row) { return std::string(name) + std::to_string(row); }

int rowCount(const TIniFile& ini, std::string_view section)
{
    const int count = ini.ReadInteger(section, "Count", 0);
    return count < 0 ? 0 : std::min(count, kMaxRows);
}

long long readNumber(const TIniFile& ini, std::string_view section, const std::string& name)
{
    const std::string text = ini.ReadString(section, name, "");
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

} // namespace

DnsUpdateEntry editedDnsUpdateEntry(const DnsUpdateEntry& old, DnsUpdateEntry edited)
{
    const bool same = old.provider == edited.provider && old.server == edited.server &&
                      old.hosts == edited.hosts && old.user == edited.user && old.password == edited.password &&
                      old.url == edited.url;
    if (!same || (edited.enabled && !old.enabled)) {
        edited.hold.clear();
        if (!same)
            edited.lastIp.clear();
    }
    return edited;
}

std::vector<DnsUpdateEntry> loadDnsUpdates(const TIniFile& ini)
{
    std::vector<DnsUpdateEntry> entries;
    const int count = rowCount(ini, kDnsSection);
    for (int i = 1; i <= count; ++i) {
        DnsUpdateEntry entry;
        entry.enabled = ini.ReadBool(kDnsSection, key("Enabled", i), false);
        entry.provider = ini.ReadString(kDnsSection, key("Provider", i), "");
        entry.server = ini.ReadString(kDnsSection, key("Server", i), "");
        entry.hosts = ini.ReadString(kDnsSection, key("Hosts", i), "");
        entry.user = ini.ReadString(kDnsSection, key("User", i), "");
        entry.password = EnDeCrypt(ini.ReadString(kDnsSection, key("Password", i), ""));
        entry.url = ini.ReadString(kDnsSection, key("URL", i), "");
        entry.lastIp = ini.ReadString(kDnsSection, key("LastIP", i), "");
        entry.hold = ini.ReadString(kDnsSection, key("Hold", i), "");
        entries.push_back(std::move(entry));
    }
    return entries;
}

void saveDnsUpdates(const std::vector<DnsUpdateEntry>& entries, TIniFile& ini)
{
    ini.EraseSection(kDnsSection);
    if (entries.empty())
        return;
    ini.WriteInteger(kDnsSection, "Count", static_cast<int>(entries.size()));
    int i = 0;
    for (const DnsUpdateEntry& entry : entries) {
        ++i;
        ini.WriteBool(kDnsSection, key("Enabled", i), entry.enabled);
        ini.WriteString(kDnsSection, key("Provider", i), entry.provider);
        ini.WriteString(kDnsSection, key("Server", i), entry.server);
        ini.WriteString(kDnsSection, key("Hosts", i), entry.hosts);
        ini.WriteString(kDnsSection, key("User", i), entry.user);
        ini.WriteString(kDnsSection, key("Password", i), EnDeCrypt(entry.password));
        ini.WriteString(kDnsSection, key("URL", i), entry.url);
        ini.WriteString(kDnsSection, key("LastIP", i), entry.lastIp);
        ini.WriteString(kDnsSection, key("Hold", i), entry.hold);
    }
}

std::vector<PendingRetry> loadPendingRetries(const TIniFile& ini)
{
    std::vector<PendingRetry> retries;
    const int count = rowCount(ini, kRetrySection);
    for (int i = 1; i <= count; ++i) {
        PendingRetry retry;
        retry.channel = ini.ReadString(kRetrySection, key("Channel", i), "");
        retry.address = ini.ReadString(kRetrySection, key("Address", i), "");
        retry.attempts = std::max(0, ini.ReadInteger(kRetrySection, key("Attempts", i), 0));
        retry.due = readNumber(ini, kRetrySection, key("Due", i));
        retry.serverWait = ini.ReadBool(kRetrySection, key("Wait", i), false);
        if (!retry.channel.empty() && !retry.address.empty())
            retries.push_back(std::move(retry));
    }
    return retries;
}

void savePendingRetries(const std::vector<PendingRetry>& retries, TIniFile& ini)
{
    ini.EraseSection(kRetrySection);
    if (retries.empty())
        return;
    ini.WriteInteger(kRetrySection, "Count", static_cast<int>(retries.size()));
    int i = 0;
    for (const PendingRetry& retry : retries) {
        ++i;
        ini.WriteString(kRetrySection, key("Channel", i), retry.channel);
        ini.WriteString(kRetrySection, key("Address", i), retry.address);
        ini.WriteInteger(kRetrySection, key("Attempts", i), retry.attempts);
        ini.WriteString(kRetrySection, key("Due", i), std::to_string(retry.due));
        ini.WriteBool(kRetrySection, key("Wait", i), retry.serverWait);
    }
}

} // namespace kestrune::settings
