#pragma once

#include "NoticeChannel.h"

namespace kestrune::actions {

// Gotify: a JSON message (title, message, priority) POSTed to "<server>/message" with the application token in
// "X-Gotify-Key".
class GotifyChannel : public NoticeChannel {
public:
    std::string_view key() const override { return "gotify"; }
    std::string_view caption() const override { return "Gotify"; }
    std::string_view urlHint() const override { return "https://gotify.example.org"; }
    std::string_view bodyPreset() const override { return "{DETAILS}"; }
    NoticeCall call(const NoticeRequest& request, const NoticeValues& values) const override;
};

} // namespace kestrune::actions
