// The connection over real loopback sockets, against the scripted peer.
#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "SocketTransport.h"
#include "SocketHandle.h"
#include "TcpConnection.h"
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

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::NginxServer;
using testsupport::ProcessCpuSeconds;
using testsupport::ScriptedServer;

namespace {

void ConnectTo(TcpClient& conn, const ScriptedServer& server, int timeoutMs = kTimeoutDefault) {
    conn.host = "127.0.0.1";
    conn.port = server.Port();
    conn.openConnection(timeoutMs);
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
        EXPECT_EQ(sockets::socketErrorMessage(c.code), c.message) << c.code;
}

TEST(SocketErrors, ErrnoMapsToWinsockNumbers) {
    struct Case {
        int err, code;
    } cases[] = {{ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054}, {ECONNABORTED, 10053},
                 {ENETUNREACH, 10051},  {EHOSTUNREACH, 10065}, {EPIPE, 10058},   {EADDRINUSE, 10048},
                 {EWOULDBLOCK, 10035},  {EINPROGRESS, 10036},  {ENOTSOCK, 10038}, {EBADF, 10009}};
    for (const auto& c : cases)
        EXPECT_EQ(sockets::errnoToSocketError(c.err), c.code) << c.err;
}

TEST(HostResolution, SpecialNamesAndDottedQuads) {
    EXPECT_EQ(sockets::resolveHost("LocalHost"), "127.0.0.1");
    EXPECT_EQ(sockets::resolveHost("10.1.2.3"), "10.1.2.3");
    EXPECT_TRUE(sockets::isDottedQuad("255.255.255.255"));
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "a.b.c.d", "1.2.3.4 ", ""})
        EXPECT_FALSE(sockets::isDottedQuad(bad)) << bad;
}

TEST(HostResolution, UnknownHostRaises11001) {
    TcpClient conn;
    conn.host = "no-such-host.invalid";
    conn.port = 80;
    if (const auto e = ExpectRaise<SocketError>([&] { conn.openConnection(); },
                                                    "Socket Error # 11001\r\nHost not found.")) {
        EXPECT_EQ(e->lastError, 11001);
    }
    EXPECT_FALSE(conn.connected());
}

TEST(Connecting, RefusedWithoutAndWithTimeLimit) {
    const uint16_t port = NginxServer::FreePort();  // nothing listens there
    TcpClient conn;
    conn.host = "127.0.0.1";
    conn.port = port;
    if (const auto e = ExpectRaise<SocketError>([&] { conn.openConnection(); },
                                                    "Socket Error # 10061\r\nConnection refused.")) {
        EXPECT_EQ(e->lastError, 10061);
    }
    if (const auto e = ExpectRaise<ConnectError>([&] { conn.openConnection(3000); },
                                                         "Socket Error # 10061\r\nConnection refused.")) {
        EXPECT_EQ(e->lastError, 10061);
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
    TcpClient conn;
    conn.host = "127.0.0.1";
    conn.port = ntohs(addr.sin_port);
    const auto start = std::chrono::steady_clock::now();
    ExpectRaise<ConnectTimeoutError>([&] { conn.openConnection(400); }, "Connect timed out.");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(350));
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    EXPECT_FALSE(conn.connected());
    for (int fd : fillers)
        ::close(fd);
    ::close(listener);
}

TEST(Connecting, BindToAPortInUseRaises) {
    ScriptedServer taken;
    TcpClient conn;
    conn.host = "127.0.0.1";
    conn.port = taken.Port();
    conn.boundIp = "127.0.0.1";
    conn.boundPort = taken.Port();
    ExpectRaise<NetworkError>([&] { conn.openConnection(); },
                               "Could not bind socket. Address and port are already in use.");
}

TEST(Dialogue, ExactBytesBothWaysAndAddresses) {
    ScriptedServer server;
    server.Accept().Send("220-hello\r\n220 there\r\n").ExpectLine("EHLO me").Send("250 ok\r\n").ExpectLine("QUIT");
    server.Start();
    TcpClient conn;
    ConnectTo(conn, server);
    EXPECT_EQ(conn.transport()->peerIp(), "127.0.0.1");
    EXPECT_EQ(conn.transport()->peerPort(), server.Port());
    EXPECT_EQ(conn.transport()->localIp(), "127.0.0.1");
    EXPECT_NE(conn.transport()->localPort(), 0);
    EXPECT_EQ(conn.readReply({220}), 220);
    EXPECT_EQ(conn.lastCmdResult.text, (std::vector<std::string>{"hello", "there"}));
    EXPECT_EQ(conn.sendCommand("EHLO me", {250}), 250);
    conn.writeLine("QUIT");
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "EHLO me\r\nQUIT\r\n");
    conn.disconnect();
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(conn.transport(), nullptr);  // the owned plain handler is freed
}

