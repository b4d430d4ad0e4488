#include "IniFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct TOsError {
    int Code;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), FoldCase);
    return out;
}

bool IsEnclosedInQuotes(std::string_view s)
{
    return s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\'');
}

std::string_view Unquote(std::string_view s)
{
    return IsEnclosedInQuotes(s) ? s.substr(1, s.size() - 2) : s;
}

// Cuts to at most max bytes without splitting a UTF-8 sequence.
std::string_view CutValue(std::string_view s, std::size_t max)
{
    if (s.size() <= max)
        return s;
    std::size_t end = max;
    auto isContinuation = [&](std::size_t i) { return (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
    std::size_t back = end;
    while (back > 0 && back > end - 3 && isContinuation(back))
        --back;
    if (back < end && static_cast<unsigned char>(s[back]) >= 0xC0)
        end = back;
    return s.substr(0, end);
}

std::optional<int> ParseInteger(std::string_view s)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        std::string_view digits = s.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t value = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<int>(value);
    }
    bool plus = !s.empty() && s.front() == '+';
    if (plus)
        s.remove_prefix(1);
    if (s.empty() || (plus && (s.front() < '0' || s.front() > '9')))
        return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// A value that would lose its outer blanks or quotes on reading goes inside another pair of quotes.
std::string StoredValue(std::string_view value)
{
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    bool needsQuotes = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || IsEnclosedInQuotes(value));
    return needsQuotes ? "\"" + std::string(value) + "\"" : std::string(value);
}

// Save's temporary is this prefix and six letters or digits from mkstemp.
std::string TemporaryPrefix(const std::filesystem::path& file) { return "." + file.filename().string() + "."; }
constexpr std::string_view kTemporaryLetters = "XXXXXX";

bool IsTemporaryName(std::string_view name, std::string_view prefix)
{
    if (name.size() != prefix.size() + kTemporaryLetters.size() || !name.starts_with(prefix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string WriteFailure(const std::filesystem::path& file, const std::string& reason)
{
    return "Could not write the file \"" + file.string() + "\": " + reason;
}

void WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw TOsError{errno};
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// 0 or the errno of the failure.
int ReadWholeFile(const std::filesystem::path& file, std::string& text)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char buffer[65536];
    int error = 0;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    ::close(fd);
    return error;
}

} // namespace

TIniFile TIniFile::Load(const std::filesystem::path& file)
{
    std::string text;
    return ReadWholeFile(file, text) == 0 ? Parse(text) : TIniFile();
}

TIniFile TIniFile::LoadForUpdate(const std::filesystem::path& file)
{
    std::string text;
    int error = ReadWholeFile(file, text);
    if (error != 0 && error != ENOENT)
        throw EIniError("Could not read the file \"" + file.string() + "\" before writing it: " + ErrorText(error));
    return Parse(text);
}

TIniFile TIniFile::Parse(std::string_view text)
{
    TIniFile ini;
    if (text.starts_with(kByteOrderMark)) {
        ini.HasByteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    ini.Sections.push_back(TSection{});
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1));

        std::string_view trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            std::string_view name = trimmed.substr(1);
            name = Trim(name.substr(0, name.find(']')));
            ini.Sections.push_back(TSection{std::string(line), std::string(name), {}, {}});
            continue;
        }
        TLine entry{std::string(line), {}, {}, false};
        std::size_t eq = trimmed.find('=');
        if (eq != std::string_view::npos && !Trim(trimmed.substr(0, eq)).empty()) {
            entry.IsKey = true;
            entry.Key = std::string(Trim(trimmed.substr(0, eq)));
            entry.Value = std::string(Trim(trimmed.substr(eq + 1)));
        }
        ini.Sections.back().Lines.push_back(std::move(entry));
    }
    for (TSection& section : ini.Sections)
        IndexKeys(section);
    ini.IndexSections();
    return ini;
}

std::string TIniFile::Text() const
{
    std::string out;
    if (HasByteOrderMark)
        out += kByteOrderMark;
    for (const TSection& section : Sections) {
        if (!section.Header.empty()) {
            out += section.Header;
            out += kLineEnd;
        }
        for (const TLine& line : section.Lines) {
            out += line.Raw;
            out += kLineEnd;
        }
    }
    return out;
}

