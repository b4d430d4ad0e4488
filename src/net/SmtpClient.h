#pragma once

#include "MailMessage.h"
#include "TcpConnection.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::net {

enum class SmtpAuthentication { None, Login };

// Delivers mail messages to an SMTP server over the line-oriented connection; with a TLS handler
// attached the whole dialogue is encrypted from the first byte, or from STARTTLS on (requireStartTls).
class SmtpClient : public TcpClient {
public:
    SmtpClient();
    ~SmtpClient() override;

    std::string username;
    std::string password;
    std::string heloName;  // empty: the local host name
    std::string mailAgent; // "X-Mailer" value; empty: no such header
    // Connect upgrades to TLS with STARTTLS after the first EHLO and greets again; a server that does
    // not offer it fails the connect, never continuing in plain text. Needs a TLS handler attached
    // with passThrough on.
    bool requireStartTls = false;

    // SmtpAuthentication::Login: AUTH LOGIN when announced, else AUTH PLAIN when announced. It also switches EHLO on; switching EHLO off falls back to SmtpAuthentication::None.
    void setAuthenticationType(SmtpAuthentication type);
    SmtpAuthentication authenticationType() const { return m_authenticationType; }
    void setUseEhlo(bool use);
    bool useEhlo() const { return m_useEhlo; }

    // Schemes the server announced in its EHLO reply (upper case, no duplicates).
    const std::vector<std::string> &authSchemesSupported() const { return m_authSchemes; }
    bool didAuthenticate() const { return m_didAuthenticate; }

    // Connects, reads the greeting (220) and greets with EHLO or HELO; on failure the connection is
    // closed and the error propagates.
    void connect(int timeoutMs = kTimeoutDefault);
    // One mail transaction: RSET, AUTH LOGIN or PLAIN when asked and announced, MAIL FROM, RCPT TO for every
    // recipient, DATA, the header block and body, ".". Texts holding CR, LF or NUL are refused first.
    void sendMessage(MailMessage &message);
    // Says "QUIT" (without awaiting the reply) when still connected, then closes.
    void closeConnection() override;

private:
    class WaitLimit;
    int command(const std::string &line, const ReplyCodes &allowed);
    void greet();
    void recordAuthSchemes(const std::vector<std::string> &ehloLines);
    bool announced(const std::string &scheme) const;
    void authenticateLogin();
    void authenticatePlain();
    void startTls(const std::string &name);
    int connectLimit(int timeoutMs) const;

    SmtpAuthentication m_authenticationType = SmtpAuthentication::None;
    bool m_useEhlo = true;
    std::vector<std::string> m_authSchemes;
    bool m_didAuthenticate = false;
};

} // namespace kestrune::net
