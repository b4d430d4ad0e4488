// The HTTP client against the in-memory transport and the scripted loopback peer: exact request
// bytes, response framing, errors and bounds.
#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "HttpClient.h"
#include "MemoryTransport.h"
#include "ScriptedServer.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace kestrune::net;

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
    void SetUp() override { http.setTransport(&io); }
    // The request heads written so far, one per request.
    std::vector<std::string> Requests() const {
        std::vector<std::string> heads;
        std::string all = io.written();
        for (std::size_t end; (end = all.find("\r\n\r\n")) != std::string::npos; all.erase(0, end + 4))
            heads.push_back(all.substr(0, end + 4));
        return heads;
    }
    MemoryTransport io;
    HttpClient http;
};

TEST_F(MemoryHttp, BareHostSendsRootAndHostWithoutPort) {
    io.feedInput(Ok("page"));
    EXPECT_EQ(http.fetchPage("http://router.lan"), "page");
    EXPECT_EQ(io.lastHost(), "router.lan");
    EXPECT_EQ(io.lastPort(), 80);
    EXPECT_EQ(io.written(), "GET / HTTP/1.1\r\n"
                            "Content-Type: text/html\r\n"
                            "Host: router.lan\r\n" +
                                kHeadTail + "Authorization: Basic Og==\r\n\r\n");
    ASSERT_EQ(io.writeCalls().size(), 1u);  // one write for the whole request
}

TEST_F(MemoryHttp, PortQueryAndBookmark) {
    io.feedInput(Ok("x"));
    http.fetchPage("http://h.test:8080/a/b.htm?x=1#top");
    EXPECT_EQ(io.lastPort(), 8080);
    const std::string head = Requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /a/b.htm?x=1 HTTP/1.1");
    EXPECT_NE(head.find("\r\nHost: h.test:8080\r\n"), std::string::npos);
}

TEST_F(MemoryHttp, CredentialsFromUrlOverrideRequestFields) {
    http.request.username = "user";
    http.request.password = "pw";
    io.feedInput(Ok("1"));
    io.feedInput(Ok("2"));
    io.feedInput(Ok("3"));
    http.fetchPage("http://h/");
    http.fetchPage("http://admin:secret@h/");
    http.request.username = "";
    http.request.password = "";
    http.fetchPage("http://h/");
    const auto heads = Requests();
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_NE(heads[0].find("Authorization: Basic dXNlcjpwdw==\r\n"), std::string::npos);   // user:pw
    EXPECT_NE(heads[1].find("Authorization: Basic YWRtaW46c2VjcmV0\r\n"), std::string::npos);  // admin:secret
    EXPECT_NE(heads[2].find("Authorization: Basic Og==\r\n"), std::string::npos);
    EXPECT_EQ(io.connectCount(), 1);  // kept alive throughout
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
        MemoryTransport quiet;
        HttpClient client;
        client.setTransport(&quiet);
        client.request.username = c.user;
        client.request.password = c.password;
        EXPECT_THROW(client.fetchPage(c.url), NetworkError) << c.url;
        EXPECT_EQ(quiet.connectCount(), 0);
        EXPECT_TRUE(quiet.written().empty());
    }
}

TEST_F(MemoryHttp, ChunkedBodyOf1aBytes) {
    const std::string data = "abcdefghijklmnopqrstuvwxyz";
    io.maxRecvChunk = 5;
    io.feedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + data + "\r\n0\r\n\r\n");
    io.feedInput(Ok("next"));
    EXPECT_EQ(http.fetchPage("http://h/"), data);
    EXPECT_EQ(http.fetchPage("http://h/"), "next");  // framing left the connection in step
}

TEST_F(MemoryHttp, ChunkedBodyOfSeveralChunksWithExtensionsAfterBlank) {
    io.feedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3 ext\r\nabc\r\nA\r\n0123456789\r\n0\r\n\r\n");
    EXPECT_EQ(http.fetchPage("http://h/"), "abc0123456789");
}

