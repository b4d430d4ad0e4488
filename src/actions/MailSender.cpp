#include "MailSender.h"

#include "NetworkErrors.h"
#include "FlagScope.h"
#include "NetworkTexts.h"
#include "Ascii.h"

#include <algorithm>
#include <exception>

using namespace kestrune::net;

namespace kestrune::actions {

namespace {

constexpr const char *kDetectedLine = "Kestrune IP-check has detected the following IP address: ";
constexpr const char *kClosingLine = "-----------------------------------";

bool hasEightBitBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

MailSender::MailSender()
{
    tlsTransport.tlsOptions.method = TlsVersion::SslV23;
    tlsTransport.tlsOptions.mode = TlsMode::Unassigned;
    tlsTransport.tlsOptions.verifyMode = 0;
    tlsTransport.tlsOptions.verifyDepth = 0;
    // After STARTTLS the handshake's last flight and EHLO leave as two writes: Nagle would hold EHLO for the
    // server's delayed acknowledgement.
    tlsTransport.useNagle = false;
}

MailSendResult MailSender::send(const MailSenderSettings &settings, std::string_view text)
{
    if (m_busy || smtp.isBusy())
        return {false, texts::kClientBusy};
    FlagScope mark(m_busy);
    MailSendResult result;
    try {
        prepareMessage(settings, text);
        prepareClient(settings);
        smtp.setTimeLimit(sendTimeLimitMs);
        smtp.connect(connectTimeoutMs);
        smtp.sendMessage(mailMessage);
        result.sent = true;
    } catch (const std::exception &e) {
        result.error = e.what();
    }
    disconnectQuietly();
    smtp.clearTimeLimit();
    return result;
}

void MailSender::prepareMessage(const MailSenderSettings &settings, std::string_view text)
{
    const std::string body = webmailBodyText(text, std::time(nullptr));
    mailMessage.from.address = settings.from;
    mailMessage.recipients.setEMailAddresses(settings.to);
    mailMessage.subject = settings.subject;
    mailMessage.setBodyText(body);
    // Bytes beyond ASCII (an accented day name, an error text) are UTF-8 here: say so.
    const bool eightBit = hasEightBitBytes(body);
    mailMessage.contentType = eightBit ? "text/plain" : "";
    mailMessage.charSet = eightBit ? "UTF-8" : "";
    mailMessage.contentTransferEncoding = eightBit ? "8bit" : "";
    setMailHeader(mailMessage.extraHeaders, "MIME-Version", eightBit ? "1.0" : "");
}

void MailSender::prepareClient(const MailSenderSettings &settings)
{
    smtp.host = settings.smtpServer;
    smtp.port = static_cast<uint16_t>(webmailPort(settings.portText));
    const bool tls = settings.ssl || settings.startTls;
    tlsTransport.tlsOptions.verifyMode = settings.anyCertificate ? 0 : kVerifyPeer;
    tlsTransport.passThrough = !settings.ssl;
    smtp.requireStartTls = !settings.ssl && settings.startTls;
    smtp.setTransport(tls ? &tlsTransport : nullptr);
    if (settings.loginRequired) {
        smtp.username = settings.user;
        smtp.password = settings.password;
        smtp.setAuthenticationType(SmtpAuthentication::Login);
    } else {
        smtp.setAuthenticationType(SmtpAuthentication::None);
    }
}

void MailSender::disconnectQuietly()
{
    try {
        if (smtp.isConnected())
            smtp.disconnect();
    } catch (const NetworkError &) {
        // nothing more can be done for a connection that fails to close
    }
}

std::string webmailDateLine(std::time_t composedAt)
{
    std::tm local{};
    localtime_r(&composedAt, &local);
    char text[128] = {};
    std::strftime(text, sizeof text, "%a %d %b  %H:%M:%S", &local);
    return text;
}

std::string webmailBodyText(std::string_view text, std::time_t composedAt)
{
    return webmailDateLine(composedAt) + "\r\n" + kDetectedLine + "\r\n" + std::string(text) + "\r\n" + kClosingLine;
}

int webmailPort(std::string_view portText)
{
    const long long port = ascii::toInt64Def(portText, 25);
    return port >= 1 && port <= 65535 ? static_cast<int>(port) : 25;
}

std::string webmailTestText(std::string_view addressDisplay)
{
    return "Test message. IP address: " + std::string(addressDisplay);
}

std::string webmailLookupErrorText(std::string_view errorMessage)
{
    return "The Lookup Service has reported an error: " + std::string(errorMessage);
}

std::string webmailFieldCheckMessage(const MailSenderSettings &settings)
{
    std::string message;
    if (settings.to.empty())
        message = "A To: address needs to be specified.";
    if (settings.smtpServer.empty())
        message = "An SMTP server needs to be specified.";
    if (settings.loginRequired && settings.user.empty())
        message = "Username needs to be specified.";
    if (settings.loginRequired && settings.password.empty())
        message = "Password needs to be specified.";
    return message;
}

std::string webmailDefaultPortText(bool ssl, bool startTLS) { return ssl ? "465" : startTLS ? "587" : "25"; }

} // namespace kestrune::actions
