// Providers reached by one GET whose success is a 2xx: the user's own URL, and the key-URL presets.
#include "DnsHttp.h"
#include "DnsProviderSet.h"

namespace kestrune::actions {

namespace {

// A 2xx is done; refused credentials stop the entry; anything else is tried again.
DnsUpdateResult statusAnswer(const DnsHttpAnswer& answer)
{
    if (answer.status < 0)
        return {DnsAnswer::Passing, answer.error};
    if (answer.status / 100 == 2)
        return {DnsAnswer::Success, httpAnswerCode(answer)};
    const bool refused = answer.status == 401 || answer.status == 403;
    return {refused ? DnsAnswer::Fatal : DnsAnswer::Passing, httpAnswerCode(answer)};
}

class CustomUrlProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        DnsHttpCall call;
        call.url = replacedAll(replacedAll(replacedAll(request.urlTemplate, "{IP6}", encodedAddress(request.ipv6)),
                                           "{IP}", encodedAddress(request.ipv4)),
                               "{HOST}", encodedHosts(request.hosts));
        call.user = request.user;
        call.password = request.password;
        return statusAnswer(dnsHttpExchange(http, call));
    }
};

// ClouDNS: one dynamic URL per record and family; the address is the one the request comes from, so each
// family goes to its own host.
class ClouDnsProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        DnsUpdateResult result{DnsAnswer::Success, {}};
        for (const auto& [address, host] : {std::pair{&request.ipv4, "ipv4.cloudns.net"},
                                            std::pair{&request.ipv6, "ipv6.cloudns.net"}}) {
            if (address->empty())
                continue;
            DnsHttpCall call;
            call.url = dnsOrigin(request.server, host) + "/api/dynamicURL/?q=" + urlEncoded(request.password);
            const DnsHttpAnswer answer = dnsHttpExchange(http, call);
            result = statusAnswer(answer);
            // ClouDNS answers a key it does not know with a 200 and a sentence.
            if (result.answer == DnsAnswer::Success && answer.body.find("Invalid") != std::string::npos)
                result = {DnsAnswer::Fatal, std::string(trimmedText(answer.body))};
            if (result.answer != DnsAnswer::Success)
                return result;
        }
        return result;
    }
};

// IONOS: the dyndns URL its API hands out, with the addresses as ipv4= and ipv6=.
class IonosProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        DnsHttpCall call;
        call.url = dnsOrigin(request.server, "ipv4.api.hosting.ionos.com") + "/dns/v1/dyndns?q=" +
                   urlEncoded(request.password) +
                   (request.ipv4.empty() ? std::string() : "&ipv4=" + encodedAddress(request.ipv4)) +
                   (request.ipv6.empty() ? std::string() : "&ipv6=" + encodedAddress(request.ipv6));
        return statusAnswer(dnsHttpExchange(http, call));
    }
};

} // namespace

const DnsProvider& customUrlProvider()
{
    static const CustomUrlProvider provider;
    return provider;
}

const DnsProvider& clouDnsProvider()
{
    static const ClouDnsProvider provider;
    return provider;
}

const DnsProvider& ionosProvider()
{
    static const IonosProvider provider;
    return provider;
}

} // namespace kestrune::actions