TEST_F(MemoryHttp, InterimContinueIsSkipped) {
    io.feedInput("HTTP/1.1 100 Continue\r\nX-Interim: yes\r\n\r\n" + Ok("final", "X-Final: yes\r\n"));
    EXPECT_EQ(http.fetchPage("http://h/"), "final");
    EXPECT_EQ(http.response.responseCode, 200);
    EXPECT_EQ(http.response.rawHeaders.value("X-Final"), "yes");
    EXPECT_FALSE(http.response.rawHeaders.hasName("X-Interim"));
}

TEST_F(MemoryHttp, BodyUntilCloseWithoutLength) {
    io.feedInput("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\neverything\r\nup to the close");
    io.feedClose();
    EXPECT_EQ(http.fetchPage("http://h/"), "everything\r\nup to the close");
    EXPECT_FALSE(io.connected());
}

TEST_F(MemoryHttp, ZeroLengthAnd204HaveEmptyBodies) {
    io.feedInput("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    io.feedInput("HTTP/1.1 204 No Content\r\n\r\n");
    io.feedInput(Ok("third"));
    EXPECT_EQ(http.fetchPage("http://h/"), "");
    EXPECT_EQ(http.fetchPage("http://h/"), "");
    EXPECT_EQ(http.fetchPage("http://h/"), "third");
    EXPECT_EQ(io.connectCount(), 1);
}

TEST_F(MemoryHttp, NotFoundRaisesStatusLineWithBodyAsErrorMessage) {
    io.feedInput(Response("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n", "no page\r\n"));
    std::string body = "untouched";
    if (const auto e = ExpectRaise<HttpStatusError>([&] { http.get("http://h/missing.htm", body); },
                                                              "HTTP/1.1 404 Not Found")) {
        EXPECT_EQ(e->replyErrorCode, 404);
        EXPECT_EQ(e->errorMessage, "no page\r\n");
    }
    EXPECT_EQ(body, "untouched");
    EXPECT_TRUE(io.connected());  // the error page was read whole; the connection stays
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
        MemoryTransport one;
        HttpClient client;
        client.setTransport(&one);
        one.feedInput(c.status + "\r\n" + c.headers + "\r\nok");
        SCOPED_TRACE(c.status);
        if (const auto e = ExpectRaise<HttpStatusError>([&] { client.fetchPage("http://h/page"); },
                                                                  c.status.c_str())) {
            EXPECT_EQ(e->replyErrorCode, c.code);
        }
        EXPECT_EQ(one.connectCount(), 1);
        EXPECT_EQ(one.written().find("GET /page HTTP/1.1"), 0u);  // nothing follows the redirect
    }
}

TEST_F(MemoryHttp, ConnectionCloseForcesANewConnection) {
    io.feedInput(Ok("one", "Connection: close\r\n"));
    io.feedClose();
    io.feedInput(Ok("two"));
    io.feedInput(Ok("three"));
    EXPECT_EQ(http.fetchPage("http://h/"), "one");
    EXPECT_FALSE(io.connected());
    EXPECT_EQ(http.fetchPage("http://h/"), "two");
    EXPECT_EQ(http.fetchPage("http://h/"), "three");
    EXPECT_EQ(io.connectCount(), 2);
}

TEST_F(MemoryHttp, ServerCloseBetweenFetchesIsNoticedBeforeTheNextRequest) {
    io.feedInput(Ok("one"));
    io.feedClose();  // the server drops the idle connection
    io.feedInput(Ok("two"));
    EXPECT_EQ(http.fetchPage("http://h/"), "one");
    EXPECT_EQ(http.fetchPage("http://h/"), "two");
    EXPECT_EQ(io.connectCount(), 2);
}

TEST_F(MemoryHttp, AnotherHostOrPortMeansAnotherConnectionAndItsDefaultPort) {
    io.feedInput(Ok("a"));
    io.feedClose();
    io.feedInput(Ok("b"));
    io.feedInput(Ok("c"));
    http.fetchPage("http://one.test:8080/");
    EXPECT_EQ(io.lastPort(), 8080);
    http.fetchPage("http://two.test/");
    EXPECT_EQ(io.lastHost(), "two.test");
    EXPECT_EQ(io.lastPort(), 80);
    http.fetchPage("/relative.htm");  // stays with the kept host
    EXPECT_EQ(io.connectCount(), 2);
    EXPECT_EQ(Requests().at(2).substr(0, 27), "GET /relative.htm HTTP/1.1\r");
}

