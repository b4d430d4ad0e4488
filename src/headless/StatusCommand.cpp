#include "StatusCommand.h"

#include "CommandLine.h"
#include "ExternalServices.h"
#include "InstanceLock.h"

#include <cstdio>
#include <exception>

using namespace kestrune::core;

namespace kestrune::headless {

namespace {

std::string when(long long seconds)
{
    return seconds <= 0 ? std::string("never") : localTimeText(seconds);
}

// "10.1.2.3 at <time>", or what the settings kept without a time; empty when neither is known.
std::string sent(const RunStatus& status, const std::string& key, const std::string& kept)
{
    const auto found = status.published.find(key);
    if (found != status.published.end())
        return found->second.address + " at " + when(found->second.time);
    return kept;
}

// Each family on its own: "IPv4 ..., IPv6 ...", the IPv6 part only where the step has sent one.
std::string families(const RunStatus& status, const std::string& key, const std::string& kept,
                     const std::string& key6, const std::string& kept6)
{
    const std::string ipv4 = sent(status, key, kept);
    const std::string ipv6 = key6.empty() ? std::string() : sent(status, key6, kept6);
    if (ipv6.empty())
        return ipv4.empty() ? "nothing yet" : ipv4;
    return "IPv4 " + (ipv4.empty() ? std::string("nothing yet") : ipv4) + ", IPv6 " + ipv6;
}

std::string publishedLine(const std::string& name, bool on, const std::string& value)
{
    return "  " + name + ": " + (on ? value : std::string("off")) + "\n";
}

} // namespace

std::string statusText(const AppPaths& paths, const Settings& settings, bool running)
{
    const RunStatus& status = settings.runStatus;
    std::string text = "Settings file: " + paths.settingsFile.string() + "\n";
    text += std::string("Running: ") + (running ? "yes, a Kestrune uses this settings file" : "no") + "\n";
    text += "Last check: " + when(status.lastCheck);
    if (status.lastCheck > 0) {
        text += ", " + status.source + ", ";
        text += status.error.empty() ? "IPv4 " + status.address : "failed: " + status.error;
        if (status.changed > 0)
            text += " (since " + when(status.changed) + ")";
        if (!status.address6.empty())
            text += ", IPv6 " + status.address6;
    }
    text += "\nPublished:\n";
    text += publishedLine("Upload", settings.ftpEnable,
                          families(status, "Upload", settings.uploadedIp, "Upload6", settings.uploadedIp6));
    text += publishedLine("Mail", settings.sendMail,
                          families(status, "Mail", settings.mailedIp, "Mail6", settings.mailedIp6));
    text += publishedLine("IP file", settings.saveIp, families(status, "IpFile", {}, {}, {}));
    if (!settings.ipv6Filename.empty() || status.published.contains("IpFile6"))
        text += publishedLine("IPv6 IP file", !settings.ipv6Filename.empty(), families(status, "IpFile6", {}, {}, {}));
    text += publishedLine("Log", settings.saveLog, families(status, "Log", {}, "Log6", {}));
    text += publishedLine("Command", settings.runCommand,
                          families(status, "Command", settings.commandIp, "Command6", settings.commandIp6));
    for (std::size_t i = 0; i < settings.dnsUpdates.size(); ++i) {
        const DnsUpdateEntry& entry = settings.dnsUpdates[i];
        const std::string number = std::to_string(i + 1);
        const std::string name = "DNS " + (entry.hosts.empty() ? "entry " + number : entry.hosts) + " (" +
                                 entry.provider + ")";
        std::string state = families(status, "DNS" + number, entry.lastIp, "DNSv6" + number, entry.lastIp6);
        if (entry.updated > 0)
            state += ", updated at " + when(entry.updated);
        if (!entry.answer.empty())
            state += ", last answer \"" + entry.answer + "\"";
        if (!entry.proof.empty())
            state += ", " + entry.proof;
        if (!entry.hold.empty())
            state += ", held: the server answered " + entry.hold;
        text += publishedLine(name, entry.enabled, state);
    }
    text += "Retries waiting:";
    if (settings.pendingRetries.empty())
        text += " none";
    text += "\n";
    for (const PendingRetry& retry : settings.pendingRetries)
        text += "  " + retry.channel + ": " + retry.address + ", " + std::to_string(retry.attempts) +
                " failed, next try " + when(retry.due) + (retry.serverWait ? " (the server asked to wait)" : "") + "\n";
    return text;
}

int printStatus(const AppPaths& paths)
{
    try {
        const IniFile ini = IniFile::loadForUpdate(paths.settingsFile);
        const Settings settings = loadSettings(ini, lookup::kExternalServices[0].url);
        bool running = false;
        {
            // Taken and given back at once: held elsewhere means a Kestrune runs with this file.
            const launch::InstanceLock lock(paths.settingsFile);
            running = lock.state() == launch::InstanceLock::State::HeldElsewhere;
        }
        std::fputs(statusText(paths, settings, running).c_str(), stdout);
        return launch::kExitOk;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "error: %s\n", error.what());
        return launch::kExitError;
    }
}

} // namespace kestrune::headless
