// Byte-exact FTP dialogue against a scripted loopback peer.
#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "FtpTexts.h"
#include "NetworkTexts.h"
#include "ScriptedServer.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <istream>
#include <regex>
#include <sstream>

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::ScriptedServer;

namespace {
constexpr int PeerWaitMs = 10000;

struct Exchange {
    std::string Command;  // the exact line expected; empty reads any line
    std::string Reply;
};
const std::vector<Exchange> kLogin = {
    {"USER bob", "331 Password required"}, {"PASS secret", "230 Logged in"},
    {"TYPE A", "200 Type set to A"},       {"SYST", "215 UNIX Type: L8"}};
const std::vector<Exchange> kStore = {{"", "200 PORT ok"}, {"STOR up.txt", "150 Opening"}};

void Play(ScriptedServer& server, const std::vector<Exchange>& exchanges) {
    for (const auto& e : exchanges)
        (e.Command.empty() ? server.ReadLine() : server.ExpectLine(e.Command)).Send(e.Reply + "\r\n");
}

std::string ReadAll(int fd) {
    std::string data;
    char buffer[65536];
    pollfd p{fd, POLLIN, 0};
    for (ssize_t n; ::poll(&p, 1, PeerWaitMs) > 0 && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        data.append(buffer, static_cast<std::size_t>(n));
    return data;
}

// Connects to the address of the client's last PORT command (from fromIP when given) and reads until
// close (or does what take says instead); "" if nothing listens.
std::string ReadDataFrom(const ScriptedServer& server, const char* fromIP = nullptr,
                         const std::function<std::string(int)>& take = ReadAll) {
    sockaddr_in addr{};
    for (const auto& line : server.Lines()) {
        unsigned h[4], p[2];
        if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) == 6)
            addr = {AF_INET, htons(static_cast<uint16_t>(p[0] * 256 + p[1])),
                    {htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3])}, {}};
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fromIP) {
        sockaddr_in local{AF_INET, 0, {}, {}};
        ::inet_pton(AF_INET, fromIP, &local.sin_addr);
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    std::string data = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? take(fd) : "";
    ::close(fd);
    return data;
}

class FtpDialogue : public testing::Test {
protected:
    void SetUp() override {
        ftp.host = "127.0.0.1";
        ftp.port = server.Port();
        ftp.username = "bob";
        ftp.password = "secret";
        ftp.setTransferType(FtpTransferType::Ascii);
        ftp.readTimeout = PeerWaitMs;  // a script that goes astray fails the test instead of hanging it
        ftp.onConnected = [this] { events.push_back("connected"); };
        ftp.onDisconnected = [this] { events.push_back("disconnected"); };
        ftp.onStatus = [this](const std::string& s) { statuses.push_back(s); };
    }

    bool Saw(const char* status) const { return std::count(statuses.begin(), statuses.end(), status) > 0; }

    void ScriptLogin() {
        server.Accept().Send("220 ready\r\n");
        Play(server, kLogin);
    }

    // Stores payload; the peer answers the end of the transfer with finalReply. A NOOP afterwards proves
    // that every reply of the transfer was consumed.
    void UploadWithFinalReply(const std::string& finalReply, const std::string& payload) {
        ScriptLogin();
        Play(server, kStore);
        server.Do([this](int) { received = ReadDataFrom(server); }).Send(finalReply + "\r\n");
        server.ExpectLine("NOOP").Send("200 ok\r\n").ExpectLine("QUIT").Close();
        server.Start();
        ftp.openConnection(true, -1);
        std::istringstream source(payload);
        std::exception_ptr failure;
        try {
            ftp.upload(source, "up.txt", false);
        } catch (...) {
            failure = std::current_exception();
        }
        ftp.sendCommand("NOOP", {200});
        ftp.quitAndClose();
        if (failure)
            std::rethrow_exception(failure);
    }

    ScriptedServer server;
    FtpClient ftp;
    std::vector<std::string> events, statuses;
    std::string received;
};

