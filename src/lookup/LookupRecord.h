#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune::lookup {

// The fields of one user-defined lookup or router preset. Username and Password belong to the record only
// while Credentials (the flag kept beside the record) is set.
struct LookupRecord {
    std::string url;         // edURL
    std::string keyword;     // edKeyword
    std::string charToSkip;  // edChartoSkip
    std::string username;    // edWebUsername
    std::string password;    // edWebPassword, in clear
    bool credentials = false;
    // "Accept any certificate": kept for an "https://" page only.
    bool acceptAnyCertificate = false;

    bool operator==(const LookupRecord&) const = default;
};

// The comma-joined lookup record: URL, keyword, skip count and, with credentials, user name and password.
std::string lookupRecordText(const LookupRecord& record);
// Splits a lookup record from the left; without credentials all after the keyword is the skip count,
// with them the password is all after the user name (so it may hold commas).
LookupRecord parseLookupRecord(std::string_view text, bool credentials);

// Every byte replaced by its bitwise complement; applying it twice gives the text back.
std::string complementBytes(std::string_view text);

// The stored lookup record kept in the debug view's record list and as a key of "RoutersData".
//
// Classic form: sequence number (followed by "*" when any certificate is accepted), ",", the lookup record with its password complemented, and every "=" turned
// into the byte 0xA7. It is written whenever it reads back to the same fields and is a usable settings key.
// Escaped form, for every other record: "~" + sequence number (and "*" as above), then the fields joined by "," with each byte
// outside printable ASCII and each of % , = " ' written as %XX (the password complemented first). Old files
// never hold it, as their records all begin with a digit. Readers ignore the first field, so the "*" changes
// nothing for them and records without it read as they always did.
std::string storedLookupRecord(std::size_t sequence, const LookupRecord& record);
// Reads either form back; the classic form exactly as stored records have always been read.
LookupRecord parseStoredLookupRecord(std::string_view stored, bool credentials);
// The stored record in the escaped form with tag after the "~" (used to keep keys apart).
std::string escapedStoredLookupRecord(std::string_view tag, const LookupRecord& record);

// True when text can be a settings key and come back as written: not empty, no "=", CR, LF or NUL, no byte of
// code 0x20 or less at either end, not beginning with "[".
bool isUsableSettingsKey(std::string_view text);

// The checks of Add and Apply, in order; the message of the first failure, or nullopt.
std::optional<std::string_view> entryFieldsProblem(const LookupRecord& fields);

// True when url begins with "https://" in any case.
bool isHttpsUrl(std::string_view url);

// edURLChange: a leading "http://" is removed; no other scheme is.
std::string_view withoutHttpPrefix(std::string_view url);

} // namespace kestrune::lookup
