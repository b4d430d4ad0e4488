// The INI reader on any settings file, and writing into what it read: every value read is bounded, the
// text written reads back the same, and a value written comes back as written (up to a line break).
#include "FuzzInput.h"
#include "IniFile.h"

#include <numeric>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::string section = in.Field();
    const std::string key = in.Field();
    const std::string value = in.Field();
    const std::string file = in.Rest();

    TIniFile ini = TIniFile::Parse(file);
    for (const std::string& name : ini.SectionNames()) {
        const std::vector<std::string> keys = ini.ReadSectionKeys(name, TIniFile::kKeyListBytes);
        const std::size_t listBytes =
            std::accumulate(keys.begin(), keys.end(), std::size_t{0},
                            [](std::size_t sum, const std::string& k) { return sum + k.size() + 1; });
        FUZZ_CHECK(listBytes <= TIniFile::kKeyListBytes);
        for (const std::string& k : keys) {
            FUZZ_CHECK(ini.ValueExists(name, k));
            FUZZ_CHECK(ini.ReadString(name, k, "").size() <= TIniFile::kMaxValueLength);
            (void)ini.ReadInteger(name, k, -7);
            (void)ini.ReadBool(name, k, true);
        }
    }

    // The written text is a fixed point of reading and writing.
    const std::string text = ini.Text();
    FUZZ_CHECK(TIniFile::Parse(text).Text() == text);

    if (TIniFile::IsStorableSection(section) && TIniFile::IsStorableKey(key)) {
        ini.WriteString(section, key, value);
        const TIniFile reread = TIniFile::Parse(ini.Text());
        const std::string expected = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
        FUZZ_CHECK(reread.ReadRaw(section, key) == expected);
        ini.EraseSection(section);
        FUZZ_CHECK(!ini.SectionExists(section));
        FUZZ_CHECK(!TIniFile::Parse(ini.Text()).SectionExists(section));
    } else {
        bool refused = false;
        try {
            ini.WriteString(section, key, value);
        } catch (const EIniError&) {
            refused = true;
        }
        FUZZ_CHECK(refused);
    }
    return 0;
}
