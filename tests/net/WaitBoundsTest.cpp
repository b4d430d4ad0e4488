// Bounds and cancellation of network waits: time limits on reads and whole operations, the name lookup
// off the calling thread, and CancelAllWaits ending a wait under way.
#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "HttpClient.h"
#include "SocketTransport.h"
#include "NetworkTexts.h"
#include "SocketHandle.h"
#include "TcpConnection.h"
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

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::MillisecondsSince;
using testsupport::ScriptedServer;

namespace {

using Clock = std::chrono::steady_clock;

TEST(WaitBounds, ProgramClientsStartWithAMinutePerReadAndTwoPerOperation) {
    HttpClient http;
    FtpClient ftp;
    for (const TcpConnection* client : {static_cast<TcpConnection*>(&http), static_cast<TcpConnection*>(&ftp)}) {
        EXPECT_EQ(client->readTimeout, 60000);
        EXPECT_EQ(client->operationTimeout, 120000);
    }
}

TEST(WaitBounds, SilentPageEndsAtTheReadTimeout) {
    ScriptedServer server;
    server.Accept().ReadUntil("\r\n\r\n").StaySilent();
    server.Start();
    HttpClient http;
    http.readTimeout = 300;
    const auto started = Clock::now();
    ExpectRaise<ReadTimeoutError>([&] { http.fetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"); },
                                 texts::kReadTimeout);
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
    HttpClient http;
    http.readTimeout = 300;
    http.operationTimeout = 1000;
    const auto started = Clock::now();
    ExpectRaise<ReadTimeoutError>([&] { http.fetchPage("http://127.0.0.1:" + std::to_string(server.Port()) + "/"); },
                                 texts::kReadTimeout);
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
        sockets::setResolveFunction([this](const std::string&, std::string& ip) {
            released.wait();
            ip = "127.0.0.1";
            finished.set_value();
            return true;
        });
    }
    ~SlowResolver() { sockets::setResolveFunction({}); }
};

struct CountingHook : WaitHook {
    int waits = 0;
    short wait(int fd, short events, int timeoutMs) override {
        ++waits;
        return NetworkWait::pollWait(fd, events, timeoutMs < 0 || timeoutMs > 50 ? 50 : timeoutMs);
    }
};

TEST(NameLookup, RunsBesideTheWaitHookAndEndsAtTheConnectTimeout) {
    SlowResolver resolver;
    auto finished = resolver.finished.get_future();
    CountingHook hook;
    NetworkWait::installHook(&hook);
    TcpConnection connection;
    connection.host = "slow.test";
    connection.port = 9;
    const auto started = Clock::now();
    ExpectRaise<ConnectTimeoutError>([&] { connection.connect(400); }, texts::kConnectTimedOut);
    const auto waited = MillisecondsSince(started);
    NetworkWait::installHook(nullptr);
    EXPECT_GE(waited, 350);
    EXPECT_LT(waited, 3000);
    EXPECT_GE(hook.waits, 4);  // the window's events went on during the lookup
    // The lookup that was given up finishes later without harm.
    resolver.release.set_value();
    EXPECT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(NameLookup, UnknownNameKeepsItsTextAndAKnownOneConnects) {
    sockets::setResolveFunction([](const std::string& host, std::string& ip) {
        ip = "127.0.0.1";
        return host == "peer.test";
    });
    ScriptedServer server;
    server.Accept().Close();
    server.Start();
    TcpConnection connection;
    connection.port = server.Port();
    connection.host = "nowhere.test";
    ExpectRaise<SocketError>([&] { connection.connect(2000); }, "Socket Error # 11001\r\nHost not found.");
    connection.host = "peer.test";
    EXPECT_NO_THROW(connection.connect(2000));
    EXPECT_EQ(connection.transport()->peerIp(), "127.0.0.1");
    connection.disconnect();
    sockets::setResolveFunction({});
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
void WriteUntilItFails(TcpConnection& connection) {
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 256; ++i)
        connection.writeBytes(block);
}

TEST(StalledWrite, EndsAtTheReadTimeoutOrTheTimeLimitWhileTheWindowAnswers) {
    struct Case {
        int readTimeout, timeLimit, atLeast;
    };
    for (const Case c : {Case{300, 0, 250}, Case{0, 600, 550}}) {
        DeafPeer peer;
        CountingHook hook;
        NetworkWait::installHook(&hook);
        TcpConnection connection;
        connection.host = "127.0.0.1";
        connection.port = peer.server.Port();
        connection.readTimeout = c.readTimeout;
        connection.connect(2000);
        if (c.timeLimit > 0)
            connection.setTimeLimit(c.timeLimit);
        hook.waits = 0;
        const auto started = Clock::now();
        ExpectRaise<SocketError>([&] { WriteUntilItFails(connection); }, WriteTimedOut);
        const auto waited = MillisecondsSince(started);
        NetworkWait::installHook(nullptr);
        EXPECT_GE(waited, c.atLeast);
        EXPECT_LT(waited, 3000);
        EXPECT_GE(hook.waits, 4);  // the stalled write waited through the hook, in slices
        EXPECT_FALSE(connection.transport()->connected());
    }
}

// Reports the listening socket ready once without a peer, as when a peer goes away before the accept.
struct ReadyOnceWithoutPeer : WaitHook {
    bool lied = false;
    short wait(int fd, short events, int timeoutMs) override {
        if (!lied) {
            lied = true;
            return events;
        }
        return NetworkWait::pollWait(fd, events, timeoutMs);
    }
};

TEST(Listening, AReadinessWithoutAPeerDoesNotHoldTheAccept) {
    SocketTransport listener;
    listener.listen("127.0.0.1", 0, 1);
    const uint16_t port = listener.localPort();
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
    NetworkWait::installHook(&hook);
    const auto started = Clock::now();
    ExpectRaise<NetworkError>([&] { listener.accept(300); }, texts::kListenTimedOut);
    NetworkWait::installHook(nullptr);
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
// exits 0 when the wait raised CancelledError in time and a later wait raises at once.
[[noreturn]] void WaitUntilCancelled(WaitHook* hook) {
    int fds[2];
    if (::pipe(fds) != 0)
        _exit(2);
    NetworkWait::installHook(hook);
    std::thread canceller([] {
        pollfd none{-1, 0, 0};
        ::poll(&none, 1, 200);
        NetworkWait::cancelAllWaits();
    });
    const auto started = Clock::now();
    int code = 3;
    try {
        NetworkWait::wait(fds[0], POLLIN, -1);
    } catch (const CancelledError& e) {
        code = MillisecondsSince(started) < 2000 && std::string(e.what()) == texts::kCancelled ? 0 : 4;
    }
    canceller.join();
    try {
        NetworkWait::wait(fds[0], POLLIN, 60000);
        code = 5;
    } catch (const CancelledError&) {
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
            TcpConnection connection;
            connection.host = "127.0.0.1";
            connection.port = peer.server.Port();
            connection.connect(2000);
            std::thread canceller([] {
                pollfd none{-1, 0, 0};
                ::poll(&none, 1, 200);
                NetworkWait::cancelAllWaits();
            });
            const auto started = Clock::now();
            int code = 3;
            try {
                WriteUntilItFails(connection);  // no read time-out: only the cancel ends it
            } catch (const CancelledError&) {
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
                NetworkWait::cancelAllWaits();
            });
            int code = 3;
            try {
                sockets::resolveHost("slow.test", 60000);
            } catch (const CancelledError&) {
                code = 0;
            }
            canceller.join();
            _exit(code);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
