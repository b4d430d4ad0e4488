#include "RunStatus.h"

#include <charconv>
#include <ctime>

namespace kestrune::core {

namespace {

constexpr const char* kChannels[] = {"Upload", "Mail", "IpFile", "Log", "Command",
                                     "Upload6", "Mail6", "IpFile6", "Log6", "Command6"};
constexpr std::string_view kDnsPrefixes[] = {"DNSv6", "DNS"};

long long number(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

bool isChannel(const std::string& key)
{
    for (const char* channel : kChannels)
        if (key == channel)
            return true;
    for (std::string_view prefix : kDnsPrefixes)
        if (key.starts_with(prefix) && key.size() > prefix.size())
            return number(std::string_view(key).substr(prefix.size())) > 0;
    return false;
}

} // namespace

std::string localTimeText(long long seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&time, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

RunStatus loadRunStatus(const IniFile& ini)
{
    RunStatus status;
    status.lastCheck = number(ini.readString(kStatusSection, "LastCheck", ""));
    status.source = ini.readString(kStatusSection, "Source", "");
    status.address = ini.readString(kStatusSection, "Address", "");
    status.error = ini.readString(kStatusSection, "Error", "");
    status.address6 = ini.readString(kStatusSection, "Address6", "");
    status.changed = number(ini.readString(kStatusSection, "Changed", ""));
    for (const std::string& key : ini.readSectionKeys(kStatusSection)) {
        if (!isChannel(key))
            continue;
        // "address time"
        const std::string value = ini.readString(kStatusSection, key, "");
        const std::size_t blank = value.rfind(' ');
        if (blank != std::string::npos)
            status.published[key] = {value.substr(0, blank), number(std::string_view(value).substr(blank + 1))};
    }
    return status;
}

void saveRunStatus(const RunStatus& status, IniFile& ini)
{
    ini.eraseSection(kStatusSection);
    if (status == RunStatus{})
        return;
    ini.writeString(kStatusSection, "LastCheck", std::to_string(status.lastCheck));
    ini.writeString(kStatusSection, "Source", status.source);
    ini.writeString(kStatusSection, "Address", status.address);
    ini.writeString(kStatusSection, "Error", status.error);
    // Only where IPv6 found something, so a file without IPv6 stays as it was.
    if (!status.address6.empty())
        ini.writeString(kStatusSection, "Address6", status.address6);
    ini.writeString(kStatusSection, "Changed", std::to_string(status.changed));
    for (const auto& [channel, published] : status.published)
        ini.writeString(kStatusSection, channel, published.address + " " + std::to_string(published.time));
}

} // namespace kestrune::core
