#pragma once

#include "NetMessage.h"
#include "NetTCPConnection.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

enum TNetSMTPAuthenticationType { atNone, atLogin };

// Delivers mail messages to an SMTP server over the line-oriented connection; with a TLS handler
// attached the whole dialogue is encrypted from the first byte, or from STARTTLS on (RequireStartTLS).
class TNetSMTP : public TNetTCPClient {
public:
    TNetSMTP();
    ~TNetSMTP() override;

    std::string Username;
    std::string Password;
    std::string HeloName;  // empty: the local host name
    std::string MailAgent; // "X-Mailer" value; empty: no such header
    // Connect upgrades to TLS with STARTTLS after the first EHLO and greets again; a server that does
    // not offer it fails the connect, never continuing in plain text. Needs a TLS handler attached
    // with PassThrough on.
    bool RequireStartTLS = false;

    // atLogin: AUTH LOGIN when announced, else AUTH PLAIN when announced. It also switches EHLO on; switching EHLO off falls back to atNone.
    void SetAuthenticationType(TNetSMTPAuthenticationType type);
    TNetSMTPAuthenticationType AuthenticationType() const { return fAuthenticationType; }
    void SetUseEhlo(bool use);
    bool UseEhlo() const { return fUseEhlo; }

    // Schemes the server announced in its EHLO reply (upper case, no duplicates).
    const std::vector<std::string> &AuthSchemesSupported() const { return fAuthSchemes; }
    bool DidAuthenticate() const { return fDidAuthenticate; }

    // Connects, reads the greeting (220) and greets with EHLO or HELO; on failure the connection is
    // closed and the error propagates.
    void Connect(int timeoutMs = NetTimeoutDefault);
    // One mail transaction: RSET, AUTH LOGIN or PLAIN when asked and announced, MAIL FROM, RCPT TO for every
    // recipient, DATA, the header block and body, ".". Texts holding CR, LF or NUL are refused first.
    void SendMessage(TNetMessage &message);
    // Says "QUIT" (without awaiting the reply) when still connected, then closes.
    void CloseConnection() override;

private:
    class TWaitLimit;
    int Command(const std::string &line, const TNetReplyCodes &allowed);
    void Greet();
    void RecordAuthSchemes(const std::vector<std::string> &ehloLines);
    bool Announced(const std::string &scheme) const;
    void AuthenticateLogin();
    void AuthenticatePlain();
    void StartTLS(const std::string &name);
    int ConnectLimit(int timeoutMs) const;

    TNetSMTPAuthenticationType fAuthenticationType = atNone;
    bool fUseEhlo = true;
    std::vector<std::string> fAuthSchemes;
    bool fDidAuthenticate = false;
};
