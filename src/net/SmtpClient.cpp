#include "SmtpClient.h"

#include "Base64.h"
#include "NetworkErrors.h"
#include "MailCoding.h"
#include "NetworkTexts.h"
#include "TlsTransport.h"
#include "Ascii.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>

namespace kestrune::net {

namespace {

std::string localHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

constexpr const char *kNoStartTLS = "The server does not offer STARTTLS; the mail was not sent in plain text.";
constexpr const char *kDataBeforeTLS = "The server sent data before the TLS handshake; the connection was closed.";

bool offersStartTls(const std::vector<std::string> &ehloLines)
{
    for (const std::string &line : ehloLines) {
        const std::string upper = ascii::upper(line);
        if (upper == "STARTTLS" || upper.rfind("STARTTLS ", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

// Narrows readTimeout to the time left for the duration of one step, then restores the setting.
class SmtpClient::WaitLimit {
public:
    explicit WaitLimit(SmtpClient &client) : m_client(client), m_saved(client.readTimeout) {}
    ~WaitLimit() { m_client.readTimeout = m_saved; }
    WaitLimit(const WaitLimit &) = delete;
    WaitLimit &operator=(const WaitLimit &) = delete;

    void narrow()
    {
        if (!m_client.hasTimeLimit())
            return;
        const int left = m_client.timeLimitLeftMs();
        if (left <= 0)
            throw ReadTimeoutError(texts::kReadTimeout);
        m_client.readTimeout = m_saved > 0 ? std::min(m_saved, left) : left;
    }

private:
    SmtpClient &m_client;
    int m_saved;
};

SmtpClient::SmtpClient() { port = 25; }

SmtpClient::~SmtpClient() = default;

void SmtpClient::setAuthenticationType(SmtpAuthentication type)
{
    m_authenticationType = type;
    if (type == SmtpAuthentication::Login)
        m_useEhlo = true;
}

void SmtpClient::setUseEhlo(bool use)
{
    m_useEhlo = use;
    if (!use)
        m_authenticationType = SmtpAuthentication::None;
}

int SmtpClient::connectLimit(int timeoutMs) const
{
    if (!hasTimeLimit())
        return timeoutMs;
    const int left = timeLimitLeftMs();
    if (left <= 0)
        throw ConnectTimeoutError(texts::kConnectTimedOut);
    return timeoutMs > 0 ? std::min(timeoutMs, left) : left;
}

int SmtpClient::command(const std::string &line, const ReplyCodes &allowed)
{
    WaitLimit limit(*this);
    limit.narrow();
    return sendCommand(line, allowed);
}

void SmtpClient::connect(int timeoutMs)
{
    Operation operation(*this);
    mailcoding::checkNoLineBreak(heloName, "greeting name");
    m_authSchemes.clear();
    m_didAuthenticate = false;
    openConnection(connectLimit(timeoutMs));
    try {
        greet();
    } catch (...) {
        try {
            TcpClient::closeConnection();
        } catch (const NetworkError &) {
            // the greeting's error is the one to report
        }
        throw;
    }
}

void SmtpClient::greet()
{
    {
        WaitLimit limit(*this);
        limit.narrow();
        readReply({220});
    }
    greeting = lastCmdResult;
    const std::string name = heloName.empty() ? localHostName() : heloName;
    if (m_useEhlo && command("EHLO " + name, {}) == 250) {
        recordAuthSchemes(lastCmdResult.text);
        if (requireStartTls)
            startTls(name);
        return;
    }
    if (requireStartTls)
        throw NetworkError(kNoStartTLS);
    command("HELO " + name, {250});
}

void SmtpClient::startTls(const std::string &name)
{
    auto *tls = dynamic_cast<TlsTransport *>(transport());
    if (!tls)
        throw TransportInvalidError(tlstexts::kConnectError);
    if (!offersStartTls(lastCmdResult.text))
        throw NetworkError(kNoStartTLS);
    command("STARTTLS", {220});
    // Bytes that arrived in plain text behind the reply would pass for protected ones (injection).
    if (inputBufferSize() > 0)
        throw NetworkError(kDataBeforeTLS);
    const int left = timeLimitLeftMs();
    const int limit = left >= 0 ? std::max(1, readTimeout > 0 ? std::min(left, readTimeout) : left) : readTimeout;
    tls->startTls(host, limit);
    // What the server announced in plain text may have been altered; only the protected list counts.
    m_authSchemes.clear();
    command("EHLO " + name, {250});
    recordAuthSchemes(lastCmdResult.text);
}

void SmtpClient::recordAuthSchemes(const std::vector<std::string> &ehloLines)
{
    for (const std::string &line : ehloLines) {
        std::string upper = ascii::upper(line);
        if (upper.rfind("AUTH ", 0) != 0 && upper.rfind("AUTH=", 0) != 0)
            continue;
        std::string rest = upper.substr(4);
        std::replace(rest.begin(), rest.end(), '=', ' ');
        std::size_t pos = 0;
        while ((pos = rest.find_first_not_of(' ', pos)) != std::string::npos) {
            const std::size_t end = std::min(rest.find(' ', pos), rest.size());
            std::string scheme = rest.substr(pos, end - pos);
            if (!announced(scheme))
                m_authSchemes.push_back(std::move(scheme));
            pos = end;
        }
    }
}

bool SmtpClient::announced(const std::string &scheme) const
{
    return std::find(m_authSchemes.begin(), m_authSchemes.end(), scheme) != m_authSchemes.end();
}

void SmtpClient::authenticateLogin()
{
    command("AUTH LOGIN", {334});
    command(encodeBase64(username), {334});
    command(encodeBase64(password), {235});
    m_didAuthenticate = true;
}

void SmtpClient::authenticatePlain()
{
    std::string credentials;
    credentials.push_back('\0');
    credentials += username;
    credentials.push_back('\0');
    credentials += password;
    command("AUTH PLAIN " + encodeBase64(credentials), {235});
    m_didAuthenticate = true;
}

void SmtpClient::sendMessage(MailMessage &message)
{
    Operation operation(*this);
    message.checkNoLineBreaks();
    mailcoding::checkNoLineBreak(username, "user name");
    setMailHeader(message.extraHeaders, "X-Mailer", mailAgent);
    // Built before the dialogue, so a failure here leaves the server out of its data mode.
    // The terminating "." travels with the message: written on its own it would wait for the
    // server's delayed acknowledgement of the last data segment (Nagle), some 40 ms per mail.
    const std::string data = message.headerBlock(std::time(nullptr)) + "\r\n" + message.bodyBlock() + ".\r\n";

    command("RSET", {});
    if (m_authenticationType == SmtpAuthentication::Login && !m_didAuthenticate) {
        if (announced("LOGIN"))
            authenticateLogin();
        else if (announced("PLAIN"))
            authenticatePlain();
    }
    command("MAIL FROM:<" + message.from.address + ">", {250});
    for (const EmailAddressList *list : {&message.recipients, &message.ccList, &message.bccList})
        for (const EmailAddress &item : *list)
            command("RCPT TO:<" + item.address + ">", {250, 251});
    command("DATA", {354});
    writeBytes(data);
    WaitLimit limit(*this);
    limit.narrow();
    readReply({250});
}

void SmtpClient::closeConnection()
{
    Operation operation(*this);
    try {
        if (isConnected())
            writeLine("QUIT");
    } catch (const ClientBusyError &) {
        throw;
    } catch (const NetworkError &) {
        // a peer that is already gone needs no goodbye
    }
    m_didAuthenticate = false;
    TcpClient::closeConnection();
}

} // namespace kestrune::net
