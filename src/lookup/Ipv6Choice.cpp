#include "Ipv6Choice.h"

#include "Ipv6Address.h"

#include <optional>

namespace kestrune::lookup {

namespace {

std::string lifetimeText(std::uint32_t seconds)
{
    return seconds == InterfaceAddress::kForever ? std::string("forever") : std::to_string(seconds) + " s";
}

std::optional<std::string> skipReason(const InterfaceAddress& entry, std::string_view interfaceName)
{
    if (!interfaceName.empty() && entry.interfaceName != interfaceName)
        return "on another interface than " + std::string(interfaceName);
    const std::optional<Ipv6Bytes> bytes = parseIpv6(entry.address);
    if (!bytes)
        return std::string("not an IPv6 address");
    if (const std::optional<Ipv6Kind> kind = nonGlobalIpv6Kind(*bytes))
        return std::string(kind->kind) + " (" + std::string(kind->range) + ")";
    if (entry.temporary)
        return std::string("a temporary (privacy) address");
    if (entry.dadFailed)
        return std::string("duplicate address detection failed");
    if (entry.tentative)
        return std::string("tentative (duplicate address detection still runs)");
    if (entry.deprecated || entry.preferredLifetime == 0)
        return std::string("deprecated (preferred lifetime over)");
    return std::nullopt;
}

} // namespace

Ipv6Choice chooseIpv6Address(const std::vector<InterfaceAddress>& addresses, std::string_view interfaceName,
                             std::string_view lastPublished)
{
    Ipv6Choice choice;
    const InterfaceAddress* best = nullptr;
    bool keptLast = false;
    std::vector<std::string> skipped;
    std::vector<const InterfaceAddress*> candidates;
    for (const InterfaceAddress& entry : addresses) {
        if (const std::optional<std::string> reason = skipReason(entry, interfaceName)) {
            skipped.push_back("IPv6: skipped " + entry.address + " on " + entry.interfaceName + ": " + *reason + ".");
            continue;
        }
        candidates.push_back(&entry);
        if (!lastPublished.empty() && entry.address == lastPublished) {
            best = &entry;
            keptLast = true;
        }
    }
    if (!keptLast) {
        for (const InterfaceAddress* entry : candidates) {
            if (!best || entry->preferredLifetime > best->preferredLifetime ||
                (entry->preferredLifetime == best->preferredLifetime &&
                 *parseIpv6(entry->address) < *parseIpv6(best->address)))
                best = entry;
        }
    }
    for (const InterfaceAddress* entry : candidates) {
        if (entry == best)
            continue;
        skipped.push_back("IPv6: skipped " + entry->address + " on " + entry->interfaceName + ": " +
                          (keptLast ? "the address published last, " + std::string(lastPublished) + ", is still valid."
                                    : "a shorter preferred lifetime or a higher address than " + best->address + "."));
    }
    if (best) {
        choice.address = best->address;
        choice.lines.push_back("IPv6: chose " + best->address + " on " + best->interfaceName + ": " +
                               (keptLast ? std::string("published last and still valid")
                                         : "global, preferred " + lifetimeText(best->preferredLifetime)) +
                               ".");
    } else {
        choice.reason = interfaceName.empty() ? "no global IPv6 address on any interface"
                                              : "no global IPv6 address on " + std::string(interfaceName);
    }
    choice.lines.insert(choice.lines.end(), skipped.begin(), skipped.end());
    return choice;
}

} // namespace kestrune::lookup
