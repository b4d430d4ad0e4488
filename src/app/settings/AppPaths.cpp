#include "AppPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<std::filesystem::path> gChosenSettingsFile;

std::optional<std::string> Variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path ConfigFolder(const TAppPathsEnvironment& environment)
{
    // A relative $XDG_CONFIG_HOME is invalid and is ignored.
    if (environment.XdgConfigHome && std::filesystem::path(*environment.XdgConfigHome).is_absolute())
        return std::filesystem::path(*environment.XdgConfigHome) / "kestrune";
    if (environment.Home)
        return std::filesystem::path(*environment.Home) / ".config" / "kestrune";
    return {};
}

} // namespace

std::filesystem::path ReplaceExtension(const std::filesystem::path& file, const std::string& extension)
{
    std::filesystem::path result = file;
    result.replace_extension(extension);
    return result;
}

TAppPathsEnvironment CurrentAppPathsEnvironment()
{
    return {Variable("XDG_CONFIG_HOME"), Variable("HOME"), IsWritableFolder};
}

TAppPaths AppPathsFor(const std::filesystem::path& executable, const TAppPathsEnvironment& environment)
{
    std::filesystem::path folder = executable.parent_path();
    bool useConfig = false;
    if (!environment.IsWritableFolder(folder.empty() ? std::filesystem::path(".") : folder)) {
        std::filesystem::path config = ConfigFolder(environment);
        if (!config.empty()) {
            folder = config;
            useConfig = true;
        }
    }
    std::filesystem::path base = folder / executable.filename();
    return {folder, ReplaceExtension(base, ".ini"), ReplaceExtension(base, ".html"), ReplaceExtension(base, ".tmp"),
            useConfig};
}

TAppPaths AppPathsFor(const std::filesystem::path& executable)
{
    if (gChosenSettingsFile)
        return AppPathsForSettingsFile(*gChosenSettingsFile);
    return AppPathsFor(executable, CurrentAppPathsEnvironment());
}

TAppPaths AppPathsForSettingsFile(const std::filesystem::path& settingsFile)
{
    const std::filesystem::path file = std::filesystem::absolute(settingsFile).lexically_normal();
    // A settings file named like its own help or upload file keeps its name and gets the extension added.
    const std::string extension = file.extension().string();
    const bool clashes = extension == ".html" || extension == ".tmp";
    const auto sibling = [&](const std::string& ext) {
        return clashes ? std::filesystem::path(file.string() + ext) : ReplaceExtension(file, ext);
    };
    return {file.parent_path(), file, sibling(".html"), sibling(".tmp"), false};
}

void UseSettingsFile(const std::filesystem::path& settingsFile)
{
    gChosenSettingsFile = std::filesystem::absolute(settingsFile);
}

std::optional<std::filesystem::path> ChosenSettingsFile() { return gChosenSettingsFile; }

void EnsureAppFolder(const TAppPaths& paths)
{
    if (paths.Folder.empty())
        return;
    std::error_code ec;
    if (std::filesystem::is_directory(paths.Folder, ec))
        return;
    std::filesystem::create_directories(paths.Folder, ec);
    if (ec)
        throw std::runtime_error("Could not create the folder \"" + paths.Folder.string() + "\": " + ec.message());
    std::filesystem::permissions(paths.Folder, std::filesystem::perms::owner_all, ec);
}
