#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrune::core {

// Raised when the settings file cannot be written or a name cannot be stored in it; the message names the file.
class IniError : public std::runtime_error {
public:
    explicit IniError(const std::string& message) : std::runtime_error(message) {}
};

// An INI file held in memory with the profile semantics: section and key names match without regard to ASCII
// case, values come back trimmed with one pair of enclosing quotes removed, and everything the program does not
// touch (other sections, other keys, blank lines, comments) is written back as it was read.
// Values are bytes; nothing is converted.
class IniFile {
public:
    // Longest value handed back whole by readString (longer ones are cut, never mid UTF-8 character).
    static constexpr std::size_t kMaxValueLength = 2047;
    // Size of the key list of the profile functions: each key counts with one terminating zero byte.
    static constexpr std::size_t kKeyListBytes = 16384;

    IniFile() = default;

    // A missing file gives an empty INI, as the settings have no error for a missing file; one that exists but
    // cannot be read, or is no regular file (a folder, a FIFO), raises IniError with the reason. Never waits.
    static IniFile load(const std::filesystem::path& file);
    // For updating a file in place: a file that exists but cannot be read raises IniError, so a save never
    // drops what it could not read.
    static IniFile loadForUpdate(const std::filesystem::path& file);
    static IniFile parse(std::string_view text);

    // The file text with CR LF line ends.
    std::string text() const;
    // Writes aside and renames over the file, owner-only (0600). On failure the old file is untouched and
    // IniError names the file. A file without any write permission bit counts as read-only and is refused.
    void save(const std::filesystem::path& file) const;
    // Removes the temporaries an interrupted Save of this file left in its folder: only regular files of this
    // user named exactly as Save names them. Links are never followed; failures are ignored.
    static void removeStaleTemporaries(const std::filesystem::path& file);

    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    // The value as stored, trimmed and unquoted, not cut; nullopt when the key is missing.
    std::optional<std::string> readRaw(std::string_view section, std::string_view key) const;

    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"0X"; anything else (or out of int range) gives the default.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Read as an integer, non-zero being true; a value that is not an integer gives the default.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Key names of the first section of that name, in file order, as far as they fit in byteLimit
    // (each with one terminating byte); a key that would not fit whole is left out with all after it.
    std::vector<std::string> readSectionKeys(std::string_view section,
                                             std::size_t byteLimit = std::numeric_limits<std::size_t>::max()) const;
    std::vector<std::string> sectionNames() const;

    // Sets the value, keeping the key's place in the file and taking the writer's spelling of its name; a new key
    // goes after the last key of its section, a new section at the end of the file. A value that would not come
    // back as written (blanks at either end, enclosing quotes) is written inside double quotes. A value is cut
    // at its first CR, LF or NUL, as nothing after them could be read back. Throws IniError for names that
    // cannot be stored (see isStorableKey / isStorableSection).
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void deleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);

    // A key comes back as written only when it is not empty, has no "=", CR, LF or NUL, no blank or tab at
    // either end, and does not begin with "[".
    static bool isStorableKey(std::string_view key);
    static bool isStorableSection(std::string_view section);

private:
    struct Line {
        std::string raw;      // the line as read, kept for untouched lines
        std::string key;      // empty for lines that are not key lines
        std::string value;    // trimmed value text as it stands in the file (quotes kept)
        bool isKey = false;
    };
    // Case-folded name to the position of its first occurrence, so a large file is not scanned per lookup.
    using NameIndex = std::unordered_map<std::string, std::size_t>;
    struct Section {
        std::string header;   // the "[Name]" line as read or written
        std::string name;     // empty for the lines before the first section
        std::vector<Line> lines;
        NameIndex keyLines;
    };

    const Section* findSection(std::string_view name) const;
    Section* findSection(std::string_view name);
    static const Line* findKey(const Section& section, std::string_view key);
    void addSection(Section section);
    static void indexKeys(Section& section);
    void indexSections();

    std::vector<Section> m_sections;
    NameIndex m_sectionIndex;
    bool m_hasByteOrderMark = false;
};

} // namespace kestrune::core
