#include "Webmail.h"

#include "NetExceptions.h"
#include "NetFlagScope.h"
#include "NetMessages.h"
#include "NetStrings.h"

#include <algorithm>
#include <exception>

namespace {

constexpr const char *kDetectedLine = "Kestrune IP-check has detected the following IP address: ";
constexpr const char *kClosingLine = "-----------------------------------";

bool HasEightBitBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

TWebmail::TWebmail()
{
    SSLHandler.SSLOptions.Method = sslvSSLv23;
    SSLHandler.SSLOptions.Mode = sslmUnassigned;
    SSLHandler.SSLOptions.VerifyMode = 0;
    SSLHandler.SSLOptions.VerifyDepth = 0;
}

TWebmailResult TWebmail::SendWebmail(const TWebmailSettings &settings, std::string_view text)
{
    if (fBusy || SMTP.IsBusy())
        return {false, NetMsg::ClientBusy};
    TFlagScope mark(fBusy);
    TWebmailResult result;
    try {
        PrepareMessage(settings, text);
        PrepareClient(settings);
        SMTP.SetTimeLimit(SendTimeLimitMs);
        SMTP.Connect(ConnectTimeoutMs);
        SMTP.SendMessage(MailMessage);
        result.Sent = true;
    } catch (const std::exception &e) {
        result.Error = e.what();
    }
    DisconnectQuietly();
    SMTP.ClearTimeLimit();
    return result;
}

void TWebmail::PrepareMessage(const TWebmailSettings &settings, std::string_view text)
{
    const std::string body = WebmailBodyText(text, std::time(nullptr));
    MailMessage.From.Address = settings.From;
    MailMessage.Recipients.SetEMailAddresses(settings.To);
    MailMessage.Subject = settings.Subject;
    MailMessage.SetBodyText(body);
    // Bytes beyond ASCII (an accented day name, an error text) are UTF-8 here: say so.
    const bool eightBit = HasEightBitBytes(body);
    MailMessage.ContentType = eightBit ? "text/plain" : "";
    MailMessage.CharSet = eightBit ? "UTF-8" : "";
    MailMessage.ContentTransferEncoding = eightBit ? "8bit" : "";
    SetMailHeader(MailMessage.ExtraHeaders, "MIME-Version", eightBit ? "1.0" : "");
}

void TWebmail::PrepareClient(const TWebmailSettings &settings)
{
    SMTP.Host = settings.SMTPServer;
    SMTP.Port = static_cast<uint16_t>(WebmailPort(settings.PortText));
    const bool tls = settings.SSL || settings.StartTLS;
    SSLHandler.SSLOptions.VerifyMode = settings.AnyCertificate ? 0 : sslvrfPeer;
    SSLHandler.PassThrough = !settings.SSL;
    SMTP.RequireStartTLS = !settings.SSL && settings.StartTLS;
    SMTP.SetIOHandler(tls ? &SSLHandler : nullptr);
    if (settings.LoginRequired) {
        SMTP.Username = settings.User;
        SMTP.Password = settings.Password;
        SMTP.SetAuthenticationType(atLogin);
    } else {
        SMTP.SetAuthenticationType(atNone);
    }
}

void TWebmail::DisconnectQuietly()
{
    try {
        if (SMTP.IsConnected())
            SMTP.Disconnect();
    } catch (const ENetException &) {
        // nothing more can be done for a connection that fails to close
    }
}

std::string WebmailDateLine(std::time_t composedAt)
{
    std::tm local{};
    localtime_r(&composedAt, &local);
    char text[128] = {};
    std::strftime(text, sizeof text, "%a %d %b  %H:%M:%S", &local);
    return text;
}

std::string WebmailBodyText(std::string_view text, std::time_t composedAt)
{
    return WebmailDateLine(composedAt) + "\r\n" + kDetectedLine + "\r\n" + std::string(text) + "\r\n" + kClosingLine;
}

int WebmailPort(std::string_view portText)
{
    const long long port = NetStr::ToInt64Def(portText, 25);
    return port >= 1 && port <= 65535 ? static_cast<int>(port) : 25;
}

std::string WebmailTestText(std::string_view addressDisplay)
{
    return "Test message. IP address: " + std::string(addressDisplay);
}

std::string WebmailLookupErrorText(std::string_view errorMessage)
{
    return "The Lookup Service has reported an error: " + std::string(errorMessage);
}

std::string WebmailFieldCheckMessage(const TWebmailSettings &settings)
{
    std::string message;
    if (settings.To.empty())
        message = "A To: address needs to be specified.";
    if (settings.SMTPServer.empty())
        message = "An SMTP server needs to be specified.";
    if (settings.LoginRequired && settings.User.empty())
        message = "Username needs to be specified.";
    if (settings.LoginRequired && settings.Password.empty())
        message = "Password needs to be specified.";
    return message;
}

std::string WebmailDefaultPortText(bool ssl, bool startTLS) { return ssl ? "465" : startTLS ? "587" : "25"; }
