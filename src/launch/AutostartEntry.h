#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::launch {

// The freedesktop autostart entry that starts Kestrune when the user logs in: a desktop file in
// $XDG_CONFIG_HOME/autostart (else ~/.config/autostart). Whether Kestrune starts at login is whether the file
// is there.
class AutostartEntry {
public:
    // command: the program and its arguments as the login should start them.
    AutostartEntry(std::filesystem::path file, std::vector<std::string> command);

    // The entry's place for this user; empty when neither variable is set.
    static std::filesystem::path defaultFile(const std::optional<std::string>& xdgConfigHome,
                                             const std::optional<std::string>& home);
    static std::filesystem::path defaultFile();

    const std::filesystem::path& file() const { return m_file; }
    bool exists() const;
    // Writes the entry (replacing one that is there, never through a link); raises std::runtime_error.
    void enable() const;
    // Removes the entry; raises std::runtime_error when it is there and cannot be removed.
    void disable() const;
    void setEnabled(bool enabled) const { enabled ? enable() : disable(); }

    // The desktop file's text.
    std::string contents() const;

private:
    std::filesystem::path m_file;
    std::vector<std::string> m_command;
};

// One argument of a desktop file's Exec key, quoted where the key's rules need it.
std::string desktopExecArgument(const std::string& argument);

} // namespace kestrune::launch
