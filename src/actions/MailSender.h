#pragma once

#include "MailMessage.h"
#include "SmtpClient.h"
#include "TlsTransport.h"

#include <ctime>
#include <string>
#include <string_view>

namespace kestrune::actions {

// The E-mail tab's fields as MailSender::send reads them.
struct MailSenderSettings {
    std::string to;         // one address or a list separated by "," or ";"
    std::string smtpServer;
    std::string portText = "25";
    bool ssl = false;      // TLS from the first byte; wins over startTls
    bool startTls = false; // TLS after STARTTLS; never plain text
    bool anyCertificate = false;
    std::string from;
    std::string subject = "Feedback from Kestrune";
    bool loginRequired = false;
    std::string user;
    std::string password;
};

// How one MailSender::send call ended; the window drops it, tests and callers may look.
struct MailSendResult {
    bool sent = false;
    std::string error; // the failure's message when not sent
};

// The mail notification: the SMTP client, its message and its TLS transport, kept for the whole run.
class MailSender {
public:
    MailSender();
    MailSender(const MailSender &) = delete;
    MailSender &operator=(const MailSender &) = delete;

    // Declared first so it outlives the client that may still hold it.
    net::TlsTransport tlsTransport;
    net::SmtpClient smtp;
    net::MailMessage mailMessage;

    int connectTimeoutMs = 5000;
    // Replies are awaited at most this long in all, so a silent server cannot hold a check for ever.
    int sendTimeLimitMs = 60000;

    // Composes the four-line body around text and sends it as the fields say. Never raises: every
    // failure, an unreadable recipient list included, ends in the result. A call made while another
    // is under way (re-entered from a network wait) is refused without touching the first.
    MailSendResult send(const MailSenderSettings &settings, std::string_view text);
    bool busy() const { return m_busy; }

private:
    void prepareMessage(const MailSenderSettings &settings, std::string_view text);
    void prepareClient(const MailSenderSettings &settings);
    void disconnectQuietly();

    bool m_busy = false;
};

// "ddd dd mmm  hh:nn:ss" in the user's locale (no year), the body's first line.
std::string webmailDateLine(std::time_t composedAt);
// The date line, the fixed second line, text, and 35 hyphens, joined by CR LF.
std::string webmailBodyText(std::string_view text, std::time_t composedAt);
// The port typed in the port box; anything but a whole number from 1 to 65535 gives 25.
int webmailPort(std::string_view portText);

// Texts the callers hand to MailSender::send.
std::string webmailTestText(std::string_view addressDisplay);
std::string webmailLookupErrorText(std::string_view errorMessage);

// The Test button's field checks: the message of the last failed check, or empty when all pass.
std::string webmailFieldCheckMessage(const MailSenderSettings &settings);
// The "Set Default" port for the security choice: 465 for SSL/TLS, 587 for STARTTLS, else 25.
std::string webmailDefaultPortText(bool ssl, bool startTLS = false);

} // namespace kestrune::actions
