#include "AutostartEntry.h"

#include "ActionFiles.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

using namespace kestrune::actions;

namespace kestrune::launch {

namespace {

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

} // namespace

std::string desktopExecArgument(const std::string& argument)
{
    std::string escaped;
    bool quote = argument.empty();
    for (char c : argument) {
        if (c == '%') {
            escaped += "%%";
            continue;
        }
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`=").find(c) != std::string_view::npos)
            quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    // The key's value is itself a string, whose own escape doubles each backslash once more.
    std::string value = quote ? "\"" + escaped + "\"" : escaped;
    std::string result;
    for (char c : value) {
        switch (c) {
        case '\\': result += "\\\\"; break;
        case '\n': result += "\\n"; break;
        case '\r': result += "\\r"; break;
        case '\t': result += "\\t"; break;
        default: result += c;
        }
    }
    return result;
}

AutostartEntry::AutostartEntry(std::filesystem::path file, std::vector<std::string> command)
    : m_file(std::move(file)), m_command(std::move(command))
{
}

std::filesystem::path AutostartEntry::defaultFile(const std::optional<std::string>& xdgConfigHome,
                                                  const std::optional<std::string>& home)
{
    if (xdgConfigHome && std::filesystem::path(*xdgConfigHome).is_absolute())
        return std::filesystem::path(*xdgConfigHome) / "autostart" / "kestrune.desktop";
    if (home)
        return std::filesystem::path(*home) / ".config" / "autostart" / "kestrune.desktop";
    return {};
}

std::filesystem::path AutostartEntry::defaultFile() { return defaultFile(variable("XDG_CONFIG_HOME"), variable("HOME")); }

bool AutostartEntry::exists() const
{
    std::error_code ignored;
    return !m_file.empty() && std::filesystem::is_regular_file(m_file, ignored);
}

std::string AutostartEntry::contents() const
{
    std::string exec;
    for (const std::string& argument : m_command)
        exec += (exec.empty() ? "" : " ") + desktopExecArgument(argument);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kestrune\n"
           "Comment=Publishes the public IP address when it changes\n"
           "Exec=" + exec + "\n"
           "Icon=kestrune\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void AutostartEntry::enable() const
{
    if (m_file.empty())
        throw std::runtime_error("There is no autostart folder: neither XDG_CONFIG_HOME nor HOME is set.");
    std::error_code error;
    std::filesystem::create_directories(m_file.parent_path(), error);
    if (error)
        throw std::runtime_error("Could not create the folder \"" + m_file.parent_path().string() +
                                 "\": " + error.message());
    replaceFileContents(m_file, contents(), "autostart entry");
}

void AutostartEntry::disable() const
{
    std::error_code error;
    if (!m_file.empty() && !std::filesystem::remove(m_file, error) && error)
        throw std::runtime_error("Could not remove the autostart entry \"" + m_file.string() + "\": " + error.message());
}

} // namespace kestrune::launch
