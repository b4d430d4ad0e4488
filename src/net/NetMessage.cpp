#include "NetMessage.h"

#include "NetExceptions.h"
#include "NetMailCoding.h"
#include "NetMailDate.h"

#include <algorithm>
#include <strings.h>

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

void AddIfSet(TNetMailHeaders &headers, std::string_view name, std::string value)
{
    if (!value.empty())
        headers.emplace_back(name, std::move(value));
}

void CheckField(std::string_view value, std::string_view what) { NetMail::CheckNoLineBreak(value, what); }

void CheckItem(const TNetEmailAddressItem &item, std::string_view what)
{
    CheckField(item.Address, what);
    CheckField(item.Name, what);
}

void CheckList(const TNetEmailAddressList &list, std::string_view what)
{
    for (const TNetEmailAddressItem &item : list)
        CheckItem(item, what);
}

void CheckHeaders(const TNetMailHeaders &headers)
{
    for (const auto &[name, value] : headers) {
        CheckField(name, "header");
        CheckField(value, "header");
    }
}

} // namespace

void SetMailHeader(TNetMailHeaders &headers, std::string_view name, std::string_view value)
{
    const auto found = std::find_if(headers.begin(), headers.end(), [&](const auto &h) { return SameName(h.first, name); });
    if (value.empty()) {
        if (found != headers.end())
            headers.erase(found);
    } else if (found != headers.end()) {
        found->second = value;
    } else {
        headers.emplace_back(name, value);
    }
}

void TNetMessage::SetBodyText(std::string_view text) { Body = NetMail::SplitLines(text); }

TNetMailHeaders TNetMessage::GenerateHeader(std::time_t sentAt) const
{
    TNetMailHeaders headers;
    for (const auto &[name, value] : Headers)
        AddIfSet(headers, name, value);
    AddIfSet(headers, "From", From.Text());
    AddIfSet(headers, "Subject", NetMail::EncodeHeaderWords(Subject));
    AddIfSet(headers, "To", Recipients.EMailAddresses());
    AddIfSet(headers, "Cc", CCList.EMailAddresses());
    AddIfSet(headers, "Newsgroups", NewsGroups);
    std::string contentType = ContentType;
    if (!CharSet.empty())
        contentType = contentType.empty() ? "charset=\"" + CharSet + "\""
                                          : contentType + ";\r\n\tcharset=\"" + CharSet + "\"";
    AddIfSet(headers, "Content-Type", contentType);
    AddIfSet(headers, "Content-Transfer-Encoding", ContentTransferEncoding);
    AddIfSet(headers, "Sender", Sender.Text());
    AddIfSet(headers, "Reply-To", ReplyTo.EMailAddresses());
    AddIfSet(headers, "Organization", NetMail::EncodeHeaderWords(Organization));
    AddIfSet(headers, "Disposition-Notification-To", ReceiptRecipient.Text());
    AddIfSet(headers, "References", References);
    AddIfSet(headers, "Date", NetMail::DateHeaderText(UseNowForDate ? sentAt : Date));
    AddIfSet(headers, "X-Priority", std::to_string(static_cast<int>(Priority) + 1));
    AddIfSet(headers, "X-Library", "Kestrune 1.1");
    for (const auto &[name, value] : ExtraHeaders)
        AddIfSet(headers, name, value);
    return headers;
}

std::string TNetMessage::HeaderBlock(std::time_t sentAt) const
{
    std::string block;
    for (const auto &[name, value] : GenerateHeader(sentAt))
        for (const std::string &piece : NetMail::FoldHeaderLine(name + ": " + value))
            block += piece + "\r\n";
    return block;
}

std::string TNetMessage::BodyBlock() const
{
    std::string block;
    for (const std::string &line : Body) {
        // A break inside a line would let a "." line end the data early: every piece is a line.
        if (!NetMail::HasLineBreakOrNul(line)) {
            block += NetMail::DotStuff(line) + "\r\n";
            continue;
        }
        for (const std::string &piece : NetMail::SplitLines(line))
            block += NetMail::DotStuff(piece) + "\r\n";
    }
    return block;
}

void TNetMessage::CheckNoLineBreaks() const
{
    CheckItem(From, "sender address");
    CheckList(Recipients, "recipient address");
    CheckList(CCList, "recipient address");
    CheckList(BccList, "recipient address");
    CheckList(ReplyTo, "reply address");
    CheckItem(Sender, "sender address");
    CheckItem(ReceiptRecipient, "receipt address");
    CheckField(Subject, "subject");
    for (const std::string *text : {&ContentType, &CharSet, &ContentTransferEncoding, &Organization, &References, &NewsGroups})
        CheckField(*text, "header");
    CheckHeaders(Headers);
    CheckHeaders(ExtraHeaders);
}
