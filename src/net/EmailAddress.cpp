#include "EmailAddress.h"

#include "NetworkErrors.h"
#include "MailCoding.h"

#include <algorithm>

namespace kestrune::net {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Follows quoted strings and (nested) comments byte by byte; escapes are the caller's.
class QuoteTracker {
public:
    // Whether c stands outside every quoted string and comment (and so may separate).
    bool outside(char c)
    {
        if (m_quoted)
            m_quoted = c != '"';
        else if (m_commentDepth > 0)
            m_commentDepth += c == '(' ? 1 : c == ')' ? -1 : 0;
        else if (c == '"')
            m_quoted = true;
        else if (c == '(')
            m_commentDepth = 1;
        else
            return true;
        return false;
    }

private:
    bool m_quoted = false;
    int m_commentDepth = 0;
};

// Splits at "," and ";" outside quotes and (nested) comments; a colon there ends a group name.
std::vector<std::string> splitItems(std::string_view text)
{
    std::vector<std::string> items;
    std::string current;
    QuoteTracker tracker;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (tracker.outside(c)) {
            if (c == ',' || c == ';') {
                items.push_back(std::move(current));
                current.clear();
                continue;
            }
            if (c == ':') {
                current.clear();
                continue;
            }
        }
        current += c;
    }
    items.push_back(std::move(current));
    return items;
}

// The text with comments removed and quoted strings unquoted; quoted tells whether any was found.
struct Phrase {
    std::string text;
    std::string quotedText;
    bool quoted = false;
};

Phrase readPhrase(std::string_view text)
{
    Phrase phrase;
    bool quoted = false;
    int commentDepth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        const bool escaped = c == '\\' && i + 1 < text.size();
        if (escaped)
            c = text[++i];
        if (commentDepth > 0) {
            if (!escaped)
                commentDepth += c == '(' ? 1 : c == ')' ? -1 : 0;
        } else if (quoted) {
            if (c == '"' && !escaped)
                quoted = false;
            else
                phrase.quotedText += c;
        } else if (c == '"' && !escaped) {
            quoted = phrase.quoted = true;
        } else if (c == '(' && !escaped) {
            commentDepth = 1;
            phrase.text += ' ';
        } else {
            phrase.text += c;
        }
    }
    return phrase;
}

std::string collapseBlanks(std::string_view text)
{
    std::string out;
    for (std::size_t pos = 0;;) {
        pos = text.find_first_not_of(kBlanks, pos);
        if (pos == std::string_view::npos)
            return out;
        const std::size_t end = std::min(text.find_first_of(kBlanks, pos), text.size());
        if (!out.empty())
            out += ' ';
        out.append(text.substr(pos, end - pos));
        pos = end;
    }
}

// Position of the first "<" outside quotes and comments, or npos.
std::size_t findAngleOpen(std::string_view text)
{
    QuoteTracker tracker;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            ++i;
        else if (tracker.outside(c) && c == '<')
            return i;
    }
    return std::string_view::npos;
}

EmailAddress parseBracketed(std::string_view text, std::size_t angleOpen)
{
    const std::size_t angleClose = std::min(text.find('>', angleOpen), text.size());
    const std::string_view after = text.substr(std::min(angleClose + 1, text.size()));
    if (readPhrase(after).text.find('@') != std::string::npos)
        throw EmailParseError("@ Outside address");
    const Phrase name = readPhrase(text.substr(0, angleOpen));
    EmailAddress item;
    item.name = collapseBlanks(name.text);
    if (name.quoted)
        item.name = item.name.empty() ? name.quotedText : name.quotedText + " " + item.name;
    item.address = trim(text.substr(angleOpen + 1, angleClose - angleOpen - 1));
    return item;
}

EmailAddress parseUnbracketed(std::string_view text)
{
    const Phrase phrase = readPhrase(text);
    const std::string words = collapseBlanks(phrase.text);
    EmailAddress item;
    if (phrase.quoted) {
        item.name = phrase.quotedText;
        item.address = words;
        return item;
    }
    // "Name addr@host" without brackets: the word with the at sign is the address.
    std::size_t start = 0;
    while (start < words.size()) {
        const std::size_t end = std::min(words.find(' ', start), words.size());
        const std::string_view word = std::string_view(words).substr(start, end - start);
        if (word.find('@') != std::string_view::npos) {
            item.address = word;
            item.name = collapseBlanks(words.substr(0, start) + " " + words.substr(end));
            return item;
        }
        start = end + 1;
    }
    item.address = words;
    return item;
}

} // namespace

EmailAddress parseEmailAddressItem(std::string_view text)
{
    text = trim(text);
    if (text.find_first_of(" \t\"()<>@") == std::string_view::npos)
        return {"", std::string(text)};
    const std::size_t angleOpen = findAngleOpen(text);
    return angleOpen == std::string_view::npos ? parseUnbracketed(text) : parseBracketed(text, angleOpen);
}

std::string EmailAddress::text() const
{
    if (this->name.empty())
        return address;
    std::string name;
    if (mailcoding::hasNonPrintableAscii(this->name)) {
        name = mailcoding::encodeHeaderWords(this->name);
        // A plain word left with a comma or the like would split the list at the reader: encode it all.
        const bool plainSpecials = name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos;
        if (plainSpecials)
            name = mailcoding::encodeAsWords(this->name);
    } else {
        name = "\"";
        for (const char c : this->name) {
            if (c == '\\' || c == '"')
                name += '\\';
            name += c;
        }
        name += '"';
    }
    return name + " <" + address + ">";
}

void EmailAddressList::setEMailAddresses(std::string_view text)
{
    m_items.clear();
    for (const std::string &raw : splitItems(text)) {
        const std::string_view trimmed = trim(raw);
        if (trimmed.empty() || trimmed == "<>")
            continue;
        EmailAddress item = parseEmailAddressItem(trimmed);
        if (!item.address.empty() || !item.name.empty())
            m_items.push_back(std::move(item));
    }
}

std::string EmailAddressList::eMailAddresses() const
{
    std::string out;
    for (const EmailAddress &item : m_items) {
        if (!out.empty())
            out += ", ";
        out += item.text();
    }
    return out;
}

} // namespace kestrune::net
