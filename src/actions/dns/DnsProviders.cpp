#include "DnsProvider.h"

#include "DnsHttp.h"
#include "DnsProviderSet.h"

#ifndef KESTRUNE_VERSION
#define KESTRUNE_VERSION "0"
#endif

namespace kestrune::actions {

namespace {

constexpr unsigned kDyndns2Fields = kFieldServer | kFieldHosts | kFieldUser | kFieldPassword;
// Free dyndns2 accounts lapse after about a month without an update.
constexpr int kDyndns2Refresh = 25;

} // namespace

const std::vector<DnsProviderInfo>& dnsProviders()
{
    static const std::vector<DnsProviderInfo> kProviders = [] {
        std::vector<DnsProviderInfo> rows;
        rows.reserve(16);  // the rows' addresses are kept while the table is built
        const auto row = [&rows](std::string_view key, std::string_view caption, std::string_view server,
                                 unsigned fields, unsigned required, int refreshDays, const DnsProvider& provider) {
            DnsProviderInfo info;
            info.key = key;
            info.caption = caption;
            info.server = server;
            info.fields = fields;
            info.required = required;
            info.refreshDays = refreshDays;
            info.provider = &provider;
            rows.push_back(info);
            return &rows.back();
        };
        row("dyndns2", "dyndns2 (generic)", "", kDyndns2Fields, kFieldServer | kFieldHosts, kDyndns2Refresh,
            dyndns2Provider(Dyndns2Form::Generic));
        row("noip", "No-IP", "dynupdate.no-ip.com", kDyndns2Fields, kFieldHosts, kDyndns2Refresh,
            dyndns2Provider(Dyndns2Form::Generic));
        row("dynu", "Dynu", "api.dynu.com", kDyndns2Fields, kFieldHosts, kDyndns2Refresh,
            dyndns2Provider(Dyndns2Form::Dynu));
        row("desec", "deSEC", "update.dedyn.io", kDyndns2Fields, kFieldHosts, kDyndns2Refresh,
            dyndns2Provider(Dyndns2Form::Desec));
        DnsProviderInfo* duck = row("duckdns", "DuckDNS", "", kFieldServer | kFieldHosts | kFieldPassword,
                                    kFieldHosts, 0, duckDnsProvider());
        duck->passwordCaption = "&Token:";
        duck->nameSuffix = ".duckdns.org";
        row("custom", "Custom URL", "", kFieldHosts | kFieldUser | kFieldPassword | kFieldUrl,
                                      kFieldUrl, 0, customUrlProvider());
        DnsProviderInfo* cloudns = row("cloudns", "ClouDNS (dynamic URL)", "", kFieldServer | kFieldHosts | kFieldPassword,
                                       kFieldPassword, 0, clouDnsProvider());
        cloudns->passwordCaption = "&Key:";
        cloudns->passwordHint = "The text after \"q=\" in the record's dynamic URL.";
        DnsProviderInfo* ionos = row("ionos", "IONOS (dyndns URL)", "", kFieldServer | kFieldHosts | kFieldPassword,
                                     kFieldPassword, 0, ionosProvider());
        ionos->passwordCaption = "&Key:";
        ionos->passwordHint = "The text after \"q=\" in the update URL the IONOS API gave.";
        DnsProviderInfo* cloudflare = row("cloudflare", "Cloudflare", "", kFieldServer | kFieldZone | kFieldHosts | kFieldPassword,
                                          kFieldHosts | kFieldPassword, 0, cloudflareProvider());
        cloudflare->passwordCaption = "API &token:";
        cloudflare->passwordHint = "An API token with the permissions \"Zone: Read\" and \"DNS: Edit\" for the zone.";
        DnsProviderInfo* porkbun = row("porkbun", "Porkbun (JSON API)", "",
                                       kFieldServer | kFieldZone | kFieldHosts | kFieldUser | kFieldPassword,
                                       kFieldHosts | kFieldUser | kFieldPassword, 0, porkbunProvider());
        porkbun->userCaption = "API &key:";
        porkbun->passwordCaption = "&Secret API key:";
        porkbun->passwordHint = "API access must be switched on for the domain in Porkbun's domain list.";
        DnsProviderInfo* rfc2136 =
            row("rfc2136", "Own name server (RFC 2136, TSIG)", "",
                kFieldServer | kFieldZone | kFieldHosts | kFieldUser | kFieldPassword | kFieldAlgorithm | kFieldTtl,
                kFieldServer | kFieldZone | kFieldHosts | kFieldUser | kFieldPassword, 0, rfc2136Provider());
        rfc2136->userCaption = "&Key name:";
        rfc2136->passwordCaption = "Key &secret:";
        rfc2136->passwordHint = "The TSIG secret in base64, as tsig-keygen prints it.";
        return rows;
    }();
    return kProviders;
}

const DnsProviderInfo* findDnsProvider(std::string_view key)
{
    for (const DnsProviderInfo& info : dnsProviders())
        if (info.key == key)
            return &info;
    return nullptr;
}

DnsUpdateResult sendDnsUpdate(net::HttpClient& http, std::string_view providerKey, const DnsUpdateRequest& request)
{
    const DnsProviderInfo* info = findDnsProvider(providerKey);
    if (!info)
        return {DnsAnswer::Fatal, "unknown provider \"" + std::string(providerKey) + "\""};
    try {
        if (trimmedText(request.server).empty() && !info->server.empty()) {
            DnsUpdateRequest preset = request;
            preset.server = info->server;
            return info->provider->update(http, preset);
        }
        return info->provider->update(http, request);
    } catch (const std::exception& error) {
        return {DnsAnswer::Passing, error.what()};
    }
}

std::string dnsUserAgent() { return "Kestrune/" KESTRUNE_VERSION; }

} // namespace kestrune::actions
