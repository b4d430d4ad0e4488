// Notices against the tests' own server that answers as ntfy and Gotify document it and records webhook calls:
// the requests sent byte for byte, escaping of hostile values and how answers are taken.
#include "NoticeChannels.h"
#include "NoticeTemplate.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "NoticeServer.h"
#include "TestCertificates.h"

#include <gtest/gtest.h>

#include <optional>

using namespace kestrune::actions;
using testsupport::NginxServer;
using testsupport::NoticeServer;

namespace {

constexpr const char* kNtfyToken = "tk_secret0123";
constexpr const char* kGotifyToken = "AppTok.en";

class Notices : public ::testing::Test {
protected:
    NoticeValues values(NoticeEvent event = NoticeEvent::Address4) const
    {
        NoticeValues v = hostileSampleValues();
        v.event = event;
        return v;
    }

    NoticeResult send(std::string_view kind, const NoticeRequest& request, NoticeEvent event = NoticeEvent::Address4)
    {
        const NoticeChannel* channel = noticeChannel(kind);
        EXPECT_NE(channel, nullptr) << kind;
        return sendNotice(http, *channel, request, values(event));
    }

    NoticeServer server{kNtfyToken, kGotifyToken};
    kestrune::net::HttpClient http;
};

TEST_F(Notices, NtfyOverVerifiedTlsSendsTopicTitlePriorityTokenAndMessage)
{
    if (!NginxServer::Available())
        GTEST_SKIP() << "nginx missing";
    const testsupport::TrustTestAuthority trust;
    const testsupport::TestCertificates& certificates = testsupport::TestCertificates::get();
    NginxServer::Options options;
    options.ProxyPort = server.port();
    options.TlsCertFile = certificates.serverCert();
    options.TlsKeyFile = certificates.serverKey();
    const NginxServer tls(options);

    NoticeRequest request{tls.TlsBaseURL() + "/home-ip", kNtfyToken, "{EVENT} \xC3\xBC {HOST}", "{IP} was {OLD_IP}"};
    EXPECT_EQ(send("ntfy", request, NoticeEvent::LookupFailing).end, NoticeEnd::Delivered);
    request.token = "tk_wrong";
    const NoticeResult refused = send("ntfy", request);
    EXPECT_EQ(refused.end, NoticeEnd::Fatal);
    EXPECT_EQ(refused.reason, "HTTP 403 Forbidden");

    const auto sent = server.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["method"], "POST");
    EXPECT_EQ(sent[0]["headers"]["authorization"], std::string("Bearer ") + kNtfyToken);
    const nlohmann::json& taken = sent[0]["ntfy"];
    EXPECT_EQ(taken["topic"], "home-ip");
    EXPECT_EQ(taken["title"], "Lookup failing \xC3\xBC host \"q\" \\ }");
    EXPECT_EQ(taken["priority"], "high");
    EXPECT_EQ(taken["message"], "203.0.113.7\"} was 198.51.100.1\n{IP}");
}

TEST_F(Notices, GotifyPostsJsonMessageWithApplicationToken)
{
    const NoticeRequest request{server.origin() + "/", kGotifyToken, "", "{DETAILS}"};
    EXPECT_EQ(send("gotify", request).end, NoticeEnd::Delivered);
    const NoticeResult refused = send("gotify", NoticeRequest{server.origin(), "bad", "", ""});
    EXPECT_EQ(refused.end, NoticeEnd::Fatal);
    EXPECT_EQ(refused.reason, "HTTP 401 Unauthorized");

    const auto sent = server.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["path"], "/message");
    EXPECT_EQ(sent[0]["headers"]["content-type"], "application/json");
    EXPECT_EQ(sent[0]["gotify"]["title"], "Address changed on host \"q\" \\ }");
    EXPECT_EQ(sent[0]["gotify"]["message"], "line one\nline \"two\" \\ {}");
    EXPECT_EQ(sent[0]["gotify"]["priority"], 5);
}

