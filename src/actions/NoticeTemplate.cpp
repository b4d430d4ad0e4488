#include "NoticeTemplate.h"

#include "dns/DnsHttp.h"

#include <nlohmann/json.hpp>

#include <array>

namespace kestrune::actions {

namespace {

std::string escaped(std::string_view value, Landing landing)
{
    switch (landing) {
    case Landing::Url:
        return urlEncoded(value);
    case Landing::Json: {
        // Bytes that are no UTF-8 become U+FFFD rather than breaking the document.
        const std::string quoted =
            nlohmann::json(std::string(value)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return quoted.substr(1, quoted.size() - 2);
    }
    case Landing::Header: {
        std::string out(value);
        for (char& c : out)
            if (c == '\r' || c == '\n' || c == '\0')
                c = ' ';
        return out;
    }
    case Landing::Text:
        break;
    }
    return std::string(value);
}

} // namespace

std::string_view noticeEventName(NoticeEvent event)
{
    switch (event) {
    case NoticeEvent::Address4:
        return "Address changed";
    case NoticeEvent::Address6:
        return "IPv6 address changed";
    case NoticeEvent::LookupFailing:
        return "Lookup failing";
    case NoticeEvent::LookupRecovered:
        return "Lookup recovered";
    case NoticeEvent::StepFailed:
        return "Publish step failed";
    case NoticeEvent::RetrySucceeded:
        return "Retry succeeded";
    case NoticeEvent::Test:
        break;
    }
    return "Test notice";
}

bool isUrgentNotice(NoticeEvent event)
{
    return event == NoticeEvent::LookupFailing || event == NoticeEvent::StepFailed;
}

std::string fillTemplate(std::string_view text, const NoticeValues& values, Landing landing, std::string_view token)
{
    const std::array<std::pair<std::string_view, std::string_view>, 9> fields = {{
        {"{IP}", values.ip},
        {"{IP6}", values.ip6},
        {"{OLD_IP}", values.oldIp},
        {"{EVENT}", noticeEventName(values.event)},
        {"{HOST}", values.host},
        {"{TIME}", values.time},
        {"{DETAILS}", values.details},
        {"{TXN}", values.id},
        {"{TOKEN}", token},
    }};
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t at = 0;
    while (at < text.size()) {
        bool matched = false;
        if (text[at] == '{') {
            for (const auto& [name, value] : fields) {
                if (text.substr(at).starts_with(name)) {
                    out += escaped(value, landing);
                    at += name.size();
                    matched = true;
                    break;
                }
            }
        }
        if (!matched)
            out += text[at++];
    }
    return out;
}

bool looksLikeJson(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return false;
    if (text[first] == '[')
        return true;
    if (text[first] != '{')
        return false;
    const auto next = text.find_first_not_of(" \t\r\n", first + 1);
    return next != std::string_view::npos && (text[next] == '"' || text[next] == '}');
}

std::optional<std::string> jsonProblem(const std::string& text)
{
    try {
        [[maybe_unused]] const nlohmann::json parsed = nlohmann::json::parse(text);
        return std::nullopt;
    } catch (const nlohmann::json::parse_error& error) {
        return std::string(error.what());
    }
}

NoticeValues hostileSampleValues()
{
    NoticeValues values;
    values.ip = "203.0.113.7\"}";
    values.ip6 = "2001:db8::7\\";
    values.oldIp = "198.51.100.1\n{IP}";
    values.host = "host \"q\" \\ }";
    values.time = "2026-01-01 00:00:00\r\n";
    values.details = "line one\nline \"two\" \\ {}";
    values.id = "id/1?&";
    return values;
}

} // namespace kestrune::actions
