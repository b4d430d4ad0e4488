// The stored lookup record decoder and the list sections on any settings text, and the promise of the
// storing side: every record and every list of named entries comes back whole through the settings file.
#include "FuzzInput.h"
#include "IniFile.h"
#include "LookupRecord.h"
#include "LookupStore.h"

namespace {

TLookupSections ReadSections(const TIniFile& ini) {
    TLookupSections sections;
    for (const std::string& key : ini.ReadSectionKeys("Routers", TIniFile::kKeyListBytes))
        sections.Routers.emplace_back(key, ini.ReadRaw("Routers", key).value_or(""));
    for (const std::string& key : ini.ReadSectionKeys("RoutersData", TIniFile::kKeyListBytes))
        sections.RoutersData.emplace_back(key, ini.ReadRaw("RoutersData", key).value_or(""));
    return sections;
}

TLookupSections ThroughSettingsFile(const TLookupSections& sections) {
    TIniFile ini;
    for (std::size_t row = 0; row < sections.Routers.size(); ++row) {
        ini.WriteString("Routers", sections.Routers[row].first, sections.Routers[row].second);
        ini.WriteString("RoutersData", sections.RoutersData[row].first, sections.RoutersData[row].second);
    }
    return ReadSections(TIniFile::Parse(ini.Text()));
}

TLookupRecord RecordFrom(TFuzzInput& in, bool credentials) {
    TLookupRecord record;
    record.URL = in.Field();
    record.Keyword = in.Field();
    record.CharToSkip = in.Field();
    record.Credentials = credentials;
    if (credentials) {
        record.Username = in.Field();
        record.Password = in.Field();
    }
    return record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const uint8_t flags = in.Byte();

    if (flags & 1) {
        // Reading: any stored text, any settings file.
        const std::string text = in.Rest();
        const TLookupRecord record = ParseStoredLookupRecord(text, flags & 2);
        FUZZ_CHECK(record.Credentials == static_cast<bool>(flags & 2));
        (void)ParseLookupRecord(text, flags & 2);
        const std::vector<TLookupEntry> entries = LoadLookupEntries(ReadSections(TIniFile::Parse(text)));
        for (const TLookupEntry& entry : entries)
            (void)ParseStoredLookupRecord(entry.StoredRecord, entry.Credentials);
        return 0;
    }

    // Writing: a few entries built from the input must come back row by row.
    std::vector<TLookupEntry> entries;
    std::vector<TLookupRecord> records;
    const int count = 1 + (flags >> 1) % 4;
    for (int row = 0; row < count; ++row) {
        const uint8_t entryFlags = in.Byte();
        TLookupRecord record = RecordFrom(in, entryFlags & 1);
        const std::string name = in.Field();
        const std::size_t sequence = entryFlags >> 1;
        const std::string stored = StoredLookupRecord(sequence, record);
        FUZZ_CHECK(ParseStoredLookupRecord(stored, record.Credentials) == record);
        entries.push_back({name, stored, record.Credentials});
        records.push_back(record);
    }
    const std::vector<TLookupEntry> loaded = LoadLookupEntries(ThroughSettingsFile(StoreLookupEntries(entries)));
    FUZZ_CHECK(loaded.size() == entries.size());
    for (std::size_t row = 0; row < entries.size() && row < loaded.size(); ++row) {
        FUZZ_CHECK(loaded[row].Name == entries[row].Name);
        FUZZ_CHECK(loaded[row].Credentials == entries[row].Credentials);
        FUZZ_CHECK(ParseStoredLookupRecord(loaded[row].StoredRecord, loaded[row].Credentials) == records[row]);
    }
    return 0;
}
