#include "TestCertificates.h"

#include "PeerProcess.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

namespace {

void Openssl(std::vector<std::string> args)
{
    args.insert(args.begin(), KESTRUNE_OPENSSL_COMMAND);
    if (!RunToEnd(std::move(args)))
        throw std::runtime_error("openssl could not make the test certificates");
}

std::vector<std::string> NewKey(const std::string& keyFile)
{
    return {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", keyFile};
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::optional<std::string> Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

} // namespace

const TestCertificates& TestCertificates::get()
{
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates()
{
    std::filesystem::create_directory(emptyFolder());
    const std::string caKey = m_folder.File("ca.key");
    Openssl(Joined({"req", "-x509", "-days", "1", "-subj", "/CN=Kestrune Test CA", "-addext",
                    "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
                    "-out", caFile()},
                   NewKey(caKey)));
    const std::string request = m_folder.File("server.csr");
    Openssl(Joined({"req", "-subj", "/CN=localhost", "-out", request}, NewKey(serverKey())));
    const std::string extensions = m_folder.Write(
        "server.ext", "subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                      "extendedKeyUsage=serverAuth\n");
    Openssl({"x509", "-req", "-in", request, "-CA", caFile(), "-CAkey", caKey, "-CAcreateserial", "-days", "1",
             "-extfile", extensions, "-out", serverCert()});
    std::filesystem::create_directory(hashedFolder());
    std::filesystem::copy_file(caFile(), hashedFolder() + "/ca.pem");
    Openssl({"rehash", hashedFolder()});
    Openssl(Joined({"req", "-x509", "-days", "1", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost,IP:127.0.0.1", "-out", selfSignedCert()},
                   NewKey(selfSignedKey())));
}

TrustTestAuthority::TrustTestAuthority() : m_oldFile(Variable("SSL_CERT_FILE")), m_oldDir(Variable("SSL_CERT_DIR"))
{
    const TestCertificates& certificates = TestCertificates::get();
    ::setenv("SSL_CERT_FILE", certificates.caFile().c_str(), 1);
    ::setenv("SSL_CERT_DIR", certificates.emptyFolder().c_str(), 1);
}

TrustTestAuthority::~TrustTestAuthority()
{
    Restore("SSL_CERT_FILE", m_oldFile);
    Restore("SSL_CERT_DIR", m_oldDir);
}

} // namespace testsupport
