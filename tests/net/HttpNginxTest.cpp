// The HTTP client against a real nginx started by the test on 127.0.0.1.
#include "NetworkErrors.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "TempDir.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::NginxServer;
using testsupport::TempDir;

namespace {

class NginxHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!NginxServer::Available())
            GTEST_SKIP() << "nginx missing";
        root = std::make_unique<TempDir>("kestrune-www");
        root->Write("index.html", "<html>home</html>\n");
        root->Write("status.htm", "WAN IP Address: 203.0.113.7\r\n");
        root->Write("secure/router.htm", "<td>IP Address</td><td>198.51.100.23</td>");
        root->Write("close/page.htm", "closing");
        passwordDir = std::make_unique<TempDir>("kestrune-htpasswd");
        const std::string passwords = passwordDir->Write("htpasswd", NginxServer::PasswordLine("admin", "s3cret"));
        NginxServer::Options options;
        options.DocumentRoot = root->Path();
        options.ServerConfig =
            "    add_header X-Conn $connection always;\n"
            "    add_header X-Conn-Requests $connection_requests always;\n"
            "    location /secure/ { auth_basic \"Router\"; auth_basic_user_file " + passwords + "; }\n"
            "    location = /old.htm { return 302 /status.htm; }\n"
            "    location /close/ { keepalive_timeout 0; }\n"
            "    location = /cookie.htm { add_header Set-Cookie \"sid=77; Path=/\"; return 200 \"c\"; }\n"
            "    location = /echo-cookie.htm { return 200 \"$http_cookie\"; }\n";
        server = std::make_unique<NginxServer>(options);
    }
    static void TearDownTestSuite() {
        server.reset();
        passwordDir.reset();
        root.reset();
    }
    static std::string Url(const std::string& path) { return server->BaseURL() + path; }

    static std::unique_ptr<TempDir> root, passwordDir;
    static std::unique_ptr<NginxServer> server;
    HttpClient http;
};

std::unique_ptr<TempDir> NginxHttp::root;
std::unique_ptr<TempDir> NginxHttp::passwordDir;
std::unique_ptr<NginxServer> NginxHttp::server;

TEST_F(NginxHttp, FetchesPagesByteForByte) {
    EXPECT_EQ(http.fetchPage(Url("/status.htm")), "WAN IP Address: 203.0.113.7\r\n");
    EXPECT_EQ(http.fetchPage(Url("/")), "<html>home</html>\n");
    EXPECT_EQ(http.response.responseCode, 200);
    EXPECT_EQ(http.response.responseText, "HTTP/1.1 200 OK");
}

TEST_F(NginxHttp, BasicAuthFolder) {
    http.request.username = "admin";
    http.request.password = "s3cret";
    EXPECT_EQ(http.fetchPage(Url("/secure/router.htm")), "<td>IP Address</td><td>198.51.100.23</td>");
    http.request.password = "wrong";
    if (const auto e = ExpectRaise<HttpStatusError>([&] { http.fetchPage(Url("/secure/router.htm")); },
                                                              "HTTP/1.1 401 Unauthorized")) {
        EXPECT_EQ(e->replyErrorCode, 401);
        EXPECT_NE(e->errorMessage.find("401 Authorization Required"), std::string::npos);
    }
    http.request.password.clear();
    http.request.username.clear();
    const std::string withCredentials = server->BaseURL();
    const std::string url = "http://admin:s3cret@" + withCredentials.substr(7) + "/secure/router.htm";
    EXPECT_EQ(http.fetchPage(url), "<td>IP Address</td><td>198.51.100.23</td>");
}

TEST_F(NginxHttp, NotFoundCarriesTheErrorPage) {
    if (const auto e = ExpectRaise<HttpStatusError>([&] { http.fetchPage(Url("/missing.htm")); },
                                                              "HTTP/1.1 404 Not Found")) {
        EXPECT_EQ(e->replyErrorCode, 404);
        EXPECT_NE(e->errorMessage.find("<title>404 Not Found</title>"), std::string::npos);
    }
    EXPECT_EQ(http.fetchPage(Url("/status.htm")), "WAN IP Address: 203.0.113.7\r\n");
}

TEST_F(NginxHttp, RedirectIsNotFollowed) {
    if (const auto e = ExpectRaise<HttpStatusError>([&] { http.fetchPage(Url("/old.htm")); },
                                                              "HTTP/1.1 302 Moved Temporarily")) {
        EXPECT_EQ(e->replyErrorCode, 302);
    }
    EXPECT_NE(http.response.location.find("/status.htm"), std::string::npos);
}

TEST_F(NginxHttp, KeepAliveReusesOneConnection) {
    std::string connection;
    for (int i = 1; i <= 5; ++i) {
        http.fetchPage(Url("/status.htm"));
        if (i == 1)
            connection = http.response.rawHeaders.value("X-Conn");
        EXPECT_EQ(http.response.rawHeaders.value("X-Conn"), connection);
        EXPECT_EQ(http.response.rawHeaders.value("X-Conn-Requests"), std::to_string(i));
    }
    EXPECT_TRUE(http.connected());
}

TEST_F(NginxHttp, ConnectionCloseForcesANewConnection) {
    EXPECT_EQ(http.fetchPage(Url("/close/page.htm")), "closing");
    EXPECT_EQ(http.response.connection, "close");
    const std::string first = http.response.rawHeaders.value("X-Conn");
    EXPECT_FALSE(http.connected());
    http.fetchPage(Url("/close/page.htm"));
    EXPECT_NE(http.response.rawHeaders.value("X-Conn"), first);
    EXPECT_EQ(http.response.rawHeaders.value("X-Conn-Requests"), "1");
}

TEST_F(NginxHttp, CookieFromOneResponseIsSentWithTheNext) {
    EXPECT_EQ(http.fetchPage(Url("/cookie.htm")), "c");
    EXPECT_EQ(http.fetchPage(Url("/echo-cookie.htm")), "sid=77");
}

} // namespace
