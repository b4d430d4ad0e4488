#include "NetSMTP.h"

#include "NetBase64.h"
#include "NetExceptions.h"
#include "NetMailCoding.h"
#include "NetMessages.h"
#include "NetSSLIOHandlerSocket.h"
#include "NetStrings.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>

namespace {

std::string LocalHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

constexpr const char *kNoStartTLS = "The server does not offer STARTTLS; the mail was not sent in plain text.";
constexpr const char *kDataBeforeTLS = "The server sent data before the TLS handshake; the connection was closed.";

bool OffersStartTLS(const std::vector<std::string> &ehloLines)
{
    for (const std::string &line : ehloLines) {
        const std::string upper = NetStr::Upper(line);
        if (upper == "STARTTLS" || upper.rfind("STARTTLS ", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

// Narrows ReadTimeout to the time left for the duration of one step, then restores the setting.
class TNetSMTP::TWaitLimit {
public:
    explicit TWaitLimit(TNetSMTP &client) : fClient(client), fSaved(client.ReadTimeout) {}
    ~TWaitLimit() { fClient.ReadTimeout = fSaved; }
    TWaitLimit(const TWaitLimit &) = delete;
    TWaitLimit &operator=(const TWaitLimit &) = delete;

    void Narrow()
    {
        if (!fClient.HasTimeLimit())
            return;
        const int left = fClient.TimeLimitLeftMs();
        if (left <= 0)
            throw ENetReadTimeout(NetMsg::ReadTimeout);
        fClient.ReadTimeout = fSaved > 0 ? std::min(fSaved, left) : left;
    }

private:
    TNetSMTP &fClient;
    int fSaved;
};

TNetSMTP::TNetSMTP() { Port = 25; }

TNetSMTP::~TNetSMTP() = default;

void TNetSMTP::SetAuthenticationType(TNetSMTPAuthenticationType type)
{
    fAuthenticationType = type;
    if (type == atLogin)
        fUseEhlo = true;
}

void TNetSMTP::SetUseEhlo(bool use)
{
    fUseEhlo = use;
    if (!use)
        fAuthenticationType = atNone;
}

int TNetSMTP::ConnectLimit(int timeoutMs) const
{
    if (!HasTimeLimit())
        return timeoutMs;
    const int left = TimeLimitLeftMs();
    if (left <= 0)
        throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
    return timeoutMs > 0 ? std::min(timeoutMs, left) : left;
}

int TNetSMTP::Command(const std::string &line, const TNetReplyCodes &allowed)
{
    TWaitLimit limit(*this);
    limit.Narrow();
    return SendCommand(line, allowed);
}

void TNetSMTP::Connect(int timeoutMs)
{
    TOperation operation(*this);
    NetMail::CheckNoLineBreak(HeloName, "greeting name");
    fAuthSchemes.clear();
    fDidAuthenticate = false;
    OpenConnection(ConnectLimit(timeoutMs));
    try {
        Greet();
    } catch (...) {
        try {
            TNetTCPClient::CloseConnection();
        } catch (const ENetException &) {
            // the greeting's error is the one to report
        }
        throw;
    }
}

void TNetSMTP::Greet()
{
    {
        TWaitLimit limit(*this);
        limit.Narrow();
        ReadReply({220});
    }
    Greeting = LastCmdResult;
    const std::string name = HeloName.empty() ? LocalHostName() : HeloName;
    if (fUseEhlo && Command("EHLO " + name, {}) == 250) {
        RecordAuthSchemes(LastCmdResult.Text);
        if (RequireStartTLS)
            StartTLS(name);
        return;
    }
    if (RequireStartTLS)
        throw ENetException(kNoStartTLS);
    Command("HELO " + name, {250});
}

void TNetSMTP::StartTLS(const std::string &name)
{
    auto *tls = dynamic_cast<TNetSSLIOHandlerSocket *>(IOHandler());
    if (!tls)
        throw ENetIOHandlerPropInvalid(NetSSLMsg::ConnectError);
    if (!OffersStartTLS(LastCmdResult.Text))
        throw ENetException(kNoStartTLS);
    Command("STARTTLS", {220});
    // Bytes that arrived in plain text behind the reply would pass for protected ones (injection).
    if (InputBufferSize() > 0)
        throw ENetException(kDataBeforeTLS);
    const int left = TimeLimitLeftMs();
    const int limit = left >= 0 ? std::max(1, ReadTimeout > 0 ? std::min(left, ReadTimeout) : left) : ReadTimeout;
    tls->StartTLS(Host, limit);
    // What the server announced in plain text may have been altered; only the protected list counts.
    fAuthSchemes.clear();
    Command("EHLO " + name, {250});
    RecordAuthSchemes(LastCmdResult.Text);
}

void TNetSMTP::RecordAuthSchemes(const std::vector<std::string> &ehloLines)
{
    for (const std::string &line : ehloLines) {
        std::string upper = NetStr::Upper(line);
        if (upper.rfind("AUTH ", 0) != 0 && upper.rfind("AUTH=", 0) != 0)
            continue;
        std::string rest = upper.substr(4);
        std::replace(rest.begin(), rest.end(), '=', ' ');
        std::size_t pos = 0;
        while ((pos = rest.find_first_not_of(' ', pos)) != std::string::npos) {
            const std::size_t end = std::min(rest.find(' ', pos), rest.size());
            std::string scheme = rest.substr(pos, end - pos);
            if (!Announced(scheme))
                fAuthSchemes.push_back(std::move(scheme));
            pos = end;
        }
    }
}

bool TNetSMTP::Announced(const std::string &scheme) const
{
    return std::find(fAuthSchemes.begin(), fAuthSchemes.end(), scheme) != fAuthSchemes.end();
}

void TNetSMTP::AuthenticateLogin()
{
    Command("AUTH LOGIN", {334});
    Command(NetEncodeBase64(Username), {334});
    Command(NetEncodeBase64(Password), {235});
    fDidAuthenticate = true;
}

void TNetSMTP::AuthenticatePlain()
{
    std::string credentials;
    credentials.push_back('\0');
    credentials += Username;
    credentials.push_back('\0');
    credentials += Password;
    Command("AUTH PLAIN " + NetEncodeBase64(credentials), {235});
    fDidAuthenticate = true;
}

void TNetSMTP::SendMessage(TNetMessage &message)
{
    TOperation operation(*this);
    message.CheckNoLineBreaks();
    NetMail::CheckNoLineBreak(Username, "user name");
    SetMailHeader(message.ExtraHeaders, "X-Mailer", MailAgent);
    // Built before the dialogue, so a failure here leaves the server out of its data mode.
    // The terminating "." travels with the message: written on its own it would wait for the
    // server's delayed acknowledgement of the last data segment (Nagle), some 40 ms per mail.
    const std::string data = message.HeaderBlock(std::time(nullptr)) + "\r\n" + message.BodyBlock() + ".\r\n";

    Command("RSET", {});
    if (fAuthenticationType == atLogin && !fDidAuthenticate) {
        if (Announced("LOGIN"))
            AuthenticateLogin();
        else if (Announced("PLAIN"))
            AuthenticatePlain();
    }
    Command("MAIL FROM:<" + message.From.Address + ">", {250});
    for (const TNetEmailAddressList *list : {&message.Recipients, &message.CCList, &message.BccList})
        for (const TNetEmailAddressItem &item : *list)
            Command("RCPT TO:<" + item.Address + ">", {250, 251});
    Command("DATA", {354});
    WriteBytes(data);
    TWaitLimit limit(*this);
    limit.Narrow();
    ReadReply({250});
}

void TNetSMTP::CloseConnection()
{
    TOperation operation(*this);
    try {
        if (IsConnected())
            WriteLine("QUIT");
    } catch (const ENetClientBusy &) {
        throw;
    } catch (const ENetException &) {
        // a peer that is already gone needs no goodbye
    }
    fDidAuthenticate = false;
    TNetTCPClient::CloseConnection();
}