TEST_F(FtpDialogue, ActiveUploadSendsTheExactCommandsAndData) {
    std::string payload;
    for (int i = 0; payload.size() < 100000; ++i)  // several 32768-byte blocks
        payload += "line " + std::to_string(i) + std::string(1, '\0') + "\r\n";
    UploadWithFinalReply("226 Transfer complete", payload);
    ASSERT_TRUE(server.Finish()) << server.ErrorText();

    const std::string portLine = server.Lines().at(4);
    EXPECT_TRUE(std::regex_match(portLine, std::regex(R"(PORT 127,0,0,1,\d{1,3},\d{1,3})"))) << portLine;
    EXPECT_EQ(server.Received(),
              "USER bob\r\nPASS secret\r\nTYPE A\r\nSYST\r\n" + portLine + "\r\nSTOR up.txt\r\nNOOP\r\nQUIT\r\n");
    EXPECT_EQ(received, payload);
    EXPECT_EQ(ftp.greeting.numericCode, 220);
    EXPECT_EQ(ftp.loginReply().numericCode, 230);
    EXPECT_EQ(ftp.systemDesc(), "UNIX Type: L8");
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
    EXPECT_TRUE(Saw(ftptexts::kStatusConnectionEstablished));
    EXPECT_TRUE(Saw(ftptexts::kStatusTransferComplete));
    EXPECT_FALSE(Saw(ftptexts::kStatusTransferAborted));
}

struct FinalReplyCase {
    const char* Replies;
    int ErrorCode;  // 0: the upload succeeds; an aborted transfer fails with its first code
    bool Aborted;
};
class FtpFinalReply : public FtpDialogue, public testing::WithParamInterface<FinalReplyCase> {};

TEST_P(FtpFinalReply, IsJudgedByItsCode) {
    const auto& c = GetParam();
    int code = 0;
    try {
        UploadWithFinalReply(c.Replies, "abc");
    } catch (const ReplyError& e) {
        code = e.replyErrorCode;
    }
    EXPECT_EQ(code, c.ErrorCode);
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "abc");
    EXPECT_EQ(Saw(ftptexts::kStatusTransferAborted), c.Aborted);
}

INSTANTIATE_TEST_SUITE_P(Codes, FtpFinalReply,
                         testing::Values(FinalReplyCase{"226 ok", 0, false}, FinalReplyCase{"225 ok", 0, false},
                                         FinalReplyCase{"250 ok", 0, false},
                                         FinalReplyCase{"426 aborted\r\n226 closed", 426, true},
                                         FinalReplyCase{"450 busy\r\n225 closed", 450, true},
                                         FinalReplyCase{"451 local error", 451, false},
                                         FinalReplyCase{"426 aborted\r\n550 no", 550, false}));

