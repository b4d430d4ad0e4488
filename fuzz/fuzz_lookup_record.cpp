// The stored lookup record decoder and the list sections on any settings text, and the promise of the
// storing side: every record and every list of named entries comes back whole through the settings file.
#include "FuzzInput.h"
#include "IniFile.h"
#include "LookupRecord.h"
#include "LookupStore.h"

using namespace kestrune::core;
using namespace kestrune::lookup;

namespace {

LookupSections ReadSections(const IniFile& ini) {
    LookupSections sections;
    for (const std::string& key : ini.readSectionKeys("Routers", IniFile::kKeyListBytes))
        sections.routers.emplace_back(key, ini.readRaw("Routers", key).value_or(""));
    for (const std::string& key : ini.readSectionKeys("RoutersData", IniFile::kKeyListBytes))
        sections.routersData.emplace_back(key, ini.readRaw("RoutersData", key).value_or(""));
    return sections;
}

LookupSections ThroughSettingsFile(const LookupSections& sections) {
    IniFile ini;
    for (std::size_t row = 0; row < sections.routers.size(); ++row) {
        ini.writeString("Routers", sections.routers[row].first, sections.routers[row].second);
        ini.writeString("RoutersData", sections.routersData[row].first, sections.routersData[row].second);
    }
    return ReadSections(IniFile::parse(ini.text()));
}

LookupRecord RecordFrom(FuzzInput& in, bool credentials) {
    LookupRecord record;
    record.url = in.Field();
    record.keyword = in.Field();
    record.charToSkip = in.Field();
    record.credentials = credentials;
    if (credentials) {
        record.username = in.Field();
        record.password = in.Field();
    }
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();

    if (flags & 1) {
        // Reading: any stored text, any settings file.
        const std::string text = in.Rest();
        const LookupRecord record = parseStoredLookupRecord(text, flags & 2);
        FUZZ_CHECK(record.credentials == static_cast<bool>(flags & 2));
        (void)parseLookupRecord(text, flags & 2);
        const std::vector<LookupEntry> entries = loadLookupEntries(ReadSections(IniFile::parse(text)));
        for (const LookupEntry& entry : entries)
            (void)parseStoredLookupRecord(entry.storedRecord, entry.credentials);
        return 0;
    }

    // Writing: a few entries built from the input must come back row by row.
    std::vector<LookupEntry> entries;
    std::vector<LookupRecord> records;
    const int count = 1 + (flags >> 1) % 4;
    for (int row = 0; row < count; ++row) {
        const uint8_t entryFlags = in.Byte();
        LookupRecord record = RecordFrom(in, entryFlags & 1);
        const std::string name = in.Field();
        const std::size_t sequence = entryFlags >> 1;
        const std::string stored = storedLookupRecord(sequence, record);
        FUZZ_CHECK(parseStoredLookupRecord(stored, record.credentials) == record);
        entries.push_back({name, stored, record.credentials});
        records.push_back(record);
    }
    const std::vector<LookupEntry> loaded = loadLookupEntries(ThroughSettingsFile(storeLookupEntries(entries)));
    FUZZ_CHECK(loaded.size() == entries.size());
    for (std::size_t row = 0; row < entries.size() && row < loaded.size(); ++row) {
        FUZZ_CHECK(loaded[row].name == entries[row].name);
        FUZZ_CHECK(loaded[row].credentials == entries[row].credentials);
        FUZZ_CHECK(parseStoredLookupRecord(loaded[row].storedRecord, loaded[row].credentials) == records[row]);
    }
    return 0;
}
