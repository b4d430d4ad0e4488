#pragma once

#include "NetMailAddress.h"

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum TNetMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };

// Ordered "Name: value" header fields of a mail.
using TNetMailHeaders = std::vector<std::pair<std::string, std::string>>;

// Replaces the field of that name (any case) in place or appends it; an empty value removes it.
void SetMailHeader(TNetMailHeaders &headers, std::string_view name, std::string_view value);

// A plain-text mail: addresses, subject, body lines and the fields that shape its header block.
class TNetMessage {
public:
    TNetEmailAddressItem From;
    TNetEmailAddressList Recipients;
    TNetEmailAddressList CCList;
    TNetEmailAddressList BccList; // receives the mail but never shows in the header
    TNetEmailAddressList ReplyTo;
    TNetEmailAddressItem Sender;
    TNetEmailAddressItem ReceiptRecipient;
    std::string Subject;
    std::vector<std::string> Body;
    std::time_t Date = 0;
    bool UseNowForDate = true;
    TNetMessagePriority Priority = mpNormal;
    std::string ContentType;
    std::string CharSet;
    std::string ContentTransferEncoding;
    std::string Organization;
    std::string References;
    std::string NewsGroups;
    TNetMailHeaders Headers;      // written first, as the base of the block
    TNetMailHeaders ExtraHeaders; // written last

    // The body as one text; CR LF, LF or CR start a new line.
    void SetBodyText(std::string_view text);

    // Header fields in the order they go out, empty ones left out; sentAt fills "Date" when
    // UseNowForDate is on.
    TNetMailHeaders GenerateHeader(std::time_t sentAt) const;
    // The header lines as sent: folded at 78 characters, each ended by CR LF.
    std::string HeaderBlock(std::time_t sentAt) const;
    // The body lines as sent after DATA: dot-stuffed, each ended by CR LF.
    std::string BodyBlock() const;

    // Raises ENetException when an address, name, subject or other header text holds CR, LF or
    // NUL, which would let it end a command or header line early and inject another.
    void CheckNoLineBreaks() const;
};
