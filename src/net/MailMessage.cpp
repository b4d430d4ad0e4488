#include "MailMessage.h"

#include "NetworkErrors.h"
#include "MailCoding.h"
#include "MailDate.h"

#include <algorithm>
#include <strings.h>

namespace kestrune::net {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void addIfSet(MailHeaders &headers, std::string_view name, std::string value)
{
    if (!value.empty())
        headers.emplace_back(name, std::move(value));
}

void checkField(std::string_view value, std::string_view what) { mailcoding::checkNoLineBreak(value, what); }

void checkItem(const EmailAddress &item, std::string_view what)
{
    checkField(item.address, what);
    checkField(item.name, what);
}

void checkList(const EmailAddressList &list, std::string_view what)
{
    for (const EmailAddress &item : list)
        checkItem(item, what);
}

void checkHeaders(const MailHeaders &headers)
{
    for (const auto &[name, value] : headers) {
        checkField(name, "header");
        checkField(value, "header");
    }
}

} // namespace

void setMailHeader(MailHeaders &headers, std::string_view name, std::string_view value)
{
    const auto found = std::find_if(headers.begin(), headers.end(), [&](const auto &h) { return sameName(h.first, name); });
    if (value.empty()) {
        if (found != headers.end())
            headers.erase(found);
    } else if (found != headers.end()) {
        found->second = value;
    } else {
        headers.emplace_back(name, value);
    }
}

void MailMessage::setBodyText(std::string_view text) { body = mailcoding::splitLines(text); }

MailHeaders MailMessage::generateHeader(std::time_t sentAt) const
{
    MailHeaders headers;
    for (const auto &[name, value] : this->headers)
        addIfSet(headers, name, value);
    addIfSet(headers, "From", from.text());
    addIfSet(headers, "Subject", mailcoding::encodeHeaderWords(subject));
    addIfSet(headers, "To", recipients.eMailAddresses());
    addIfSet(headers, "Cc", ccList.eMailAddresses());
    addIfSet(headers, "Newsgroups", newsGroups);
    std::string contentType = this->contentType;
    if (!charSet.empty())
        contentType = contentType.empty() ? "charset=\"" + charSet + "\""
                                          : contentType + ";\r\n\tcharset=\"" + charSet + "\"";
    addIfSet(headers, "Content-Type", contentType);
    addIfSet(headers, "Content-Transfer-Encoding", contentTransferEncoding);
    addIfSet(headers, "Sender", sender.text());
    addIfSet(headers, "Reply-To", replyTo.eMailAddresses());
    addIfSet(headers, "Organization", mailcoding::encodeHeaderWords(organization));
    addIfSet(headers, "Disposition-Notification-To", receiptRecipient.text());
    addIfSet(headers, "References", references);
    addIfSet(headers, "Date", mailcoding::dateHeaderText(useNowForDate ? sentAt : date));
    addIfSet(headers, "X-Priority", std::to_string(static_cast<int>(priority) + 1));
    addIfSet(headers, "X-Library", "Kestrune 1.1");
    for (const auto &[name, value] : extraHeaders)
        addIfSet(headers, name, value);
    return headers;
}

std::string MailMessage::headerBlock(std::time_t sentAt) const
{
    std::string block;
    for (const auto &[name, value] : generateHeader(sentAt))
        for (const std::string &piece : mailcoding::foldHeaderLine(name + ": " + value))
            block += piece + "\r\n";
    return block;
}

std::string MailMessage::bodyBlock() const
{
    std::string block;
    for (const std::string &line : body) {
        // A break inside a line would let a "." line end the data early: every piece is a line.
        if (!mailcoding::hasLineBreakOrNul(line)) {
            block += mailcoding::dotStuff(line) + "\r\n";
            continue;
        }
        for (const std::string &piece : mailcoding::splitLines(line))
            block += mailcoding::dotStuff(piece) + "\r\n";
    }
    return block;
}

void MailMessage::checkNoLineBreaks() const
{
    checkItem(from, "sender address");
    checkList(recipients, "recipient address");
    checkList(ccList, "recipient address");
    checkList(bccList, "recipient address");
    checkList(replyTo, "reply address");
    checkItem(sender, "sender address");
    checkItem(receiptRecipient, "receipt address");
    checkField(subject, "subject");
    for (const std::string *text : {&contentType, &charSet, &contentTransferEncoding, &organization, &references, &newsGroups})
        checkField(*text, "header");
    checkHeaders(headers);
    checkHeaders(extraHeaders);
}

} // namespace kestrune::net
