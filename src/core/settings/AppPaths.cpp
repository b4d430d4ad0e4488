#include "AppPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::core {

namespace {

std::optional<std::filesystem::path> gChosenSettingsFile;

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

bool isWritableFolder(const std::filesystem::path& folder)
{
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path configFolder(const AppPathsEnvironment& environment)
{
    // A relative $XDG_CONFIG_HOME is invalid and is ignored.
    if (environment.xdgConfigHome && std::filesystem::path(*environment.xdgConfigHome).is_absolute())
        return std::filesystem::path(*environment.xdgConfigHome) / "kestrune";
    if (environment.home)
        return std::filesystem::path(*environment.home) / ".config" / "kestrune";
    return {};
}

} // namespace

std::filesystem::path replaceExtension(const std::filesystem::path& file, const std::string& extension)
{
    std::filesystem::path result = file;
    result.replace_extension(extension);
    return result;
}

AppPathsEnvironment currentAppPathsEnvironment()
{
    return {variable("XDG_CONFIG_HOME"), variable("HOME"), isWritableFolder};
}

AppPaths appPathsFor(const std::filesystem::path& executable, const AppPathsEnvironment& environment)
{
    std::filesystem::path folder = executable.parent_path();
    bool useConfig = false;
    if (!environment.isWritableFolder(folder.empty() ? std::filesystem::path(".") : folder)) {
        std::filesystem::path config = configFolder(environment);
        if (!config.empty()) {
            folder = config;
            useConfig = true;
        }
    }
    std::filesystem::path base = folder / executable.filename();
    return {folder, replaceExtension(base, ".ini"), replaceExtension(base, ".html"), replaceExtension(base, ".tmp"),
            useConfig};
}

AppPaths appPathsFor(const std::filesystem::path& executable)
{
    if (gChosenSettingsFile)
        return appPathsForSettingsFile(*gChosenSettingsFile);
    return appPathsFor(executable, currentAppPathsEnvironment());
}

AppPaths appPathsForSettingsFile(const std::filesystem::path& settingsFile)
{
    const std::filesystem::path file = std::filesystem::absolute(settingsFile).lexically_normal();
    // A settings file named like its own help or upload file keeps its name and gets the extension added.
    const std::string extension = file.extension().string();
    const bool clashes = extension == ".html" || extension == ".tmp";
    const auto sibling = [&](const std::string& ext) {
        return clashes ? std::filesystem::path(file.string() + ext) : replaceExtension(file, ext);
    };
    return {file.parent_path(), file, sibling(".html"), sibling(".tmp"), false};
}

void useSettingsFile(const std::filesystem::path& settingsFile)
{
    gChosenSettingsFile = std::filesystem::absolute(settingsFile);
}

std::optional<std::filesystem::path> chosenSettingsFile() { return gChosenSettingsFile; }

void ensureAppFolder(const AppPaths& paths)
{
    if (paths.folder.empty())
        return;
    std::error_code ec;
    if (std::filesystem::is_directory(paths.folder, ec))
        return;
    std::filesystem::create_directories(paths.folder, ec);
    if (ec)
        throw std::runtime_error("Could not create the folder \"" + paths.folder.string() + "\": " + ec.message());
    std::filesystem::permissions(paths.folder, std::filesystem::perms::owner_all, ec);
}

} // namespace kestrune::core
