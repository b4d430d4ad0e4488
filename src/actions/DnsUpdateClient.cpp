#include "DnsUpdateClient.h"

#include "NetworkErrors.h"
#include "HttpClient.h"

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

#ifndef KESTRUNE_VERSION
#define KESTRUNE_VERSION "0"
#endif

using namespace kestrune::net;

namespace kestrune::actions {

namespace {

struct ProviderInfo {
    DnsProvider provider;
    std::string_view key;
    std::string_view caption;
    std::string_view server;
};

constexpr std::array<ProviderInfo, 6> kProviders = {{
    {DnsProvider::Dyndns2, "dyndns2", "dyndns2 (generic)", ""},
    {DnsProvider::NoIp, "noip", "No-IP", "dynupdate.no-ip.com"},
    {DnsProvider::Dynu, "dynu", "Dynu", "api.dynu.com"},
    {DnsProvider::Desec, "desec", "deSEC", "update.dedyn.io"},
    {DnsProvider::DuckDns, "duckdns", "DuckDNS", ""},
    {DnsProvider::Custom, "custom", "Custom URL", ""},
}};

constexpr std::string_view kDuckDnsServer = "www.duckdns.org";

const ProviderInfo& info(DnsProvider provider) { return kProviders.at(static_cast<std::size_t>(provider)); }

// Everything but the unreserved characters of RFC 3986 is escaped.
std::string encoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Each host trimmed and escaped, joined by commas.
std::string encodedHosts(std::string_view hosts)
{
    std::string out;
    std::size_t start = 0;
    while (start <= hosts.size()) {
        const std::size_t end = std::min(hosts.find(',', start), hosts.size());
        const std::string_view host = trimmed(hosts.substr(start, end - start));
        if (!host.empty()) {
            if (!out.empty())
                out += ',';
            out += encoded(host);
        }
        start = end + 1;
    }
    return out;
}

std::string origin(std::string_view server, std::string_view fallback)
{
    const std::string_view host = trimmed(server).empty() ? fallback : trimmed(server);
    if (host.starts_with("http://") || host.starts_with("https://"))
        return std::string(host.ends_with('/') ? host.substr(0, host.size() - 1) : host);
    return "https://" + std::string(host);
}

std::string replaced(std::string text, std::string_view field, const std::string& value)
{
    for (std::size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
    return text;
}

// The dyndns2 words; an answer for several hosts has one line per host, and its worst line counts.
DnsUpdateResult dyndns2Answer(std::string_view body)
{
    static constexpr std::array<std::string_view, 8> kFatal = {"badauth", "!donator", "notfqdn", "nohost",
                                                               "numhost", "abuse",   "badagent", "KO"};
    DnsUpdateResult worst{DnsAnswer::Success, {}};
    bool any = false;
    std::size_t start = 0;
    while (start < body.size()) {
        const std::size_t end = std::min(body.find('\n', start), body.size());
        const std::string_view line = trimmed(body.substr(start, end - start));
        start = end + 1;
        if (line.empty())
            continue;
        any = true;
        const std::string word(line.substr(0, line.find(' ')));
        DnsUpdateResult result{DnsAnswer::Passing, word};
        if (word == "good" || word == "nochg")
            result.answer = DnsAnswer::Success;
        else if (std::find(kFatal.begin(), kFatal.end(), word) != kFatal.end())
            result.answer = DnsAnswer::Fatal;
        else if (word == "911" || word == "dnserr")
            result.answer = DnsAnswer::Wait;
        else
            result.code = "unknown answer";
        const auto rank = [](DnsAnswer a) {
            return a == DnsAnswer::Fatal ? 3 : a == DnsAnswer::Wait ? 2 : a == DnsAnswer::Passing ? 1 : 0;
        };
        if (worst.code.empty() || rank(result.answer) > rank(worst.answer))
            worst = result;
    }
    return any ? worst : DnsUpdateResult{DnsAnswer::Passing, "empty answer"};
}

} // namespace

std::optional<DnsProvider> dnsProviderFromKey(std::string_view key)
{
    for (const ProviderInfo& p : kProviders)
        if (p.key == key)
            return p.provider;
    return std::nullopt;
}

std::string_view dnsProviderKey(DnsProvider provider) { return info(provider).key; }
std::string_view dnsProviderCaption(DnsProvider provider) { return info(provider).caption; }
std::string_view dnsPresetServer(DnsProvider provider) { return info(provider).server; }

std::string dnsUserAgent() { return "Kestrune/" KESTRUNE_VERSION; }

std::string dnsUpdateUrl(const DnsUpdateRequest& request)
{
    switch (request.provider) {
    case DnsProvider::DuckDns:
        return origin(request.server, kDuckDnsServer) + "/update?domains=" + encodedHosts(request.hosts) +
               "&token=" + encoded(request.password) + "&ip=" + encoded(request.address);
    case DnsProvider::Custom:
        return replaced(replaced(request.urlTemplate, "{IP}", encoded(request.address)), "{HOST}",
                        encodedHosts(request.hosts));
    default:
        return origin(request.server, dnsPresetServer(request.provider)) +
               "/nic/update?hostname=" + encodedHosts(request.hosts) + "&myip=" + encoded(request.address);
    }
}

DnsUpdateResult classifyDnsAnswer(DnsProvider provider, int status, std::string_view body)
{
    const std::string statusCode = "HTTP " + std::to_string(status);
    // Credentials a server refused are refused again at every try, and providers block clients that insist.
    const bool refused = status == 401 || status == 403;
    if (provider == DnsProvider::Custom) {
        if (status / 100 == 2)
            return {DnsAnswer::Success, statusCode};
        return {refused ? DnsAnswer::Fatal : DnsAnswer::Passing, statusCode};
    }
    if (provider == DnsProvider::DuckDns) {
        const std::string_view word = trimmed(body);
        if (status / 100 == 2 && word == "OK")
            return {DnsAnswer::Success, "OK"};
        if (word == "KO" || refused)
            return {DnsAnswer::Fatal, word == "KO" ? "KO" : statusCode};
        return {DnsAnswer::Passing, status / 100 == 2 ? "unknown answer" : statusCode};
    }
    DnsUpdateResult result = dyndns2Answer(body);
    if (status / 100 != 2 && result.answer == DnsAnswer::Success)
        result = {DnsAnswer::Passing, statusCode};
    if (result.answer == DnsAnswer::Passing && refused)
        result = {DnsAnswer::Fatal, "badauth"};
    else if (result.answer == DnsAnswer::Passing && status / 100 != 2)
        result.code = statusCode;
    return result;
}

DnsUpdateResult sendDnsUpdate(HttpClient& http, const DnsUpdateRequest& request)
{
    try {
        // The request carries credentials or a token: only a server the system trusts may see them.
        http.acceptAnyCertificate = false;
        http.request.userAgent = dnsUserAgent();
        http.request.accept = "text/plain, */*";
        const bool withCredentials = request.provider != DnsProvider::DuckDns && !request.user.empty();
        http.request.basicAuthentication = withCredentials;
        http.setCredentials(withCredentials ? request.user : std::string(),
                            withCredentials ? request.password : std::string());
        const std::string body = http.fetchPage(dnsUpdateUrl(request));
        return classifyDnsAnswer(request.provider, http.response.responseCode, body);
    } catch (const HttpStatusError& error) {
        return classifyDnsAnswer(request.provider, error.replyErrorCode, error.errorMessage);
    } catch (const std::exception& error) {
        // A refused certificate included: it is not the provider's answer, and a renewed certificate or an
        // updated store mends it with no settings change, so it is tried again like a server out of reach.
        return {DnsAnswer::Passing, error.what()};
    }
}

} // namespace kestrune::actions
