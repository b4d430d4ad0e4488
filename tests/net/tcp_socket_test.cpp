// The connection over real loopback sockets, against the scripted peer.
#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetIOHandlerSocket.h"
#include "NetSocket.h"
#include "NetTCPConnection.h"
#include "NginxServer.h"
#include "ScriptedServer.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using testsupport::ExpectRaise;
using testsupport::NginxServer;
using testsupport::ProcessCpuSeconds;
using testsupport::ScriptedServer;

namespace {

void ConnectTo(TNetTCPClient& conn, const ScriptedServer& server, int timeoutMs = NetTimeoutDefault) {
    conn.Host = "127.0.0.1";
    conn.Port = server.Port();
    conn.OpenConnection(timeoutMs);
}

TEST(SocketErrors, TextsFollowTheWinsockTable) {
    struct Case {
        int code;
        const char* message;
    } cases[] = {
        {10061, "Socket Error # 10061\r\nConnection refused."},
        {11001, "Socket Error # 11001\r\nHost not found."},
        {10035, "Socket Error # 10035\r\nOperation would block. "},
        {10066, "Socket Error # 10066\r\nDirectory not empty"},
        {10060, "Socket Error # 10060\r\nConnection timed out."},
        {12345, "Socket Error # 12345\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetSock::SocketErrorMessage(c.code), c.message) << c.code;
}

TEST(SocketErrors, ErrnoMapsToWinsockNumbers) {
    struct Case {
        int err, code;
    } cases[] = {{ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054}, {ECONNABORTED, 10053},
                 {ENETUNREACH, 10051},  {EHOSTUNREACH, 10065}, {EPIPE, 10058},   {EADDRINUSE, 10048},
                 {EWOULDBLOCK, 10035},  {EINPROGRESS, 10036},  {ENOTSOCK, 10038}, {EBADF, 10009}};
    for (const auto& c : cases)
        EXPECT_EQ(NetSock::ErrnoToSocketError(c.err), c.code) << c.err;
}

TEST(HostResolution, SpecialNamesAndDottedQuads) {
    EXPECT_EQ(NetSock::ResolveHost("LocalHost"), "127.0.0.1");
    EXPECT_EQ(NetSock::ResolveHost("10.1.2.3"), "10.1.2.3");
    EXPECT_TRUE(NetSock::IsDottedQuad("255.255.255.255"));
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", "1.2.3.4 ", ""})
        EXPECT_FALSE(NetSock::IsDottedQuad(bad)) << bad;
}

TEST(HostResolution, UnknownHostRaises11001) {
    TNetTCPClient conn;
    conn.Host = "no-such-host.invalid";
    conn.Port = 80;
    if (const auto e = ExpectRaise<ENetSocketError>([&] { conn.OpenConnection(); },
                                                    "Socket Error # 11001\r\nHost not found.")) {
        EXPECT_EQ(e->LastError, 11001);
    }
    EXPECT_FALSE(conn.Connected());
}

TEST(Connecting, RefusedWithoutAndWithTimeLimit) {
    const uint16_t port = NginxServer::FreePort();  // nothing listens there
    TNetTCPClient conn;
    conn.Host = "127.0.0.1";
    conn.Port = port;
    if (const auto e = ExpectRaise<ENetSocketError>([&] { conn.OpenConnection(); },
                                                    "Socket Error # 10061\r\nConnection refused.")) {
        EXPECT_EQ(e->LastError, 10061);
    }
    if (const auto e = ExpectRaise<ENetConnectException>([&] { conn.OpenConnection(3000); },
                                                         "Socket Error # 10061\r\nConnection refused.")) {
        EXPECT_EQ(e->LastError, 10061);
    }
}

TEST(Connecting, TimeLimitEndsAConnectThatHangs) {
    // A listener whose accept queue is full drops further SYNs, so the connect hangs.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers.push_back(fd);
    }
    TNetTCPClient conn;
    conn.Host = "127.0.0.1";
    conn.Port = ntohs(addr.sin_port);
    const auto start = std::chrono::steady_clock::now();
    ExpectRaise<ENetConnectTimeout>([&] { conn.OpenConnection(400); }, "Connect timed out.");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(350));
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    EXPECT_FALSE(conn.Connected());
    for (int fd : fillers)
        ::close(fd);
    ::close(listener);
}

TEST(Connecting, BindToAPortInUseRaises) {
    ScriptedServer taken;
    TNetTCPClient conn;
    conn.Host = "127.0.0.1";
    conn.Port = taken.Port();
    conn.BoundIP = "127.0.0.1";
    conn.BoundPort = taken.Port();
    ExpectRaise<ENetException>([&] { conn.OpenConnection(); },
                               "Could not bind socket. Address and port are already in use.");
}

TEST(Dialogue, ExactBytesBothWaysAndAddresses) {
    ScriptedServer server;
    server.Accept().Send("220-hello\r\n220 there\r\n").ExpectLine("EHLO me").Send("250 ok\r\n").ExpectLine("QUIT");
    server.Start();
    TNetTCPClient conn;
    ConnectTo(conn, server);
    EXPECT_EQ(conn.IOHandler()->PeerIP(), "127.0.0.1");
    EXPECT_EQ(conn.IOHandler()->PeerPort(), server.Port());
    EXPECT_EQ(conn.IOHandler()->LocalIP(), "127.0.0.1");
    EXPECT_NE(conn.IOHandler()->LocalPort(), 0);
    EXPECT_EQ(conn.ReadReply({220}), 220);
    EXPECT_EQ(conn.LastCmdResult.Text, (std::vector<std::string>{"hello", "there"}));
    EXPECT_EQ(conn.SendCommand("EHLO me", {250}), 250);
    conn.WriteLine("QUIT");
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "EHLO me\r\nQUIT\r\n");
    conn.Disconnect();
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(conn.IOHandler(), nullptr);  // the owned plain handler is freed
}

