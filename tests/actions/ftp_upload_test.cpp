// The template upload against a real FTP server on 127.0.0.1.
#include "ActionErrors.h"
#include "FtpServer.h"
#include "FtpUpload.h"
#include "NetExceptions.h"
#include "NetFTP.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "VsftpdServer.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
class FtpUpload : public testing::Test {
protected:
    FtpUpload() : server("bob", "s3cret") {}

    void SetUp() override {
        // What the window binds: a flag that tells whether a connection stood.
        ftp.OnConnected = [this] { connectedFlag = true; ++connects; };
        ftp.OnDisconnected = [this] { connectedFlag = false; };
        job.Host = "127.0.0.1";
        job.Username = "bob";
        job.Password = "s3cret";
        job.LocalTemplate = local.Write("template.html", "{IP}\n");
        job.RemoteFile = "ip.html";
        job.Address = "203.0.113.7";
        job.UploadFile = local.File("kestrune.tmp");
        ftp.Port = server.Port();
    }

    void Upload() {
        try {
            UploadTemplate(ftp, job, [this](const std::string& s) { statuses.push_back(s); });
        } catch (...) {
            CloseLikeTheWindow();
            throw;
        }
        CloseLikeTheWindow();
    }

    void CloseLikeTheWindow() {
        if (connectedFlag)
            ftp.QuitAndClose();
    }

    TFtpServer server;
    testsupport::TempDir local;
    TNetFTP ftp;
    TFtpUploadJob job;
    bool connectedFlag = false;
    int connects = 0;
    std::vector<std::string> statuses;
};

TEST_F(FtpUpload, StoresTheFilledTemplateWithCrLfLines) {
    job.LocalTemplate = local.Write("template.html", "<a href=\"http://{IP}/\">{ip}</a>\r\nsecond {Ip} line\n"
                                                     "{IP{iP}}\nlast {iP}");
    job.RemoteFile = "C:\\www\\site\\ip.html";
    const std::string expected = "<a href=\"http://203.0.113.7/\">203.0.113.7</a>\r\nsecond 203.0.113.7 line\r\n"
                                 "{IP203.0.113.7}\r\nlast 203.0.113.7\r\n";
    Upload();
    EXPECT_EQ(server.ReadStored("ip.html"), expected);
    EXPECT_EQ(local.Read("kestrune.tmp"), expected);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Connecting to 127.0.0.1...", "Connected to 127.0.0.1."}));
    EXPECT_FALSE(connectedFlag);
    EXPECT_EQ(connects, 1);
}

TEST_F(FtpUpload, EmptyTemplateStoresAnEmptyFile) {
    job.LocalTemplate = local.Write("empty.html", "");
    Upload();
    EXPECT_EQ(server.ReadStored("ip.html"), "");
}

TEST_F(FtpUpload, RemoteNameIsThePartAfterTheLastBackslashOrColon) {
    std::filesystem::create_directory(server.Root() / "sub");
    const struct {
        const char* Typed;
        const char* Stored;
    } cases[] = {
        {"C:\\www\\a.html", "a.html"},
        {"site:b.html", "b.html"},
        {"x\\y:c.html", "c.html"},
        {"sub/d.html", "sub/d.html"},
    };
    for (const auto& c : cases) {
        job.RemoteFile = c.Typed;
        Upload();
        EXPECT_EQ(server.ReadStored(c.Stored), "203.0.113.7\r\n") << c.Typed;
    }
    EXPECT_EQ(connects, 4);
    EXPECT_EQ(statuses.size(), 8u) << "the connected notice must not pile up across uploads";
}

TEST_F(FtpUpload, WrongPasswordRaisesBeforeTheUploadFileIsBuilt) {
    job.Password = "wrong";
    try {
        Upload();
        ADD_FAILURE() << "upload with a wrong password";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, 530);
    }
    EXPECT_EQ(connects, 1);
    EXPECT_FALSE(connectedFlag) << "the failed login must end the connection";
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(job.UploadFile));
}

