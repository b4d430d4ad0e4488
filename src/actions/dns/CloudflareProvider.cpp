// Cloudflare's API (v4): the zone by name, the name's records of one type, PATCH the first or POST a new one.
// The token goes only to the API base the entry names.
#include "DnsHttp.h"
#include "DnsProviderSet.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>

namespace kestrune::actions {

namespace {

using nlohmann::json;

constexpr std::string_view kApiHost = "api.cloudflare.com";
// The token itself is refused: invalid, expired, or limited to other client addresses.
constexpr int kRefusedTokenCodes[] = {9109, 10000, 6003};
constexpr int kAlreadyExistsCodes[] = {81057, 81058};
constexpr long long kLeastRateWait = 300;

struct ApiAnswer {
    DnsHttpAnswer http;
    json body;  // null when the answer was no JSON
    bool success = false;
    std::vector<int> codes;
    std::string errorText;  // "9109 Invalid access token"
};

bool holdsAny(const std::vector<int>& codes, std::span<const int> wanted)
{
    return std::ranges::any_of(codes, [&](int code) { return std::ranges::find(wanted, code) != wanted.end(); });
}

// What a failed call means for the entry.
DnsUpdateResult failure(const ApiAnswer& answer)
{
    const int status = answer.http.status;
    if (status < 0)
        return {DnsAnswer::Passing, answer.http.error};
    const std::string said = answer.errorText.empty() ? httpAnswerCode(answer.http) : answer.errorText;
    if (status == 429) {
        long long seconds = 0;
        try {
            seconds = std::stoll(answer.http.retryAfter);
        } catch (const std::exception&) {
        }
        DnsUpdateResult wait{DnsAnswer::Wait, "rate limited (HTTP 429)"};
        wait.waitSeconds = std::max(seconds, kLeastRateWait);
        return wait;
    }
    if (status == 401 || status == 403 || holdsAny(answer.codes, kRefusedTokenCodes))
        return {DnsAnswer::Fatal, "the API token was refused (invalid, expired or limited to other addresses): " + said};
    if (status / 100 == 4)
        return {DnsAnswer::Fatal, said};
    return {DnsAnswer::Passing, said};
}

class CloudflareCalls {
public:
    CloudflareCalls(net::HttpClient& http, const DnsUpdateRequest& request)
        : m_http(http), m_token(request.password), m_base(dnsOrigin(request.server, kApiHost) + "/client/v4")
    {
    }

