// Peers that fail in the middle of a job, and a disk that is full: each ends in a clear error, and the
// client that met the fault does its next job against a sound peer as if nothing had happened.
#include "ActionErrors.h"
#include "DataFile.h"
#include "HttpClient.h"
#include "NginxServer.h"
#include "ScriptedServer.h"
#include "SmtpServer.h"
#include "StreamingPeer.h"
#include "Targets.h"
#include "TempDir.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

using namespace kestrune::actions;
using namespace kestrune::lookup;
using namespace kestrune::net;

using testsupport::ExpectRaiseNaming;

namespace {

const char* const kReset = "Socket Error # 10054\r\nConnection reset by peer.";
const char* const kClosed = "Connection Closed Gracefully.";
const char* const kSendAfterClose = "Socket Error # 10058\r\nCannot send or receive after socket is closed.";

struct HttpFault {
    const char* Name;
    StreamingPeer::Script Script;
    const char* Message;  // "" = the lookup succeeds with what arrived
    const char* Address;  // when it succeeds
};

TEST(HttpFaults, BrokenResponsesFailCleanlyAndTheClientGoesOn) {
    if (!testsupport::NginxServer::Available())
        GTEST_SKIP() << "nginx missing";
    testsupport::TempDir root("kestrune-fault-www");
    root.Write("ip.htm", "WAN IP: 203.0.113.9 ");
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root.Path();
    testsupport::NginxServer nginx(options);

    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const HttpFault faults[] = {
        {"close mid-header", {"\r\n\r\n", ok + "Content-Le", "", 0, false}, "Undefined situation", ""},
        {"reset mid-header", {"\r\n\r\n", ok + "Content-Le", "", 0, true}, kReset, ""},
        {"close mid-body", {"\r\n\r\n", ok + "Content-Length: 100\r\n\r\nIP: 10.0.0.1 ", "", 0, false}, "",
         "10.0.0.1"},
        {"reset mid-body", {"\r\n\r\n", ok + "Content-Length: 100\r\n\r\nIP: 10.0.0.1 ", "", 0, true}, kReset, ""},
        {"close mid-chunk", {"\r\n\r\n", chunked + "40\r\nIP: 10.0.0.1 ", "", 0, false}, kClosed, ""},
        {"reset mid-chunk", {"\r\n\r\n", chunked + "40\r\nIP: 10.0.0.1 ", "", 0, true}, kReset, ""},
        {"close before any status", {"\r\n\r\n", "", "", 0, false}, kClosed, ""},
        {"reset before any status", {"\r\n\r\n", "", "", 0, true}, kReset, ""},
    };
    HttpClient http;  // one client for every case, as the window keeps one
    for (const HttpFault& fault : faults) {
        {
            StreamingPeer peer(fault.Script);
            const LookupResult result = runLookup(http, PageAt(peer.Port()));
            EXPECT_EQ(result.errorMessage, fault.Message) << fault.Name;
            if (*fault.Message == '\0') {
                EXPECT_EQ(result.address, fault.Address) << fault.Name;
            }
            EXPECT_FALSE(http.connected()) << fault.Name;
        }
        const LookupResult next = runLookup(http, PageAt(nginx.Port()));
        EXPECT_FALSE(next.failed()) << fault.Name << ": " << next.errorMessage;
        EXPECT_EQ(next.address, "203.0.113.9") << fault.Name;
    }
}

// The server drops the connection at each step of the transaction; the mail is reported as not sent with
// the connection's own message, and the same client then delivers to a sound server.
TEST(SmtpFaults, ADroppedConnectionFailsTheMailAndTheNextOneIsDelivered) {
    SmtpServer sound({});
    struct Drop {
        const char* Name;
        std::function<void(testsupport::ScriptedServer&)> Script;
    };
    auto upToData = [](testsupport::ScriptedServer& s) {
        s.Accept().Send("220 hi\r\n").ReadLine().Send("250 hi\r\n").ExpectLine("RSET").Send("250 ok\r\n");
        s.ReadLine().Send("250 ok\r\n").ReadLine().Send("250 ok\r\n").ExpectLine("DATA").Send("354 go\r\n");
    };
    const Drop drops[] = {
        {"after the greeting", [](testsupport::ScriptedServer& s) { s.Accept().Send("220 hi\r\n").Close(); }},
        {"after DATA", [&](testsupport::ScriptedServer& s) { upToData(s); s.Close(); }},
        {"after the message", [&](testsupport::ScriptedServer& s) { upToData(s); s.ReadUntil("\r\n.\r\n").Close(); }},
        {"reset after the message",
         [&](testsupport::ScriptedServer& s) { upToData(s); s.ReadUntil("\r\n.\r\n").Reset(); }},
    };
    MailSender webmail;
    const MailSenderSettings settings = MailThrough(sound.Port());
    for (const Drop& drop : drops) {
        testsupport::ScriptedServer server;
        drop.Script(server);
        server.Start();
        MailSenderSettings broken = settings;
        broken.portText = std::to_string(server.Port());
        const MailSendResult failed = webmail.send(broken, "1.2.3.4");
        EXPECT_FALSE(failed.sent) << drop.Name;
        // Which of the three a drop gives depends on whether we were writing or reading when it came.
        EXPECT_TRUE(failed.error == kClosed || failed.error == kReset || failed.error == kSendAfterClose)
            << drop.Name << ": " << failed.error;
        EXPECT_FALSE(webmail.smtp.isConnected()) << drop.Name;
        EXPECT_TRUE(server.Finish()) << drop.Name << ": " << server.ErrorText();

        const MailSendResult next = webmail.send(settings, "1.2.3.4");
        EXPECT_TRUE(next.sent) << drop.Name << ": " << next.error;
    }
    EXPECT_EQ(sound.Stored().size(), std::size(drops));
}

// The log and the settings file on a full disk are covered where they are written; the IP file is
// written in place, so a full disk must at least be reported naming it.
TEST(DiskFull, IpFileOnAFullDeviceRaisesNamingTheFile) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "/dev/full missing";
    ExpectRaiseNaming<FileActionError>([&] { writeDataFile("/dev/full", "203.0.113.7"); }, {"/dev/full"});
}

} // namespace
