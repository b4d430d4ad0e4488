#include "AddressSources.h"

#include "Ascii.h"

namespace kestrune::lookup {

SourceKind sourceFromKey(std::string_view key)
{
    for (const SourceInfo& info : kSources)
        if (!info.key.empty() && net::ascii::equalsNoCase(key, info.key))
            return info.kind;
    return SourceKind::Web;
}

const SourceInfo& sourceInfo(SourceKind kind)
{
    for (const SourceInfo& info : kSources)
        if (info.kind == kind)
            return info;
    return kSources[std::size(kSources) - 1];
}

std::vector<std::string> SourceOptions::parseServerList(std::string_view text)
{
    std::vector<std::string> servers;
    std::string current;
    for (char c : text) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t') {
            if (!current.empty())
                servers.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        servers.push_back(std::move(current));
    return servers;
}

LookupResult lookUpAddress(SourceKind kind, const SourceOptions& options)
{
    switch (kind) {
    case SourceKind::Upnp: return lookUpUpnp(options);
    case SourceKind::NatPmp: return lookUpNatPmp(options);
    case SourceKind::Stun: return lookUpStun(options);
    case SourceKind::Dns: return lookUpDns(options);
    case SourceKind::Web: break;
    }
    LookupResult result;
    result.failure = LookupFailure::Unexpected;
    result.errorMessage = "The web source is asked through its page.";
    return result;
}

} // namespace kestrune::lookup
