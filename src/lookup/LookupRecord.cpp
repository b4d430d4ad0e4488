#include "LookupRecord.h"

#include "LookupTexts.h"
#include "PercentCoding.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kSubstitute = '\xA7';
constexpr char kEscapedMark = '~';
constexpr char kAnyCertificateMark = '*';

std::string FirstField(std::string_view sequence, const TLookupRecord& record)
{
    return std::string(sequence) + (record.AcceptAnyCertificate ? std::string(1, kAnyCertificateMark) : "");
}

bool MarksAnyCertificate(std::string_view firstField)
{
    return !firstField.empty() && firstField.back() == kAnyCertificateMark;
}

// The text up to the next comma (all of it when there is none); text moves past that comma.
std::string TakeField(std::string_view& text)
{
    std::size_t comma = text.find(',');
    std::string field(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    return field;
}

TLookupRecord WithoutUnusedFields(TLookupRecord record)
{
    if (!record.Credentials) {
        record.Username.clear();
        record.Password.clear();
    }
    if (!IsHttpsURL(record.URL))
        record.AcceptAnyCertificate = false;
    return record;
}

std::string ClassicStoredRecord(std::size_t sequence, const TLookupRecord& record)
{
    TLookupRecord scrambled = record;
    scrambled.Password = ComplementBytes(record.Password);
    std::string text = FirstField(std::to_string(sequence), record) + "," + LookupRecordText(scrambled);
    std::replace(text.begin(), text.end(), '=', kSubstitute);
    return text;
}

TLookupRecord ParseClassicStoredRecord(std::string_view stored, bool credentials)
{
    std::string text(stored);
    std::replace(text.begin(), text.end(), kSubstitute, '=');
    std::string_view rest = text;
    const bool anyCertificate = MarksAnyCertificate(TakeField(rest));
    TLookupRecord record = ParseLookupRecord(rest, credentials);
    record.Password = ComplementBytes(record.Password);
    record.AcceptAnyCertificate = anyCertificate;
    return record;
}

bool RecordFieldNeedsEscape(unsigned char c)
{
    return c < 0x21 || c > 0x7E || c == ',' || c == '=' || c == '"' || c == '\'';
}

std::string Escape(std::string_view text) { return PercentEncode(text, RecordFieldNeedsEscape); }

TLookupRecord ParseEscapedStoredRecord(std::string_view stored, bool credentials)
{
    std::vector<std::string> fields;
    std::string_view rest = stored;
    const bool anyCertificate = MarksAnyCertificate(TakeField(rest));
    while (!rest.empty())
        fields.push_back(PercentDecode(TakeField(rest)));
    fields.resize(std::max<std::size_t>(fields.size(), 5));

    TLookupRecord record;
    record.URL = fields[0];
    record.Keyword = fields[1];
    record.CharToSkip = fields[2];
    record.Credentials = credentials;
    if (credentials) {
        record.Username = fields[3];
        record.Password = ComplementBytes(fields[4]);
    }
    record.AcceptAnyCertificate = anyCertificate;
    return record;
}

} // namespace

std::string LookupRecordText(const TLookupRecord& record)
{
    std::string text = record.URL + "," + record.Keyword + "," + record.CharToSkip;
    if (record.Credentials)
        text += "," + record.Username + "," + record.Password;
    return text;
}

TLookupRecord ParseLookupRecord(std::string_view text, bool credentials)
{
    TLookupRecord record;
    record.Credentials = credentials;
    record.URL = TakeField(text);
    record.Keyword = TakeField(text);
    if (credentials) {
        record.CharToSkip = TakeField(text);
        record.Username = TakeField(text);
        record.Password = std::string(text);
    } else {
        record.CharToSkip = std::string(text);
    }
    return record;
}

std::string ComplementBytes(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return out;
}

std::string StoredLookupRecord(std::size_t sequence, const TLookupRecord& record)
{
    TLookupRecord wanted = WithoutUnusedFields(record);
    std::string classic = ClassicStoredRecord(sequence, wanted);
    if (IsUsableSettingsKey(classic) && ParseClassicStoredRecord(classic, wanted.Credentials) == wanted)
        return classic;
    return EscapedStoredLookupRecord(std::to_string(sequence), wanted);
}

std::string EscapedStoredLookupRecord(std::string_view tag, const TLookupRecord& record)
{
    std::string text = std::string(1, kEscapedMark) + FirstField(tag, record) + "," + Escape(record.URL) + "," +
                       Escape(record.Keyword) + "," + Escape(record.CharToSkip);
    if (record.Credentials)
        text += "," + Escape(record.Username) + "," + Escape(ComplementBytes(record.Password));
    return text;
}

TLookupRecord ParseStoredLookupRecord(std::string_view stored, bool credentials)
{
    if (!stored.empty() && stored.front() == kEscapedMark)
        return ParseEscapedStoredRecord(stored, credentials);
    return ParseClassicStoredRecord(stored, credentials);
}

bool IsUsableSettingsKey(std::string_view text)
{
    auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    return !text.empty() && !isControl(text.front()) && !isControl(text.back()) && text.front() != '[' &&
           text.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

std::optional<std::string_view> EntryFieldsProblem(const TLookupRecord& fields)
{
    if (fields.URL.empty())
        return LookupText::URLMissing;
    if (fields.Keyword.empty())
        return LookupText::KeywordMissing;
    if (fields.Credentials) {
        if (fields.Password.empty())
            return LookupText::PasswordRequired;
        if (fields.Username.empty())
            return LookupText::UsernameRequired;
    }
    return std::nullopt;
}

bool IsHttpsURL(std::string_view url)
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

std::string_view WithoutHttpPrefix(std::string_view url)
{
    // The field handler runs again after each removal, so every leading "http://" goes.
    while (url.starts_with("http://"))
        url.remove_prefix(7);
    return url;
}
