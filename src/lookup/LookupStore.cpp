#include "LookupStore.h"

#include "LookupRecord.h"
#include "PercentCoding.h"

#include <charconv>
#include <cstdint>
#include <set>

namespace {

constexpr char kMark = '~';

// Settings keys match without regard to ASCII case.
std::string Folded(std::string_view key)
{
    std::string out(key);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Values come back trimmed and without enclosing quotes; escaping blanks, controls and quotes keeps them whole.
bool NameNeedsEscape(unsigned char c) { return c < 0x21 || c == 0x7F || c == '"' || c == '\''; }

bool NameIsItsOwnKey(std::string_view name, const std::set<std::string>& taken)
{
    return IsUsableSettingsKey(name) && name.front() != kMark && !taken.contains(Folded(name));
}

std::string RecordKey(const TLookupEntry& entry, std::size_t row, const std::set<std::string>& taken)
{
    if (IsUsableSettingsKey(entry.StoredRecord) && !taken.contains(Folded(entry.StoredRecord)))
        return entry.StoredRecord;
    TLookupRecord record = ParseStoredLookupRecord(entry.StoredRecord, entry.Credentials);
    for (std::size_t n = 1;; ++n) {
        std::string key = EscapedStoredLookupRecord(std::to_string(row + 1) + "." + std::to_string(n), record);
        if (!taken.contains(Folded(key)))
            return key;
    }
}

// As the settings file reads a boolean: a 32-bit integer (decimal, or hexadecimal after "0x"), non-zero being
// true; anything else false.
bool FlagValue(std::string_view value)
{
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        std::string_view digits = value.substr(2);
        std::uint32_t number = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
        return digits.size() <= 8 && ec == std::errc() && end == digits.data() + digits.size() && number != 0;
    }
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    if (value.empty() || value.front() == '+')
        return false;
    std::int32_t number = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number, 10);
    return ec == std::errc() && end == value.data() + value.size() && number != 0;
}

std::string NameFromRouters(const std::pair<std::string, std::string>& pair)
{
    const std::string& value = pair.second;
    if (!value.empty() && value.front() == kMark)
        return PercentDecode(std::string_view(value).substr(1));
    return pair.first;
}

} // namespace

TLookupSections StoreLookupEntries(const std::vector<TLookupEntry>& entries)
{
    TLookupSections sections;
    std::set<std::string> nameKeys;
    std::set<std::string> recordKeys;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const TLookupEntry& entry = entries[row];
        if (NameIsItsOwnKey(entry.Name, nameKeys)) {
            sections.Routers.emplace_back(entry.Name, "1");
        } else {
            sections.Routers.emplace_back(std::string(1, kMark) + std::to_string(row + 1),
                                          std::string(1, kMark) + PercentEncode(entry.Name, NameNeedsEscape));
        }
        nameKeys.insert(Folded(sections.Routers.back().first));

        std::string key = RecordKey(entry, row, recordKeys);
        recordKeys.insert(Folded(key));
        sections.RoutersData.emplace_back(std::move(key), entry.Credentials ? "1" : "0");
    }
    return sections;
}

std::vector<TLookupEntry> LoadLookupEntries(const TLookupSections& sections)
{
    std::vector<TLookupEntry> entries;
    for (std::size_t row = 0; row < sections.RoutersData.size(); ++row) {
        TLookupEntry entry;
        entry.StoredRecord = sections.RoutersData[row].first;
        entry.Credentials = FlagValue(sections.RoutersData[row].second);
        if (row < sections.Routers.size()) {
            entry.Name = NameFromRouters(sections.Routers[row]);
        } else {
            // A file whose names collapsed into one key: keep the record under a name of its own.
            entry.Name = ParseStoredLookupRecord(entry.StoredRecord, entry.Credentials).URL;
            if (entry.Name.empty())
                entry.Name = "Lookup " + std::to_string(row + 1);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}