TEST_F(FtpDialogue, UserAcceptedAtOnceGetsNoPasswordAndRefusedSystReadsUnknown) {
    server.Accept().Send("220 ready\r\n");
    Play(server, {{"USER bob", "230 Welcome"}, {"TYPE A", "200 ok"}, {"SYST", "500 Unknown command"}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    EXPECT_EQ(ftp.loginReply().numericCode, 230);
    EXPECT_EQ(ftp.systemDesc(), "Unknown");
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "USER bob\r\nTYPE A\r\nSYST\r\nQUIT\r\n");
}

struct LoginFailure {
    const char* Name;
    std::size_t FailingStep;  // index into kLogin; npos: the greeting
    const char* Reply;
    int Code;
};
class FtpLoginFailure : public FtpDialogue, public testing::WithParamInterface<LoginFailure> {};

TEST_P(FtpLoginFailure, ClosesTheConnectionAndRaisesTheReply) {
    const auto& c = GetParam();
    const bool greeting = c.FailingStep == std::string::npos;
    server.Accept().Send(std::string(greeting ? c.Reply : "220 ready") + "\r\n");
    if (!greeting) {
        std::vector<Exchange> steps(kLogin.begin(), kLogin.begin() + static_cast<long>(c.FailingStep) + 1);
        steps.back().Reply = c.Reply;
        Play(server, steps);
    }
    server.ReadUntilClose();
    server.Start();
    try {
        ftp.openConnection(true, -1);
        ADD_FAILURE() << "login went through";
    } catch (const ReplyError& e) {
        EXPECT_EQ(e.replyErrorCode, c.Code);
        EXPECT_EQ(std::string(e.what()), std::string(c.Reply).substr(4) + "\r\n");
    }
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
}

INSTANTIATE_TEST_SUITE_P(Steps, FtpLoginFailure,
                         testing::Values(LoginFailure{"Greeting", std::string::npos, "421 Too many users", 421},
                                         LoginFailure{"User", 0, "530 Not allowed", 530},
                                         LoginFailure{"Pass", 1, "530 Login incorrect", 530},
                                         LoginFailure{"Type", 2, "504 Not implemented", 504},
                                         LoginFailure{"Syst", 3, "421 Closing", 421}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FtpDialogue, ServerHangingUpBeforeTheGreetingIsReportedOnce) {
    server.Accept().Close();
    server.Start();
    EXPECT_THROW(ftp.openConnection(true, -1), ConnectionClosedError);
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
}

TEST_F(FtpDialogue, RefusedStoreFreesTheDataPortAndKeepsControlOpen) {
    ScriptLogin();
    Play(server, {{"", "200 PORT ok"}, {"STOR up.txt", "553 Could not create file."}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    std::istringstream source("abc");
    if (const auto e = ExpectRaise<ReplyError>([&] { ftp.upload(source, "up.txt", false); },
                                                           "Could not create file.\r\n")) {
        EXPECT_EQ(e->replyErrorCode, 553);
    }
    EXPECT_TRUE(ftp.isConnected());
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(ReadDataFrom(server), "");  // the listening data socket is gone: the connect fails
}

TEST_F(FtpDialogue, DataConnectionNeverOpenedEndsWithinTheBound) {
    ScriptLogin();
    Play(server, kStore);
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.dataConnectTimeout = 300;
    ftp.openConnection(true, -1);
    std::istringstream source("abc");
    const auto started = std::chrono::steady_clock::now();
    ExpectRaise<NetworkError>([&] { ftp.upload(source, "up.txt", false); }, texts::kListenTimedOut);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_TRUE(ftp.isConnected());
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(FtpDialogue, ActiveDataConnectionIsTakenOnlyFromTheControlPeer) {
    ScriptLogin();
    Play(server, kStore);
    std::string intruderGot = "not closed";
    server.Do([&](int) {
        intruderGot = ReadDataFrom(server, "127.0.0.2");  // another host finding the port first
        received = ReadDataFrom(server);
    });
    server.Send("226 done\r\n").ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    std::istringstream source("the address");
    ftp.upload(source, "up.txt", false);
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(intruderGot, "");
    EXPECT_EQ(received, "the address");
}

TEST_F(FtpDialogue, LineBreakInCredentialsIsRefusedBeforeConnecting) {
    server.Accept().ReadUntilClose();
    server.Start();
    for (const std::string& value : std::vector<std::string>{"bob\r\nDELE", "bob\n", "bob\r", {"bob\0x", 5}}) {
        for (bool inUser : {true, false}) {
            ftp.username = inUser ? value : "bob";
            ftp.password = inUser ? "secret" : value;
            ExpectRaise<NetworkError>([&] { ftp.openConnection(true, -1); }, ftptexts::kLineBreakInField);
        }
    }
    server.Stop();
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_TRUE(events.empty());
}

TEST_F(FtpDialogue, BadRemoteNameOrMissingLocalFileSendsNothing) {
    ScriptLogin();
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    std::istringstream source("abc");
    EXPECT_THROW(ftp.upload(source, "x\r\nDELE y", false), NetworkError);
    EXPECT_THROW(ftp.upload(source, std::string("x\0y", 3), false), NetworkError);
    EXPECT_THROW(ftp.uploadFile("/nonexistent/kestrune/template.html", "up.txt", false), std::system_error);
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "USER bob\r\nPASS secret\r\nTYPE A\r\nSYST\r\nQUIT\r\n");
}

TEST_F(FtpDialogue, ADataPeerThatStopsReadingEndsTheUploadAtTheReadTimeout) {
    ScriptLogin();
    Play(server, kStore);
    std::promise<void> release;
    server.Do([this, released = release.get_future().share()](int) {
        ReadDataFrom(server, nullptr, [&](int) {
            released.wait_for(std::chrono::milliseconds(PeerWaitMs));  // reads nothing meanwhile
            return std::string();
        });
    });
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    ftp.readTimeout = 300;
    // Endless data: only a write that gives up ends the upload.
    struct Endless : std::streambuf {
        char block[65536];
        Endless() { std::fill(std::begin(block), std::end(block), 'x'); }
        int_type underflow() override {
            setg(block, block, std::end(block));
            return 'x';
        }
    } endless;
    std::istream source(&endless);
    const auto started = std::chrono::steady_clock::now();
    ExpectRaise<SocketError>([&] { ftp.upload(source, "up.txt", false); },
                                 "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    release.set_value();
    ftp.quitAndClose();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(FtpDialogue, PassiveUploadFallsBackToPasvAndConnectsToTheControlPeerWhateverTheReplyNames) {
    // The data listener is on 127.0.0.1; the reply names 127.0.0.2, where nothing listens.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    ScriptLogin();
    Play(server, {{"EPSV", "502 Command not implemented"},
                  {"PASV", "227 Entering Passive Mode (127,0,0,2," + std::to_string(port / 256) + "," +
                               std::to_string(port % 256) + ")"},
                  {"STOR up.txt", "150 Opening"}});
    server.Do([&](int) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, PeerWaitMs) > 0) {
            int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            received = ReadAll(fd);
            ::close(fd);
        }
    });
    server.Send("226 done\r\n").ExpectLine("QUIT").Close();
    server.Start();
    ftp.passive = true;
    ftp.openConnection(true, -1);
    std::istringstream source("passive bytes\r\n");
    EXPECT_NO_THROW(ftp.upload(source, "up.txt", false));
    ftp.quitAndClose();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    ::close(listener);
    EXPECT_EQ(received, "passive bytes\r\n");
}

TEST_F(FtpDialogue, ExtendedPassiveUploadUsesTheAnnouncedPortOnTheControlPeer) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    ScriptLogin();
    Play(server, {{"EPSV", "229 Entering Extended Passive Mode (!!!" + std::to_string(port) + "!)"},
                  {"STOR up.txt", "150 Opening"}});
    server.Do([&](int) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, PeerWaitMs) > 0) {
            int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            received = ReadAll(fd);
            ::close(fd);
        }
    });
    server.Send("226 done\r\n").ExpectLine("QUIT").Close();
    server.Start();
    ftp.passive = true;
    ftp.openConnection(true, -1);
    std::istringstream source("passive bytes\r\n");
    EXPECT_NO_THROW(ftp.upload(source, "up.txt", false));
    ftp.quitAndClose();
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    ::close(listener);
    EXPECT_EQ(received, "passive bytes\r\n");
}

