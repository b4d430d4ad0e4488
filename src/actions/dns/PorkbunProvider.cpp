// Porkbun's JSON API (v3): the key and secret in each body, the records of a name and type retrieved, then
// edited or created. Answers carry "status": "SUCCESS" or "ERROR" with a message.
#include "DnsHttp.h"
#include "DnsProviderSet.h"

#include <nlohmann/json.hpp>

namespace kestrune::actions {

namespace {

using nlohmann::json;

constexpr std::string_view kApiHost = "api.porkbun.com";
constexpr const char* kTtl = "600";

struct PorkbunAnswer {
    DnsHttpAnswer http;
    json body;
    bool success = false;
    std::string message;
};

DnsUpdateResult failure(const PorkbunAnswer& answer)
{
    if (answer.http.status < 0)
        return {DnsAnswer::Passing, answer.http.error};
    const std::string said = answer.message.empty() ? httpAnswerCode(answer.http) : answer.message;
    if (answer.http.status == 429 || answer.http.status / 100 == 5 || answer.body.is_null())
        return {DnsAnswer::Passing, said};
    // A wrong key, a domain not opened to the API, a name outside it: the same again at every try.
    return {DnsAnswer::Fatal, said};
}

class PorkbunProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        const std::string base = dnsOrigin(request.server, kApiHost) + "/api/json/v3/dns/";
        const auto call = [&](const std::string& path, json payload) {
            payload["apikey"] = request.user;
            payload["secretapikey"] = request.password;
            DnsHttpCall post;
            post.method = net::HttpMethod::Post;
            post.url = base + path;
            post.accept = "application/json";
            post.contentType = "application/json";
            post.payload = payload.dump();
            PorkbunAnswer answer;
            answer.http = dnsHttpExchange(http, post);
            answer.body = json::parse(answer.http.body, nullptr, false);
            if (answer.body.is_discarded() || !answer.body.is_object()) {
                answer.body = nullptr;
                return answer;
            }
            answer.success = answer.http.status / 100 == 2 && answer.body.value("status", std::string()) == "SUCCESS";
            answer.message = answer.body.value("message", std::string());
            return answer;
        };
        DnsUpdateResult done{DnsAnswer::Success, "unchanged"};
        for (const std::string& name : dnsHostList(request.hosts)) {
            const std::string domain = domainOf(request.zone, name);
            const std::string sub = name.size() > domain.size() ? name.substr(0, name.size() - domain.size() - 1) : "";
            for (const auto& [address, type] : {std::pair{&request.ipv4, "A"}, std::pair{&request.ipv6, "AAAA"}}) {
                if (address->empty())
                    continue;
                const PorkbunAnswer listed =
                    call("retrieveByNameType/" + urlEncoded(domain) + "/" + type + "/" + urlEncoded(sub), json::object());
                if (!listed.success)
                    return failure(listed);
                const json records = listed.body.value("records", json::array());
                const json change = {{"name", sub}, {"type", type}, {"content", *address}, {"ttl", kTtl}};
                if (records.empty() || !records[0].is_object()) {
                    const PorkbunAnswer created = call("create/" + urlEncoded(domain), change);
                    if (!created.success)
                        return failure(created);
                    done.code = "created";
                    continue;
                }
                if (records[0].value("content", std::string()) == *address)
                    continue;
                const json id = records[0].value("id", json());
                const std::string idText = id.is_string() ? id.get<std::string>() : id.dump();
                const PorkbunAnswer edited = call("edit/" + urlEncoded(domain) + "/" + urlEncoded(idText), change);
                if (!edited.success)
                    return failure(edited);
                done.code = "updated";
            }
        }
        return done;
    }

private:
    // The domain the API knows: the zone given, else the name's last two labels.
    static std::string domainOf(const std::string& zone, const std::string& name)
    {
        if (!trimmedText(zone).empty())
            return std::string(trimmedText(zone));
        const std::size_t last = name.rfind('.');
        const std::size_t before = last == std::string::npos || last == 0 ? std::string::npos : name.rfind('.', last - 1);
        return before == std::string::npos ? name : name.substr(before + 1);
    }
};

} // namespace

const DnsProvider& porkbunProvider()
{
    static const PorkbunProvider provider;
    return provider;
}

} // namespace kestrune::actions
