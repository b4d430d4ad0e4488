#include "ActionFiles.h"

#include "ActionErrors.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileFolderExists(std::string_view fileName)
{
    std::size_t slash = fileName.rfind('/');
    if (slash == std::string_view::npos)
        return false;
    std::string folder(slash == 0 ? std::string_view("/") : fileName.substr(0, slash));
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnlyFile(const std::filesystem::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0;
}

std::string FileErrorText(std::string_view what, const std::filesystem::path& file, int error)
{
    return std::string(what) + " \"" + file.string() + "\": " + std::strerror(error);
}

TFileHandle::~TFileHandle() { Close(); }

int TFileHandle::Close()
{
    if (Fd < 0)
        return 0;
    int result = ::close(Fd) == 0 ? 0 : errno;
    Fd = -1;
    return result;
}

long ReadSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

int WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void ReplaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what)
{
    const std::string kind(what);
    TFileHandle out(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.IsOpen())
        throw EActionFileError(FileErrorText("Could not create the " + kind, file, errno));
    int error = WriteAll(out.Get(), data);
    if (error == 0)
        error = out.Close();
    if (error != 0)
        throw EActionFileError(FileErrorText("Could not write the " + kind, file, error));
}
