#include "InstanceLock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::launch {

namespace {

std::filesystem::path commonName(const std::filesystem::path& settingsFile)
{
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(settingsFile, ignored);
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ignored);
    return resolved.empty() ? absolute.lexically_normal() : resolved;
}

} // namespace

std::filesystem::path InstanceLock::lockFileFor(const std::filesystem::path& settingsFile)
{
    const std::filesystem::path file = commonName(settingsFile);
    return file.parent_path() / ("." + file.filename().string() + ".lock");
}

InstanceLock::InstanceLock(const std::filesystem::path& settingsFile)
    : m_settingsFile(commonName(settingsFile)), m_lockFile(lockFileFor(settingsFile))
{
    std::error_code ignored;
    if (!std::filesystem::exists(m_lockFile.parent_path(), ignored) &&
        std::filesystem::create_directories(m_lockFile.parent_path(), ignored))
        std::filesystem::permissions(m_lockFile.parent_path(), std::filesystem::perms::owner_all, ignored);
    // No link is followed and nothing but a plain file is locked, so a planted name redirects nothing.
    m_fd = ::open(m_lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = m_fd < 0 ? errno : EINVAL;
        m_error = "Could not open the lock file \"" + m_lockFile.string() + "\": " + std::strerror(error);
        return;
    }
    int result = 0;
    do
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0) {
        m_state = State::Acquired;
    } else if (errno == EWOULDBLOCK) {
        m_state = State::HeldElsewhere;
    } else {
        m_error = "Could not lock \"" + m_lockFile.string() + "\": " + std::strerror(errno);
    }
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string InstanceLock::alreadyRunningText() const
{
    return "Kestrune already runs with the settings file \"" + m_settingsFile.string() + "\".";
}

} // namespace kestrune::launch
