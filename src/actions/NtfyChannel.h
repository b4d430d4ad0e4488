#pragma once

#include "NoticeChannel.h"

namespace kestrune::actions {

// ntfy: the message is POSTed as plain text to "<server>/<topic>", the title and priority in headers, an access
// token as "Authorization: Bearer".
class NtfyChannel : public NoticeChannel {
public:
    std::string_view key() const override { return "ntfy"; }
    std::string_view caption() const override { return "ntfy"; }
    std::string_view urlHint() const override { return "https://ntfy.sh/your-topic"; }
    std::string_view bodyPreset() const override { return "{DETAILS}"; }
    NoticeCall call(const NoticeRequest& request, const NoticeValues& values) const override;
};

} // namespace kestrune::actions
