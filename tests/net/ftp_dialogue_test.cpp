// Byte-exact FTP dialogue against a scripted loopback peer.
#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetFTP.h"
#include "NetFTPText.h"
#include "NetMessages.h"
#include "ScriptedServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <sstream>

using testsupport::ScriptedServer;

namespace {
constexpr int PeerWaitMs = 10000;

struct Exchange {
    std::string Command;  // the exact line expected; empty reads any line
    std::string Reply;    // sent with CR LF; lines inside separated by CR LF
};

const std::vector<Exchange> kLogin = {
    {"USER bob", "331 Password required"},
    {"PASS secret", "230 Logged in"},
    {"TYPE A", "200 Type set to A"},
    {"SYST", "215 UNIX Type: L8"},
};

void Play(ScriptedServer& server, const std::vector<Exchange>& exchanges) {
    for (const auto& e : exchanges) {
        if (e.Command.empty())
            server.ReadLine();
        else
            server.ExpectLine(e.Command);
        server.Send(e.Reply + "\r\n");
    }
}

std::string ReadUntilClose(int fd) {
    std::string data;
    char buffer[65536];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, PeerWaitMs) > 0) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

bool ParsePort(const std::string& line, sockaddr_in& addr) {
    unsigned h[4], p[2];
    if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
        return false;
    addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]);
    addr.sin_port = htons(static_cast<uint16_t>(p[0] * 256 + p[1]));
    return true;
}

std::string LastPortLine(const ScriptedServer& server) {
    auto lines = server.Lines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->rfind("PORT ", 0) == 0)
            return *it;
    return {};
}

bool CanConnect(const sockaddr_in& addr) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// Server side of an active transfer: connect to the address the client named in PORT, take all it sends.
std::function<void(int)> ConnectToPortAndRead(ScriptedServer& server, std::string& sink) {
    return [&server, &sink](int) {
        sockaddr_in addr{};
        if (!ParsePort(LastPortLine(server), addr))
            return;
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            sink = ReadUntilClose(fd);
        ::close(fd);
    };
}

std::string Payload(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < size; ++i)
        bytes += "line " + std::to_string(i) + std::string(1, '\0') + "\r\n";
    bytes.resize(size);
    return bytes;
}

class FtpDialogue : public testing::Test {
protected:
    void SetUp() override {
        ftp.Host = "127.0.0.1";
        ftp.Port = server.Port();
        ftp.Username = "bob";
        ftp.Password = "secret";
        ftp.SetTransferType(ftASCII);
        // A script that goes astray must fail the test, not hang it.
        ftp.ReadTimeout = PeerWaitMs;
        ftp.OnConnected = [this] { events.push_back("connected"); };
        ftp.OnDisconnected = [this] { events.push_back("disconnected"); };
        ftp.OnStatus = [this](const std::string& s) { statuses.push_back(s); };
    }

    bool Saw(const std::string& status) const {
        return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
    }

    // Logs in, then stores payload with the given replies after the data connection closed.
    void UploadWithFinalReply(const std::string& finalReply, const std::string& payload, std::string& received) {
        server.Accept().Send("220 ready\r\n");
        Play(server, kLogin);
        Play(server, {{"", "200 PORT ok"}, {"STOR up.txt", "150 Opening"}});
        server.Do(ConnectToPortAndRead(server, received)).Send(finalReply + "\r\n");
        server.ExpectLine("NOOP").Send("200 ok\r\n").ExpectLine("QUIT").Close();
        server.Start();
        ftp.OpenConnection(true, -1);
        std::istringstream source(payload);
        std::exception_ptr failure;
        try {
            ftp.Upload(source, "up.txt", false);
        } catch (...) {
            failure = std::current_exception();
        }
        // Proves that every reply of the transfer was consumed.
        ftp.SendCommand("NOOP", {200});
        ftp.QuitAndClose();
        if (failure)
            std::rethrow_exception(failure);
    }

    ScriptedServer server;
    TNetFTP ftp;
    std::vector<std::string> events, statuses;
};

