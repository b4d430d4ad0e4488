#pragma once

#include "PeerProcess.h"
#include "TempDir.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Makes a self-signed certificate for "localhost" and its key (PEM files) with the openssl command.
void MakeSelfSignedCertificate(const std::filesystem::path &certFile, const std::filesystem::path &keyFile);

// A real SMTP server (aiosmtpd under the system Python) on 127.0.0.1 that stores every message it
// accepts in a fresh temporary folder. Plain or TLS from the first byte (with a self-signed
// certificate made for it by the openssl command); with a user it offers AUTH LOGIN, checks the
// credentials and refuses mail from a session that did not log in. Stopped by its process id.
class SmtpServer {
public:
    struct Options {
        bool Tls = false;
        std::string User; // empty: no login offered or needed
        std::string Password;
        std::string Mechanism = "LOGIN"; // the one AUTH mechanism offered: LOGIN or PLAIN
        bool StartTls = false;           // offers STARTTLS and insists on it
        // The server's certificate and key for either TLS form; empty: a self-signed one made here.
        std::filesystem::path CertFile = {};
        std::filesystem::path KeyFile = {};
    };
    struct StoredMail {
        std::string Data;                    // as received after DATA, dot-stuffing removed
        std::vector<std::string> Envelope;   // "MAIL FROM:<..>", "RCPT TO:<..>"..., "LOGIN user" / "PLAIN user"
    };

    explicit SmtpServer(const Options &options);
    SmtpServer(const SmtpServer &) = delete;
    SmtpServer &operator=(const SmtpServer &) = delete;

    uint16_t Port() const { return fProcess.Port(); }
    // The messages stored so far, in the order they arrived.
    std::vector<StoredMail> Stored() const;

private:
    testsupport::TempDir fFolder{"kestrune-smtp"};
    testsupport::PeerProcess fProcess; // stopped before the folder goes
};
