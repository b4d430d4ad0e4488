// Bounds and cancellation of network waits: time limits on reads and whole operations, the name lookup
// off the calling thread, and CancelAllWaits ending a wait under way.
#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetFTP.h"
#include "NetHTTP.h"
#include "NetIOHandlerSocket.h"
#include "NetMessages.h"
#include "NetSocket.h"
#include "NetTCPConnection.h"
#include "ScriptedServer.h"

#include "Raises.h"
#include "Waiting.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using testsupport::ExpectRaise;
using testsupport::MillisecondsSince;
using testsupport::ScriptedServer;

namespace {

using Clock = std::chrono::steady_clock;

TEST(WaitBounds, ProgramClientsStartWithAMinutePerReadAndTwoPerOperation) {
    TNetHTTP http;
    TNetFTP ftp;
    for (const TNetTCPConnection* client : {static_cast<TNetTCPConnection*>(&http), static_cast<TNetTCPConnection*>(&ftp)}) {
        EXPECT_EQ(client->ReadTimeout, 60000);
        EXPECT_EQ(client->OperationTimeout, 120000);
    }
}

TEST(WaitBounds, SilentPageEndsAtTheReadTimeout) {
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").StaySilent();
    server.Start();
    TNetHTTP http;
    http.ReadTimeout = 300;
    const auto started = Clock::now();
    ExpectRaise<ENetReadTimeout>([&] { http.FetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"); },
                                 NetMsg::ReadTimeout);
    EXPECT_GE(MillisecondsSince(started), 250);
    EXPECT_LT(MillisecondsSince(started), 3000);
}

TEST(WaitBounds, PageThatTricklesEndsAtTheOperationTimeout) {
    std::atomic<bool> stop{false};
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").Do([&](int fd) {
        // One header byte every 100 ms: no single read waits long, the whole never ends.
        while (!stop && ::send(fd, "X", 1, MSG_NOSIGNAL) == 1) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 100);
        }
    });
    server.Start();
    TNetHTTP http;
    http.ReadTimeout = 300;
    http.OperationTimeout = 1000;
    const auto started = Clock::now();
    ExpectRaise<ENetReadTimeout>([&] { http.FetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"); },
                                 NetMsg::ReadTimeout);
    EXPECT_GE(MillisecondsSince(started), 900);
    EXPECT_LT(MillisecondsSince(started), 3000);
    stop = true;
}

// A resolver that answers only when released, and tells when it has finished.
struct SlowResolver {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> finished;
    SlowResolver() {
        NetSock::SetResolveFunction([this](const std::string&, std::string& ip) {
            released.wait();
            ip = "127.0.0.1";
            finished.set_value();
            return true;
        });
    }
    ~SlowResolver() { NetSock::SetResolveFunction({}); }
};

struct CountingHook : TNetWaitHook {
    int waits = 0;
    short Wait(int fd, short events, int timeoutMs) override {
        ++waits;
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs < 0 || timeoutMs > 50 ? 50 : timeoutMs);
    }
};

