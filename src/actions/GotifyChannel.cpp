#include "GotifyChannel.h"

#include "NoticeTemplate.h"

#include <nlohmann/json.hpp>

namespace kestrune::actions {

NoticeCall GotifyChannel::call(const NoticeRequest& request, const NoticeValues& values) const
{
    NoticeCall call;
    std::string server = fillTemplate(request.url, values, Landing::Url);
    while (server.ends_with('/'))
        server.pop_back();
    call.url = server + "/message";
    if (!request.token.empty())
        call.headers.emplace_back("X-Gotify-Key", request.token);
    const nlohmann::json message = {
        {"title", fillTemplate(request.title.empty() ? kDefaultNoticeTitle : request.title, values, Landing::Text)},
        {"message", fillTemplate(request.body.empty() ? bodyPreset() : request.body, values, Landing::Text)},
        {"priority", isUrgentNotice(values.event) ? 8 : 5},
    };
    call.contentType = "application/json";
    call.body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return call;
}

} // namespace kestrune::actions
