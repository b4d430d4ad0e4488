#include "MailCoding.h"

#include "NetworkErrors.h"

#include <algorithm>

namespace kestrune::net {

namespace mailcoding {

namespace {

constexpr std::string_view kWordStart = "=?UTF-8?Q?";
constexpr std::string_view kWordEnd = "?=";
constexpr std::size_t kMaxEncodedWord = 75;

bool isPrintableAscii(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

// Safe inside an encoded word wherever it stands, also in a display name (RFC 2047, 5 (3)).
bool staysLiteralInQ(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
           c == '+' || c == '-' || c == '/';
}

// Bytes of the UTF-8 character starting at text[pos]; a broken sequence counts byte by byte.
std::size_t utf8CharLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (pos + length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

std::string qEncodeChar(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ')
            out += '_';
        else if (staysLiteralInQ(c))
            out += ch;
        else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string encodeRun(std::string_view run)
{
    std::string out(kWordStart);
    std::size_t wordLength = kWordStart.size();
    for (std::size_t pos = 0; pos < run.size();) {
        const std::size_t length = utf8CharLength(run, pos);
        const std::string piece = qEncodeChar(run.substr(pos, length));
        pos += length;
        if (wordLength > kWordStart.size() && wordLength + piece.size() + kWordEnd.size() > kMaxEncodedWord) {
            out += kWordEnd;
            out += "\r\n\t";
            out += kWordStart;
            wordLength = kWordStart.size();
        }
        out += piece;
        wordLength += piece.size();
    }
    out += kWordEnd;
    return out;
}

struct Word {
    std::size_t begin;
    std::size_t end;
    bool needsEncoding;
};

std::vector<Word> splitWords(std::string_view text)
{
    std::vector<Word> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == ' ') {
            ++pos;
            continue;
        }
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        words.push_back({pos, end, hasNonPrintableAscii(text.substr(pos, end - pos))});
        pos = end;
    }
    return words;
}

} // namespace

bool hasNonPrintableAscii(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return !isPrintableAscii(static_cast<unsigned char>(c)); });
}

std::string encodeAsWords(std::string_view text) { return encodeRun(text); }

std::string encodeHeaderWords(std::string_view text)
{
    const std::vector<Word> words = splitWords(text);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < words.size();) {
        if (!words[i].needsEncoding) {
            ++i;
            continue;
        }
        std::size_t last = i;
        while (last + 1 < words.size() && words[last + 1].needsEncoding)
            ++last;
        out.append(text.substr(copied, words[i].begin - copied));
        out += encodeRun(text.substr(words[i].begin, words[last].end - words[i].begin));
        copied = words[last].end;
        i = last + 1;
    }
    out.append(text.substr(copied));
    return out;
}

std::vector<std::string> foldHeaderLine(std::string_view line, std::size_t foldLength)
{
    std::vector<std::string> pieces;
    const std::size_t colon = line.find(':');
    // Never split right after "Name:", which would leave the header line without a value.
    std::size_t minBreak = colon == std::string_view::npos ? 1 : colon + 2;
    std::string_view rest = line;
    for (;;) {
        const std::size_t lineBreak = rest.find("\r\n");
        const std::string_view physical = rest.substr(0, lineBreak);
        std::size_t cut = std::string_view::npos;
        if (physical.size() > foldLength) {
            auto isBreak = [&](std::size_t i) { return physical[i] == ' ' && physical[i - 1] != ' '; };
            for (std::size_t i = std::min(foldLength, physical.size() - 1); i >= minBreak && cut == std::string_view::npos; --i)
                if (isBreak(i))
                    cut = i;
            for (std::size_t i = std::max(foldLength + 1, minBreak); i < physical.size() && cut == std::string_view::npos; ++i)
                if (isBreak(i))
                    cut = i;
        }
        if (cut != std::string_view::npos) {
            pieces.emplace_back(physical.substr(0, cut));
            rest = rest.substr(cut);
        } else {
            pieces.emplace_back(physical);
            if (lineBreak == std::string_view::npos)
                break;
            rest = rest.substr(lineBreak + 2);
        }
        minBreak = 1;
    }
    return pieces;
}

std::string dotStuff(std::string_view line)
{
    std::string out;
    if (!line.empty() && line.front() == '.')
        out += '.';
    out.append(line);
    return out;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

void checkNoLineBreak(std::string_view text, std::string_view what)
{
    if (hasLineBreakOrNul(text))
        throw NetworkError("Line break or NUL in mail " + std::string(what) + ".");
}

} // namespace mailcoding

} // namespace kestrune::net
