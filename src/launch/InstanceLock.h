#pragma once

#include <filesystem>
#include <string>

namespace kestrune::launch {

// One running Kestrune per settings file: an exclusive flock on a lock file beside it, held for the life of
// this object. The kernel drops the lock with the process, so a killed instance never blocks the next start.
// The lock file stays; a second instance only opens it, and touches nothing else of the running one.
class InstanceLock {
public:
    enum class State { Acquired, HeldElsewhere, Failed };

    explicit InstanceLock(const std::filesystem::path& settingsFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }
    bool acquired() const { return m_state == State::Acquired; }
    // The settings file as every instance names it (links and "." resolved).
    const std::filesystem::path& settingsFile() const { return m_settingsFile; }
    const std::filesystem::path& lockFile() const { return m_lockFile; }
    // Why the lock could not be taken, when Failed.
    const std::string& error() const { return m_error; }

    // The text a second instance shows.
    std::string alreadyRunningText() const;

    // The lock file of a settings file.
    static std::filesystem::path lockFileFor(const std::filesystem::path& settingsFile);

private:
    std::filesystem::path m_settingsFile;
    std::filesystem::path m_lockFile;
    std::string m_error;
    State m_state = State::Failed;
    int m_fd = -1;
};

} // namespace kestrune::launch
