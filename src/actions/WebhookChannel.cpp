#include "WebhookChannel.h"

#include "NoticeTemplate.h"

#include <algorithm>

namespace kestrune::actions {

using net::HttpMethod;

const WebhookChannel WebhookChannel::kGeneric({"webhook", "Webhook", "https://example.org/hook?ip={IP}", "",
                                               HttpMethod::Get});
const WebhookChannel WebhookChannel::kDiscord({"discord", "Discord", "https://discord.com/api/webhooks/ID/TOKEN",
                                               R"({"content":"{DETAILS}"})", HttpMethod::Post});
const WebhookChannel WebhookChannel::kSlack({"slack", "Slack", "https://hooks.slack.com/services/T000/B000/XXXX",
                                             R"({"text":"{DETAILS}"})", HttpMethod::Post});
const WebhookChannel WebhookChannel::kMatrix(
    {"matrix", "Matrix", "https://matrix.example.org/_matrix/client/v3/rooms/ROOM_ID/send/m.room.message/{TXN}",
     R"({"msgtype":"m.text","body":"{DETAILS}"})", HttpMethod::Put});
const WebhookChannel WebhookChannel::kTelegram({"telegram", "Telegram", "https://api.telegram.org/bot{TOKEN}/sendMessage",
                                                R"({"chat_id":"CHAT_ID","text":"{DETAILS}"})", HttpMethod::Post});

namespace {

// "Name: value" with a name of header characters.
bool isHeaderLine(const std::string& token, std::string& name, std::string& value)
{
    const auto colon = token.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    const std::string_view head(token.data(), colon);
    if (!std::ranges::all_of(head, [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        }))
        return false;
    name = head;
    const auto start = token.find_first_not_of(' ', colon + 1);
    value = start == std::string::npos ? std::string() : token.substr(start);
    return true;
}

} // namespace

NoticeCall WebhookChannel::call(const NoticeRequest& request, const NoticeValues& values) const
{
    NoticeCall call;
    call.url = fillTemplate(request.url, values, Landing::Url, request.token);
    if (!request.token.empty() && request.url.find("{TOKEN}") == std::string::npos) {
        std::string name, value;
        if (isHeaderLine(request.token, name, value))
            call.headers.emplace_back(name, value);
        else
            call.headers.emplace_back("Authorization", "Bearer " + request.token);
    }
    if (request.body.empty()) {
        if (m_preset.method != HttpMethod::Get)
            throw NoticeRequestError(std::string(caption()) + " needs a body.");
        call.method = HttpMethod::Get;
        return call;
    }
    call.method = m_preset.method == HttpMethod::Get ? HttpMethod::Post : m_preset.method;
    if (looksLikeJson(request.body)) {
        call.body = fillTemplate(request.body, values, Landing::Json);
        if (const std::optional<std::string> problem = jsonProblem(call.body))
            throw NoticeRequestError("The body is not valid JSON once filled in: " + *problem);
        call.contentType = "application/json";
    } else {
        call.body = fillTemplate(request.body, values, Landing::Text);
        call.contentType = "text/plain; charset=utf-8";
    }
    return call;
}

} // namespace kestrune::actions