TEST(NameLookup, RunsBesideTheWaitHookAndEndsAtTheConnectTimeout) {
    SlowResolver resolver;
    auto finished = resolver.finished.get_future();
    CountingHook hook;
    TNetAntiFreeze::InstallHook(&hook);
    TNetTCPConnection connection;
    connection.Host = "slow.test";
    connection.Port = 9;
    const auto started = Clock::now();
    ExpectRaise<ENetConnectTimeout>([&] { connection.Connect(400); }, NetMsg::ConnectTimedOut);
    const auto waited = MillisecondsSince(started);
    TNetAntiFreeze::InstallHook(nullptr);
    EXPECT_GE(waited, 350);
    EXPECT_LT(waited, 3000);
    EXPECT_GE(hook.waits, 4);  // the window's events went on during the lookup
    // The lookup that was given up finishes later without harm.
    resolver.release.set_value();
    EXPECT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(NameLookup, UnknownNameKeepsItsTextAndAKnownOneConnects) {
    NetSock::SetResolveFunction([](const std::string& host, std::string& ip) {
        ip = "127.0.0.1";
        return host == "peer.test";
    });
    ScriptedServer server;
    server.Accept().Close();
    server.Start();
    TNetTCPConnection connection;
    connection.Port = server.Port();
    connection.Host = "nowhere.test";
    ExpectRaise<ENetSocketError>([&] { connection.Connect(2000); }, "Socket Error # 11001\r\nHost not found.");
    connection.Host = "peer.test";
    EXPECT_NO_THROW(connection.Connect(2000));
    EXPECT_EQ(connection.IOHandler()->PeerIP(), "127.0.0.1");
    connection.Disconnect();
    NetSock::SetResolveFunction({});
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

constexpr const char* WriteTimedOut = "Socket Error # 10060\r\nConnection timed out.";

// Takes the connection and reads nothing until released; after 10 s it resets the connection, so a
// client stuck in a write fails the test rather than hanging it.
struct DeafPeer {
    std::promise<void> release;
    ScriptedServer server;
    DeafPeer() {
        server.Accept().Do([released = release.get_future().share()](int) {
            released.wait_for(std::chrono::seconds(10));
        }).Reset();
        server.Start();
    }
    ~DeafPeer() { release.set_value(); }
};

// 1 MB blocks until a write fails; a peer that reads nothing fills the buffers long before the end.
void WriteUntilItFails(TNetTCPConnection& connection) {
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 256; ++i)
        connection.WriteBytes(block);
}

TEST(StalledWrite, EndsAtTheReadTimeoutOrTheTimeLimitWhileTheWindowAnswers) {
    struct Case {
        int readTimeout, timeLimit, atLeast;
    };
    for (const Case c : {Case{300, 0, 250}, Case{0, 600, 550}}) {
        DeafPeer peer;
        CountingHook hook;
        TNetAntiFreeze::InstallHook(&hook);
        TNetTCPConnection connection;
        connection.Host = "127.0.0.1";
        connection.Port = peer.server.Port();
        connection.ReadTimeout = c.readTimeout;
        connection.Connect(2000);
        if (c.timeLimit > 0)
            connection.SetTimeLimit(c.timeLimit);
        hook.waits = 0;
        const auto started = Clock::now();
        ExpectRaise<ENetSocketError>([&] { WriteUntilItFails(connection); }, WriteTimedOut);
        const auto waited = MillisecondsSince(started);
        TNetAntiFreeze::InstallHook(nullptr);
        EXPECT_GE(waited, c.atLeast);
        EXPECT_LT(waited, 3000);
        EXPECT_GE(hook.waits, 4);  // the stalled write waited through the hook, in slices
        EXPECT_FALSE(connection.IOHandler()->Connected());
    }
}

// Reports the listening socket ready once without a peer, as when a peer goes away before the accept.
struct ReadyOnceWithoutPeer : TNetWaitHook {
    bool lied = false;
    short Wait(int fd, short events, int timeoutMs) override {
        if (!lied) {
            lied = true;
            return events;
        }
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
};

TEST(Listening, AReadinessWithoutAPeerDoesNotHoldTheAccept) {
    TNetIOHandlerSocket listener;
    listener.Listen("127.0.0.1", 0, 1);
    const uint16_t port = listener.LocalPort();
    // Should the accept hang, a peer arriving after 3 s ends it, and the test fails instead of hanging.
    std::promise<void> done;
    std::thread late([port, finished = done.get_future()] {
        if (finished.wait_for(std::chrono::seconds(3)) == std::future_status::ready)
            return;
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::close(fd);
    });
    ReadyOnceWithoutPeer hook;
    TNetAntiFreeze::InstallHook(&hook);
    const auto started = Clock::now();
    ExpectRaise<ENetException>([&] { listener.Accept(300); }, NetMsg::ListenTimedOut);
    TNetAntiFreeze::InstallHook(nullptr);
    done.set_value();
    late.join();
    EXPECT_TRUE(hook.lied);
    EXPECT_LT(MillisecondsSince(started), 2000);
}

// The cancel is for good, so each case runs in a child process of its own.
class CancelAllWaits : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Waits on a pipe nobody writes, through hook when given, while another thread cancels after 200 ms;
// exits 0 when the wait raised ENetCancelled in time and a later wait raises at once.
[[noreturn]] void WaitUntilCancelled(TNetWaitHook* hook) {
    int fds[2];
    if (::pipe(fds) != 0)
        _exit(2);
    TNetAntiFreeze::InstallHook(hook);
    std::thread canceller([] {
        pollfd none{-1, 0, 0};
        ::poll(&none, 1, 200);
        TNetAntiFreeze::CancelAllWaits();
    });
    const auto started = Clock::now();
    int code = 3;
    try {
        TNetAntiFreeze::Wait(fds[0], POLLIN, -1);
    } catch (const ENetCancelled& e) {
        code = MillisecondsSince(started) < 2000 && std::string(e.what()) == NetMsg::Cancelled ? 0 : 4;
    }
    canceller.join();
    try {
        TNetAntiFreeze::Wait(fds[0], POLLIN, 60000);
        code = 5;
    } catch (const ENetCancelled&) {
    }
    _exit(code);
}

TEST_F(CancelAllWaits, EndsAPlainWaitUnderWay) {
    EXPECT_EXIT(WaitUntilCancelled(nullptr), testing::ExitedWithCode(0), "");
}

TEST_F(CancelAllWaits, EndsAWaitUnderWayInAHook) {
    EXPECT_EXIT(
        {
            testsupport::ActOnFirstWait hook;
            WaitUntilCancelled(&hook);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(CancelAllWaits, EndsAStalledWrite) {
    EXPECT_EXIT(
        {
            DeafPeer peer;
            TNetTCPConnection connection;
            connection.Host = "127.0.0.1";
            connection.Port = peer.server.Port();
            connection.Connect(2000);
            std::thread canceller([] {
                pollfd none{-1, 0, 0};
                ::poll(&none, 1, 200);
                TNetAntiFreeze::CancelAllWaits();
            });
            const auto started = Clock::now();
            int code = 3;
            try {
                WriteUntilItFails(connection);  // no read time-out: only the cancel ends it
            } catch (const ENetCancelled&) {
                code = MillisecondsSince(started) < 3000 ? 0 : 4;
            }
            canceller.join();
            _exit(code);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(CancelAllWaits, EndsANameLookupUnderWay) {
    EXPECT_EXIT(
        {
            SlowResolver resolver;
            std::thread canceller([] {
                pollfd none{-1, 0, 0};
                ::poll(&none, 1, 200);
                TNetAntiFreeze::CancelAllWaits();
            });
            int code = 3;
            try {
                NetSock::ResolveHost("slow.test", 60000);
            } catch (const ENetCancelled&) {
                code = 0;
            }
            canceller.join();
            _exit(code);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