TEST_F(FtpDialogue, ActiveUploadSendsTheExactCommandsAndData) {
    const std::string payload = Payload(100000);  // several 32768-byte blocks
    std::string received;
    UploadWithFinalReply("226 Transfer complete", payload, received);
    ASSERT_TRUE(server.Finish()) << server.ErrorText();

    const std::string portLine = LastPortLine(server);
    EXPECT_TRUE(std::regex_match(portLine, std::regex(R"(PORT 127,0,0,1,\d{1,3},\d{1,3})"))) << portLine;
    EXPECT_EQ(server.Received(),
              "USER bob\r\nPASS secret\r\nTYPE A\r\nSYST\r\n" + portLine + "\r\nSTOR up.txt\r\nNOOP\r\nQUIT\r\n");
    EXPECT_EQ(received, payload);
    EXPECT_EQ(ftp.Greeting.NumericCode, 220);
    EXPECT_EQ(ftp.LoginReply().NumericCode, 230);
    EXPECT_EQ(ftp.SystemDesc(), "UNIX Type: L8");
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
    EXPECT_TRUE(Saw(NetFTPText::StatusConnectionEstablished));
    EXPECT_TRUE(Saw(NetFTPText::StatusStartingTransfer));
    EXPECT_TRUE(Saw(NetFTPText::StatusTransferComplete));
    EXPECT_FALSE(Saw(NetFTPText::StatusTransferAborted));
}

struct FinalReplyCase {
    const char* Replies;
    int ErrorCode;  // 0: the upload succeeds
    bool Aborted;
};

class FtpFinalReply : public FtpDialogue, public testing::WithParamInterface<FinalReplyCase> {};

TEST_P(FtpFinalReply, IsJudgedByItsCode) {
    const auto& c = GetParam();
    std::string received;
    if (c.ErrorCode == 0) {
        EXPECT_NO_THROW(UploadWithFinalReply(c.Replies, "abc", received));
    } else {
        try {
            UploadWithFinalReply(c.Replies, "abc", received);
            ADD_FAILURE() << "no error for " << c.Replies;
        } catch (const ENetProtocolReplyError& e) {
            EXPECT_EQ(e.ReplyErrorCode, c.ErrorCode);
        }
    }
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "abc");
    EXPECT_EQ(Saw(NetFTPText::StatusTransferAborted), c.Aborted);
}

INSTANTIATE_TEST_SUITE_P(Codes, FtpFinalReply,
                         testing::Values(FinalReplyCase{"226 ok", 0, false}, FinalReplyCase{"225 ok", 0, false},
                                         FinalReplyCase{"250 ok", 0, false},
                                         FinalReplyCase{"426 aborted\r\n226 closed", 0, true},
                                         FinalReplyCase{"450 busy\r\n225 closed", 0, true},
                                         FinalReplyCase{"451 local error", 451, false},
                                         FinalReplyCase{"426 aborted\r\n550 no", 550, false}));

TEST_F(FtpDialogue, UserAcceptedAtOnceGetsNoPassword) {
    server.Accept().Send("220 ready\r\n");
    Play(server, {{"USER bob", "230 Welcome"}, {"TYPE A", "200 ok"}, {"SYST", "215 UNIX"}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.OpenConnection(true, -1);
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "USER bob\r\nTYPE A\r\nSYST\r\nQUIT\r\n");
    EXPECT_EQ(ftp.LoginReply().NumericCode, 230);
}

TEST_F(FtpDialogue, SystemTypeRefusedReadsUnknown) {
    server.Accept().Send("220 ready\r\n");
    Play(server, {kLogin[0], kLogin[1], kLogin[2], {"SYST", "500 Unknown command"}});
    server.Start();
    ftp.OpenConnection(true, -1);
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_EQ(ftp.SystemDesc(), "Unknown");
}

TEST_F(FtpDialogue, TransferTypeIsSentAtOnceOnlyWhileConnected) {
    ftp.SetTransferType(ftBinary);
    server.Accept().Send("220 ready\r\n");
    Play(server, {kLogin[0], kLogin[1], {"TYPE I", "200 ok"}, kLogin[3], {"TYPE A", "200 ok"}});
    server.Start();
    ftp.OpenConnection(true, -1);
    ftp.SetTransferType(ftASCII);
    EXPECT_EQ(ftp.TransferType(), ftASCII);
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
}

struct LoginFailure {
    const char* Name;
    std::size_t FailingStep;  // index into the login exchanges; npos: the greeting
    const char* Reply;
    int Code;
};

class FtpLoginFailure : public FtpDialogue, public testing::WithParamInterface<LoginFailure> {};

TEST_P(FtpLoginFailure, ClosesTheConnectionAndRaisesTheReply) {
    const auto& c = GetParam();
    server.Accept();
    if (c.FailingStep == std::string::npos) {
        server.Send(std::string(c.Reply) + "\r\n");
    } else {
        server.Send("220 ready\r\n");
        std::vector<Exchange> steps(kLogin.begin(), kLogin.begin() + static_cast<long>(c.FailingStep) + 1);
        steps.back().Reply = c.Reply;
        Play(server, steps);
    }
    server.ReadUntilClose();
    server.Start();
    try {
        ftp.OpenConnection(true, -1);
        ADD_FAILURE() << "login went through";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, c.Code);
        EXPECT_EQ(std::string(e.what()), std::string(c.Reply).substr(4) + "\r\n");
    }
    EXPECT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "disconnected"}));
}

