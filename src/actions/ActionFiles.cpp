#include "ActionFiles.h"

#include "ActionErrors.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::actions {

bool fileFolderExists(std::string_view fileName)
{
    std::size_t slash = fileName.rfind('/');
    if (slash == std::string_view::npos)
        return false;
    std::string folder(slash == 0 ? std::string_view("/") : fileName.substr(0, slash));
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isReadOnlyFile(const std::filesystem::path& file)
{
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & 0222) == 0 || ::access(file.c_str(), W_OK) != 0;
}

int openRegularForReading(const std::filesystem::path& file, std::string_view what, bool followLink)
{
    // Without O_NONBLOCK a FIFO with no writer would hold the open for good.
    FileHandle in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    if (!in.isOpen())
        throw FileActionError(fileErrorText(what, file, errno));
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        throw FileActionError(fileErrorText(what, file, errno));
    if (!S_ISREG(st.st_mode))
        throw FileActionError(std::string(what) + " \"" + file.string() + "\": " + std::string(kNotRegularFile));
    int flags = ::fcntl(in.get(), F_GETFL);
    if (flags < 0 || ::fcntl(in.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw FileActionError(fileErrorText(what, file, errno));
    int fd = in.get();
    in.release();
    return fd;
}

std::string fileErrorText(std::string_view what, const std::filesystem::path& file, int error)
{
    return std::string(what) + " \"" + file.string() + "\": " + std::strerror(error);
}

FileHandle::~FileHandle() { close(); }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

int FileHandle::close()
{
    if (fd < 0)
        return 0;
    int result = ::close(fd) == 0 ? 0 : errno;
    fd = -1;
    return result;
}

long readSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

int writeAll(int fd, std::string_view data)
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

FileReplacement::~FileReplacement()
{
    m_out.close();
    if (!m_temp.empty() && !m_installed)
        ::unlink(m_temp.c_str());
}

int FileReplacement::create(std::optional<mode_t> keptMode)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    int error = EEXIST;
    // O_EXCL with a fresh name: nothing planted beforehand is opened, and 0666 lets the umask and a default ACL
    // act as on any new file.
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        std::string name = m_target.filename().string() + ".";
        for (int i = 0; i < 10; ++i)
            name += kLetters[pick(random)];
        std::filesystem::path candidate = m_target.parent_path() / name;
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_out = FileHandle(fd);
            m_temp = std::move(candidate);
            error = 0;
        } else {
            error = errno;
        }
    }
    if (error == 0 && keptMode)
        ::fchmod(m_out.get(), *keptMode);
    return error;
}

int FileReplacement::finish()
{
    int error = ::fsync(m_out.get()) == 0 ? 0 : errno;
    int closeError = m_out.close();
    return error != 0 ? error : closeError;
}

int FileReplacement::install()
{
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
        return errno;
    m_installed = true;
    return 0;
}

std::optional<mode_t> modeToKeep(const struct stat& replaced)
{
    if (replaced.st_uid != ::geteuid())
        return std::nullopt;
    return replaced.st_mode & 07777;
}

void replaceFileContents(const std::filesystem::path& file, std::string_view data, std::string_view what)
{
    const std::string kind(what);
    const std::string created = "Could not create the " + kind;
    const std::string written = "Could not write the " + kind;
    struct stat st {};
    std::optional<mode_t> keptMode;
    if (::lstat(file.c_str(), &st) == 0) {
        // A FIFO or device is refused, not replaced; a link is replaced, not followed.
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            throw FileActionError(created + " \"" + file.string() + "\": " + std::string(kNotRegularFile));
        if (isReadOnlyFile(file))
            throw FileActionError(fileErrorText(created, file, EACCES));
        if (S_ISREG(st.st_mode))
            keptMode = modeToKeep(st);
    }
    FileReplacement out(file);
    if (int error = out.create(keptMode); error != 0)
        throw FileActionError(fileErrorText(created, file, error));
    int error = writeAll(out.fd(), data);
    if (error == 0)
        error = out.finish();
    if (error == 0)
        error = out.install();
    if (error != 0)
        throw FileActionError(fileErrorText(written, file, error));
}

} // namespace kestrune::actions
