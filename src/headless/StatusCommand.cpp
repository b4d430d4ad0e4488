#include "StatusCommand.h"

#include "CommandLine.h"
#include "ExternalServices.h"
#include "InstanceLock.h"

#include <cstdio>
#include <ctime>
#include <exception>

using namespace kestrune::core;

namespace kestrune::headless {

namespace {

std::string when(long long seconds)
{
    if (seconds <= 0)
        return "never";
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local {};
    localtime_r(&time, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string publishedLine(const std::string& name, const RunStatus& status, const std::string& channel,
                          const std::string& kept)
{
    const auto found = status.published.find(channel);
    if (found != status.published.end())
        return "  " + name + ": " + found->second.address + " at " + when(found->second.time) + "\n";
    return "  " + name + ": " + (kept.empty() ? std::string("nothing yet") : kept) + "\n";
}

} // namespace

std::string statusText(const AppPaths& paths, const Settings& settings, const RunStatus& status, bool running)
{
    std::string text = "Settings file: " + paths.settingsFile.string() + "\n";
    text += std::string("Running: ") + (running ? "yes, a Kestrune uses this settings file" : "no") + "\n";
    text += "Last check: " + when(status.lastCheck);
    if (status.lastCheck > 0) {
        text += ", " + status.source + ", ";
        text += status.error.empty() ? "IPv4 " + status.address : "failed: " + status.error;
        if (status.changed > 0)
            text += " (since " + when(status.changed) + ")";
    }
    text += "\nPublished:\n";
    text += publishedLine("Upload", status, "Upload", settings.ftpEnable ? settings.uploadedIp : "off");
    text += publishedLine("Mail", status, "Mail", settings.sendMail ? settings.mailedIp : "off");
    text += publishedLine("IP file", status, "IpFile", settings.saveIp ? "" : "off");
    text += publishedLine("Log", status, "Log", settings.saveLog ? "" : "off");
    text += publishedLine("Command", status, "Command", settings.runCommand ? settings.commandIp : "off");
    for (std::size_t i = 0; i < settings.dnsUpdates.size(); ++i) {
        const DnsUpdateEntry& entry = settings.dnsUpdates[i];
        const std::string name = "DNS " + (entry.hosts.empty() ? "entry " + std::to_string(i + 1) : entry.hosts) +
                                 " (" + entry.provider + ")";
        const auto found = status.published.find("DNS" + std::to_string(i + 1));
        text += "  " + name + ": ";
        if (!entry.enabled)
            text += "off";
        else if (found != status.published.end())
            text += found->second.address + " at " + when(found->second.time);
        else
            text += entry.lastIp.empty() ? "nothing yet" : entry.lastIp;
        if (entry.enabled && !entry.lastIp6.empty())
            text += ", " + entry.lastIp6;
        if (entry.enabled && entry.updated > 0)
            text += ", answered \"" + entry.answer + "\" at " + when(entry.updated);
        if (entry.enabled && !entry.proof.empty())
            text += ", " + entry.proof;
        if (!entry.hold.empty())
            text += ", held: the server answered " + entry.hold;
        text += "\n";
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
        std::fputs(statusText(paths, settings, loadRunStatus(ini), running).c_str(), stdout);
        return launch::kExitOk;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "error: %s\n", error.what());
        return launch::kExitError;
    }
}

} // namespace kestrune::headless
