#include "DnsHttp.h"

#include "DnsProvider.h"
#include "NetworkErrors.h"

#include <algorithm>
#include <exception>

namespace kestrune::actions {

namespace {

// Takes the call's headers off the shared client whichever way the call ends.
class HeaderScope {
public:
    explicit HeaderScope(net::HttpClient& http) : m_http(http) {}
    ~HeaderScope()
    {
        m_http.request.customHeaders.remove("Authorization");
        m_http.request.contentType = "text/html";
        m_http.setCredentials({}, {});
    }
    HeaderScope(const HeaderScope&) = delete;
    HeaderScope& operator=(const HeaderScope&) = delete;

private:
    net::HttpClient& m_http;
};

} // namespace

DnsHttpAnswer dnsHttpExchange(net::HttpClient& http, const DnsHttpCall& call)
{
    DnsHttpAnswer answer;
    const HeaderScope scope(http);
    try {
        // The request carries credentials or a token: only a server the system trusts may see them.
        http.acceptAnyCertificate = false;
        http.request.userAgent = dnsUserAgent();
        http.request.accept = call.accept;
        http.request.contentType = call.contentType.empty() ? std::string("text/html") : call.contentType;
        http.request.basicAuthentication = !call.user.empty();
        http.setCredentials(call.user, call.user.empty() ? std::string() : call.password);
        http.request.customHeaders.remove("Authorization");
        if (!call.bearer.empty())
            http.request.customHeaders.add("Authorization", "Bearer " + call.bearer);
        answer.body = call.method == net::HttpMethod::Get ? http.fetchPage(call.url)
                                                          : http.sendRequest(call.method, call.url, call.payload);
        answer.status = http.response.responseCode;
    } catch (const net::HttpStatusError& error) {
        answer.status = error.replyErrorCode;
        answer.body = error.errorMessage;
        answer.retryAfter = http.response.rawHeaders.value("Retry-After");
    } catch (const std::exception& error) {
        // A refused certificate included: a renewed certificate mends it with no settings change.
        answer.error = error.what();
    }
    return answer;
}

std::string urlEncoded(std::string_view text)
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

std::string encodedAddress(std::string_view address)
{
    std::string out;
    std::size_t start = 0;
    for (std::size_t colon = address.find(':'); colon != std::string_view::npos; colon = address.find(':', start)) {
        out += urlEncoded(address.substr(start, colon - start)) + ':';
        start = colon + 1;
    }
    return out + urlEncoded(address.substr(start));
}

std::string_view trimmedText(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> dnsHostList(std::string_view hosts)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= hosts.size()) {
        const std::size_t end = std::min(hosts.find(',', start), hosts.size());
        const std::string_view host = trimmedText(hosts.substr(start, end - start));
        if (!host.empty())
            out.emplace_back(host);
        start = end + 1;
    }
    return out;
}

std::string encodedHosts(std::string_view hosts)
{
    std::string out;
    for (const std::string& host : dnsHostList(hosts))
        out += (out.empty() ? "" : ",") + urlEncoded(host);
    return out;
}

std::string dnsOrigin(std::string_view server, std::string_view fallback)
{
    const std::string_view host = trimmedText(server).empty() ? fallback : trimmedText(server);
    if (host.starts_with("http://") || host.starts_with("https://"))
        return std::string(host.ends_with('/') ? host.substr(0, host.size() - 1) : host);
    return "https://" + std::string(host);
}

std::string replacedAll(std::string text, std::string_view field, std::string_view value)
{
    for (std::size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
    return text;
}

std::string httpAnswerCode(const DnsHttpAnswer& answer)
{
    return answer.status < 0 ? answer.error : "HTTP " + std::to_string(answer.status);
}

} // namespace kestrune::actions
