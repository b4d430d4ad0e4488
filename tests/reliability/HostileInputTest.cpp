// What a hostile or broken server sends must end in a clear error with bounded memory: oversized pages,
// endless headers and replies, absurd framing values. Each case runs against a real loopback peer.
#include "FtpUpload.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "HttpClient.h"
#include "PeakMemory.h"
#include "ScriptedServer.h"
#include "StreamingPeer.h"
#include "Targets.h"
#include "TempDir.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <string>

using namespace kestrune::actions;
using namespace kestrune::lookup;
using namespace kestrune::net;

using testsupport::ExpectRaise;

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// Far below what any unbounded read of these streams would hold, far above the client's own limits
// (32 MiB of body, 1 MiB of header block, one 16 KiB line, 1 MiB of reply lines).
constexpr long kBoundKiB = 80 * 1024;

struct HttpCase {
    const char* Name;
    std::string Prefix;
    std::string Unit;
    uint64_t UnitBytes;
    const char* Message;
};

TEST(HostileHttp, EveryOversizedOrEndlessResponseFailsWithBoundedMemory) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const HttpCase cases[] = {
        {"100 MB page by length", ok + "Content-Length: 104857600\r\n\r\n", "IP: 1.2.3.4 ", 100 * kMiB,
         "Response body is too large."},
        {"100 MB page until close", "HTTP/1.0 200 OK\r\n\r\n", "IP: 1.2.3.4 ", 100 * kMiB,
         "Response body is too large."},
        {"100 MB page in chunks", ok + "Transfer-Encoding: chunked\r\n\r\n",
         "fff0\r\n" + std::string(0xfff0, 'p') + "\r\n", 100 * kMiB, "Response body is too large."},
        {"never-ending header", ok, "X-Filler: " + std::string(500, 'h') + "\r\n", 200 * kMiB,
         "Response header block is too large."},
        {"never-ending header line", ok + "X-Filler: ", std::string(4096, 'h'), 200 * kMiB,
         "Max line length exceeded."},
        {"never-ending interim responses", "", "HTTP/1.1 100 Continue\r\n\r\n", 200 * kMiB,
         "Response header block is too large."},
        {"chunk size ffffffffffffffffff", ok + "Transfer-Encoding: chunked\r\n\r\nffffffffffffffffff\r\n", "x",
         1 * kMiB, "Chunk size is too large."},
    };
    for (const HttpCase& c : cases) {
        StreamingPeer peer({"\r\n\r\n", c.Prefix, c.Unit, c.UnitBytes});
        HttpClient http;
        PeakMemory memory;
        memory.Start();
        const LookupResult result = runLookup(http, PageAt(peer.Port()));
        const long growth = memory.GrowthKiB();
        EXPECT_TRUE(result.failed()) << c.Name;
        EXPECT_EQ(result.errorMessage, c.Message) << c.Name;
        EXPECT_LT(growth, kBoundKiB) << c.Name;
        EXPECT_FALSE(http.connected()) << c.Name;
        std::printf("[ memory   ] %-32s peak growth %ld KiB\n", c.Name, growth);
    }
}

// A Content-Length that is present but not a length leaves the body's end unknown: whatever the server
// sent after the head must not be read as the next response.
TEST(HostileHttp, NegativeContentLengthNeverLeavesBytesForTheNextFetch) {
    for (const char* length : {"-5", "-1", "abc", "99999999999999999999"}) {
        testsupport::ScriptedServer server;
        server.Accept().ReadUntil("\r\n\r\n");
        server.Send(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + length + "\r\n\r\nIP: 10.9.9.9 ");
        // The client must give this connection up; a second request on it is never answered.
        server.ReadUntilClose();
        server.Accept().ReadUntil("\r\n\r\n").Send("HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\nIP: 1.2.3.4 \n");
        server.ReadUntilClose();
        server.Start();
        HttpClient http;
        http.readTimeout = 3000;  // a client that reuses the connection waits for an answer that never comes
        const LookupResult first = runLookup(http, PageAt(server.Port()));
        EXPECT_FALSE(first.failed()) << length << ": " << first.errorMessage;
        const LookupResult second = runLookup(http, PageAt(server.Port()));
        EXPECT_FALSE(second.failed()) << length << ": " << second.errorMessage;
        EXPECT_EQ(second.address, "1.2.3.4") << length;
        http.disconnect();
        EXPECT_TRUE(server.Finish()) << length << ": " << server.ErrorText();
        EXPECT_EQ(server.Accepted(), 2) << length;
    }
}

