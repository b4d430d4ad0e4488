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

bool isBuildTree(const std::filesystem::path& folder)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(folder / "CMakeCache.txt", ignored);
}

// A relative XDG folder is invalid and is ignored.
std::optional<std::filesystem::path> absoluteFolder(const std::optional<std::string>& variable)
{
    if (variable && std::filesystem::path(*variable).is_absolute())
        return std::filesystem::path(*variable);
    return std::nullopt;
}

std::filesystem::path configFolder(const AppPathsEnvironment& environment)
{
    if (const auto folder = absoluteFolder(environment.xdgConfigHome))
        return *folder / "kestrune";
    if (environment.home)
        return std::filesystem::path(*environment.home) / ".config" / "kestrune";
    return {};
}

std::filesystem::path runFilesFolder(const AppPathsEnvironment& environment)
{
    if (const auto folder = absoluteFolder(environment.xdgRuntimeDir))
        return *folder / "kestrune";
    if (const auto folder = absoluteFolder(environment.xdgCacheHome))
        return *folder / "kestrune";
    if (environment.home)
        return std::filesystem::path(*environment.home) / ".cache" / "kestrune";
    return {};
}

void ensureFolder(const std::filesystem::path& folder)
{
    if (folder.empty())
        return;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw std::runtime_error("Could not create the folder \"" + folder.string() + "\": " + ec.message());
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
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
    return {variable("XDG_CONFIG_HOME"), variable("HOME"), isWritableFolder,
            variable("XDG_RUNTIME_DIR"), variable("XDG_CACHE_HOME"), isBuildTree};
}

AppPaths appPathsFor(const std::filesystem::path& executable, const AppPathsEnvironment& environment)
{
    std::filesystem::path folder = executable.parent_path();
    const std::filesystem::path here = folder.empty() ? std::filesystem::path(".") : folder;
    const bool installed = here.filename() == "bin" && !(environment.isBuildTree && environment.isBuildTree(here));
    bool useConfig = false;
    if (installed || !environment.isWritableFolder(here)) {
        std::filesystem::path config = configFolder(environment);
        if (!config.empty()) {
            folder = config;
            useConfig = true;
        }
    }
    const std::filesystem::path base = folder / executable.filename();
    AppPaths paths{folder, replaceExtension(base, ".ini"), replaceExtension(base, ".html"),
                   replaceExtension(base, ".tmp"), useConfig};
    const std::filesystem::path runFiles = useConfig ? runFilesFolder(environment) : std::filesystem::path();
    if (!runFiles.empty()) {
        const std::filesystem::path runBase = runFiles / executable.filename();
        paths.helpFile = replaceExtension(runBase, ".html");
        paths.uploadFile = replaceExtension(runBase, ".tmp");
    }
    return paths;
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
    ensureFolder(paths.folder);
    ensureFolder(paths.helpFile.parent_path());
    ensureFolder(paths.uploadFile.parent_path());
}

} // namespace kestrune::core
