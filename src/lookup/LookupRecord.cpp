#include "LookupRecord.h"

#include "LookupTexts.h"
#include "PercentCoding.h"

#include <algorithm>
#include <vector>

namespace kestrune::lookup {

namespace {

constexpr char kSubstitute = '\xA7';
constexpr char kEscapedMark = '~';
constexpr char kAnyCertificateMark = '*';

std::string firstField(std::string_view sequence, const LookupRecord& record)
{
    return std::string(sequence) + (record.acceptAnyCertificate ? std::string(1, kAnyCertificateMark) : "");
}

bool marksAnyCertificate(std::string_view firstField)
{
    return !firstField.empty() && firstField.back() == kAnyCertificateMark;
}

// The text up to the next comma (all of it when there is none); text moves past that comma.
std::string takeField(std::string_view& text)
{
    std::size_t comma = text.find(',');
    std::string field(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    return field;
}

LookupRecord withoutUnusedFields(LookupRecord record)
{
    if (!record.credentials) {
        record.username.clear();
        record.password.clear();
    }
    if (!isHttpsUrl(record.url))
        record.acceptAnyCertificate = false;
    return record;
}

std::string classicStoredRecord(std::size_t sequence, const LookupRecord& record)
{
    LookupRecord scrambled = record;
    scrambled.password = complementBytes(record.password);
    std::string text = firstField(std::to_string(sequence), record) + "," + lookupRecordText(scrambled);
    std::replace(text.begin(), text.end(), '=', kSubstitute);
    return text;
}

LookupRecord parseClassicStoredRecord(std::string_view stored, bool credentials)
{
    std::string text(stored);
    std::replace(text.begin(), text.end(), kSubstitute, '=');
    std::string_view rest = text;
    const bool anyCertificate = marksAnyCertificate(takeField(rest));
    LookupRecord record = parseLookupRecord(rest, credentials);
    record.password = complementBytes(record.password);
    record.acceptAnyCertificate = anyCertificate;
    return record;
}

bool recordFieldNeedsEscape(unsigned char c)
{
    return c < 0x21 || c > 0x7E || c == ',' || c == '=' || c == '"' || c == '\'';
}

std::string escape(std::string_view text) { return percentEncode(text, recordFieldNeedsEscape); }

LookupRecord parseEscapedStoredRecord(std::string_view stored, bool credentials)
{
    std::vector<std::string> fields;
    std::string_view rest = stored;
    const bool anyCertificate = marksAnyCertificate(takeField(rest));
    while (!rest.empty())
        fields.push_back(percentDecode(takeField(rest)));
    fields.resize(std::max<std::size_t>(fields.size(), 5));

    LookupRecord record;
    record.url = fields[0];
    record.keyword = fields[1];
    record.charToSkip = fields[2];
    record.credentials = credentials;
    if (credentials) {
        record.username = fields[3];
        record.password = complementBytes(fields[4]);
    }
    record.acceptAnyCertificate = anyCertificate;
    return record;
}

} // namespace

std::string lookupRecordText(const LookupRecord& record)
{
    std::string text = record.url + "," + record.keyword + "," + record.charToSkip;
    if (record.credentials)
        text += "," + record.username + "," + record.password;
    return text;
}

LookupRecord parseLookupRecord(std::string_view text, bool credentials)
{
    LookupRecord record;
    record.credentials = credentials;
    record.url = takeField(text);
    record.keyword = takeField(text);
    if (credentials) {
        record.charToSkip = takeField(text);
        record.username = takeField(text);
        record.password = std::string(text);
    } else {
        record.charToSkip = std::string(text);
    }
    return record;
}

std::string complementBytes(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return out;
}

std::string storedLookupRecord(std::size_t sequence, const LookupRecord& record)
{
    LookupRecord wanted = withoutUnusedFields(record);
    std::string classic = classicStoredRecord(sequence, wanted);
    if (isUsableSettingsKey(classic) && parseClassicStoredRecord(classic, wanted.credentials) == wanted)
        return classic;
    return escapedStoredLookupRecord(std::to_string(sequence), wanted);
}

std::string escapedStoredLookupRecord(std::string_view tag, const LookupRecord& record)
{
    std::string text = std::string(1, kEscapedMark) + firstField(tag, record) + "," + escape(record.url) + "," +
                       escape(record.keyword) + "," + escape(record.charToSkip);
    if (record.credentials)
        text += "," + escape(record.username) + "," + escape(complementBytes(record.password));
    return text;
}

LookupRecord parseStoredLookupRecord(std::string_view stored, bool credentials)
{
    if (!stored.empty() && stored.front() == kEscapedMark)
        return parseEscapedStoredRecord(stored, credentials);
    return parseClassicStoredRecord(stored, credentials);
}

bool isUsableSettingsKey(std::string_view text)
{
    auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    return !text.empty() && !isControl(text.front()) && !isControl(text.back()) && text.front() != '[' &&
           text.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

std::optional<std::string_view> entryFieldsProblem(const LookupRecord& fields)
{
    if (fields.url.empty())
        return lookuptexts::kUrlMissing;
    if (fields.keyword.empty())
        return lookuptexts::kKeywordMissing;
    if (fields.credentials) {
        if (fields.password.empty())
            return lookuptexts::kPasswordRequired;
        if (fields.username.empty())
            return lookuptexts::kUsernameRequired;
    }
    return std::nullopt;
}

bool isHttpsUrl(std::string_view url)
{
    constexpr std::string_view kScheme = "https://";
    if (url.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char c = url[i] >= 'A' && url[i] <= 'Z' ? static_cast<char>(url[i] - 'A' + 'a') : url[i];
        if (c != kScheme[i])
            return false;
    }
    return true;
}

std::string_view withoutHttpPrefix(std::string_view url)
{
    // The field handler runs again after each removal, so every leading "http://" goes.
    while (url.starts_with("http://"))
        url.remove_prefix(7);
    return url;
}

} // namespace kestrune::lookup
