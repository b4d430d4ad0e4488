#pragma once

#include "Lookup.h"
#include "Webmail.h"

#include <cstdint>
#include <string>

// A lookup of "IP:" on a page of a loopback peer.
inline TLookupFields PageAt(uint16_t port, const std::string &path = "/ip.htm")
{
    TLookupFields fields;
    fields.URL = "127.0.0.1:" + std::to_string(port) + path;
    fields.Keyword = "IP:";
    fields.CharToSkip = "0";
    return fields;
}

// A mail from me@x.org to a@x.org through a loopback server.
inline TWebmailSettings MailThrough(uint16_t port)
{
    TWebmailSettings settings;
    settings.To = "a@x.org";
    settings.From = "me@x.org";
    settings.SMTPServer = "127.0.0.1";
    settings.PortText = std::to_string(port);
    return settings;
}
