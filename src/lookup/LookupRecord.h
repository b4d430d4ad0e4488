#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The fields of one user-defined lookup or router preset. Username and Password belong to the record only
// while Credentials (the flag kept beside the record) is set.
struct TLookupRecord {
    std::string URL;         // edURL
    std::string Keyword;     // edKeyword
    std::string CharToSkip;  // edChartoSkip
    std::string Username;    // edWebUsername
    std::string Password;    // edWebPassword, in clear
    bool Credentials = false;
    // "Accept any certificate": kept for an "https://" page only.
    bool AcceptAnyCertificate = false;

    bool operator==(const TLookupRecord&) const = default;
};

// The comma-joined lookup record: URL, keyword, skip count and, with credentials, user name and password.
std::string LookupRecordText(const TLookupRecord& record);
// Splits a lookup record from the left; without credentials all after the keyword is the skip count,
// with them the password is all after the user name (so it may hold commas).
TLookupRecord ParseLookupRecord(std::string_view text, bool credentials);

// Every byte replaced by its bitwise complement; applying it twice gives the text back.
std::string ComplementBytes(std::string_view text);

// The stored lookup record kept in the debug view's record list and as a key of "RoutersData".
//
// Classic form: sequence number (followed by "*" when any certificate is accepted), ",", the lookup record with its password complemented, and every "=" turned
// into the byte 0xA7. It is written whenever it reads back to the same fields and is a usable settings key.
// Escaped form, for every other record: "~" + sequence number (and "*" as above), then the fields joined by "," with each byte
// outside printable ASCII and each of % , = " ' written as %XX (the password complemented first). Old files
// never hold it, as their records all begin with a digit. Readers ignore the first field, so the "*" changes
// nothing for them and records without it read as they always did.
std::string StoredLookupRecord(std::size_t sequence, const TLookupRecord& record);
// Reads either form back; the classic form exactly as stored records have always been read.
TLookupRecord ParseStoredLookupRecord(std::string_view stored, bool credentials);
// The stored record in the escaped form with tag after the "~" (used to keep keys apart).
std::string EscapedStoredLookupRecord(std::string_view tag, const TLookupRecord& record);

// True when text can be a settings key and come back as written: not empty, no "=", CR, LF or NUL, no byte of
// code 0x20 or less at either end, not beginning with "[".
bool IsUsableSettingsKey(std::string_view text);

// The checks of Add and Apply, in order; the message of the first failure, or nullopt.
std::optional<std::string_view> EntryFieldsProblem(const TLookupRecord& fields);

// True when url begins with "https://" in any case.
bool IsHttpsURL(std::string_view url);

// edURLChange: a leading "http://" is removed; no other scheme is.
std::string_view WithoutHttpPrefix(std::string_view url);
