#include "ActionFiles.h"

#include "ActionErrors.h"

#include <cerrno>
#include <cstring>
#include <random>

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
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0;
}

int OpenRegularForReading(const std::filesystem::path& file, std::string_view what, bool followLink)
{
    // Without O_NONBLOCK a FIFO with no writer would hold the open for good.
    TFileHandle in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    if (!in.IsOpen())
        throw EActionFileError(FileErrorText(what, file, errno));
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0)
        throw EActionFileError(FileErrorText(what, file, errno));
    if (!S_ISREG(st.st_mode))
        throw EActionFileError(std::string(what) + " \"" + file.string() + "\": " + std::string(kNotRegularFile));
    int flags = ::fcntl(in.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(in.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw EActionFileError(FileErrorText(what, file, errno));
    int fd = in.Get();
    in.Release();
    return fd;
}

std::string FileErrorText(std::string_view what, const std::filesystem::path& file, int error)
{
    return std::string(what) + " \"" + file.string() + "\": " + std::strerror(error);
}

TFileHandle::~TFileHandle() { Close(); }

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        Fd = other.Fd;
        other.Fd = -1;
    }
    return *this;
}

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

TFileReplacement::~TFileReplacement()
{
    Out.Close();
    if (!Temp.empty() && !Installed)
        ::unlink(Temp.c_str());
}

int TFileReplacement::Create(std::optional<mode_t> keptMode)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    int error = EEXIST;
    // O_EXCL with a fresh name: nothing planted beforehand is opened, and 0666 lets the umask and a default ACL
    // act as on any new file.
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        std::string name = Target.filename().string() + ".";
        for (int i = 0; i < 10; ++i)
            name += kLetters[pick(random)];
        std::filesystem::path candidate = Target.parent_path() / name;
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            Out = TFileHandle(fd);
            Temp = std::move(candidate);
            error = 0;
        } else {
            error = errno;
        }
    }
    if (error == 0 && keptMode)
        ::fchmod(Out.Get(), *keptMode);
    return error;
}

int TFileReplacement::Finish()
{
    int error = ::fsync(Out.Get()) == 0 ? 0 : errno;
    int closeError = Out.Close();
    return error != 0 ? error : closeError;
}

int TFileReplacement::Install()
{
    if (::rename(Temp.c_str(), Target.c_str()) != 0)
        return errno;
    Installed = true;
    return 0;
}

std::optional<mode_t> ModeToKeep(const struct stat& replaced)
{
    if (replaced.st_uid != ::geteuid())
        return std::nullopt;
    return replaced.st_mode & 07777;
}

void ReplaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what)
{
    const std::string kind(what);
    const std::string created = "Could not create the " + kind;
    const std::string written = "Could not write the " + kind;
    struct stat st {};
    std::optional<mode_t> keptMode;
    if (::lstat(file.c_str(), &st) == 0) {
        // A FIFO or device is refused, not replaced; a link is replaced, not followed.
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            throw EActionFileError(created + " \"" + file.string() + "\": " + std::string(kNotRegularFile));
        if (IsReadOnlyFile(file))
            throw EActionFileError(FileErrorText(created, file, EACCES));
        if (S_ISREG(st.st_mode))
            keptMode = ModeToKeep(st);
    }
    TFileReplacement out(file);
    if (int error = out.Create(keptMode); error != 0)
        throw EActionFileError(FileErrorText(created, file, error));
    int error = WriteAll(out.Fd(), data);
    if (error == 0)
        error = out.Finish();
    if (error == 0)
        error = out.Install();
    if (error != 0)
        throw EActionFileError(FileErrorText(written, file, error));
}
