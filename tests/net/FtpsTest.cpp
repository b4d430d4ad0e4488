// Explicit FTPS against a real vsftpd that demands TLS on both connections and session reuse on the data one.
#include "NetExceptions.h"
#include "NetFTP.h"
#include "NetSSLIOHandlerSocket.h"
#include "TestCertificates.h"
#include "VsftpdServer.h"

#include "Raises.h"

#include <gtest/gtest.h>

#include <sstream>

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
    static void aim(TNetFTP& ftp, const VsftpdServer& server, const std::string& host)
    {
        ftp.Host = host;
        ftp.Port = server.port();
        ftp.Username = "anonymous";
        ftp.Password = "kestrune@";
        ftp.UseTLS = true;
        ftp.ControlTLS().SSLOptions.VerifyMode = sslvrfPeer;
        ftp.SetTransferType(ftASCII);
    }
    static void store(TNetFTP& ftp, const std::string& name, const std::string& bytes)
    {
        std::istringstream source(bytes);
        ftp.Upload(source, name, false);
    }
};

TEST_F(FtpsTest, PassiveAndActiveUploadsResumeTheControlSessionOnAVerifiedServer)
{
    const TrustTestAuthority trust;
    VsftpdServer server(TestCertificates::get().serverCert(), TestCertificates::get().serverKey());
    TNetFTP ftp;
    aim(ftp, server, "localhost");
    ftp.Passive = true;
    ASSERT_NO_THROW(ftp.OpenConnection(true, -1)) << server.log();
    ASSERT_NO_THROW(store(ftp, "passive.html", "ip 203.0.113.7\r\n")) << server.log();
    EXPECT_EQ(server.readStored("passive.html"), "ip 203.0.113.7\r\n");
    ftp.Passive = false;
    ASSERT_NO_THROW(store(ftp, "active.html", "second\r\n")) << server.log();
    EXPECT_EQ(server.readStored("active.html"), "second\r\n");
    ftp.QuitAndClose();
}

TEST_F(FtpsTest, AnUntrustedCertificateEndsTheDialogueBeforeTheLoginUnlessAnyIsAccepted)
{
    const TrustTestAuthority trust;
    VsftpdServer server(TestCertificates::get().selfSignedCert(), TestCertificates::get().selfSignedKey());
    TNetFTP ftp;
    aim(ftp, server, "localhost");
    ftp.Passive = true;
    ExpectRaise<ENetOSSLCertificateError>([&] { ftp.OpenConnection(true, -1); },
                                          "certificate verify failed: self-signed certificate");
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(server.log().find("LOGIN"), std::string::npos) << server.log();

    ftp.ControlTLS().SSLOptions.VerifyMode = 0;
    ASSERT_NO_THROW(ftp.OpenConnection(true, -1)) << server.log();
    ASSERT_NO_THROW(store(ftp, "any.html", "any\r\n")) << server.log();
    EXPECT_EQ(server.readStored("any.html"), "any\r\n");
    ftp.QuitAndClose();
}

} // namespace
