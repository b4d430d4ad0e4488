#include "SmtpServer.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace {

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

void MakeSelfSignedCertificate(const std::filesystem::path &certFile, const std::filesystem::path &keyFile)
{
    if (!testsupport::RunToEnd({KESTRUNE_OPENSSL_COMMAND, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                                "-keyout", keyFile.string(), "-out", certFile.string()}))
        throw std::runtime_error("openssl could not make the test certificate");
}

SmtpServer::SmtpServer(const Options &options)
{
    const std::filesystem::path folder = fFolder.Path();
    std::vector<std::string> args = {KESTRUNE_SYSTEM_PYTHON, KESTRUNE_SMTP_SERVER_SCRIPT, folder.string()};
    if (options.Tls || options.StartTls) {
        std::filesystem::path cert = options.CertFile, key = options.KeyFile;
        if (cert.empty()) {
            cert = folder / "cert.pem";
            key = folder / "key.pem";
            MakeSelfSignedCertificate(cert, key);
        }
        args.insert(args.end(), {options.Tls ? "--tls" : "--starttls", cert.string(), key.string()});
    }
    if (!options.User.empty())
        args.insert(args.end(), {"--login", options.User, options.Password, "--mechanism", options.Mechanism});
    fProcess.Start(std::move(args), "SMTP test server");
}

std::vector<SmtpServer::StoredMail> SmtpServer::Stored() const
{
    const std::filesystem::path folder = fFolder.Path();
    std::vector<StoredMail> mails;
    for (int n = 1;; ++n) {
        const std::filesystem::path data = folder / (std::to_string(n) + ".eml");
        if (!std::filesystem::exists(data))
            return mails;
        StoredMail mail;
        mail.Data = ReadFile(data);
        std::istringstream envelope(ReadFile(folder / (std::to_string(n) + ".env")));
        for (std::string line; std::getline(envelope, line);)
            mail.Envelope.push_back(line);
        mails.push_back(std::move(mail));
    }
}
