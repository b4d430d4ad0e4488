// The FTP client against a real FTP server on 127.0.0.1.
#include "FtpServer.h"
#include "NetExceptions.h"
#include "NetFTP.h"
#include "TempDir.h"

#include "Raises.h"

#include <gtest/gtest.h>

using testsupport::ExpectRaise;

namespace {
class FtpRealServer : public testing::Test {
protected:
    FtpRealServer() : server("bob", "s3cret", "reader", "s3cret") {}

    void SetUp() override {
        ftp.Host = "127.0.0.1";
        ftp.Port = server.Port();
        ftp.Username = "bob";
        ftp.Password = "s3cret";
        ftp.SetTransferType(ftASCII);
        ftp.OnConnected = [this] { ++connected; };
        ftp.OnDisconnected = [this] { ++disconnected; };
    }

    static std::string Lines(std::size_t size) {
        std::string text;
        for (int i = 0; text.size() < size; ++i)
            text += "<p>address {IP} number " + std::to_string(i) + "</p>\r\n";
        return text;
    }

    TFtpServer server;
    testsupport::TempDir local;
    TNetFTP ftp;
    int connected = 0, disconnected = 0;
};

TEST_F(FtpRealServer, ActiveUploadStoresTheFileByteForByteAndReplacesIt) {
    const std::string first = Lines(120000);
    const std::string second = "short\r\n";
    ftp.OpenConnection(true, -1);
    EXPECT_EQ(ftp.Greeting.Text, std::vector<std::string>{"kestrune test server ready"});
    EXPECT_EQ(ftp.SystemDesc(), "UNIX Type: L8");
    ftp.UploadFile(local.Write("page.html", first), "page.html", false);
    EXPECT_EQ(server.ReadStored("page.html"), first);
    ftp.UploadFile(local.Write("page2.html", second), "page.html", false);
    EXPECT_EQ(server.ReadStored("page.html"), second);
    ftp.QuitAndClose();
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
}

TEST_F(FtpRealServer, PassiveUploadStoresTheFile) {
    ftp.Passive = true;
    ftp.OpenConnection(true, -1);
    ftp.UploadFile(local.Write("p.txt", "passive\r\n"), "p.txt", false);
    ftp.QuitAndClose();
    EXPECT_EQ(server.ReadStored("p.txt"), "passive\r\n");
}

TEST_F(FtpRealServer, WrongPasswordClosesTheConnection) {
    ftp.Password = "wrong";
    if (const auto e = ExpectRaise<ENetProtocolReplyError>([&] { ftp.OpenConnection(true, -1); },
                                                           "Authentication failed.\r\n")) {
        EXPECT_EQ(e->ReplyErrorCode, 530);
    }
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
}

TEST_F(FtpRealServer, RefusedStoreKeepsTheControlConnectionUsable) {
    ftp.Username = "reader";
    ftp.OpenConnection(true, -1);
    if (const auto e = ExpectRaise<ENetProtocolReplyError>(
            [&] { ftp.UploadFile(local.Write("page.html", "x"), "page.html", false); }, "Not enough privileges.\r\n")) {
        EXPECT_EQ(e->ReplyErrorCode, 550);
    }
    ASSERT_TRUE(ftp.IsConnected());
    EXPECT_EQ(ftp.SendCommand("NOOP", {200}), 200);
    ftp.QuitAndClose();
    EXPECT_EQ(disconnected, 1);
    EXPECT_THROW(server.ReadStored("page.html"), std::runtime_error);
}
} // namespace
