#include "NoticeChannels.h"

#include "Ascii.h"
#include "GotifyChannel.h"
#include "NetworkErrors.h"
#include "NoticeTemplate.h"
#include "NtfyChannel.h"
#include "Uri.h"
#include "WebhookChannel.h"

#include <algorithm>
#include <array>
#include <exception>

#ifndef KESTRUNE_VERSION
#define KESTRUNE_VERSION "0"
#endif

namespace kestrune::actions {

namespace {

const NtfyChannel kNtfy;
const GotifyChannel kGotify;

const std::array<const NoticeChannel*, 7> kChannels = {
    &kNtfy, &kGotify, &WebhookChannel::kGeneric, &WebhookChannel::kDiscord, &WebhookChannel::kSlack,
    &WebhookChannel::kMatrix, &WebhookChannel::kTelegram,
};

constexpr std::array<NoticeEventChoice, 5> kEventChoices = {{
    {NoticeEvent::Address4, "ip4", "Address changed (IPv4)"},
    {NoticeEvent::Address6, "ip6", "Address changed (IPv6)"},
    {NoticeEvent::LookupFailing, "lookup", "Lookup failed in a row, and once more when it recovers"},
    {NoticeEvent::StepFailed, "failed", "A publish step failed for good or a DNS entry is held"},
    {NoticeEvent::RetrySucceeded, "retry", "A retry succeeded"},
}};

bool isHttpUrl(std::string_view url)
{
    const auto startsWith = [url](std::string_view scheme) {
        return url.size() >= scheme.size() && net::ascii::equalsNoCase(url.substr(0, scheme.size()), scheme);
    };
    return startsWith("http://") || startsWith("https://");
}

// "HTTP/1.1 401 Unauthorized" gives "HTTP 401 Unauthorized".
std::string statusReason(int status, const std::string& statusLine)
{
    std::string text = "HTTP " + std::to_string(status);
    const auto blank = statusLine.find(' ');
    const auto reason = blank == std::string::npos ? blank : statusLine.find(' ', blank + 1);
    if (reason != std::string::npos)
        text += statusLine.substr(reason);
    return text;
}

// Error texts may hold "\r\n"; a notice's outcome is one line wherever it is shown.
std::string oneLine(std::string text)
{
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.replace(at, 2, " ");
    std::ranges::replace(text, '\n', ' ');
    return text;
}

void checkCall(const NoticeCall& call)
{
    if (!isHttpUrl(call.url))
        throw NoticeRequestError("The address must begin with http:// or https://.");
    for (const auto& [name, value] : call.headers)
        if (net::ascii::hasLineBreakOrNul(name) || net::ascii::hasLineBreakOrNul(value))
            throw NoticeRequestError("The token holds a line break.");
}

} // namespace

NoticeResult NoticeChannel::answer(int status, const std::string& statusLine) const
{
    if (status / 100 == 2)
        return {NoticeEnd::Delivered, {}};
    const bool refused = status / 100 == 4 && status != 408 && status != 425 && status != 429;
    return {refused ? NoticeEnd::Fatal : NoticeEnd::Passing, statusReason(status, statusLine)};
}

std::span<const NoticeChannel* const> noticeChannels() { return kChannels; }

const NoticeChannel* noticeChannel(std::string_view key)
{
    const auto found = std::ranges::find(kChannels, key, &NoticeChannel::key);
    return found == kChannels.end() ? nullptr : *found;
}

std::span<const NoticeEventChoice> noticeEventChoices() { return kEventChoices; }

bool eventChosen(std::string_view events, NoticeEvent event)
{
    if (event == NoticeEvent::Test)
        return true;
    const NoticeEvent chosen = event == NoticeEvent::LookupRecovered ? NoticeEvent::LookupFailing : event;
    const auto choice = std::ranges::find(kEventChoices, chosen, &NoticeEventChoice::event);
    std::size_t start = 0;
    while (start <= events.size()) {
        const std::size_t end = std::min(events.find(',', start), events.size());
        if (net::ascii::trim(events.substr(start, end - start)) == choice->key)
            return true;
        start = end + 1;
    }
    return false;
}

std::optional<std::string> noticeProblem(std::string_view kind, const NoticeRequest& request)
{
    const NoticeChannel* channel = noticeChannel(kind);
    if (!channel)
        return "Unknown kind of notice: \"" + std::string(kind) + "\".";
    if (net::ascii::trim(request.url).empty())
        return std::string("The notice needs an address.");
    try {
        checkCall(channel->call(request, hostileSampleValues()));
        return std::nullopt;
    } catch (const NoticeRequestError& error) {
        return std::string(error.what());
    }
}

NoticeResult sendNotice(net::HttpClient& http, const NoticeChannel& channel, const NoticeRequest& request,
                        const NoticeValues& values)
{
    // The client's next request goes out as before this one.
    struct Restored {
        net::HttpClient& http;
        std::string contentType;
        ~Restored()
        {
            http.request.customHeaders.clear();
            http.request.contentType = contentType;
        }
    } restored{http, http.request.contentType};
    try {
        const NoticeCall call = channel.call(request, values);
        checkCall(call);
        // The request may carry a token: only a server the system trusts may see it.
        http.acceptAnyCertificate = false;
        http.request.userAgent = "Kestrune/" KESTRUNE_VERSION;
        http.request.accept = "application/json, */*";
        http.request.basicAuthentication = false;
        http.setCredentials({}, {});
        http.request.customHeaders.clear();
        for (const auto& [name, value] : call.headers)
            http.request.customHeaders.add(name, value);
        if (call.method == net::HttpMethod::Get) {
            std::string answer;
            http.get(call.url, answer);
        } else {
            http.request.contentType = call.contentType;
            (void)http.sendRequest(call.method, call.url, call.body);
        }
        return channel.answer(http.response.responseCode, http.response.responseText);
    } catch (const net::HttpStatusError& error) {
        return channel.answer(error.replyErrorCode, error.what());
    } catch (const NoticeRequestError& error) {
        return {NoticeEnd::Fatal, error.what()};
    } catch (const std::exception& error) {
        return {NoticeEnd::Passing, oneLine(error.what())};
    }
}

std::string noticeHost(std::string_view url)
{
    const std::string text(url);
    const std::string host = net::Uri(text.find("://") == std::string::npos ? "http://" + text : text).host;
    return host.find('{') == std::string::npos ? host : std::string();
}

} // namespace kestrune::actions