// Each preset's exact request with values full of quotes, backslashes, line breaks and braces.
TEST_F(Notices, WebhookPresetsSendTheirExactRequests)
{
    struct Case {
        std::string_view kind;
        std::string url;    // after the server's origin
        std::string token, bodyIn;  // no body in: the kind's preset
        std::string method, path, body, contentType, header, headerValue;
    };
    const Case cases[] = {
        {"webhook", "/hook?ip={IP}&h={HOST}", "", "", "GET", "/hook?ip=203.0.113.7%22%7D&h=host%20%22q%22%20%5C%20%7D",
         "", "", "", ""},
        {"webhook", "/hook", "X-Api-Key: k1", "{IP} is new }", "POST", "/hook", "203.0.113.7\"} is new }",
         "text/plain; charset=utf-8", "x-api-key", "k1"},
        {"discord", "/hook/discord", "", "", "POST", "/hook/discord",
         R"({"content":"line one\nline \"two\" \\ {}"})", "application/json", "", ""},
        {"slack", "/hook/slack", "", "", "POST", "/hook/slack", R"({"text":"line one\nline \"two\" \\ {}"})",
         "application/json", "", ""},
        {"matrix", "/hook/_matrix/client/v3/rooms/%21r%3Ae/send/m.room.message/{TXN}", "syt_tok", "", "PUT",
         "/hook/_matrix/client/v3/rooms/%21r%3Ae/send/m.room.message/id%2F1%3F%26",
         R"({"msgtype":"m.text","body":"line one\nline \"two\" \\ {}"})", "application/json", "authorization",
         "Bearer syt_tok"},
        {"telegram", "/hook/bot{TOKEN}/sendMessage", "123:AB/c", "", "POST", "/hook/bot123%3AAB%2Fc/sendMessage",
         R"({"chat_id":"42","text":"line one\nline \"two\" \\ {}"})", "application/json", "", ""},
    };
    for (const Case& c : cases) {
        const NoticeChannel* channel = noticeChannel(c.kind);
        ASSERT_NE(channel, nullptr);
        std::string body = c.bodyIn.empty() ? std::string(channel->bodyPreset()) : c.bodyIn;
        if (c.kind == "telegram")
            body.replace(body.find("CHAT_ID"), 7, "42");
        const std::size_t before = server.requests().size();
        EXPECT_EQ(send(c.kind, NoticeRequest{server.origin() + c.url, c.token, "", body}).end, NoticeEnd::Delivered)
            << c.kind;
        const auto sent = server.requests();
        ASSERT_EQ(sent.size(), before + 1) << c.kind;
        const nlohmann::json& r = sent.back();
        EXPECT_EQ(r["method"], c.method) << c.kind;
        EXPECT_EQ(r["path"], c.path) << c.kind;
        EXPECT_EQ(NoticeServer::body(r), c.body) << c.kind;
        if (!c.contentType.empty()) {
            EXPECT_EQ(r["headers"]["content-type"], c.contentType) << c.kind;
        }
        if (!c.header.empty()) {
            EXPECT_EQ(r["headers"][c.header], c.headerValue) << c.kind;
        }
        if (c.token.empty() || c.kind == "telegram") {
            EXPECT_FALSE(r["headers"].contains("authorization")) << c.kind;
        }
    }
}

TEST_F(Notices, AnswersAreTakenAsDeliveredPassingOrRefusedForGood)
{
    struct Case {
        int status;  // 0: the server is gone
        NoticeEnd end;
        std::string reason;
    };
    const Case cases[] = {
        {204, NoticeEnd::Delivered, ""},
        {500, NoticeEnd::Passing, "HTTP 500 Internal Server Error"},
        {429, NoticeEnd::Passing, "HTTP 429 Too Many Requests"},
        {404, NoticeEnd::Fatal, "HTTP 404 Not Found"},
        {400, NoticeEnd::Fatal, "HTTP 400 Bad Request"},
    };
    const NoticeRequest request{server.origin() + "/hook", "", "", "{\"a\":1}"};
    for (const Case& c : cases) {
        server.forceStatus(c.status);
        const NoticeResult result = send("webhook", request);
        EXPECT_EQ(result.end, c.end) << c.status;
        EXPECT_EQ(result.reason, c.reason) << c.status;
    }
    // A port nobody listens on: tried again later.
    const NoticeResult refused = send("webhook", NoticeRequest{"http://127.0.0.1:1/hook", "", "", ""});
    EXPECT_EQ(refused.end, NoticeEnd::Passing);
    EXPECT_EQ(refused.reason, "Socket Error # 10061 Connection refused.");
}

TEST(NoticeProblem, EntriesThatCannotMakeARequestAreRefusedWithTheReason)
{
    struct Case {
        std::string_view kind;
        NoticeRequest request;
        std::string problemStart;  // empty: accepted
    };
    const Case cases[] = {
        {"discord", {"https://d.example/api/webhooks/1/x", "", "", R"({"content":"{DETAILS} {IP}"})"}, ""},
        {"webhook", {"https://h.example/x", "", "", "{IP} is new"}, ""},
        {"webhook", {"https://h.example/x", "", "", R"({"ip":{IP}})"},
         "The body is not valid JSON once filled in: [json.exception.parse_error"},
        {"slack", {"https://h.example/x", "", "", R"({"text":"{DETAILS}")"},
         "The body is not valid JSON once filled in: "},
        {"ntfy", {"ntfy.sh/topic", "", "", ""}, "The address must begin with http:// or https://."},
        {"ntfy", {"https://ntfy.sh/topic", "tk\r\nX-Evil: 1", "", ""}, "The token holds a line break."},
        {"matrix", {"https://m.example/x", "tok-secret", "", ""}, "Matrix needs a body."},
        {"gotify", {" ", "tok-secret", "", ""}, "The notice needs an address."},
        {"pager", {"https://p.example", "", "", ""}, "Unknown kind of notice: \"pager\"."},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem = noticeProblem(c.kind, c.request);
        if (c.problemStart.empty()) {
            EXPECT_FALSE(problem) << c.kind << ": " << problem.value_or("");
        } else {
            ASSERT_TRUE(problem) << c.kind << " " << c.request.body;
            EXPECT_TRUE(problem->starts_with(c.problemStart)) << *problem;
            EXPECT_EQ(problem->find(c.request.token.empty() ? "\x01" : c.request.token), std::string::npos);
        }
    }
}

} // namespace
