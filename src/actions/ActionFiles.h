#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

namespace kestrune::actions {

// Small POSIX file helpers shared by the local-file actions; failures raise FileActionError with the message
// "<what> \"<path>\": <system error text>".

// The folder part of a file name (up to its last "/"; "/" itself for a file in the root) exists. An empty name
// or a bare name without a folder has no folder.
bool fileFolderExists(std::string_view fileName);

// A regular file (not a link to one) that has no write permission bit at all, or cannot be written by this
// process.
bool isReadOnlyFile(const std::filesystem::path& file);

// Opens an existing file for reading without waiting on a FIFO or device; raises "<what> \"<path>\": <reason>"
// when it cannot be opened or is not a regular file. With followLink false a link at the name fails to open.
int openRegularForReading(const std::filesystem::path& file, std::string_view what, bool followLink = true);

// The reason in an error for a file that is not a regular file.
inline constexpr std::string_view kNotRegularFile = "it is not a regular file";

std::string fileErrorText(std::string_view what, const std::filesystem::path& file, int error);

// An open file descriptor, closed at the end of its scope.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd(fd) {}
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&& other) noexcept;

    int get() const { return fd; }
    // Gives up ownership without closing.
    void release() { fd = -1; }
    bool isOpen() const { return fd >= 0; }
    // Closes now; returns 0 or the errno of a failed close.
    int close();

private:
    int fd = -1;
};

// Reads up to size bytes, retrying on interruption; returns the count (0 at the end) or -1 with errno set.
long readSome(int fd, char* buffer, std::size_t size);
// Writes everything; returns 0 or the errno of the failure.
int writeAll(int fd, std::string_view data);

// A new version of a file, written to an unpredictable temporary beside it and renamed over it, so a reader never
// sees it half-written and a link planted at its name is replaced, never followed. The temporary is removed
// unless it was renamed into place.
class FileReplacement {
public:
    explicit FileReplacement(std::filesystem::path target) : m_target(std::move(target)) {}
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Creates the temporary with the replaced file's mode when one is given, else as any new file is created
    // (0666 less the umask); returns 0 or the errno.
    int create(std::optional<mode_t> keptMode);
    int fd() const { return m_out.get(); }
    const std::filesystem::path& tempPath() const { return m_temp; }
    // Flushes the written data to the disk and closes the temporary; returns 0 or the errno.
    int finish();
    // Renames the finished temporary over the target; returns 0 or the errno.
    int install();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    FileHandle m_out;
    bool m_installed = false;
};

// The mode a replacement keeps: that of the file it replaces when this process owns it. Someone else's file
// (one planted in a shared folder, say) does not pass its permissions on.
std::optional<mode_t> modeToKeep(const struct stat& replaced);

// Replaces file with one holding data. A link at its name is replaced; a read-only file or anything that is not a
// regular file is refused. Raises "Could not create the <what>" / "Could not write the <what>".
void replaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what);

} // namespace kestrune::actions
