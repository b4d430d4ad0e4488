// DuckDNS: the token in the query, "OK" or "KO".
#include "DnsHttp.h"
#include "DnsProviderSet.h"

namespace kestrune::actions {

namespace {

constexpr std::string_view kDuckDnsServer = "www.duckdns.org";

class DuckDnsProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        DnsHttpCall call;
        // DuckDNS fills in a missing "ip" from the connection; it documents no way to leave the A record alone.
        call.url = dnsOrigin(request.server, kDuckDnsServer) + "/update?domains=" + encodedHosts(request.hosts) +
                   "&token=" + urlEncoded(request.password) +
                   (request.ipv4.empty() ? std::string() : "&ip=" + encodedAddress(request.ipv4)) +
                   (request.ipv6.empty() ? std::string() : "&ipv6=" + encodedAddress(request.ipv6));
        const DnsHttpAnswer answer = dnsHttpExchange(http, call);
        if (answer.status < 0)
            return {DnsAnswer::Passing, answer.error};
        const std::string_view word = trimmedText(answer.body);
        if (answer.status / 100 == 2 && word == "OK")
            return {DnsAnswer::Success, "OK"};
        if (word == "KO" || answer.status == 401 || answer.status == 403)
            return {DnsAnswer::Fatal, word == "KO" ? "KO" : httpAnswerCode(answer)};
        return {DnsAnswer::Passing, answer.status / 100 == 2 ? "unknown answer" : httpAnswerCode(answer)};
    }
};

} // namespace

const DnsProvider& duckDnsProvider()
{
    static const DuckDnsProvider provider;
    return provider;
}

} // namespace kestrune::actions
