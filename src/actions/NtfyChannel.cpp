#include "NtfyChannel.h"

#include "Base64.h"
#include "NoticeTemplate.h"

#include <algorithm>

namespace kestrune::actions {

namespace {

// Headers carry ASCII; anything else goes as one RFC 2047 word, which ntfy decodes.
std::string headerText(const std::string& text)
{
    const bool ascii = std::ranges::all_of(text, [](char c) { return c >= ' ' && c <= '~'; });
    return ascii ? text : "=?UTF-8?B?" + net::encodeBase64(text) + "?=";
}

} // namespace

NoticeCall NtfyChannel::call(const NoticeRequest& request, const NoticeValues& values) const
{
    NoticeCall call;
    call.url = fillTemplate(request.url, values, Landing::Url);
    const std::string title = fillTemplate(request.title.empty() ? kDefaultNoticeTitle : request.title, values, Landing::Header);
    call.headers.emplace_back("Title", headerText(title));
    call.headers.emplace_back("Priority", isUrgentNotice(values.event) ? "high" : "default");
    if (!request.token.empty())
        call.headers.emplace_back("Authorization", "Bearer " + request.token);
    call.contentType = "text/plain; charset=utf-8";
    call.body = fillTemplate(request.body.empty() ? bodyPreset() : request.body, values, Landing::Text);
    return call;
}

} // namespace kestrune::actions
