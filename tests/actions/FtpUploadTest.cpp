// The template upload against a real FTP server on 127.0.0.1.
#include "ActionErrors.h"
#include "FtpServer.h"
#include "FtpUpload.h"
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "VsftpdServer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kestrune::actions;
using namespace kestrune::net;

namespace {
class FtpUpload : public testing::Test {
protected:
    FtpUpload() : server("bob", "s3cret") {}

    void SetUp() override {
        // What the window binds: a flag that tells whether a connection stood.
        ftp.onConnected = [this] { connectedFlag = true; ++connects; };
        ftp.onDisconnected = [this] { connectedFlag = false; };
        job.host = "127.0.0.1";
        job.username = "bob";
        job.password = "s3cret";
        job.localTemplate = local.Write("template.html", "{IP}\n");
        job.remoteFile = "ip.html";
        job.address = "203.0.113.7";
        job.uploadFile = local.File("kestrune.tmp");
        ftp.port = server.Port();
    }

    void Upload() {
        try {
            uploadTemplate(ftp, job, [this](const std::string& s) { statuses.push_back(s); });
        } catch (...) {
            CloseLikeTheWindow();
            throw;
        }
        CloseLikeTheWindow();
    }

    void CloseLikeTheWindow() {
        if (connectedFlag)
            ftp.quitAndClose();
    }

    FtpServer server;
    testsupport::TempDir local;
    FtpClient ftp;
    FtpUploadJob job;
    bool connectedFlag = false;
    int connects = 0;
    std::vector<std::string> statuses;
};

TEST_F(FtpUpload, StoresTheFilledTemplateWithCrLfLines) {
    job.localTemplate = local.Write("template.html", "<a href=\"http://{IP}/\">{ip}</a>\r\nsecond {Ip} line\n"
                                                     "{IP{iP}}\nlast {iP}");
    job.remoteFile = "C:\\www\\site\\ip.html";
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
    job.localTemplate = local.Write("empty.html", "");
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
        job.remoteFile = c.Typed;
        Upload();
        EXPECT_EQ(server.ReadStored(c.Stored), "203.0.113.7\r\n") << c.Typed;
    }
    EXPECT_EQ(connects, 4);
    EXPECT_EQ(statuses.size(), 8u) << "the connected notice must not pile up across uploads";
}

TEST_F(FtpUpload, WrongPasswordRaisesBeforeTheUploadFileIsBuilt) {
    job.password = "wrong";
    try {
        Upload();
        ADD_FAILURE() << "upload with a wrong password";
    } catch (const ReplyError& e) {
        EXPECT_EQ(e.replyErrorCode, 530);
    }
    EXPECT_EQ(connects, 1);
    EXPECT_FALSE(connectedFlag) << "the failed login must end the connection";
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(job.uploadFile));
}

TEST_F(FtpUpload, MissingTemplateFailsAfterLoginAndLeavesTheConnectionToClose) {
    job.localTemplate = local.File("missing.html");
    EXPECT_THROW(uploadTemplate(ftp, job, nullptr), FileActionError);
    EXPECT_TRUE(connectedFlag);
    EXPECT_TRUE(ftp.isConnected());
    ftp.quitAndClose();
    EXPECT_FALSE(connectedFlag);
    EXPECT_THROW(server.ReadStored("ip.html"), std::runtime_error);
}

TEST_F(FtpUpload, LineBreakInTheRemoteNameIsRefusedBeforeConnecting) {
    job.remoteFile = "ip.html\r\nDELE index.html";
    EXPECT_THROW(Upload(), NetworkError);
    EXPECT_EQ(connects, 0);
    EXPECT_TRUE(statuses.empty());
}
TEST_F(FtpUpload, AServerThatCannotReachTheClientGetsOnePassiveTryOnANewConnection) {
    FtpServer natted("bob", "s3cret", {}, {}, true);
    job.host = "127.0.0.1:" + std::to_string(natted.Port());
    bool passiveWorked = false;
    ASSERT_NO_THROW(passiveWorked = uploadTemplate(ftp, job, [this](const std::string& s) { statuses.push_back(s); }));
    CloseLikeTheWindow();
    EXPECT_TRUE(passiveWorked);
    EXPECT_EQ(natted.ReadStored("ip.html"), "203.0.113.7\r\n");
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(ftp.port, server.Port());  // the field's port was for that upload only

    // Passive from the start needs no second connection; active against a server that refuses it for
    // another reason is not retried.
    job.passive = true;
    EXPECT_FALSE(uploadTemplate(ftp, job, nullptr));
    CloseLikeTheWindow();
    EXPECT_EQ(connects, 3);
    job.passive = false;
    job.host = "127.0.0.1";
    job.remoteFile = "missing/ip.html";
    EXPECT_THROW(Upload(), ReplyError);
    EXPECT_EQ(connects, 4);
}

TEST_F(FtpUpload, TheTlsChoicesReachTheClient) {
    if (!testsupport::VsftpdServer::available())
        GTEST_SKIP() << "vsftpd is not installed (scripts/install-deps)";
    const testsupport::TrustTestAuthority trust;
    const auto& certificates = testsupport::TestCertificates::get();
    testsupport::VsftpdServer trusted(certificates.serverCert(), certificates.serverKey());
    testsupport::VsftpdServer selfSigned(certificates.selfSignedCert(), certificates.selfSignedKey());
    job.username = "anonymous";
    job.password = "kestrune@";
    job.tls = true;
    job.passive = true;
    job.host = "localhost:" + std::to_string(trusted.port());
    ASSERT_NO_THROW(Upload()) << trusted.log();
    EXPECT_EQ(trusted.readStored("ip.html"), "203.0.113.7\r\n");

    job.host = "localhost:" + std::to_string(selfSigned.port());
    EXPECT_THROW(Upload(), TlsCertificateError);
    job.anyCertificate = true;
    ASSERT_NO_THROW(Upload()) << selfSigned.log();
    EXPECT_EQ(selfSigned.readStored("ip.html"), "203.0.113.7\r\n");
}

TEST(FtpHostField, APortAfterTheColonOrTheDefault) {
    EXPECT_EQ(ftpHostAndPort("ftp.example.org").host, "ftp.example.org");
    EXPECT_EQ(ftpHostAndPort("ftp.example.org").port, 21);
    EXPECT_EQ(ftpHostAndPort("ftp.example.org", 2100).port, 2100);
    EXPECT_EQ(ftpHostAndPort("10.0.0.1:2121").host, "10.0.0.1");
    EXPECT_EQ(ftpHostAndPort("10.0.0.1:2121").port, 2121);
    EXPECT_EQ(ftpHostAndPort("h:65535").port, 65535);
    for (const char* bad : {"h:", "h:0", "h:65536", "h:21a", "h:-1", "h:1:2", "h:123456"})
        EXPECT_THROW(ftpHostAndPort(bad), NetworkError) << bad;
}

} // namespace
