#include "Ipv6Lookup.h"

#include "Ipv6Address.h"
#include "Ipv6Choice.h"

#include "HttpClient.h"

#include <exception>
#include <optional>

namespace kestrune::lookup {

namespace {

std::string fetchAddress(net::HttpClient& http, const std::string& url)
{
    const std::string page = http.fetchPage(url.find("://") == std::string::npos ? "http://" + url : url);
    const std::string found = collectFirstIpv6(page);
    if (found.empty())
        throw std::runtime_error("the answer holds no IPv6 address.");
    return ipv6Text(*parseIpv6(found));
}

void askServices(net::HttpClient& http, const Ipv6LookupFields& fields, std::span<const ExternalService> services,
                 Ipv6LookupResult& result)
{
    http.family = net::IpFamily::V6;
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < services.size() && !chosen; ++i)
        if (services[i].url == fields.serviceUrl)
            chosen = i;
    std::vector<std::string> urls{fields.serviceUrl};
    if (fields.fallback)
        for (std::size_t i : fallbackOrder(services.size(), chosen))
            urls.emplace_back(services[i].url);
    for (const std::string& url : urls) {
        if (url.empty())
            continue;
        try {
            result.address = fetchAddress(http, url);
            result.answeredBy = url;
            result.lines.push_back("IPv6: " + url + " answered " + result.address + ".");
            return;
        } catch (const std::exception& error) {
            result.reason = url + " gave no IPv6 address: " + error.what();
            result.lines.push_back("IPv6: " + result.reason);
        }
    }
    if (result.reason.empty())
        result.reason = "no IPv6 service is set";
}

// With a suffix, the address published last is the found one with its identifier replaced.
std::string interfaceAddressOf(const std::vector<InterfaceAddress>& addresses, const std::string& published,
                               const std::string& suffix)
{
    if (suffix.empty())
        return published;
    for (const InterfaceAddress& entry : addresses) {
        const std::optional<Ipv6Bytes> bytes = parseIpv6(entry.address);
        if (!bytes)
            continue;
        const std::optional<Ipv6Bytes> withSuffix = withInterfaceIdentifier(*bytes, suffix);
        if (withSuffix && ipv6Text(*withSuffix) == published)
            return entry.address;
    }
    return {};
}

} // namespace

Ipv6LookupResult lookUpIpv6(net::HttpClient& http, const Ipv6LookupFields& fields,
                            std::span<const ExternalService> services, const AddressReader& readAddresses)
{
    Ipv6LookupResult result;
    try {
        if (fields.source == Ipv6Source::Service) {
            askServices(http, fields, services, result);
        } else {
            const std::vector<InterfaceAddress> addresses = readAddresses();
            Ipv6Choice choice = chooseIpv6Address(addresses, fields.interfaceName,
                                                  interfaceAddressOf(addresses, fields.lastPublished, fields.suffix));
            result.address = std::move(choice.address);
            result.reason = std::move(choice.reason);
            result.lines = std::move(choice.lines);
        }
    } catch (const std::exception& error) {
        result.address.clear();
        result.reason = error.what();
    }
    if (result.address.empty() || fields.suffix.empty())
        return result;
    const std::optional<Ipv6Bytes> published = withInterfaceIdentifier(*parseIpv6(result.address), fields.suffix);
    if (!published) {
        result.address.clear();
        result.reason = "the suffix " + fields.suffix + " is not an interface identifier such as ::1";
        return result;
    }
    result.address = ipv6Text(*published);
    result.lines.push_back("IPv6: published with the suffix " + fields.suffix + ": " + result.address + ".");
    return result;
}

} // namespace kestrune::lookup