// A server that sets a cookie holding a line break or NUL must not get it written into our next request.
TEST(HostileHttp, CookiesWithLineBreaksOrNulAreNotSentBack) {
    for (const std::string& value : {std::string("a\rX-Injected: 1"), std::string("a\0b", 3), std::string("\r")}) {
        testsupport::ScriptedServer server;
        server.Accept().ReadUntil("\r\n\r\n");
        server.Send("HTTP/1.1 200 OK\r\nSet-Cookie: evil=" + value + "\r\nSet-Cookie: good=1\r\n"
                    "Content-Length: 0\r\n\r\n");
        server.ReadUntil("\r\n\r\n").Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n").ReadUntilClose();
        server.Start();
        HttpClient http;
        const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
        http.fetchPage(url);
        http.fetchPage(url);
        http.disconnect();
        ASSERT_TRUE(server.Finish()) << server.ErrorText();
        const auto requests = server.ReceivedPerConnection();
        ASSERT_EQ(requests.size(), 1u);
        const std::string second = requests[0].substr(requests[0].find("\r\n\r\n") + 4);
        EXPECT_NE(second.find("Cookie: good=1\r\n"), std::string::npos) << second;
        EXPECT_EQ(second.find("evil"), std::string::npos) << second;
        EXPECT_EQ(second.find('\0'), std::string::npos);
    }
}

struct ReplyCase {
    const char* Name;
    std::string Prefix;
    std::string Unit;
    uint64_t UnitBytes;
    const char* Message;
};

// Replies as SMTP and FTP servers could send them without end.
std::vector<ReplyCase> ReplyCases(const std::string& code) {
    return {
        {"1 MB reply line", code + " ", std::string(1024, 'r'), 1 * kMiB, "Max line length exceeded."},
        {"endless multi-line reply", "", code + "-" + std::string(1000, 'm') + "\r\n", 200 * kMiB,
         "Reply is too large."},
    };
}

TEST(HostileReplies, SmtpGreetingsFailTheMailWithBoundedMemory) {
    for (const ReplyCase& c : ReplyCases("220")) {
        StreamingPeer peer({"", c.Prefix, c.Unit, c.UnitBytes});
        MailSender webmail;
        const MailSenderSettings settings = MailThrough(peer.Port());
        PeakMemory memory;
        memory.Start();
        const MailSendResult result = webmail.send(settings, "1.2.3.4");
        const long growth = memory.GrowthKiB();
        EXPECT_FALSE(result.sent) << c.Name;
        EXPECT_EQ(result.error, c.Message) << c.Name;
        EXPECT_LT(growth, kBoundKiB) << c.Name;
        EXPECT_FALSE(webmail.smtp.isConnected()) << c.Name;
        std::printf("[ memory   ] SMTP %-27s peak growth %ld KiB\n", c.Name, growth);
    }
}

TEST(HostileReplies, FtpGreetingsFailTheUploadWithBoundedMemory) {
    testsupport::TempDir local;
    for (const ReplyCase& c : ReplyCases("220")) {
        StreamingPeer peer({"", c.Prefix, c.Unit, c.UnitBytes});
        FtpClient ftp;
        ftp.port = peer.Port();
        FtpUploadJob job{"127.0.0.1", "bob", "s3cret", local.Write("t.html", "{IP}"), "ip.html", "1.2.3.4",
                          local.File("upload.tmp")};
        PeakMemory memory;
        memory.Start();
        SCOPED_TRACE(c.Name);
        ExpectRaise<NetworkError>([&] { uploadTemplate(ftp, job, {}); }, c.Message);
        const long growth = memory.GrowthKiB();
        EXPECT_LT(growth, kBoundKiB) << c.Name;
        EXPECT_FALSE(ftp.connected()) << c.Name;
        std::printf("[ memory   ] FTP %-28s peak growth %ld KiB\n", c.Name, growth);
    }
}

} // namespace
