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

namespace kestrune::core {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct OsError {
    int code;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), foldCase);
    return out;
}

bool isEnclosedInQuotes(std::string_view s)
{
    return s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\'');
}

std::string_view unquote(std::string_view s)
{
    return isEnclosedInQuotes(s) ? s.substr(1, s.size() - 2) : s;
}

// Cuts to at most max bytes without splitting a UTF-8 sequence.
std::string_view cutValue(std::string_view s, std::size_t max)
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

std::optional<int> parseInteger(std::string_view s)
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
std::string storedValue(std::string_view value)
{
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) || isEnclosedInQuotes(value));
    return needsQuotes ? "\"" + std::string(value) + "\"" : std::string(value);
}

// Save's temporary is this prefix and six letters or digits from mkstemp.
std::string temporaryPrefix(const std::filesystem::path& file) { return "." + file.filename().string() + "."; }
constexpr std::string_view kTemporaryLetters = "XXXXXX";

bool isTemporaryName(std::string_view name, std::string_view prefix)
{
    if (name.size() != prefix.size() + kTemporaryLetters.size() || !name.starts_with(prefix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

std::string errorText(int error) { return std::strerror(error); }

std::string writeFailure(const std::filesystem::path& file, const std::string& reason)
{
    return "Could not write the file \"" + file.string() + "\": " + reason;
}

void writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw OsError{errno};
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Stands for a name that is no regular file (a folder, a FIFO, a device) among the errno values.
constexpr int kNotRegularFile = -1;

// 0, kNotRegularFile or the errno of the failure. Opening never waits: a FIFO would block until a writer came.
int readWholeFile(const std::filesystem::path& file, std::string& text)
{
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISREG(st.st_mode) ? errno : kNotRegularFile;
        ::close(fd);
        return error;
    }
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

std::string readFailure(int error) { return error == kNotRegularFile ? "it is not a regular file" : errorText(error); }

} // namespace

IniFile IniFile::load(const std::filesystem::path& file)
{
    std::string text;
    const int error = readWholeFile(file, text);
    if (error != 0 && error != ENOENT)
        throw IniError("Could not read the settings file \"" + file.string() + "\": " + readFailure(error) + ".");
    return error == 0 ? parse(text) : IniFile();
}

IniFile IniFile::loadForUpdate(const std::filesystem::path& file)
{
    std::string text;
    int error = readWholeFile(file, text);
    if (error != 0 && error != ENOENT)
        throw IniError("Could not read the file \"" + file.string() + "\" before writing it: " + readFailure(error));
    return parse(text);
}

IniFile IniFile::parse(std::string_view text)
{
    IniFile ini;
    if (text.starts_with(kByteOrderMark)) {
        ini.m_hasByteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    ini.m_sections.push_back(Section{});
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1));

        std::string_view trimmed = trim(line);
        if (trimmed.starts_with('[')) {
            std::string_view name = trimmed.substr(1);
            name = trim(name.substr(0, name.find(']')));
            ini.m_sections.push_back(Section{std::string(line), std::string(name), {}, {}});
            continue;
        }
        Line entry{std::string(line), {}, {}, false};
        std::size_t eq = trimmed.find('=');
        if (eq != std::string_view::npos && !trim(trimmed.substr(0, eq)).empty()) {
            entry.isKey = true;
            entry.key = std::string(trim(trimmed.substr(0, eq)));
            entry.value = std::string(trim(trimmed.substr(eq + 1)));
        }
        ini.m_sections.back().lines.push_back(std::move(entry));
    }
    for (Section& section : ini.m_sections)
        indexKeys(section);
    ini.indexSections();
    return ini;
}

std::string IniFile::text() const
{
    std::string out;
    if (m_hasByteOrderMark)
        out += kByteOrderMark;
    for (const Section& section : m_sections) {
        if (!section.header.empty()) {
            out += section.header;
            out += kLineEnd;
        }
        for (const Line& line : section.lines) {
            out += line.raw;
            out += kLineEnd;
        }
    }
    return out;
}

void IniFile::save(const std::filesystem::path& file) const
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
            throw IniError(writeFailure(file, "it is not a regular file"));
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw IniError(writeFailure(file, "the file is read-only"));
    }

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string temp = (folder / (temporaryPrefix(target) + std::string(kTemporaryLetters))).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw IniError(writeFailure(file, errorText(errno)));

    try {
        if (::fchmod(fd, 0600) != 0)
            throw OsError{errno};
        writeAll(fd, text());
        if (::fsync(fd) != 0)
            throw OsError{errno};
        int closing = fd;
        fd = -1;
        if (::close(closing) != 0)
            throw OsError{errno};
        if (::rename(temp.c_str(), target.c_str()) != 0)
            throw OsError{errno};
    } catch (const OsError& error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        throw IniError(writeFailure(file, errorText(error.code)));
    }

    // Make the rename itself durable; failing here leaves a complete file either way.
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

void IniFile::removeStaleTemporaries(const std::filesystem::path& file)
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
    const std::string prefix = temporaryPrefix(file);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (isTemporaryName(entry->d_name, prefix))
            names.emplace_back(entry->d_name);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(dirFd, name.c_str(), 0);
    }
    ::closedir(dir);
}

