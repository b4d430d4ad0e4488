#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

// Small POSIX file helpers shared by the local-file actions; failures raise EActionFileError with the message
// "<what> \"<path>\": <system error text>".

// The folder part of a file name (up to its last "/"; "/" itself for a file in the root) exists. An empty name
// or a bare name without a folder has no folder.
bool FileFolderExists(std::string_view fileName);

// A regular file (not a link to one) that has no write permission bit at all, or cannot be written by this
// process.
bool IsReadOnlyFile(const std::filesystem::path& file);

// Opens an existing file for reading without waiting on a FIFO or device; raises "<what> \"<path>\": <reason>"
// when it cannot be opened or is not a regular file. With followLink false a link at the name fails to open.
int OpenRegularForReading(const std::filesystem::path& file, std::string_view what, bool followLink = true);

// The reason in an error for a file that is not a regular file.
inline constexpr std::string_view kNotRegularFile = "it is not a regular file";

std::string FileErrorText(std::string_view what, const std::filesystem::path& file, int error);

// An open file descriptor, closed at the end of its scope.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : Fd(fd) {}
    ~TFileHandle();
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    TFileHandle& operator=(TFileHandle&& other) noexcept;

    int Get() const { return Fd; }
    // Gives up ownership without closing.
    void Release() { Fd = -1; }
    bool IsOpen() const { return Fd >= 0; }
    // Closes now; returns 0 or the errno of a failed close.
    int Close();

private:
    int Fd = -1;
};

// Reads up to size bytes, retrying on interruption; returns the count (0 at the end) or -1 with errno set.
long ReadSome(int fd, char* buffer, std::size_t size);
// Writes everything; returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view data);

// A new version of a file, written to an unpredictable temporary beside it and renamed over it, so a reader never
// sees it half-written and a link planted at its name is replaced, never followed. The temporary is removed
// unless it was renamed into place.
class TFileReplacement {
public:
    explicit TFileReplacement(std::filesystem::path target) : Target(std::move(target)) {}
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // Creates the temporary with the replaced file's mode when one is given, else as any new file is created
    // (0666 less the umask); returns 0 or the errno.
    int Create(std::optional<mode_t> keptMode);
    int Fd() const { return Out.Get(); }
    const std::filesystem::path& TempPath() const { return Temp; }
    // Flushes the written data to the disk and closes the temporary; returns 0 or the errno.
    int Finish();
    // Renames the finished temporary over the target; returns 0 or the errno.
    int Install();

private:
    std::filesystem::path Target;
    std::filesystem::path Temp;
    TFileHandle Out;
    bool Installed = false;
};

// The mode a replacement keeps: that of the file it replaces when this process owns it. Someone else's file
// (one planted in a shared folder, say) does not pass its permissions on.
std::optional<mode_t> ModeToKeep(const struct stat& replaced);

// Replaces file with one holding data. A link at its name is replaced; a read-only file or anything that is not a
// regular file is refused. Raises "Could not create the <what>" / "Could not write the <what>".
void ReplaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what);
