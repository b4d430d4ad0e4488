#include "Monitor.h"

#include "AddressTexts.h"
#include "IpExtraction.h"
#include "ProviderDiagnosis.h"
#include "Settings.h"

using namespace kestrune::lookup;

namespace kestrune::core {

namespace {
// The router is asked for its WAN address at most this often.
constexpr long long kRouterCheckSeconds = 3600;
// The HTTP client's connect time-out when its read time-out is left at 0.
constexpr int kDefaultConnectTimeoutMs = 120000;
} // namespace

LookupFields Monitor::lookupFields() const
{
    LookupFields fields;
    fields.external = m_settings.external;
    fields.serviceUrl = m_settings.extDns;
    fields.url = m_page.url;
    fields.keyword = m_page.keyword;
    fields.charToSkip = m_page.charToSkip;
    fields.webAuth = m_page.webAuth;
    fields.username = m_page.username;
    fields.password = m_page.password;
    fields.acceptAnyCertificate = m_page.acceptAnyCertificate;
    return fields;
}

SourceOptions Monitor::currentSourceOptions() const
{
    SourceOptions options = m_sourceOptions;
    options.timeoutMs = m_http.readTimeout > 0 ? m_http.readTimeout : kDefaultConnectTimeoutMs;
    options.stunServers = SourceOptions::parseServerList(m_settings.stunServers);
    return options;
}

LookupResult Monitor::askSource(SourceKind kind)
{
    const BusyScope busy(*this, "Confirming the address with " + std::string(sourceInfo(kind).name) + kEllipsis);
    if (kind != SourceKind::Web)
        return lookUpAddress(kind, currentSourceOptions());
    // The web confirms through the external service, whichever of the two web lookups is chosen.
    LookupFields fields = lookupFields();
    fields.external = true;
    return runLookup(m_http, fields, m_services);
}

bool Monitor::changeConfirmed()
{
    const SourceKind chosen = sourceFromKey(m_settings.source);
    const std::size_t count = std::size(kSources);
    std::size_t at = 0;
    while (kSources[at].kind != chosen)
        ++at;
    const std::string chosenName(sourceInfo(chosen).name);
    std::string text = "Not published: no second source could confirm " + m_address + " from " + chosenName + ".";
    for (std::size_t step = 1; step < count; ++step) {
        const SourceInfo& other = kSources[(at + step) % count];
        const LookupResult result = askSource(other.kind);
        if (result.failed() || !isValidIp(result.address))
            continue;
        if (result.address == m_address) {
            m_observer.statusChanged(std::string(other.name) + " confirmed " + m_address + ".");
            return true;
        }
        text = "Not published: " + chosenName + " said " + m_address + ", " + std::string(other.name) + " said " +
               result.address + ".";
        break;
    }
    m_observer.statusChanged(text);
    m_observer.notice(Notice::Balloon, text);
    return false;
}

void Monitor::diagnoseProvider()
{
    const SourceKind chosen = sourceFromKey(m_settings.source);
    const bool routerSource = chosen == SourceKind::Upnp || chosen == SourceKind::NatPmp;
    if (!routerSource && !m_settings.routerCheck)
        return;
    const long long checkedAt = now();
    if (m_lastRouterCheck && checkedAt - *m_lastRouterCheck < kRouterCheckSeconds)
        return;
    m_lastRouterCheck = checkedAt;
    std::optional<std::string> router;
    if (routerSource) {
        router = m_address;
    } else {
        const BusyScope busy(*this, std::string("Asking the router for its WAN address") + kEllipsis);
        router = routerWanAddress(currentSourceOptions());
    }
    if (!router)
        return;
    const std::optional<std::string> hidden = providerDiagnosis(*router, m_address);
    const std::string text = hidden ? *hidden : providerDiagnosisClear(*router);
    if (text == m_settings.diagnosis)
        return;
    m_settings.diagnosis = text;
    m_observer.diagnosisChanged(text, hidden.has_value());
    m_observer.publishStateChanged();
}

} // namespace kestrune::core