TEST_F(FtpUpload, MissingTemplateFailsAfterLoginAndLeavesTheConnectionToClose) {
    job.LocalTemplate = local.File("missing.html");
    EXPECT_THROW(UploadTemplate(ftp, job, nullptr), EActionFileError);
    EXPECT_TRUE(connectedFlag);
    EXPECT_TRUE(ftp.IsConnected());
    ftp.QuitAndClose();
    EXPECT_FALSE(connectedFlag);
    EXPECT_THROW(server.ReadStored("ip.html"), std::runtime_error);
}

TEST_F(FtpUpload, LineBreakInTheRemoteNameIsRefusedBeforeConnecting) {
    job.RemoteFile = "ip.html\r\nDELE index.html";
    EXPECT_THROW(Upload(), ENetException);
    EXPECT_EQ(connects, 0);
    EXPECT_TRUE(statuses.empty());
}
TEST_F(FtpUpload, AServerThatCannotReachTheClientGetsOnePassiveTryOnANewConnection) {
    TFtpServer natted("bob", "s3cret", {}, {}, true);
    job.Host = "127.0.0.1:" + std::to_string(natted.Port());
    bool passiveWorked = false;
    ASSERT_NO_THROW(passiveWorked = UploadTemplate(ftp, job, [this](const std::string& s) { statuses.push_back(s); }));
    CloseLikeTheWindow();
    EXPECT_TRUE(passiveWorked);
    EXPECT_EQ(natted.ReadStored("ip.html"), "203.0.113.7\r\n");
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(ftp.Port, server.Port());  // the field's port was for that upload only

    // Passive from the start needs no second connection; active against a server that refuses it for
    // another reason is not retried.
    job.Passive = true;
    EXPECT_FALSE(UploadTemplate(ftp, job, nullptr));
    CloseLikeTheWindow();
    EXPECT_EQ(connects, 3);
    job.Passive = false;
    job.Host = "127.0.0.1";
    job.RemoteFile = "missing/ip.html";
    EXPECT_THROW(Upload(), ENetProtocolReplyError);
    EXPECT_EQ(connects, 4);
}

TEST_F(FtpUpload, TheTlsChoicesReachTheClient) {
    if (!testsupport::VsftpdServer::available())
        GTEST_SKIP() << "vsftpd is not installed (scripts/install-deps)";
    const testsupport::TrustTestAuthority trust;
    const auto& certificates = testsupport::TestCertificates::get();
    testsupport::VsftpdServer trusted(certificates.serverCert(), certificates.serverKey());
    testsupport::VsftpdServer selfSigned(certificates.selfSignedCert(), certificates.selfSignedKey());
    job.Username = "anonymous";
    job.Password = "kestrune@";
    job.TLS = true;
    job.Passive = true;
    job.Host = "localhost:" + std::to_string(trusted.port());
    ASSERT_NO_THROW(Upload()) << trusted.log();
    EXPECT_EQ(trusted.readStored("ip.html"), "203.0.113.7\r\n");

    job.Host = "localhost:" + std::to_string(selfSigned.port());
    EXPECT_THROW(Upload(), ENetOSSLCertificateError);
    job.AnyCertificate = true;
    ASSERT_NO_THROW(Upload()) << selfSigned.log();
    EXPECT_EQ(selfSigned.readStored("ip.html"), "203.0.113.7\r\n");
}

TEST(FtpHostField, APortAfterTheColonOrTheDefault) {
    EXPECT_EQ(FtpHostAndPort("ftp.example.org").Host, "ftp.example.org");
    EXPECT_EQ(FtpHostAndPort("ftp.example.org").Port, 21);
    EXPECT_EQ(FtpHostAndPort("ftp.example.org", 2100).Port, 2100);
    EXPECT_EQ(FtpHostAndPort("10.0.0.1:2121").Host, "10.0.0.1");
    EXPECT_EQ(FtpHostAndPort("10.0.0.1:2121").Port, 2121);
    EXPECT_EQ(FtpHostAndPort("h:65535").Port, 65535);
    for (const char* bad : {"h:", "h:0", "h:65536", "h:21a", "h:-1", "h:1:2", "h:123456"})
        EXPECT_THROW(FtpHostAndPort(bad), ENetException) << bad;
}

} // namespace
