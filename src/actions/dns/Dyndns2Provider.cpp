// The dyndns2 protocol: GET /nic/update with Basic authentication, one answer word per host.
#include "DnsHttp.h"
#include "DnsProviderSet.h"

#include <algorithm>
#include <array>

namespace kestrune::actions {

namespace {

// The dyndns2 words; an answer for several hosts has one line per host, and its worst line counts.
DnsUpdateResult dyndns2Answer(std::string_view body)
{
    static constexpr std::array<std::string_view, 8> kFatal = {"badauth", "!donator", "notfqdn", "nohost",
                                                               "numhost", "abuse",   "badagent", "KO"};
    const auto rank = [](DnsAnswer a) {
        return a == DnsAnswer::Fatal ? 3 : a == DnsAnswer::Wait ? 2 : a == DnsAnswer::Passing ? 1 : 0;
    };
    DnsUpdateResult worst{DnsAnswer::Success, {}};
    std::size_t start = 0;
    while (start < body.size()) {
        const std::size_t end = std::min(body.find('\n', start), body.size());
        const std::string_view line = trimmedText(body.substr(start, end - start));
        start = end + 1;
        if (line.empty())
            continue;
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
        if (worst.code.empty() || rank(result.answer) > rank(worst.answer))
            worst = result;
    }
    return worst.code.empty() ? DnsUpdateResult{DnsAnswer::Passing, "empty answer"} : worst;
}

class Dyndns2Provider : public DnsProvider {
public:
    explicit Dyndns2Provider(Dyndns2Form form) : m_form(form) {}

    DnsUpdateResult update(net::HttpClient& http, const DnsUpdateRequest& request) const override
    {
        DnsHttpCall call;
        call.url = dnsOrigin(request.server, "") + "/nic/update?hostname=" + encodedHosts(request.hosts) +
                   addressQuery(request.ipv4, request.ipv6);
        call.user = request.user;
        call.password = request.password;
        const DnsHttpAnswer answer = dnsHttpExchange(http, call);
        if (answer.status < 0)
            return {DnsAnswer::Passing, answer.error};
        DnsUpdateResult result = dyndns2Answer(answer.body);
        // Credentials a server refused are refused again at every try, and providers block clients that insist.
        const bool refused = answer.status == 401 || answer.status == 403;
        if (answer.status / 100 != 2 && result.answer == DnsAnswer::Success)
            result = {DnsAnswer::Passing, httpAnswerCode(answer)};
        if (result.answer == DnsAnswer::Passing && refused)
            result = {DnsAnswer::Fatal, "badauth"};
        else if (result.answer == DnsAnswer::Passing && answer.status / 100 != 2)
            result.code = httpAnswerCode(answer);
        return result;
    }

private:
    // The forms each provider documents; an IPv6-only update keeps the A record as it is.
    std::string addressQuery(const std::string& v4, const std::string& v6) const
    {
        switch (m_form) {
        case Dyndns2Form::Dynu:
            if (v6.empty())
                return "&myip=" + encodedAddress(v4);
            return "&myip=" + (v4.empty() ? std::string("no") : encodedAddress(v4)) + "&myipv6=" + encodedAddress(v6);
        case Dyndns2Form::Desec:
            if (v6.empty())
                return "&myip=" + encodedAddress(v4);
            return (v4.empty() ? std::string("&myipv4=preserve") : "&myipv4=" + encodedAddress(v4)) + "&myipv6=" +
                   encodedAddress(v6);
        case Dyndns2Form::Generic:
            break;
        }
        return "&myip=" + encodedAddress(v4) + (v4.empty() || v6.empty() ? "" : ",") + encodedAddress(v6);
    }

    Dyndns2Form m_form;
};

} // namespace

const DnsProvider& dyndns2Provider(Dyndns2Form form)
{
    static const Dyndns2Provider generic(Dyndns2Form::Generic);
    static const Dyndns2Provider dynu(Dyndns2Form::Dynu);
    static const Dyndns2Provider desec(Dyndns2Form::Desec);
    return form == Dyndns2Form::Dynu ? dynu : form == Dyndns2Form::Desec ? desec : generic;
}

} // namespace kestrune::actions
