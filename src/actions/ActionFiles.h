#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// Small POSIX file helpers shared by the local-file actions; failures raise EActionFileError with the message
// "<what> \"<path>\": <system error text>".

// The folder part of a file name (up to its last "/"; "/" itself for a file in the root) exists. An empty name
// or a bare name without a folder has no folder.
bool FileFolderExists(std::string_view fileName);

// Exists and has no write permission bit at all, or cannot be written by this process.
bool IsReadOnlyFile(const std::filesystem::path& file);

std::string FileErrorText(std::string_view what, const std::filesystem::path& file, int error);

// An open file descriptor, closed at the end of its scope.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) : Fd(fd) {}
    ~TFileHandle();
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    int Get() const { return Fd; }
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
// Creates or truncates file and writes data; raises "Could not create the <what>" / "Could not write the <what>".
void ReplaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what);