TEST_F(MemoryHttp, SchemesOtherThanHttp) {
    ExpectRaise<UnknownProtocolError>([&] { http.fetchPage("gopher://h/"); }, "");
    EXPECT_EQ(io.connectCount(), 0);
}

TEST_F(MemoryHttp, CookiesAreStoredAndSentBack) {
    io.feedInput(Ok("1", "Set-Cookie: sid=42; Path=/\r\nSet-Cookie: lang=en; Path=/admin\r\n"));
    io.feedInput(Ok("2"));
    io.feedInput(Ok("3"));
    http.fetchPage("http://h/login.htm");
    http.fetchPage("http://h/admin/status.htm");
    http.fetchPage("http://h/index.htm");
    const auto heads = Requests();
    EXPECT_EQ(heads[0].find("Cookie:"), std::string::npos);
    EXPECT_NE(heads[1].find("Authorization: Basic Og==\r\nCookie: lang=en; sid=42\r\n\r\n"), std::string::npos);
    EXPECT_NE(heads[2].find("Cookie: sid=42\r\n\r\n"), std::string::npos);
}

TEST_F(MemoryHttp, CloseInsideHeadersOf2xxIsUndefinedSituation) {
    io.feedInput("HTTP/1.1 200 OK\r\nContent-Le");
    io.feedClose();
    ExpectRaise<NetworkError>([&] { http.fetchPage("http://h/"); }, "Undefined situation");
    EXPECT_FALSE(io.connected());
}

TEST_F(MemoryHttp, CloseBeforeAnyStatusRaisesClosed) {
    io.feedClose();
    EXPECT_THROW(http.fetchPage("http://h/"), ConnectionClosedError);
}

TEST_F(MemoryHttp, CloseInsideLengthBodyEndsTheBodyWithEverythingReceived) {
    io.maxRecvChunk = 4;
    io.feedInput("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this arrived");
    io.feedClose();
    io.feedInput(Ok("fresh"));
    EXPECT_EQ(http.fetchPage("http://h/"), "only this arrived");
    EXPECT_EQ(http.fetchPage("http://h/"), "fresh");
    EXPECT_EQ(io.connectCount(), 2);
}

TEST_F(MemoryHttp, CloseInsideChunkRaisesButKeepsWhatArrived) {
    io.feedInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nhalf");
    io.feedClose();
    std::string body;
    EXPECT_THROW(http.get("http://h/", body), ConnectionClosedError);
    EXPECT_EQ(body, "half");
    EXPECT_FALSE(io.connected());
}

TEST_F(MemoryHttp, OverLongHeaderLineRaises) {
    io.feedInput("HTTP/1.1 200 OK\r\nX-Big: " + std::string(16400, 'a') + "\r\n\r\n");
    ExpectRaise<LineTooLongError>([&] { http.fetchPage("http://h/"); }, "Max line length exceeded.");
    EXPECT_FALSE(io.connected());  // never reused after a broken response
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
        MemoryTransport one;
        HttpClient client;
        client.setTransport(&one);
        one.feedInput(c.wire);
        SCOPED_TRACE(c.name);
        ExpectRaise<NetworkError>([&] { client.fetchPage("http://h/"); }, c.message);
    }
}

TEST_F(MemoryHttp, ManyChunksTogetherPastTheBodyBoundFail) {
    http.maxBodySize = 1000;
    std::string wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i)
        wire += "64\r\n" + std::string(100, 'c') + "\r\n";
    io.feedInput(wire + "0\r\n\r\n");
    std::string body;
    EXPECT_THROW(http.get("http://h/", body), NetworkError);
    EXPECT_LE(body.size(), 1000u);
}

TEST_F(MemoryHttp, BodyUntilClosePastTheBoundFails) {
    http.maxBodySize = 4096;
    io.feedInput("HTTP/1.0 200 OK\r\n\r\n" + std::string(10000, 'u'));
    io.feedClose();
    std::string body;
    ExpectRaise<NetworkError>([&] { http.get("http://h/", body); }, "Response body is too large.");
    EXPECT_LE(body.size(), 4096u);
}

