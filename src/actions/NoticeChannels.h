#pragma once

#include "NoticeChannel.h"

#include <span>
#include <string>
#include <string_view>

namespace kestrune::actions {

// Every kind of notice channel, in the order the kind box offers them.
std::span<const NoticeChannel* const> noticeChannels();
const NoticeChannel* noticeChannel(std::string_view key);

// An event an entry may choose, as Events<i> names it (comma-separated keys) and the dialog shows it. "lookup"
// chooses both the failing lookup and its recovery.
struct NoticeEventChoice {
    NoticeEvent event;
    std::string_view key;
    std::string_view caption;
};
std::span<const NoticeEventChoice> noticeEventChoices();
bool eventChosen(std::string_view events, NoticeEvent event);

// What keeps the entry's fields from making a request (checked with hostile values, so a JSON body that only
// holds while values are tame is refused too), or nothing.
std::optional<std::string> noticeProblem(std::string_view kind, const NoticeRequest& request);

// Sends one notice through http and reads the answer; never raises (a cancelled wait comes back as Passing).
// The server's certificate is always checked, whatever http.acceptAnyCertificate was.
NoticeResult sendNotice(net::HttpClient& http, const NoticeChannel& channel, const NoticeRequest& request,
                        const NoticeValues& values);

// The part of an address a message may show: its host, never a path, query or login that may hold a token.
std::string noticeHost(std::string_view url);

} // namespace kestrune::actions
