#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune::lookup {

// One row of the user-defined lookup list with its row of the record list.
struct LookupEntry {
    std::string name;
    std::string storedRecord;  // as storedLookupRecord made it, or as read from the settings file
    bool credentials = false;

    bool operator==(const LookupEntry&) const = default;
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;

// The sections "Routers" and "RoutersData", each as key/value pairs in file order.
struct LookupSections {
    KeyValues routers;
    KeyValues routersData;
};

// The keys and values to write, row by row. Every key is a usable settings key and no two keys of a section
// are equal without regard to ASCII case, so each row comes back as it was:
// - a name that could not be a key as it is (or repeats an earlier key, or begins with "~") is written under
//   the key "~" + row number with the value "~" + the name (bytes below 0x21, 0x7F, % " ' as %XX); other
//   names are written as the key with the value "1";
// - a record that repeats an earlier key is written in the escaped form with a tag that tells it apart.
LookupSections storeLookupEntries(const std::vector<LookupEntry>& entries);

// Rows from what the two sections hold, paired by position. A value beginning "~" in "Routers" carries the
// name. A flag is an integer value, non-zero being set (decimal or "0x" hexadecimal; anything else clear).
// Records without a name are kept and named after their URL; names without a record are dropped.
std::vector<LookupEntry> loadLookupEntries(const LookupSections& sections);

} // namespace kestrune::lookup