TEST(Dialogue, PeerResetRaises10054) {
    ScriptedServer server;
    server.Accept().Send("220 hi\r\n").ReadLine().Reset();
    server.Start();
    TcpClient conn;
    ConnectTo(conn, server);
    conn.readReply();
    conn.writeLine("X");
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    if (const auto e = ExpectRaise<SocketError>([&] { conn.readLine(); },
                                                    "Socket Error # 10054\r\nConnection reset by peer.")) {
        EXPECT_EQ(e->lastError, 10054);
    }
}

TEST(Dialogue, SilentPeerEndsAtReadTimeoutWithoutSpinning) {
    ScriptedServer server;
    server.Accept().StaySilent();
    server.Start();
    TcpClient conn;
    ConnectTo(conn, server);
    conn.readTimeout = 600;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(conn.readLine(), ReadTimeoutError);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(550));
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.1);
    conn.disconnect();
    EXPECT_TRUE(server.Finish());
}

TEST(Dialogue, HalfLineThenCloseOverSocket) {
    ScriptedServer server;
    server.Accept().Send("220 partial").Close();
    server.Start();
    TcpClient conn;
    ConnectTo(conn, server);
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(conn.readLine(), "");
    EXPECT_TRUE(conn.readLnTimedOut());
    EXPECT_THROW(conn.readLine(), ConnectionClosedError);
}

// A hook that tries to use the connection while a read of it waits, the way a timer handler could.
class ReenteringHook : public WaitHook {
public:
    explicit ReenteringHook(TcpClient& conn) : fConn(conn) {}
    short wait(int fd, short events, int timeoutMs) override {
        ++Calls;
        try {
            fConn.writeLine("SNEAKED IN");
        } catch (const ClientBusyError& e) {
            Refusals.push_back(e.what());
        }
        return NetworkWait::pollWait(fd, events, timeoutMs);
    }
    int Calls = 0;
    std::vector<std::string> Refusals;

private:
    TcpClient& fConn;
};

TEST(Reentry, OperationDuringAWaitIsRefusedAtOnce) {
    ScriptedServer server;
    server.Accept().ExpectLine("NOOP").Send("250 ok\r\n").ReadUntilClose();
    server.Start();
    TcpClient conn;
    ConnectTo(conn, server);
    ReenteringHook hook(conn);
    NetworkWait::installHook(&hook);
    EXPECT_EQ(conn.sendCommand("NOOP", {250}), 250);
    NetworkWait::installHook(nullptr);
    conn.disconnect();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_GE(hook.Calls, 1);
    ASSERT_EQ(hook.Refusals.size(), static_cast<std::size_t>(hook.Calls));
    EXPECT_EQ(hook.Refusals.front(), "The network client is busy with another operation.");
    EXPECT_EQ(server.Received(), "NOOP\r\n");  // nothing sneaked onto the wire
}

class CountingHook : public WaitHook {
public:
    short wait(int fd, short events, int timeoutMs) override {
        ++Calls;
        return NetworkWait::pollWait(fd, events, timeoutMs);
    }
    int Calls = 0;
};

TEST(AntiFreeze, OnlyOneObjectAndHookOnlyForItsThreadWhileActive) {
    NetworkWait first;
    ExpectRaise<NetworkError>([&] { NetworkWait second; }, "Only one TNetAntiFreeze can exist per application.");
    EXPECT_EQ(first.idleTimeOut, 250);
    CountingHook hook;
    NetworkWait::installHook(&hook);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(NetworkWait::wait(fds[0], POLLIN, 0), 0);
    EXPECT_EQ(hook.Calls, 1);
    std::thread other([&] { NetworkWait::wait(fds[0], POLLIN, 0); });
    other.join();
    EXPECT_EQ(hook.Calls, 1);  // another thread waits with plain poll
    first.active = false;
    NetworkWait::wait(fds[0], POLLIN, 0);
    EXPECT_EQ(hook.Calls, 1);
    first.active = true;
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    EXPECT_TRUE(NetworkWait::wait(fds[0], POLLIN, -1) & POLLIN);
    EXPECT_EQ(hook.Calls, 2);
    NetworkWait::installHook(nullptr);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(Listening, AcceptedSocketCarriesAConnection) {
    SocketTransport listener;
    listener.listen("127.0.0.1", 0, 15);
    const uint16_t port = listener.localPort();
    ASSERT_NE(port, 0);
    std::thread peer([port] {
        TcpClient client;
        client.host = "127.0.0.1";
        client.port = port;
        client.openConnection();
        client.writeLine("over the data connection");
        client.disconnect();
    });
    listener.accept(5000);
    peer.join();
    TcpConnection data;
    data.setTransport(&listener);
    EXPECT_EQ(data.readLine(), "over the data connection");
    EXPECT_THROW(data.readLine(), ConnectionClosedError);
}

TEST(Listening, AcceptTimesOutWhenNobodyConnects) {
    SocketTransport listener;
    listener.listen("127.0.0.1", 0, 1);
    EXPECT_THROW(listener.accept(100), NetworkError);
}

} // namespace
