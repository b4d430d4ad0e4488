#include "NetMailAddress.h"

#include "NetExceptions.h"
#include "NetMailCoding.h"

#include <algorithm>

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Follows quoted strings and (nested) comments byte by byte; escapes are the caller's.
class TQuoteTracker {
public:
    // Whether c stands outside every quoted string and comment (and so may separate).
    bool Outside(char c)
    {
        if (fQuoted)
            fQuoted = c != '"';
        else if (fCommentDepth > 0)
            fCommentDepth += c == '(' ? 1 : c == ')' ? -1 : 0;
        else if (c == '"')
            fQuoted = true;
        else if (c == '(')
            fCommentDepth = 1;
        else
            return true;
        return false;
    }

private:
    bool fQuoted = false;
    int fCommentDepth = 0;
};

// Splits at "," and ";" outside quotes and (nested) comments; a colon there ends a group name.
std::vector<std::string> SplitItems(std::string_view text)
{
    std::vector<std::string> items;
    std::string current;
    TQuoteTracker tracker;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (tracker.Outside(c)) {
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

Phrase ReadPhrase(std::string_view text)
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

std::string CollapseBlanks(std::string_view text)
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
std::size_t FindAngleOpen(std::string_view text)
{
    TQuoteTracker tracker;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            ++i;
        else if (tracker.Outside(c) && c == '<')
            return i;
    }
    return std::string_view::npos;
}

TNetEmailAddressItem ParseBracketed(std::string_view text, std::size_t angleOpen)
{
    const std::size_t angleClose = std::min(text.find('>', angleOpen), text.size());
    const std::string_view after = text.substr(std::min(angleClose + 1, text.size()));
    if (ReadPhrase(after).text.find('@') != std::string::npos)
        throw ENetEmailParseError("@ Outside address");
    const Phrase name = ReadPhrase(text.substr(0, angleOpen));
    TNetEmailAddressItem item;
    item.Name = CollapseBlanks(name.text);
    if (name.quoted)
        item.Name = item.Name.empty() ? name.quotedText : name.quotedText + " " + item.Name;
    item.Address = Trim(text.substr(angleOpen + 1, angleClose - angleOpen - 1));
    return item;
}

TNetEmailAddressItem ParseUnbracketed(std::string_view text)
{
    const Phrase phrase = ReadPhrase(text);
    const std::string words = CollapseBlanks(phrase.text);
    TNetEmailAddressItem item;
    if (phrase.quoted) {
        item.Name = phrase.quotedText;
        item.Address = words;
        return item;
    }
    // "Name addr@host" without brackets: the word with the at sign is the address.
    std::size_t start = 0;
    while (start < words.size()) {
        const std::size_t end = std::min(words.find(' ', start), words.size());
        const std::string_view word = std::string_view(words).substr(start, end - start);
        if (word.find('@') != std::string_view::npos) {
            item.Address = word;
            item.Name = CollapseBlanks(words.substr(0, start) + " " + words.substr(end));
            return item;
        }
        start = end + 1;
    }
    item.Address = words;
    return item;
}

} // namespace

TNetEmailAddressItem ParseEmailAddressItem(std::string_view text)
{
    text = Trim(text);
    if (text.find_first_of(" \t\"()<>@") == std::string_view::npos)
        return {"", std::string(text)};
    const std::size_t angleOpen = FindAngleOpen(text);
    return angleOpen == std::string_view::npos ? ParseUnbracketed(text) : ParseBracketed(text, angleOpen);
}

std::string TNetEmailAddressItem::Text() const
{
    if (Name.empty())
        return Address;
    std::string name;
    if (NetMail::HasNonPrintableAscii(Name)) {
        name = NetMail::EncodeHeaderWords(Name);
        // A plain word left with a comma or the like would split the list at the reader: encode it all.
        const bool plainSpecials = name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos;
        if (plainSpecials)
            name = NetMail::EncodeAsWords(Name);
    } else {
        name = "\"";
        for (const char c : Name) {
            if (c == '\\' || c == '"')
                name += '\\';
            name += c;
        }
        name += '"';
    }
    return name + " <" + Address + ">";
}

void TNetEmailAddressList::SetEMailAddresses(std::string_view text)
{
    FItems.clear();
    for (const std::string &raw : SplitItems(text)) {
        const std::string_view trimmed = Trim(raw);
        if (trimmed.empty() || trimmed == "<>")
            continue;
        TNetEmailAddressItem item = ParseEmailAddressItem(trimmed);
        if (!item.Address.empty() || !item.Name.empty())
            FItems.push_back(std::move(item));
    }
}

std::string TNetEmailAddressList::EMailAddresses() const
{
    std::string out;
    for (const TNetEmailAddressItem &item : FItems) {
        if (!out.empty())
            out += ", ";
        out += item.Text();
    }
    return out;
}
