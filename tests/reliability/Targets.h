#pragma once

#include "Lookup.h"
#include "MailSender.h"

#include <cstdint>
#include <string>

// A lookup of "IP:" on a page of a loopback peer.
inline kestrune::lookup::LookupFields PageAt(uint16_t port, const std::string &path = "/ip.htm")
{
    kestrune::lookup::LookupFields fields;
    fields.url = "127.0.0.1:" + std::to_string(port) + path;
    fields.keyword = "IP:";
    fields.charToSkip = "0";
    return fields;
}

// A mail from me@x.org to a@x.org through a loopback server.
inline kestrune::actions::MailSenderSettings MailThrough(uint16_t port)
{
    kestrune::actions::MailSenderSettings settings;
    settings.to = "a@x.org";
    settings.from = "me@x.org";
    settings.smtpServer = "127.0.0.1";
    settings.portText = std::to_string(port);
    return settings;
}