TEST(Dialogue, PeerResetRaises10054) {
    ScriptedServer server;
    server.Accept().Send("220 hi\r\n").ReadLine().Reset();
    server.Start();
    TNetTCPClient conn;
    ConnectTo(conn, server);
    conn.ReadReply();
    conn.WriteLine("X");
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    if (const auto e = ExpectRaise<ENetSocketError>([&] { conn.ReadLine(); },
                                                    "Socket Error # 10054\r\nConnection reset by peer.")) {
        EXPECT_EQ(e->LastError, 10054);
    }
}

TEST(Dialogue, SilentPeerEndsAtReadTimeoutWithoutSpinning) {
    ScriptedServer server;
    server.Accept().StaySilent();
    server.Start();
    TNetTCPClient conn;
    ConnectTo(conn, server);
    conn.ReadTimeout = 600;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(conn.ReadLine(), ENetReadTimeout);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(550));
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    conn.Disconnect();
    EXPECT_TRUE(server.Finish());
}

TEST(Dialogue, HalfLineThenCloseOverSocket) {
    ScriptedServer server;
    server.Accept().Send("220 partial").Close();
    server.Start();
    TNetTCPClient conn;
    ConnectTo(conn, server);
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(conn.ReadLine(), "");
    EXPECT_TRUE(conn.ReadLnTimedOut());
    EXPECT_THROW(conn.ReadLine(), ENetConnClosedGracefully);
}

// A hook that tries to use the connection while a read of it waits, the way a timer handler could.
class ReenteringHook : public TNetWaitHook {
public:
    explicit ReenteringHook(TNetTCPClient& conn) : fConn(conn) {}
    short Wait(int fd, short events, int timeoutMs) override {
        ++Calls;
        try {
            fConn.WriteLine("SNEAKED IN");
        } catch (const ENetClientBusy& e) {
            Refusals.push_back(e.what());
        }
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
    int Calls = 0;
    std::vector<std::string> Refusals;

private:
    TNetTCPClient& fConn;
};

TEST(Reentry, OperationDuringAWaitIsRefusedAtOnce) {
    ScriptedServer server;
    server.Accept().ExpectLine("NOOP").Send("250 ok\r\n").ReadUntilClose();
    server.Start();
    TNetTCPClient conn;
    ConnectTo(conn, server);
    ReenteringHook hook(conn);
    TNetAntiFreeze::InstallHook(&hook);
    EXPECT_EQ(conn.SendCommand("NOOP", {250}), 250);
    TNetAntiFreeze::InstallHook(nullptr);
    conn.Disconnect();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_GE(hook.Calls, 1);
    ASSERT_EQ(hook.Refusals.size(), static_cast<std::size_t>(hook.Calls));
    EXPECT_EQ(hook.Refusals.front(), "The network client is busy with another operation.");
    EXPECT_EQ(server.Received(), "NOOP\r\n");  // nothing sneaked onto the wire
}

class CountingHook : public TNetWaitHook {
public:
    short Wait(int fd, short events, int timeoutMs) override {
        ++Calls;
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
    int Calls = 0;
};

TEST(AntiFreeze, OnlyOneObjectAndHookOnlyForItsThreadWhileActive) {
    TNetAntiFreeze first;
    ExpectRaise<ENetException>([&] { TNetAntiFreeze second; }, "Only one TNetAntiFreeze can exist per application.");
    EXPECT_EQ(first.IdleTimeOut, 250);
    CountingHook hook;
    TNetAntiFreeze::InstallHook(&hook);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(TNetAntiFreeze::Wait(fds[0], POLLIN, 0), 0);
    EXPECT_EQ(hook.Calls, 1);
    std::thread other([&] { TNetAntiFreeze::Wait(fds[0], POLLIN, 0); });
    other.join();
    EXPECT_EQ(hook.Calls, 1);  // another thread waits with plain poll
    first.Active = false;
    TNetAntiFreeze::Wait(fds[0], POLLIN, 0);
    EXPECT_EQ(hook.Calls, 1);
    first.Active = true;
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_TRUE(TNetAntiFreeze::Wait(fds[0], POLLIN, -1) & POLLIN);
    EXPECT_EQ(hook.Calls, 2);
    TNetAntiFreeze::InstallHook(nullptr);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(Listening, AcceptedSocketCarriesAConnection) {
    TNetIOHandlerSocket listener;
    listener.Listen("127.0.0.1", 0, 15);
    const uint16_t port = listener.LocalPort();
    ASSERT_NE(port, 0);
    std::thread peer([port] {
        TNetTCPClient client;
        client.Host = "127.0.0.1";
        client.Port = port;
        client.OpenConnection();
        client.WriteLine("over the data connection");
        client.Disconnect();
    });
    listener.Accept(5000);
    peer.join();
    TNetTCPConnection data;
    data.SetIOHandler(&listener);
    EXPECT_EQ(data.ReadLine(), "over the data connection");
    EXPECT_THROW(data.ReadLine(), ENetConnClosedGracefully);
}

TEST(Listening, AcceptTimesOutWhenNobodyConnects) {
    TNetIOHandlerSocket listener;
    listener.Listen("127.0.0.1", 0, 1);
    EXPECT_THROW(listener.Accept(100), ENetException);
}

} // namespace
