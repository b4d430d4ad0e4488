// The FTP client against a real FTP server on 127.0.0.1.
#include "FtpServer.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "TempDir.h"

#include "Raises.h"

#include <gtest/gtest.h>

using namespace kestrune::net;

using testsupport::ExpectRaise;

namespace {
class FtpRealServer : public testing::Test {
protected:
    FtpRealServer() : server("bob", "s3cret", "reader", "s3cret") {}

    void SetUp() override {
        ftp.host = "127.0.0.1";
        ftp.port = server.Port();
        ftp.username = "bob";
        ftp.password = "s3cret";
        ftp.setTransferType(FtpTransferType::Ascii);
        ftp.onConnected = [this] { ++connected; };
        ftp.onDisconnected = [this] { ++disconnected; };
    }

    static std::string Lines(std::size_t size) {
        std::string text;
        for (int i = 0; text.size() < size; ++i)
            text += "<p>address {IP} number " + std::to_string(i) + "</p>\r\n";
        return text;
    }

    FtpServer server;
    testsupport::TempDir local;
    FtpClient ftp;
    int connected = 0, disconnected = 0;
};

TEST_F(FtpRealServer, ActiveUploadStoresTheFileByteForByteAndReplacesIt) {
    const std::string first = Lines(120000);
    const std::string second = "short\r\n";
    ftp.openConnection(true, -1);
    EXPECT_EQ(ftp.greeting.text, std::vector<std::string>{"kestrune test server ready"});
    EXPECT_EQ(ftp.systemDesc(), "UNIX Type: L8");
    ftp.uploadFile(local.Write("page.html", first), "page.html", false);
    EXPECT_EQ(server.ReadStored("page.html"), first);
    ftp.uploadFile(local.Write("page2.html", second), "page.html", false);
    EXPECT_EQ(server.ReadStored("page.html"), second);
    ftp.quitAndClose();
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
}

TEST_F(FtpRealServer, PassiveUploadStoresTheFile) {
    ftp.passive = true;
    ftp.openConnection(true, -1);
    ftp.uploadFile(local.Write("p.txt", "passive\r\n"), "p.txt", false);
    ftp.quitAndClose();
    EXPECT_EQ(server.ReadStored("p.txt"), "passive\r\n");
}

TEST_F(FtpRealServer, WrongPasswordClosesTheConnection) {
    ftp.password = "wrong";
    if (const auto e = ExpectRaise<ReplyError>([&] { ftp.openConnection(true, -1); },
                                                           "Authentication failed.\r\n")) {
        EXPECT_EQ(e->replyErrorCode, 530);
    }
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
}

TEST_F(FtpRealServer, RefusedStoreKeepsTheControlConnectionUsable) {
    ftp.username = "reader";
    ftp.openConnection(true, -1);
    if (const auto e = ExpectRaise<ReplyError>(
            [&] { ftp.uploadFile(local.Write("page.html", "x"), "page.html", false); }, "Not enough privileges.\r\n")) {
        EXPECT_EQ(e->replyErrorCode, 550);
    }
    ASSERT_TRUE(ftp.isConnected());
    EXPECT_EQ(ftp.sendCommand("NOOP", {200}), 200);
    ftp.quitAndClose();
    EXPECT_EQ(disconnected, 1);
    EXPECT_THROW(server.ReadStored("page.html"), std::runtime_error);
}
} // namespace
