// Explicit FTPS against a real vsftpd that demands TLS on both connections and session reuse on the data one.
#include "NetworkErrors.h"
#include "FtpClient.h"
#include "TlsTransport.h"
#include "TestCertificates.h"
#include "VsftpdServer.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kestrune::net;

using testsupport::ExpectRaise;
using testsupport::TestCertificates;
using testsupport::TrustTestAuthority;
using testsupport::VsftpdServer;

namespace {

class FtpsTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!VsftpdServer::available())
            GTEST_SKIP() << "vsftpd is not installed (scripts/install-deps)";
    }
    static void aim(FtpClient& ftp, const VsftpdServer& server, const std::string& host)
    {
        ftp.host = host;
        ftp.port = server.port();
        ftp.username = "anonymous";
        ftp.password = "kestrune@";
        ftp.useTls = true;
        ftp.controlTls().tlsOptions.verifyMode = kVerifyPeer;
        ftp.setTransferType(FtpTransferType::Ascii);
    }
    static void store(FtpClient& ftp, const std::string& name, const std::string& bytes)
    {
        std::istringstream source(bytes);
        ftp.upload(source, name, false);
    }
};

TEST_F(FtpsTest, PassiveAndActiveUploadsResumeTheControlSessionOnAVerifiedServer)
{
    const TrustTestAuthority trust;
    VsftpdServer server(TestCertificates::get().serverCert(), TestCertificates::get().serverKey());
    FtpClient ftp;
    aim(ftp, server, "localhost");
    ftp.passive = true;
    ASSERT_NO_THROW(ftp.openConnection(true, -1)) << server.log();
    ASSERT_NO_THROW(store(ftp, "passive.html", "ip 203.0.113.7\r\n")) << server.log();
    EXPECT_EQ(server.readStored("passive.html"), "ip 203.0.113.7\r\n");
    ftp.passive = false;
    ASSERT_NO_THROW(store(ftp, "active.html", "second\r\n")) << server.log();
    EXPECT_EQ(server.readStored("active.html"), "second\r\n");
    ftp.quitAndClose();
}

TEST_F(FtpsTest, AnUntrustedCertificateEndsTheDialogueBeforeTheLoginUnlessAnyIsAccepted)
{
    const TrustTestAuthority trust;
    VsftpdServer server(TestCertificates::get().selfSignedCert(), TestCertificates::get().selfSignedKey());
    FtpClient ftp;
    aim(ftp, server, "localhost");
    ftp.passive = true;
    ExpectRaise<TlsCertificateError>([&] { ftp.openConnection(true, -1); },
                                          "certificate verify failed: self-signed certificate");
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(server.log().find("LOGIN"), std::string::npos) << server.log();

    ftp.controlTls().tlsOptions.verifyMode = 0;
    ASSERT_NO_THROW(ftp.openConnection(true, -1)) << server.log();
    ASSERT_NO_THROW(store(ftp, "any.html", "any\r\n")) << server.log();
    EXPECT_EQ(server.readStored("any.html"), "any\r\n");
    ftp.quitAndClose();
}

} // namespace