const IniFile::Section* IniFile::findSection(std::string_view name) const
{
    auto found = m_sectionIndex.find(folded(name));
    return found == m_sectionIndex.end() ? nullptr : &m_sections[found->second];
}

IniFile::Section* IniFile::findSection(std::string_view name)
{
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Line* IniFile::findKey(const Section& section, std::string_view key)
{
    auto found = section.keyLines.find(folded(key));
    return found == section.keyLines.end() ? nullptr : &section.lines[found->second];
}

void IniFile::addSection(Section section)
{
    m_sections.push_back(std::move(section));
    m_sectionIndex.emplace(folded(m_sections.back().name), m_sections.size() - 1);
}

void IniFile::indexKeys(Section& section)
{
    section.keyLines.clear();
    for (std::size_t i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].isKey)
            section.keyLines.emplace(folded(section.lines[i].key), i);
}

// Only sections with a header line can be found by name; the lines before the first one cannot.
void IniFile::indexSections()
{
    m_sectionIndex.clear();
    for (std::size_t i = 0; i < m_sections.size(); ++i)
        if (!m_sections[i].header.empty())
            m_sectionIndex.emplace(folded(m_sections[i].name), i);
}

bool IniFile::sectionExists(std::string_view section) const { return findSection(section) != nullptr; }

bool IniFile::valueExists(std::string_view section, std::string_view key) const
{
    return readRaw(section, key).has_value();
}

std::optional<std::string> IniFile::readRaw(std::string_view section, std::string_view key) const
{
    const Section* found = findSection(section);
    if (found == nullptr)
        return std::nullopt;
    const Line* line = findKey(*found, key);
    if (line == nullptr)
        return std::nullopt;
    return std::string(unquote(line->value));
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    std::optional<std::string> value = readRaw(section, key);
    if (!value)
        return std::string(defaultValue);
    return std::string(cutValue(*value, kMaxValueLength));
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    std::optional<std::string> value = readRaw(section, key);
    if (!value)
        return defaultValue;
    return parseInteger(cutValue(*value, kMaxValueLength)).value_or(defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::readSectionKeys(std::string_view section, std::size_t byteLimit) const
{
    std::vector<std::string> keys;
    const Section* found = findSection(section);
    if (found == nullptr)
        return keys;
    std::size_t used = 0;
    for (const Line& line : found->lines) {
        if (!line.isKey)
            continue;
        std::size_t size = line.key.size() + 1;
        if (size > byteLimit - used)
            break;
        used += size;
        keys.push_back(line.key);
    }
    return keys;
}

std::vector<std::string> IniFile::sectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : m_sections)
        if (!section.header.empty())
            names.push_back(section.name);
    return names;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!isStorableSection(section))
        throw IniError("The section name \"" + std::string(section) + "\" cannot be stored in an INI file.");
    if (!isStorableKey(key))
        throw IniError("The name \"" + std::string(key) + "\" cannot be stored as a key in section [" +
                        std::string(section) + "].");

    Section* target = findSection(section);
    if (target == nullptr) {
        addSection(Section{"[" + std::string(section) + "]", std::string(section), {}, {}});
        target = &m_sections.back();
    }
    std::string stored = storedValue(value);
    Line line{std::string(key) + "=" + stored, std::string(key), stored, true};

    std::string folded = core::folded(key);
    if (auto existing = target->keyLines.find(folded); existing != target->keyLines.end()) {
        target->lines[existing->second] = std::move(line);
        return;
    }
    // New keys go after the section's last line of content, so blank lines before the next section stay there.
    // Only blank lines follow that place, so no indexed key line moves.
    auto lastContent = std::find_if(target->lines.rbegin(), target->lines.rend(),
                                    [](const Line& l) { return !trim(l.raw).empty(); });
    auto inserted = target->lines.insert(lastContent.base(), std::move(line));
    target->keyLines.emplace(std::move(folded), static_cast<std::size_t>(inserted - target->lines.begin()));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(std::string_view section, std::string_view key)
{
    Section* found = findSection(section);
    if (found == nullptr)
        return;
    auto line = found->keyLines.find(folded(key));
    if (line == found->keyLines.end())
        return;
    found->lines.erase(found->lines.begin() + static_cast<std::ptrdiff_t>(line->second));
    indexKeys(*found);
}

void IniFile::eraseSection(std::string_view section)
{
    std::string folded = core::folded(section);
    std::erase_if(m_sections, [&](const Section& s) { return !s.header.empty() && core::folded(s.name) == folded; });
    indexSections();
}

bool IniFile::isStorableKey(std::string_view key)
{
    return !key.empty() && !isBlank(key.front()) && !isBlank(key.back()) && key.front() != '[' &&
           key.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

bool IniFile::isStorableSection(std::string_view section)
{
    return !section.empty() && !isBlank(section.front()) && !isBlank(section.back()) &&
           section.find_first_of(std::string_view("]\r\n\0", 4)) == std::string_view::npos;
}

} // namespace kestrune::core
