#pragma once

#include "TempDir.h"

#include <optional>
#include <string>

namespace testsupport {

// Certificates for TLS tests, made by the openssl command in a temporary folder once per test program and
// never kept: a test certificate authority, a server certificate it signed for "localhost" and 127.0.0.1,
// and a self-signed certificate for "localhost" that no store trusts.
class TestCertificates {
public:
    static const TestCertificates& get();

    std::string caFile() const { return m_folder.File("ca.pem"); }
    std::string serverCert() const { return m_folder.File("server.pem"); }
    std::string serverKey() const { return m_folder.File("server.key"); }
    std::string selfSignedCert() const { return m_folder.File("self.pem"); }
    std::string selfSignedKey() const { return m_folder.File("self.key"); }
    // An empty folder: SSL_CERT_DIR pointing here adds no certificate.
    std::string emptyFolder() const { return m_folder.File("no-certs"); }
    // The authority alone in a folder under its hashed name, as the system's certificate folder has it.
    std::string hashedFolder() const { return m_folder.File("hashed"); }

private:
    TestCertificates();
    TempDir m_folder{"kestrune-certs"};
};

// While it lives, OpenSSL's default store is the test authority alone (SSL_CERT_FILE and SSL_CERT_DIR);
// the previous values come back at the end.
class TrustTestAuthority {
public:
    TrustTestAuthority();
    ~TrustTestAuthority();
    TrustTestAuthority(const TrustTestAuthority&) = delete;
    TrustTestAuthority& operator=(const TrustTestAuthority&) = delete;

private:
    std::optional<std::string> m_oldFile;
    std::optional<std::string> m_oldDir;
};

} // namespace testsupport
