#pragma once

#include "NoticeChannel.h"

namespace kestrune::actions {

// A webhook: a URL template and a body template (JSON or plain text; GET when the body is empty). The token
// fills {TOKEN} in the URL; a token the URL does not hold goes as a header: "Name: value" as written, anything
// else as "Authorization: Bearer". The presets are webhooks with their address and body filled in.
class WebhookChannel : public NoticeChannel {
public:
    struct Preset {
        std::string_view key;
        std::string_view caption;
        std::string_view urlHint;
        std::string_view body;
        net::HttpMethod method;  // Get: GET when the body is empty, POST otherwise
    };

    explicit constexpr WebhookChannel(const Preset& preset) : m_preset(preset) {}

    std::string_view key() const override { return m_preset.key; }
    std::string_view caption() const override { return m_preset.caption; }
    std::string_view urlHint() const override { return m_preset.urlHint; }
    std::string_view bodyPreset() const override { return m_preset.body; }
    bool usesTitle() const override { return false; }
    NoticeCall call(const NoticeRequest& request, const NoticeValues& values) const override;

    static const WebhookChannel kGeneric;
    static const WebhookChannel kDiscord;
    static const WebhookChannel kSlack;
    // A room message through the client-server API; {TXN} keeps a retried notice from showing twice.
    static const WebhookChannel kMatrix;
    // The bot API's sendMessage; the bot token goes into the URL.
    static const WebhookChannel kTelegram;

private:
    Preset m_preset;
};

} // namespace kestrune::actions