INSTANTIATE_TEST_SUITE_P(Steps, FtpLoginFailure,
                         testing::Values(LoginFailure{"Greeting", std::string::npos, "421 Too many users", 421},
                                         LoginFailure{"User", 0, "530 Not allowed", 530},
                                         LoginFailure{"Pass", 1, "530 Login incorrect", 530},
                                         LoginFailure{"Type", 2, "504 Not implemented", 504},
                                         LoginFailure{"Syst", 3, "421 Closing", 421}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FtpDialogue, RefusedStoreFreesTheDataPortAndKeepsControlOpen) {
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    Play(server, {{"", "200 PORT ok"}, {"STOR bad|name", "553 Could not create file."}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.OpenConnection(true, -1);
    std::istringstream source("abc");
    try {
        ftp.Upload(source, "bad|name", false);
        ADD_FAILURE() << "store went through";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, 553);
        EXPECT_STREQ(e.what(), "Could not create file.\r\n");
    }
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_FALSE(ftp.TransferRunning());
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    sockaddr_in dataAddr{};
    ASSERT_TRUE(ParsePort(LastPortLine(server), dataAddr));
    EXPECT_FALSE(CanConnect(dataAddr)) << "listening data socket left open";
}

TEST_F(FtpDialogue, RefusedPortSendsNoStore) {
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    Play(server, {{"", "501 Illegal PORT command"}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.OpenConnection(true, -1);
    std::istringstream source("abc");
    EXPECT_THROW(ftp.Upload(source, "up.txt", false), ENetProtocolReplyError);
    EXPECT_TRUE(ftp.IsConnected());
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(FtpDialogue, DataConnectionNeverOpenedEndsWithinTheBound) {
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    Play(server, {{"", "200 PORT ok"}, {"STOR up.txt", "150 Opening"}});
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.DataConnectTimeout = 300;
    ftp.OpenConnection(true, -1);
    std::istringstream source("abc");
    const auto started = std::chrono::steady_clock::now();
    try {
        ftp.Upload(source, "up.txt", false);
        ADD_FAILURE() << "upload without a data connection";
    } catch (const ENetException& e) {
        EXPECT_STREQ(e.what(), NetMsg::ListenTimedOut);
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_TRUE(ftp.IsConnected());
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
}

TEST_F(FtpDialogue, LineBreakInCredentialsIsRefusedBeforeConnecting) {
    const std::string bad[] = {"bob\r\nDELE index.html", "bob\n", std::string("bob\0x", 5), "bob\r"};
    server.Accept().ReadUntilClose();
    server.Start();
    for (const auto& value : bad) {
        for (bool inUser : {true, false}) {
            ftp.Username = inUser ? value : "bob";
            ftp.Password = inUser ? "secret" : value;
            try {
                ftp.OpenConnection(true, -1);
                ADD_FAILURE() << "accepted a line break";
            } catch (const ENetException& e) {
                EXPECT_STREQ(e.what(), NetFTPText::LineBreakInField);
            }
        }
    }
    server.Stop();
    EXPECT_EQ(server.Accepted(), 0);
    EXPECT_TRUE(events.empty());
}

TEST_F(FtpDialogue, BadRemoteNameOrMissingLocalFileSendsNothing) {
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    server.ExpectLine("NOOP").Send("200 ok\r\n").ExpectLine("QUIT").Close();
    server.Start();
    ftp.OpenConnection(true, -1);
    std::istringstream source("abc");
    EXPECT_THROW(ftp.Upload(source, "x\r\nDELE y", false), ENetException);
    EXPECT_THROW(ftp.Upload(source, std::string("x\0y", 3), false), ENetException);
    EXPECT_THROW(ftp.UploadFile("/nonexistent/kestrune/template.html", "up.txt", false), std::system_error);
    ftp.SendCommand("NOOP", {200});
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(server.Received(), "USER bob\r\nPASS secret\r\nTYPE A\r\nSYST\r\nNOOP\r\nQUIT\r\n");
}

TEST_F(FtpDialogue, PassiveUploadConnectsToTheControlPeerWhateverTheReplyNames) {
    // A data listener on 127.0.0.1; the reply names 127.0.0.2, where nothing listens.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    const std::string pasv = "227 Entering Passive Mode (127,0,0,2," + std::to_string(port / 256) + "," +
                             std::to_string(port % 256) + ")";
    std::string received;
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    Play(server, {{"PASV", pasv}, {"STOR up.txt", "150 Opening"}});
    server.Do([&](int) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, PeerWaitMs) > 0) {
            int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            received = ReadUntilClose(fd);
            ::close(fd);
        }
    });
    server.Send("226 done\r\n").ExpectLine("QUIT").Close();
    server.Start();
    ftp.Passive = true;
    ftp.OpenConnection(true, -1);
    std::istringstream source("passive bytes\r\n");
    ftp.Upload(source, "up.txt", false);
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    ::close(listener);
    EXPECT_EQ(received, "passive bytes\r\n");
}

// A window handler that runs while the client waits for the server's data connection and tries to use
// the client again.
class ReentrantHook : public TNetWaitHook {
public:
    explicit ReentrantHook(TNetFTP& ftp) : fFtp(ftp) {}
    short Wait(int fd, short events, int timeoutMs) override {
        const bool dataWait = fFtp.TransferRunning() && fd != fFtp.IOHandler()->Handle();
        if (dataWait && Attempts == 0) {
            // A type change while the data connection exists is dropped silently.
            fFtp.SetTransferType(ftBinary);
            for (auto attempt : {+[](TNetFTP& f) { f.QuitAndClose(); },
                                 +[](TNetFTP& f) { f.OpenConnection(true, -1); },
                                 +[](TNetFTP& f) { f.Login(); }}) {
                ++Attempts;
                try {
                    attempt(fFtp);
                } catch (const ENetClientBusy&) {
                    ++Refused;
                }
            }
        }
        return TNetAntiFreeze::PollWait(fd, events, timeoutMs);
    }
    int Attempts = 0;
    int Refused = 0;

private:
    TNetFTP& fFtp;
};

TEST_F(FtpDialogue, SecondEntryDuringTheDataWaitIsRefused) {
    std::string received;
    server.Accept().Send("220 ready\r\n");
    Play(server, kLogin);
    Play(server, {{"", "200 PORT ok"}, {"STOR up.txt", "150 Opening"}});
    server.Do(ConnectToPortAndRead(server, received)).Send("226 done\r\n");
    server.ExpectLine("QUIT").Close();
    server.Start();
    ftp.OpenConnection(true, -1);
    ReentrantHook hook(ftp);
    TNetAntiFreeze::InstallHook(&hook);
    std::istringstream source("data");
    try {
        ftp.Upload(source, "up.txt", false);
    } catch (...) {
        TNetAntiFreeze::InstallHook(nullptr);
        throw;
    }
    TNetAntiFreeze::InstallHook(nullptr);
    EXPECT_EQ(hook.Attempts, 3);
    EXPECT_EQ(hook.Refused, 3);
    ftp.QuitAndClose();
    ASSERT_TRUE(server.Finish()) << server.ErrorText();
    EXPECT_EQ(received, "data");
    EXPECT_EQ(ftp.TransferType(), ftASCII);
    const auto lines = server.Lines();
    EXPECT_EQ(lines.back(), "QUIT");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "QUIT"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TYPE I"), 0);
}
} // namespace
