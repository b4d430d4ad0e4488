#pragma once

#include "HttpClient.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::actions {

// What a notice tells of; each entry chooses the events it is sent for.
enum class NoticeEvent { Address4, Address6, LookupFailing, LookupRecovered, StepFailed, RetrySucceeded, Test };

// The named values a template may hold, as they are before escaping.
struct NoticeValues {
    NoticeEvent event = NoticeEvent::Test;
    std::string ip;       // {IP}
    std::string ip6;      // {IP6}
    std::string oldIp;    // {OLD_IP}
    std::string host;     // {HOST}: this machine's name
    std::string time;     // {TIME}
    std::string details;  // {DETAILS}: one sentence on what happened
    std::string id;       // {TXN}: the same for every try of one notice, so a server can drop a repeat
};

// One entry's fields as the settings hold them (the token in clear).
struct NoticeRequest {
    std::string url;
    std::string token;
    std::string title;
    std::string body;
};

// One HTTP request, ready to go.
struct NoticeCall {
    net::HttpMethod method = net::HttpMethod::Post;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string contentType;
    std::string body;
};

enum class NoticeEnd { Delivered, Passing, Fatal };

struct NoticeResult {
    NoticeEnd end = NoticeEnd::Passing;
    std::string reason;  // "HTTP 401 Unauthorized", an error text, or empty when delivered
};

// A request that cannot be made from an entry's fields; its text names why, never a secret.
class NoticeRequestError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One kind of notice channel (ntfy, Gotify, a webhook or one of its presets). The monitor and the window go
// through this and the table in NoticeChannels.h; they never name a kind.
class NoticeChannel {
public:
    virtual ~NoticeChannel() = default;
    // The key stored as Kind<i>, and the kind box's caption.
    virtual std::string_view key() const = 0;
    virtual std::string_view caption() const = 0;
    // What the dialog fills in when the kind is chosen: an example address and a body template.
    virtual std::string_view urlHint() const { return {}; }
    virtual std::string_view bodyPreset() const { return {}; }
    virtual bool usesTitle() const { return true; }
    // The request for one notice; raises NoticeRequestError.
    virtual NoticeCall call(const NoticeRequest& request, const NoticeValues& values) const = 0;
    // How the server's answer is taken: 2xx delivered; a request the server refuses as such (4xx but a
    // time-out or "too many requests") is refused again at every try.
    virtual NoticeResult answer(int status, const std::string& statusLine) const;
};

} // namespace kestrune::actions
