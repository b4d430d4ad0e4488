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

// Raised when the settings file cannot be written or a name cannot be stored in it; the message names the file.
class EIniError : public std::runtime_error {
public:
    explicit EIniError(const std::string& message) : std::runtime_error(message) {}
};

// An INI file held in memory with the profile semantics: section and key names match without regard to ASCII
// case, values come back trimmed with one pair of enclosing quotes removed, and everything the program does not
// touch (other sections, other keys, blank lines, comments) is written back as it was read.
// Values are bytes; nothing is converted.
class TIniFile {
public:
    // Longest value handed back whole by ReadString (longer ones are cut, never mid UTF-8 character).
    static constexpr std::size_t kMaxValueLength = 2047;
    // Size of the key list of the profile functions: each key counts with one terminating zero byte.
    static constexpr std::size_t kKeyListBytes = 16384;

    TIniFile() = default;

    // A missing or unreadable file gives an empty INI, as the settings have no error for a missing file.
    static TIniFile Load(const std::filesystem::path& file);
    // For updating a file in place: a file that exists but cannot be read raises EIniError, so a save never
    // drops what it could not read.
    static TIniFile LoadForUpdate(const std::filesystem::path& file);
    static TIniFile Parse(std::string_view text);

    // The file text with CR LF line ends.
    std::string Text() const;
    // Writes aside and renames over the file, owner-only (0600). On failure the old file is untouched and
    // EIniError names the file. A file without any write permission bit counts as read-only and is refused.
    void Save(const std::filesystem::path& file) const;
    // Removes the temporaries an interrupted Save of this file left in its folder: only regular files of this
    // user named exactly as Save names them. Links are never followed; failures are ignored.
    static void RemoveStaleTemporaries(const std::filesystem::path& file);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // The value as stored, trimmed and unquoted, not cut; nullopt when the key is missing.
    std::optional<std::string> ReadRaw(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"0X"; anything else (or out of int range) gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Read as an integer, non-zero being true; a value that is not an integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Key names of the first section of that name, in file order, as far as they fit in byteLimit
    // (each with one terminating byte); a key that would not fit whole is left out with all after it.
    std::vector<std::string> ReadSectionKeys(std::string_view section,
                                             std::size_t byteLimit = std::numeric_limits<std::size_t>::max()) const;
    std::vector<std::string> SectionNames() const;

    // Sets the value, keeping the key's place in the file and taking the writer's spelling of its name; a new key
    // goes after the last key of its section, a new section at the end of the file. A value that would not come
    // back as written (blanks at either end, enclosing quotes) is written inside double quotes. A value is cut
    // at its first CR, LF or NUL, as nothing after them could be read back. Throws EIniError for names that
    // cannot be stored (see IsStorableKey / IsStorableSection).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);

    // A key comes back as written only when it is not empty, has no "=", CR, LF or NUL, no blank or tab at
    // either end, and does not begin with "[".
    static bool IsStorableKey(std::string_view key);
    static bool IsStorableSection(std::string_view section);

private:
    struct TLine {
        std::string Raw;      // the line as read, kept for untouched lines
        std::string Key;      // empty for lines that are not key lines
        std::string Value;    // trimmed value text as it stands in the file (quotes kept)
        bool IsKey = false;
    };
    // Case-folded name to the position of its first occurrence, so a large file is not scanned per lookup.
    using TNameIndex = std::unordered_map<std::string, std::size_t>;
    struct TSection {
        std::string Header;   // the "[Name]" line as read or written
        std::string Name;     // empty for the lines before the first section
        std::vector<TLine> Lines;
        TNameIndex KeyLines;
    };

    const TSection* FindSection(std::string_view name) const;
    TSection* FindSection(std::string_view name);
    static const TLine* FindKey(const TSection& section, std::string_view key);
    void AddSection(TSection section);
    static void IndexKeys(TSection& section);
    void IndexSections();

    std::vector<TSection> Sections;
    TNameIndex SectionIndex;
    bool HasByteOrderMark = false;
};