    ApiAnswer call(net::HttpMethod method, const std::string& path, const json& payload = nullptr)
    {
        DnsHttpCall call;
        call.method = method;
        call.url = m_base + path;
        call.bearer = m_token;
        call.accept = "application/json";
        if (!payload.is_null()) {
            call.contentType = "application/json";
            call.payload = payload.dump();
        }
        ApiAnswer answer;
        answer.http = dnsHttpExchange(m_http, call);
        answer.body = json::parse(answer.http.body, nullptr, false);
        if (answer.body.is_discarded() || !answer.body.is_object()) {
            answer.body = nullptr;
            return answer;
        }
        answer.success = answer.http.status / 100 == 2 && answer.body.value("success", false);
        if (const auto errors = answer.body.find("errors"); errors != answer.body.end() && errors->is_array())
            for (const json& error : *errors) {
                if (!error.is_object())
                    continue;
                const int code = error.value("code", 0);
                answer.codes.push_back(code);
                answer.errorText += (answer.errorText.empty() ? "" : "; ") + std::to_string(code) + " " +
                                    error.value("message", std::string());
            }
        return answer;
    }

private:
    net::HttpClient& m_http;
    std::string m_token;
    std::string m_base;
};

// The result list of a successful answer.
const json& results(const ApiAnswer& answer)
{
    static const json kNone = json::array();
    const auto found = answer.body.find("result");
    return found != answer.body.end() && found->is_array() ? *found : kNone;
}

bool isZoneId(std::string_view zone)
{
    return zone.size() == 32 && std::ranges::all_of(zone, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

class CloudflareProvider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        CloudflareCalls api(http, request);
        std::map<std::string, std::string> zoneIds;
        DnsUpdateResult done{DnsAnswer::Success, "unchanged"};
        std::vector<std::string> remarks;
        for (const std::string& name : dnsHostList(request.hosts)) {
            std::string zoneId;
            if (DnsUpdateResult found = findZone(api, request.zone, name, zoneIds, zoneId);
                found.answer != DnsAnswer::Success)
                return found;
            for (const auto& [address, type] : {std::pair{&request.ipv4, "A"}, std::pair{&request.ipv6, "AAAA"}}) {
                if (address->empty())
                    continue;
                DnsUpdateResult one = updateRecord(api, zoneId, name, type, *address);
                if (one.answer != DnsAnswer::Success)
                    return one;
                if (one.code != "unchanged")
                    done.code = one.code;
                if (!one.remark.empty())
                    remarks.push_back(one.remark);
                done.answersElsewhere = done.answersElsewhere || one.answersElsewhere;
            }
        }
        for (const std::string& remark : remarks)
            done.remark += (done.remark.empty() ? "" : "; ") + remark;
        return done;
    }

private:
    // The zone's id: given, remembered from another name, or the first of the name's parents Cloudflare holds.
    static DnsUpdateResult findZone(CloudflareCalls& api, const std::string& zone, const std::string& name,
                                    std::map<std::string, std::string>& known, std::string& zoneId)
    {
        const std::string given(trimmedText(zone));
        if (isZoneId(given)) {
            zoneId = given;
            return {DnsAnswer::Success, {}};
        }
        std::vector<std::string> candidates;
        if (!given.empty()) {
            candidates.push_back(given);
        } else {
            for (std::size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1))
                if (name.find('.', dot + 1) != std::string::npos)
                    candidates.push_back(name.substr(dot + 1));
            candidates.push_back(name);
        }
        for (const std::string& candidate : candidates) {
            if (const auto found = known.find(candidate); found != known.end()) {
                zoneId = found->second;
                return {DnsAnswer::Success, {}};
            }
            const ApiAnswer answer = api.call(net::HttpMethod::Get, "/zones?name=" + urlEncoded(candidate));
            if (!answer.success)
                return failure(answer);
            if (!results(answer).empty() && results(answer)[0].is_object()) {
                zoneId = results(answer)[0].value("id", std::string());
                known[candidate] = zoneId;
                return {DnsAnswer::Success, {}};
            }
        }
        return {DnsAnswer::Fatal, "no zone of this token holds " + name + " (the token needs Zone: Read)"};
    }

    static DnsUpdateResult updateRecord(CloudflareCalls& api, const std::string& zoneId, const std::string& name,
                                        const std::string& type, const std::string& address)
    {
        const std::string records = "/zones/" + urlEncoded(zoneId) + "/dns_records";
        const std::string query = records + "?type=" + type + "&name=" + urlEncoded(name);
        ApiAnswer listed = api.call(net::HttpMethod::Get, query);
        if (!listed.success)
            return failure(listed);
        if (results(listed).empty()) {
            const json created = {{"type", type}, {"name", name}, {"content", address}, {"ttl", 1}, {"proxied", false}};
            const ApiAnswer answer = api.call(net::HttpMethod::Post, records, created);
            if (answer.success)
                return {DnsAnswer::Success, "created"};
            if (!holdsAny(answer.codes, kAlreadyExistsCodes))
                return failure(answer);
            // Made meanwhile (by another client, or a retried call): done if it holds the address.
            listed = api.call(net::HttpMethod::Get, query);
            if (!listed.success)
                return failure(listed);
            if (results(listed).empty())
                return {DnsAnswer::Passing, answer.errorText};
        }
        const json& first = results(listed)[0];
        DnsUpdateResult result{DnsAnswer::Success, "unchanged"};
        result.answersElsewhere = first.value("proxied", false);
        if (results(listed).size() > 1)
            result.remark = std::to_string(results(listed).size()) + " " + type + " records for " + name +
                            ": the first was updated, the others left as they are";
        if (first.value("content", std::string()) == address)
            return result;
        // PATCH changes the content only: proxied, TTL and comment stay as the user set them.
        const ApiAnswer patched = api.call(net::HttpMethod::Patch, records + "/" + urlEncoded(first.value("id", std::string())),
                                           json{{"content", address}});
        if (!patched.success)
            return failure(patched);
        result.code = "updated";
        return result;
    }
};

} // namespace

const DnsProvider& cloudflareProvider()
{
    static const CloudflareProvider provider;
    return provider;
}

} // namespace kestrune::actions
