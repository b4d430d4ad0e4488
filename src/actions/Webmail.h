#pragma once

#include "NetMessage.h"
#include "NetSMTP.h"
#include "NetSSLIOHandlerSocket.h"

#include <ctime>
#include <string>
#include <string_view>

// The E-mail tab's fields as SendWebmail reads them.
struct TWebmailSettings {
    std::string To;         // one address or a list separated by "," or ";"
    std::string SMTPServer;
    std::string PortText = "25";
    bool SSL = false;      // TLS from the first byte; wins over StartTLS
    bool StartTLS = false; // TLS after STARTTLS; never plain text
    bool AnyCertificate = false;
    std::string From;
    std::string Subject = "Feedback from Kestrune";
    bool LoginRequired = false;
    std::string User;
    std::string Password;
};

// How one SendWebmail call ended; the window drops it, tests and callers may look.
struct TWebmailResult {
    bool Sent = false;
    std::string Error; // the failure's message when not sent
};

// The mail notification: the SMTP client, its message and its TLS transport, kept for the whole run.
class TWebmail {
public:
    TWebmail();
    TWebmail(const TWebmail &) = delete;
    TWebmail &operator=(const TWebmail &) = delete;

    // Declared first so it outlives the client that may still hold it.
    TNetSSLIOHandlerSocket SSLHandler;
    TNetSMTP SMTP;
    TNetMessage MailMessage;

    int ConnectTimeoutMs = 5000;
    // Replies are awaited at most this long in all, so a silent server cannot hold a check for ever.
    int SendTimeLimitMs = 60000;

    // Composes the four-line body around text and sends it as the fields say. Never raises: every
    // failure, an unreadable recipient list included, ends in the result. A call made while another
    // is under way (re-entered from a network wait) is refused without touching the first.
    TWebmailResult SendWebmail(const TWebmailSettings &settings, std::string_view text);
    bool Busy() const { return fBusy; }

private:
    void PrepareMessage(const TWebmailSettings &settings, std::string_view text);
    void PrepareClient(const TWebmailSettings &settings);
    void DisconnectQuietly();

    bool fBusy = false;
};

// "ddd dd mmm  hh:nn:ss" in the user's locale (no year), the body's first line.
std::string WebmailDateLine(std::time_t composedAt);
// The date line, the fixed second line, text, and 35 hyphens, joined by CR LF.
std::string WebmailBodyText(std::string_view text, std::time_t composedAt);
// The port typed in the port box; anything but a whole number from 1 to 65535 gives 25.
int WebmailPort(std::string_view portText);

// Texts the callers hand to SendWebmail.
std::string WebmailTestText(std::string_view addressDisplay);
std::string WebmailLookupErrorText(std::string_view errorMessage);

// The Test button's field checks: the message of the last failed check, or empty when all pass.
std::string WebmailFieldCheckMessage(const TWebmailSettings &settings);
// The "Set Default" port for the security choice: 465 for SSL/TLS, 587 for STARTTLS, else 25.
std::string WebmailDefaultPortText(bool ssl, bool startTLS = false);
