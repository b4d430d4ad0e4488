#pragma once

#include "EmailAddress.h"

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune::net {

enum class MailPriority { Highest, High, Normal, Low, Lowest };

// Ordered "Name: value" header fields of a mail.
using MailHeaders = std::vector<std::pair<std::string, std::string>>;

// Replaces the field of that name (any case) in place or appends it; an empty value removes it.
void setMailHeader(MailHeaders &headers, std::string_view name, std::string_view value);

// A plain-text mail: addresses, subject, body lines and the fields that shape its header block.
class MailMessage {
public:
    EmailAddress from;
    EmailAddressList recipients;
    EmailAddressList ccList;
    EmailAddressList bccList; // receives the mail but never shows in the header
    EmailAddressList replyTo;
    EmailAddress sender;
    EmailAddress receiptRecipient;
    std::string subject;
    std::vector<std::string> body;
    std::time_t date = 0;
    bool useNowForDate = true;
    MailPriority priority = MailPriority::Normal;
    std::string contentType;
    std::string charSet;
    std::string contentTransferEncoding;
    std::string organization;
    std::string references;
    std::string newsGroups;
    MailHeaders headers;      // written first, as the base of the block
    MailHeaders extraHeaders; // written last

    // The body as one text; CR LF, LF or CR start a new line.
    void setBodyText(std::string_view text);

    // Header fields in the order they go out, empty ones left out; sentAt fills "Date" when
    // useNowForDate is on.
    MailHeaders generateHeader(std::time_t sentAt) const;
    // The header lines as sent: folded at 78 characters, each ended by CR LF.
    std::string headerBlock(std::time_t sentAt) const;
    // The body lines as sent after DATA: dot-stuffed, each ended by CR LF.
    std::string bodyBlock() const;

    // Raises NetworkError when an address, name, subject or other header text holds CR, LF or
    // NUL, which would let it end a command or header line early and inject another.
    void checkNoLineBreaks() const;
};

} // namespace kestrune::net