TEST_F(MemoryHttp, HeaderBlockPastOneMebibyteFails) {
    std::string wire = "HTTP/1.1 200 OK\r\n";
    const std::string line = "X-Filler: " + std::string(1000, 'h') + "\r\n";
    while (wire.size() < 1100 * 1024)
        wire += line;
    io.feedInput(wire + "\r\n");
    ExpectRaise<NetworkError>([&] { http.fetchPage("http://h/"); }, "Response header block is too large.");
}

TEST_F(MemoryHttp, StatusLineFields) {
    io.feedInput("HTTP/1.0 203 Non-Authoritative\r\nContent-Length: 1\r\nConnection: keep-alive\r\n\r\nz");
    http.fetchPage("http://h/");
    EXPECT_EQ(http.response.responseText, "HTTP/1.0 203 Non-Authoritative");
    EXPECT_EQ(http.response.responseCode, 203);
    EXPECT_EQ(http.response.responseVersion, HttpVersion::Http10);
    EXPECT_EQ(http.response.contentLength, 1);
    EXPECT_TRUE(http.response.keepAlive);
}

// Runs fetchPage again from inside the wait of a running fetch, as a timer handler could.
class RefetchingHook : public WaitHook {
public:
    explicit RefetchingHook(HttpClient& http) : fHttp(http) {}
    short wait(int fd, short events, int timeoutMs) override {
        try {
            fHttp.fetchPage("http://127.0.0.1:1/other");
            Outcomes.push_back("entered");
        } catch (const ClientBusyError& e) {
            Outcomes.push_back(e.what());
        }
        return NetworkWait::pollWait(fd, events, timeoutMs);
    }
    std::vector<std::string> Outcomes;

private:
    HttpClient& fHttp;
};

TEST(HttpOverSocket, ExactRequestBytesAndReentryRefusal) {
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").Send(Ok("scripted")).ReadUntilClose();
    server.Start();
    HttpClient http;
    RefetchingHook hook(http);
    NetworkWait::installHook(&hook);
    std::string page;
    EXPECT_NO_THROW(page = http.fetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/status.htm"));
    NetworkWait::installHook(nullptr);
    EXPECT_EQ(page, "scripted");
    ASSERT_FALSE(hook.Outcomes.empty());
    for (const auto& outcome : hook.Outcomes)
        EXPECT_EQ(outcome, "The network client is busy with another operation.");
    http.disconnect();
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
    HttpClient http;
    http.request.username = "admin";
    http.request.password = "rivet";
    EXPECT_EQ(http.fetchPage(routerURL), "router");
    EXPECT_EQ(http.fetchPage(serviceURL), "ip");  // a later request to another port
    EXPECT_THROW(http.fetchPage(routerURL + "moved"), HttpStatusError);
    EXPECT_EQ(http.fetchPage(http.response.location), "ip");  // where the redirect pointed
    // Named in a URL, they belong to that URL's host and port.
    EXPECT_EQ(http.fetchPage("http://user:pw@127.0.0.1:" + std::to_string(router.Port()) + "/"), "again");
    EXPECT_EQ(http.fetchPage(serviceURL), "ip");
    http.disconnect();
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
    HttpClient http;
    http.readTimeout = 500;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(http.fetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"), ReadTimeoutError);
    EXPECT_GE(MillisecondsSince(start), 450);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    EXPECT_FALSE(http.connected());
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
    HttpClient http;
    const std::string url = "http://localhost:" + std::to_string(server.Port()) + "/";
    EXPECT_EQ(http.fetchPage(url), "first");
    EXPECT_EQ(http.fetchPage(url), "second");
    EXPECT_EQ(http.fetchPage(url), "third");
    http.disconnect();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Accepted(), 2);
    EXPECT_NE(server.Received().find("Host: localhost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST(HttpOverSocket, RefusedAndUnknownHostMessages) {
    HttpClient http;
    ExpectRaise<NetworkError>([&] { http.fetchPage("http://127.0.0.1:1/"); },
                               "Socket Error # 10061\r\nConnection refused.");
    ExpectRaise<SocketError>([&] { http.fetchPage("http://no-such-host.invalid/"); },
                                 "Socket Error # 11001\r\nHost not found.");
}

} // namespace
