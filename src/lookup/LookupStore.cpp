#include "LookupStore.h"

#include "LookupRecord.h"
#include "PercentCoding.h"

#include <charconv>
#include <cstdint>
#include <set>

namespace kestrune::lookup {

namespace {

constexpr char kMark = '~';

// Settings keys match without regard to ASCII case.
std::string folded(std::string_view key)
{
    std::string out(key);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Values come back trimmed and without enclosing quotes; escaping blanks, controls and quotes keeps them whole.
bool nameNeedsEscape(unsigned char c) { return c < 0x21 || c == 0x7F || c == '"' || c == '\''; }

bool nameIsItsOwnKey(std::string_view name, const std::set<std::string>& taken)
{
    return isUsableSettingsKey(name) && name.front() != kMark && !taken.contains(folded(name));
}

std::string recordKey(const LookupEntry& entry, std::size_t row, const std::set<std::string>& taken)
{
    if (isUsableSettingsKey(entry.storedRecord) && !taken.contains(folded(entry.storedRecord)))
        return entry.storedRecord;
    LookupRecord record = parseStoredLookupRecord(entry.storedRecord, entry.credentials);
    for (std::size_t n = 1;; ++n) {
        std::string key = escapedStoredLookupRecord(std::to_string(row + 1) + "." + std::to_string(n), record);
        if (!taken.contains(folded(key)))
            return key;
    }
}

// As the settings file reads a boolean: a 32-bit integer (decimal, or hexadecimal after "0x"), non-zero being
// true; anything else false.
bool flagValue(std::string_view value)
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

std::string nameFromRouters(const std::pair<std::string, std::string>& pair)
{
    const std::string& value = pair.second;
    if (!value.empty() && value.front() == kMark)
        return percentDecode(std::string_view(value).substr(1));
    return pair.first;
}

} // namespace

LookupSections storeLookupEntries(const std::vector<LookupEntry>& entries)
{
    LookupSections sections;
    std::set<std::string> nameKeys;
    std::set<std::string> recordKeys;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const LookupEntry& entry = entries[row];
        if (nameIsItsOwnKey(entry.name, nameKeys)) {
            sections.routers.emplace_back(entry.name, "1");
        } else {
            sections.routers.emplace_back(std::string(1, kMark) + std::to_string(row + 1),
                                          std::string(1, kMark) + percentEncode(entry.name, nameNeedsEscape));
        }
        nameKeys.insert(folded(sections.routers.back().first));

        std::string key = recordKey(entry, row, recordKeys);
        recordKeys.insert(folded(key));
        sections.routersData.emplace_back(std::move(key), entry.credentials ? "1" : "0");
    }
    return sections;
}

std::vector<LookupEntry> loadLookupEntries(const LookupSections& sections)
{
    std::vector<LookupEntry> entries;
    for (std::size_t row = 0; row < sections.routersData.size(); ++row) {
        LookupEntry entry;
        entry.storedRecord = sections.routersData[row].first;
        entry.credentials = flagValue(sections.routersData[row].second);
        if (row < sections.routers.size()) {
            entry.name = nameFromRouters(sections.routers[row]);
        } else {
            // A file whose names collapsed into one key: keep the record under a name of its own.
            entry.name = parseStoredLookupRecord(entry.storedRecord, entry.credentials).url;
            if (entry.name.empty())
                entry.name = "Lookup " + std::to_string(row + 1);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace kestrune::lookup
