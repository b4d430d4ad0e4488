// The HTTP client against the in-memory transport and the scripted loopback peer: exact request
// bytes, response framing, errors and bounds.
#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetHTTP.h"
#include "NetIOHandlerMemory.h"
#include "ScriptedServer.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <chrono>

using testsupport::ExpectRaise;
using testsupport::MillisecondsSince;
using testsupport::ProcessCpuSeconds;
using testsupport::ScriptedServer;

namespace {

const std::string kHeadTail =
    "Accept: text/html, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Kestrune)\r\n";

std::string Response(const std::string& statusAndHeaders, const std::string& body) {
    return statusAndHeaders + "\r\n" + body;
}

std::string Ok(const std::string& body, const std::string& extra = "") {
    return Response("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra, body);
}

class MemoryHttp : public ::testing::Test {
protected:
    void SetUp() override { http.SetIOHandler(&io); }
    // The request heads written so far, one per request.
    std::vector<std::string> Requests() const {
        std::vector<std::string> heads;
        std::string all = io.Written();
        for (std::size_t end; (end = all.find("\r\n\r\n")) != std::string::npos; all.erase(0, end + 4))
            heads.push_back(all.substr(0, end + 4));
        return heads;
    }
    TNetIOHandlerMemory io;
    TNetHTTP http;
};

TEST_F(MemoryHttp, BareHostSendsRootAndHostWithoutPort) {
    io.FeedInput(Ok("page"));
    EXPECT_EQ(http.FetchPage("http://router.lan"), "page");
    EXPECT_EQ(io.LastHost(), "router.lan");
    EXPECT_EQ(io.LastPort(), 80);
    EXPECT_EQ(io.Written(), "GET / HTTP/1.1\r\n"
                            "Content-Type: text/html\r\n"
                            "Host: router.lan\r\n" +
                                kHeadTail + "Authorization: Basic Og==\r\n\r\n");
    ASSERT_EQ(io.WriteCalls().size(), 1u);  // one write for the whole request
}

TEST_F(MemoryHttp, PortQueryAndBookmark) {
    io.FeedInput(Ok("x"));
    http.FetchPage("http://h.test:8080/a/b.htm?x=1#top");
    EXPECT_EQ(io.LastPort(), 8080);
    const std::string head = Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /a/b.htm?x=1 HTTP/1.1");
    EXPECT_NE(head.find("\r\nHost: h.test:8080\r\n"), std::string::npos);
}

TEST_F(MemoryHttp, CredentialsFromUrlOverrideRequestFields) {
    http.Request.Username = "user";
    http.Request.Password = "pw";
    io.FeedInput(Ok("1"));
    io.FeedInput(Ok("2"));
    io.FeedInput(Ok("3"));
    http.FetchPage("http://h/");
    http.FetchPage("http://admin:secret@h/");
    http.Request.Username = "";
    http.Request.Password = "";
    http.FetchPage("http://h/");
    const auto heads = Requests();
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_NE(heads[0].find("Authorization: Basic dXNlcjpwdw==\r\n"), std::string::npos);   // user:pw
    EXPECT_NE(heads[1].find("Authorization: Basic YWRtaW46c2VjcmV0\r\n"), std::string::npos);  // admin:secret
    EXPECT_NE(heads[2].find("Authorization: Basic Og==\r\n"), std::string::npos);
    EXPECT_EQ(io.ConnectCount(), 1);  // kept alive throughout
}

TEST_F(MemoryHttp, LineBreaksOrNulInRequestPartsAreRefusedBeforeAnythingIsSent) {
    struct Case {
        std::string url, user, password;
    } cases[] = {
        {"http://h/a\r\nX-Injected: 1", "", ""},
        {"http://h/a\nb", "", ""},
        {"http://h/", "admin\r\nX-Injected: 1", ""},
        {"http://h/", "admin", std::string("pw\0x", 4)},
        {"http://ad\rmin:pw@h/", "", ""},
    };
    for (const auto& c : cases) {
        TNetIOHandlerMemory quiet;
        TNetHTTP client;
        client.SetIOHandler(&quiet);
        client.Request.Username = c.user;
        client.Request.Password = c.password;
        EXPECT_THROW(client.FetchPage(c.url), ENetException) << c.url;
        EXPECT_EQ(quiet.ConnectCount(), 0);
        EXPECT_TRUE(quiet.Written().empty());
    }
}

TEST_F(MemoryHttp, ChunkedBodyOf1aBytes) {
    const std::string data = "abcdefghijklmnopqrstuvwxyz";
    io.MaxRecvChunk = 5;
    io.FeedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + data + "\r\n0\r\n\r\n");
    io.FeedInput(Ok("next"));
    EXPECT_EQ(http.FetchPage("http://h/"), data);
    EXPECT_EQ(http.FetchPage("http://h/"), "next");  // framing left the connection in step
}

TEST_F(MemoryHttp, ChunkedBodyOfSeveralChunksWithExtensionsAfterBlank) {
    io.FeedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3 ext\r\nabc\r\nA\r\n0123456789\r\n0\r\n\r\n");
    EXPECT_EQ(http.FetchPage("http://h/"), "abc0123456789");
}

TEST_F(MemoryHttp, InterimContinueIsSkipped) {
    io.FeedInput("HTTP/1.1 100 Continue\r\nX-Interim: yes\r\n\r\n" + Ok("final", "X-Final: yes\r\n"));
    EXPECT_EQ(http.FetchPage("http://h/"), "final");
    EXPECT_EQ(http.Response.ResponseCode, 200);
    EXPECT_EQ(http.Response.RawHeaders.Value("X-Final"), "yes");
    EXPECT_FALSE(http.Response.RawHeaders.HasName("X-Interim"));
}

TEST_F(MemoryHttp, BodyUntilCloseWithoutLength) {
    io.FeedInput("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\neverything\r\nup to the close");
    io.FeedClose();
    EXPECT_EQ(http.FetchPage("http://h/"), "everything\r\nup to the close");
    EXPECT_FALSE(io.Connected());
}

TEST_F(MemoryHttp, ZeroLengthAnd204HaveEmptyBodies) {
    io.FeedInput("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    io.FeedInput("HTTP/1.1 204 No Content\r\n\r\n");
    io.FeedInput(Ok("third"));
    EXPECT_EQ(http.FetchPage("http://h/"), "");
    EXPECT_EQ(http.FetchPage("http://h/"), "");
    EXPECT_EQ(http.FetchPage("http://h/"), "third");
    EXPECT_EQ(io.ConnectCount(), 1);
}

TEST_F(MemoryHttp, NotFoundRaisesStatusLineWithBodyAsErrorMessage) {
    io.FeedInput(Response("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n", "no page\r\n"));
    std::string body = "untouched";
    if (const auto e = ExpectRaise<ENetHTTPProtocolException>([&] { http.Get("http://h/missing.htm", body); },
                                                              "HTTP/1.1 404 Not Found")) {
        EXPECT_EQ(e->ReplyErrorCode, 404);
        EXPECT_EQ(e->ErrorMessage, "no page\r\n");
    }
    EXPECT_EQ(body, "untouched");
    EXPECT_TRUE(io.Connected());  // the error page was read whole; the connection stays
}

TEST_F(MemoryHttp, RedirectsAndLocationRaiseWithTheirStatusLine) {
    struct Case {
        std::string status;
        std::string headers;
        int code;
    } cases[] = {
        {"HTTP/1.1 302 Found", "Location: /new.htm\r\nContent-Length: 0\r\n", 302},
        {"HTTP/1.1 301 Moved Permanently", "Location: http://elsewhere/\r\nContent-Length: 0\r\n", 301},
        {"HTTP/1.1 200 OK", "Location: /other\r\nContent-Length: 2\r\n", 200},
        {"HTTP/1.1 304 Not Modified", "\r\n", 304},
        {"HTTP/1.1 401 Unauthorized", "WWW-Authenticate: Basic realm=\"r\"\r\nContent-Length: 0\r\n", 401},
        {"HTTP/1.1 500 Internal Server Error", "Content-Length: 0\r\n", 500},
    };
    for (const auto& c : cases) {
        TNetIOHandlerMemory one;
        TNetHTTP client;
        client.SetIOHandler(&one);
        one.FeedInput(c.status + "\r\n" + c.headers + "\r\nok");
        SCOPED_TRACE(c.status);
        if (const auto e = ExpectRaise<ENetHTTPProtocolException>([&] { client.FetchPage("http://h/page"); },
                                                                  c.status.c_str())) {
            EXPECT_EQ(e->ReplyErrorCode, c.code);
        }
        EXPECT_EQ(one.ConnectCount(), 1);
        EXPECT_EQ(one.Written().find("GET /page HTTP/1.1"), 0u);  // nothing follows the redirect
    }
}

TEST_F(MemoryHttp, ConnectionCloseForcesANewConnection) {
    io.FeedInput(Ok("one", "Connection: close\r\n"));
    io.FeedClose();
    io.FeedInput(Ok("two"));
    io.FeedInput(Ok("three"));
    EXPECT_EQ(http.FetchPage("http://h/"), "one");
    EXPECT_FALSE(io.Connected());
    EXPECT_EQ(http.FetchPage("http://h/"), "two");
    EXPECT_EQ(http.FetchPage("http://h/"), "three");
    EXPECT_EQ(io.ConnectCount(), 2);
}

TEST_F(MemoryHttp, ServerCloseBetweenFetchesIsNoticedBeforeTheNextRequest) {
    io.FeedInput(Ok("one"));
    io.FeedClose();  // the server drops the idle connection
    io.FeedInput(Ok("two"));
    EXPECT_EQ(http.FetchPage("http://h/"), "one");
    EXPECT_EQ(http.FetchPage("http://h/"), "two");
    EXPECT_EQ(io.ConnectCount(), 2);
}

TEST_F(MemoryHttp, AnotherHostOrPortMeansAnotherConnectionAndItsDefaultPort) {
    io.FeedInput(Ok("a"));
    io.FeedClose();
    io.FeedInput(Ok("b"));
    io.FeedInput(Ok("c"));
    http.FetchPage("http://one.test:8080/");
    EXPECT_EQ(io.LastPort(), 8080);
    http.FetchPage("http://two.test/");
    EXPECT_EQ(io.LastHost(), "two.test");
    EXPECT_EQ(io.LastPort(), 80);
    http.FetchPage("/relative.htm");  // stays with the kept host
    EXPECT_EQ(io.ConnectCount(), 2);
    EXPECT_EQ(Requests().at(2).substr(0, 27), "GET /relative.htm HTTP/1.1\r");
}

TEST_F(MemoryHttp, SchemesOtherThanHttp) {
    ExpectRaise<ENetUnknownProtocol>([&] { http.FetchPage("gopher://h/"); }, "");
    EXPECT_EQ(io.ConnectCount(), 0);
}

TEST_F(MemoryHttp, CookiesAreStoredAndSentBack) {
    io.FeedInput(Ok("1", "Set-Cookie: sid=42; Path=/\r\nSet-Cookie: lang=en; Path=/admin\r\n"));
    io.FeedInput(Ok("2"));
    io.FeedInput(Ok("3"));
    http.FetchPage("http://h/login.htm");
    http.FetchPage("http://h/admin/status.htm");
    http.FetchPage("http://h/index.htm");
    const auto heads = Requests();
    EXPECT_EQ(heads[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(heads[1].find("Authorization: Basic Og==\r\nCookie: lang=en; sid=42\r\n\r\n"), std::string::npos);
    EXPECT_NE(heads[2].find("Cookie: sid=42\r\n\r\n"), std::string::npos);
}

TEST_F(MemoryHttp, CloseInsideHeadersOf2xxIsUndefinedSituation) {
    io.FeedInput("HTTP/1.1 200 OK\r\nContent-Le");
    io.FeedClose();
    ExpectRaise<ENetException>([&] { http.FetchPage("http://h/"); }, "Undefined situation");
    EXPECT_FALSE(io.Connected());
}

TEST_F(MemoryHttp, CloseBeforeAnyStatusRaisesClosed) {
    io.FeedClose();
    EXPECT_THROW(http.FetchPage("http://h/"), ENetConnClosedGracefully);
}

TEST_F(MemoryHttp, CloseInsideLengthBodyEndsTheBodyWithEverythingReceived) {
    io.MaxRecvChunk = 4;
    io.FeedInput("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this arrived");
    io.FeedClose();
    io.FeedInput(Ok("fresh"));
    EXPECT_EQ(http.FetchPage("http://h/"), "only this arrived");
    EXPECT_EQ(http.FetchPage("http://h/"), "fresh");
    EXPECT_EQ(io.ConnectCount(), 2);
}

TEST_F(MemoryHttp, CloseInsideChunkRaisesButKeepsWhatArrived) {
    io.FeedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nhalf");
    io.FeedClose();
    std::string body;
    EXPECT_THROW(http.Get("http://h/", body), ENetConnClosedGracefully);
    EXPECT_EQ(body, "half");
    EXPECT_FALSE(io.Connected());
}

TEST_F(MemoryHttp, OverLongHeaderLineRaises) {
    io.FeedInput("HTTP/1.1 200 OK\r\nX-Big: " + std::string(16400, 'a') + "\r\n\r\n");
    ExpectRaise<ENetReadLnMaxLineLengthExceeded>([&] { http.FetchPage("http://h/"); }, "Max line length exceeded.");
    EXPECT_FALSE(io.Connected());  // never reused after a broken response
}

TEST_F(MemoryHttp, SizeBoundsFailClearly) {
    struct Case {
        const char* name;
        std::string wire;
        const char* message;
    } cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 40000000\r\n\r\nxx", "Response body is too large."},
        {"chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2100000\r\nxx", "Chunk size is too large."},
        {"overflow", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFF\r\n",
         "Chunk size is too large."},
    };
    for (const auto& c : cases) {
        TNetIOHandlerMemory one;
        TNetHTTP client;
        client.SetIOHandler(&one);
        one.FeedInput(c.wire);
        SCOPED_TRACE(c.name);
        ExpectRaise<ENetException>([&] { client.FetchPage("http://h/"); }, c.message);
    }
}

TEST_F(MemoryHttp, ManyChunksTogetherPastTheBodyBoundFail) {
    http.MaxBodySize = 1000;
    std::string wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i)
        wire += "64\r\n" + std::string(100, 'c') + "\r\n";
    io.FeedInput(wire + "0\r\n\r\n");
    std::string body;
    EXPECT_THROW(http.Get("http://h/", body), ENetException);
    EXPECT_LE(body.size(), 1000u);
}

TEST_F(MemoryHttp, BodyUntilClosePastTheBoundFails) {
    http.MaxBodySize = 4096;
    io.FeedInput("HTTP/1.0 200 OK\r\n\r\n" + std::string(10000, 'u'));
    io.FeedClose();
    std::string body;
    ExpectRaise<ENetException>([&] { http.Get("http://h/", body); }, "Response body is too large.");
    EXPECT_LE(body.size(), 4096u);
}

TEST_F(MemoryHttp, HeaderBlockPastOneMebibyteFails) {
    std::string wire = "HTTP/1.1 200 OK\r\n";
    const std::string line = "X-Filler: " + std::string(1000, 'h') + "\r\n";
    while (wire.size() < 1100 * 1024)
        wire += line;
    io.FeedInput(wire + "\r\n");
    ExpectRaise<ENetException>([&] { http.FetchPage("http://h/"); }, "Response header block is too large.");
}

TEST_F(MemoryHttp, StatusLineFields) {
    io.FeedInput("HTTP/1.0 203 Non-Authoritative\r\nContent-Length: 1\r\nConnection: keep-alive\r\n\r\nz");
    http.FetchPage("http://h/");
    EXPECT_EQ(http.Response.ResponseText, "HTTP/1.0 203 Non-Authoritative");
    EXPECT_EQ(http.Response.ResponseCode, 203);
    EXPECT_EQ(http.Response.ResponseVersion, pv1_0);
    EXPECT_EQ(http.Response.ContentLength, 1);
    EXPECT_TRUE(http.Response.KeepAlive);
}

// Runs FetchPage again from inside the wait of a running fetch, as a timer handler could.
class RefetchingHook : public TNetWaitHook {
public:
    explicit RefetchingHook(TNetHTTP& http) : fHttp(http) {}
    short Wait(int fd, short events, int timeoutMs) override {
        try {
            fHttp.FetchPage("http://127.0.0.1:1/other");
            Outcomes.push_back("entered");
        } catch (const ENetClientBusy& e) {
            Outcomes.push_back(e.what());
        }
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
    std::vector<std::string> Outcomes;

private:
    TNetHTTP& fHttp;
};

TEST(HttpOverSocket, ExactRequestBytesAndReentryRefusal) {
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").Send(Ok("scripted")).ReadUntilClose();
    server.Start();
    TNetHTTP http;
    RefetchingHook hook(http);
    TNetAntiFreeze::InstallHook(&hook);
    std::string page;
    EXPECT_NO_THROW(page = http.FetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/status.htm"));
    TNetAntiFreeze::InstallHook(nullptr);
    EXPECT_EQ(page, "scripted");
    ASSERT_FALSE(hook.Outcomes.empty());
    for (const auto& outcome : hook.Outcomes)
        EXPECT_EQ(outcome, "The network client is busy with another operation.");
    http.Disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Accepted(), 1);
    EXPECT_EQ(server.Received(), "GET /status.htm HTTP/1.1\r\n"
                                 "Content-Type: text/html\r\n"
                                 "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n" +
                                     kHeadTail + "Authorization: Basic Og==\r\n\r\n");
}

TEST(HttpOverSocket, CredentialsGoOnlyToTheHostAndPortTheyWereFirstSentTo) {
    ScriptedServer router, service;
    const std::string serviceURL = "http://127.0.0.1:" + std::to_string(service.Port()) + "/ip";
    router.Accept().ReadUntil("\r\n\r\n").Send(Ok("router")).ReadUntilClose();
    router.Accept().ReadUntil("\r\n\r\n");
    router.Send(Response("HTTP/1.1 302 Found\r\nLocation: " + serviceURL + "\r\nContent-Length: 0\r\n", ""));
    router.ReadUntilClose();
    router.Accept().ReadUntil("\r\n\r\n").Send(Ok("again")).ReadUntilClose();
    for (int i = 0; i < 3; ++i)
        service.Accept().ReadUntil("\r\n\r\n").Send(Ok("ip", "Connection: close\r\n")).Close();
    router.Start();
    service.Start();
    const std::string routerURL = "http://127.0.0.1:" + std::to_string(router.Port()) + "/";
    TNetHTTP http;
    http.Request.Username = "admin";
    http.Request.Password = "rivet";
    EXPECT_EQ(http.FetchPage(routerURL), "router");
    EXPECT_EQ(http.FetchPage(serviceURL), "ip");  // a later request to another port
    EXPECT_THROW(http.FetchPage(routerURL + "moved"), ENetHTTPProtocolException);
    EXPECT_EQ(http.FetchPage(http.Response.Location), "ip");  // where the redirect pointed
    // Named in a URL, they belong to that URL's host and port.
    EXPECT_EQ(http.FetchPage("http://user:pw@127.0.0.1:" + std::to_string(router.Port()) + "/"), "again");
    EXPECT_EQ(http.FetchPage(serviceURL), "ip");
    http.Disconnect();
    ASSERT_TRUE(router.Finish()) << router.ErrorText();
    ASSERT_TRUE(service.Finish()) << service.ErrorText();
    const auto routerHeads = router.ReceivedPerConnection();
    ASSERT_EQ(routerHeads.size(), 3u);
    for (int i : {0, 1})
        EXPECT_NE(routerHeads[i].find("Authorization: Basic YWRtaW46cml2ZXQ=\r\n"), std::string::npos);  // admin:rivet
    EXPECT_NE(routerHeads[2].find("Authorization: Basic dXNlcjpwdw==\r\n"), std::string::npos);          // user:pw
    EXPECT_EQ(service.Accepted(), 3);
    EXPECT_EQ(service.Received().find("Authorization"), std::string::npos) << service.Received();
}

TEST(HttpOverSocket, SilentServerEndsAtReadTimeoutWithoutSpinning) {
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").StaySilent();
    server.Start();
    TNetHTTP http;
    http.ReadTimeout = 500;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(http.FetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"), ENetReadTimeout);
    EXPECT_GE(MillisecondsSince(start), 450);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    EXPECT_FALSE(http.Connected());
    EXPECT_TRUE(server.Finish());
}

TEST(HttpOverSocket, KeepAliveThenConnectionCloseThenNewConnection) {
    ScriptedServer server;
    server.Accept()
        .ReadUntil("\r\n\r\n").Send(Ok("first"))
        .ReadUntil("\r\n\r\n").Send(Ok("second", "Connection: close\r\n")).Close()
        .Accept()
        .ReadUntil("\r\n\r\n").Send(Ok("third"))
        .ReadUntilClose();
    server.Start();
    TNetHTTP http;
    const std::string url = "http://localhost:" + std::to_string(server.Port()) + "/";
    EXPECT_EQ(http.FetchPage(url), "first");
    EXPECT_EQ(http.FetchPage(url), "second");
    EXPECT_EQ(http.FetchPage(url), "third");
    http.Disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Accepted(), 2);
    EXPECT_NE(server.Received().find("Host: localhost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST(HttpOverSocket, RefusedAndUnknownHostMessages) {
    TNetHTTP http;
    ExpectRaise<ENetException>([&] { http.FetchPage("http://127.0.0.1:1/"); },
                               "Socket Error # 10061\r\nConnection refused.");
    ExpectRaise<ENetSocketError>([&] { http.FetchPage("http://no-such-host.invalid/"); },
                                 "Socket Error # 11001\r\nHost not found.");
}

} // namespace
