#pragma once

#include "NoticeChannel.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrune::actions {

// Where a filled-in value lands, which decides its escaping.
enum class Landing {
    Text,    // a plain body: as it is
    Url,     // percent-encoded, every byte but the unreserved ones of RFC 3986
    Json,    // inside a JSON string: escaped as JSON escapes strings
    Header,  // a header value: line breaks and NUL become blanks
};

// The template with each {IP}, {IP6}, {OLD_IP}, {EVENT}, {HOST}, {TIME}, {DETAILS}, {TXN} and {TOKEN} replaced
// by its value escaped for landing; other braces stay. Values are never scanned again, so a value holding
// "{IP}" or "}" stays as it is.
std::string fillTemplate(std::string_view text, const NoticeValues& values, Landing landing,
                         std::string_view token = {});
// The event's name as {EVENT} gives it.
std::string_view noticeEventName(NoticeEvent event);
// The title a channel with titles sends when the entry leaves it empty.
inline constexpr std::string_view kDefaultNoticeTitle = "{EVENT} on {HOST}";
// Failures go out with the channel's raised priority; everything else at its default.
bool isUrgentNotice(NoticeEvent event);
// A body template is JSON when it starts (after blanks) with "[" or with "{" and then a quote or "}"; a
// template such as "{IP} is new" stays plain text.
bool looksLikeJson(std::string_view text);
// The JSON parser's complaint about text, or nothing when it is valid JSON.
std::optional<std::string> jsonProblem(const std::string& text);
// Values that hold everything that breaks careless escaping: quotes, backslashes, line breaks and braces.
NoticeValues hostileSampleValues();

} // namespace kestrune::actions