void TIniFile::Save(const std::filesystem::path& file) const
{
    std::filesystem::path target = file;
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        auto resolved = std::filesystem::canonical(file, ec);
        if (!ec)
            target = resolved;
    }

    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            throw EIniError(WriteFailure(file, "it is not a regular file"));
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw EIniError(WriteFailure(file, "the file is read-only"));
    }

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string temp = (folder / (TemporaryPrefix(target) + std::string(kTemporaryLetters))).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw EIniError(WriteFailure(file, ErrorText(errno)));

    try {
        if (::fchmod(fd, 0600) != 0)
            throw TOsError{errno};
        WriteAll(fd, Text());
        if (::fsync(fd) != 0)
            throw TOsError{errno};
        int closing = fd;
        fd = -1;
        if (::close(closing) != 0)
            throw TOsError{errno};
        if (::rename(temp.c_str(), target.c_str()) != 0)
            throw TOsError{errno};
    } catch (const TOsError& error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        throw EIniError(WriteFailure(file, ErrorText(error.Code)));
    }

    // Make the rename itself durable; failing here leaves a complete file either way.
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void TIniFile::RemoveStaleTemporaries(const std::filesystem::path& file)
{
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    const std::string prefix = TemporaryPrefix(file);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (IsTemporaryName(entry->d_name, prefix))
            names.emplace_back(entry->d_name);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(dirFd, name.c_str(), 0);
    }
    ::closedir(dir);
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const
{
    auto found = SectionIndex.find(Folded(name));
    return found == SectionIndex.end() ? nullptr : &Sections[found->second];
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

const TIniFile::TLine* TIniFile::FindKey(const TSection& section, std::string_view key)
{
    auto found = section.KeyLines.find(Folded(key));
    return found == section.KeyLines.end() ? nullptr : &section.Lines[found->second];
}

void TIniFile::AddSection(TSection section)
{
    Sections.push_back(std::move(section));
    SectionIndex.emplace(Folded(Sections.back().Name), Sections.size() - 1);
}

void TIniFile::IndexKeys(TSection& section)
{
    section.KeyLines.clear();
    for (std::size_t i = 0; i < section.Lines.size(); ++i)
        if (section.Lines[i].IsKey)
            section.KeyLines.emplace(Folded(section.Lines[i].Key), i);
}

// Only sections with a header line can be found by name; the lines before the first one cannot.
void TIniFile::IndexSections()
{
    SectionIndex.clear();
    for (std::size_t i = 0; i < Sections.size(); ++i)
        if (!Sections[i].Header.empty())
            SectionIndex.emplace(Folded(Sections[i].Name), i);
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return ReadRaw(section, key).has_value();
}

std::optional<std::string> TIniFile::ReadRaw(std::string_view section, std::string_view key) const
{
    const TSection* found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    const TLine* line = FindKey(*found, key);
    if (line == nullptr)
        return std::nullopt;
    return std::string(Unquote(line->Value));
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    std::optional<std::string> value = ReadRaw(section, key);
    if (!value)
        return std::string(defaultValue);
    return std::string(CutValue(*value, kMaxValueLength));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    std::optional<std::string> value = ReadRaw(section, key);
    if (!value)
        return defaultValue;
    return ParseInteger(CutValue(*value, kMaxValueLength)).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section, std::size_t byteLimit) const
{
    std::vector<std::string> keys;
    const TSection* found = FindSection(section);
    if (found == nullptr)
        return keys;
    std::size_t used = 0;
    for (const TLine& line : found->Lines) {
        if (!line.IsKey)
            continue;
        std::size_t size = line.Key.size() + 1;
        if (size > byteLimit - used)
            break;
        used += size;
        keys.push_back(line.Key);
    }
    return keys;
}

std::vector<std::string> TIniFile::SectionNames() const
{
    std::vector<std::string> names;
    for (const TSection& section : Sections)
        if (!section.Header.empty())
            names.push_back(section.Name);
    return names;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsStorableSection(section))
        throw EIniError("The section name \"" + std::string(section) + "\" cannot be stored in an INI file.");
    if (!IsStorableKey(key))
        throw EIniError("The name \"" + std::string(key) + "\" cannot be stored as a key in section [" +
                        std::string(section) + "].");

    TSection* target = FindSection(section);
    if (target == nullptr) {
        AddSection(TSection{"[" + std::string(section) + "]", std::string(section), {}, {}});
        target = &Sections.back();
    }
    std::string stored = StoredValue(value);
    TLine line{std::string(key) + "=" + stored, std::string(key), stored, true};

    std::string folded = Folded(key);
    if (auto existing = target->KeyLines.find(folded); existing != target->KeyLines.end()) {
        target->Lines[existing->second] = std::move(line);
        return;
    }
    // New keys go after the section's last line of content, so blank lines before the next section stay there.
    // Only blank lines follow that place, so no indexed key line moves.
    auto lastContent = std::find_if(target->Lines.rbegin(), target->Lines.rend(),
                                    [](const TLine& l) { return !Trim(l.Raw).empty(); });
    auto inserted = target->Lines.insert(lastContent.base(), std::move(line));
    target->KeyLines.emplace(std::move(folded), static_cast<std::size_t>(inserted - target->Lines.begin()));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    TSection* found = FindSection(section);
    if (found == nullptr)
        return;
    auto line = found->KeyLines.find(Folded(key));
    if (line == found->KeyLines.end())
        return;
    found->Lines.erase(found->Lines.begin() + static_cast<std::ptrdiff_t>(line->second));
    IndexKeys(*found);
}

void TIniFile::EraseSection(std::string_view section)
{
    std::string folded = Folded(section);
    std::erase_if(Sections, [&](const TSection& s) { return !s.Header.empty() && Folded(s.Name) == folded; });
    IndexSections();
}

bool TIniFile::IsStorableKey(std::string_view key)
{
    return !key.empty() && !IsBlank(key.front()) && !IsBlank(key.back()) && key.front() != '[' &&
           key.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

bool TIniFile::IsStorableSection(std::string_view section)
{
    return !section.empty() && !IsBlank(section.front()) && !IsBlank(section.back()) &&
           section.find_first_of(std::string_view("]\r\n\0", 4)) == std::string_view::npos;
}