// A window handler that runs while the client waits for the server's data connection and uses it again.
class ReentrantHook : public WaitHook {
public:
    explicit ReentrantHook(FtpClient& ftp) : fFtp(ftp) {}
    short wait(int fd, short events, int timeoutMs) override {
        if (fFtp.transferRunning() && fd != fFtp.transport()->handle() && Attempts == 0) {
            fFtp.setTransferType(FtpTransferType::Binary);  // dropped silently while the data connection exists
            for (auto attempt : {+[](FtpClient& f) { f.quitAndClose(); }, +[](FtpClient& f) { f.login(); },
                                 +[](FtpClient& f) { f.openConnection(true, -1); }}) {
                ++Attempts;
                try {
                    attempt(fFtp);
                } catch (const ClientBusyError&) {
                    ++Refused;
                }
            }
        }
        return NetworkWait::pollWait(fd, events, timeoutMs);
    }
    int Attempts = 0, Refused = 0;

private:
    FtpClient& fFtp;
};

TEST_F(FtpDialogue, SecondEntryDuringTheDataWaitIsRefused) {
    ScriptLogin();
    Play(server, kStore);
    server.Do([this](int) { received = ReadDataFrom(server); }).Send("226 done\r\n");
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.openConnection(true, -1);
    ReentrantHook hook(ftp);
    NetworkWait::installHook(&hook);
    std::istringstream source("data");
    EXPECT_NO_THROW(ftp.upload(source, "up.txt", false));
    NetworkWait::installHook(nullptr);
    EXPECT_EQ(hook.Attempts, 3);
    EXPECT_EQ(hook.Refused, 3);
    ftp.quitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "data");
    EXPECT_EQ(ftp.transferType(), FtpTransferType::Ascii);
    EXPECT_EQ(server.Received().find("TYPE I"), std::string::npos);
}
} // namespace
