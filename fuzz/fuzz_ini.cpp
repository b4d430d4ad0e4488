// The INI reader on any settings file, and writing into what it read: every value read is bounded, the
// text written reads back the same, and a value written comes back as written (up to a line break).
#include "FuzzInput.h"
#include "IniFile.h"

#include <numeric>

using namespace kestrune::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string section = in.Field();
    const std::string key = in.Field();
    const std::string value = in.Field();
    const std::string file = in.Rest();

    IniFile ini = IniFile::parse(file);
    for (const std::string& name : ini.sectionNames()) {
        const std::vector<std::string> keys = ini.readSectionKeys(name, IniFile::kKeyListBytes);
        const std::size_t listBytes =
            std::accumulate(keys.begin(), keys.end(), std::size_t{0},
                            [](std::size_t sum, const std::string& k) { return sum + k.size() + 1; });
        FUZZ_CHECK(listBytes <= IniFile::kKeyListBytes);
        for (const std::string& k : keys) {
            FUZZ_CHECK(ini.valueExists(name, k));
            FUZZ_CHECK(ini.readString(name, k, "").size() <= IniFile::kMaxValueLength);
            (void)ini.readInteger(name, k, -7);
            (void)ini.readBool(name, k, true);
        }
    }

    // The written text is a fixed point of reading and writing.
    const std::string text = ini.text();
    FUZZ_CHECK(IniFile::parse(text).text() == text);

    if (IniFile::isStorableSection(section) && IniFile::isStorableKey(key)) {
        ini.writeString(section, key, value);
        const IniFile reread = IniFile::parse(ini.text());
        const std::string expected = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
        FUZZ_CHECK(reread.readRaw(section, key) == expected);
        ini.eraseSection(section);
        FUZZ_CHECK(!ini.sectionExists(section));
        FUZZ_CHECK(!IniFile::parse(ini.text()).sectionExists(section));
    } else {
        bool refused = false;
        try {
            ini.writeString(section, key, value);
        } catch (const IniError&) {
            refused = true;
        }
        FUZZ_CHECK(refused);
    }
    return 0;
}
