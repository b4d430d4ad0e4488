#pragma once

#include "IniFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::core {

// One key of the settings file as its manual page describes it. A key that repeats per entry of a list section
// ends in "<i>" (1, 2, … up to the section's Count); a section of free keys has "<name>" or "<record>".
struct ManualKey {
    std::string section;
    std::string key;
    std::string type;
    std::string defaultValue;  // as written in the file; empty when the default is empty
    std::string meaning;
};

struct ManualSection {
    std::string name;
    std::string meaning;
};

// Every section and key the program reads or writes, in file order: the settings table's rows, then the list
// sections' per-entry keys and the run's state.
std::vector<ManualSection> manualSections();
std::vector<ManualKey> manualKeys(std::string_view firstExternalServiceUrl);

// The keys of ini that the manual does not know (a typing error, a key of another version), as
// "[Section] Key"; comment-like lines (";", "#") are not keys to a reader and are skipped.
std::vector<std::string> unknownKeys(const IniFile& ini);

} // namespace kestrune::core
