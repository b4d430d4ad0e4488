#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kestrune::core {

// Where the program keeps its own files, named after the executable: beside it when it runs from its build
// tree or a folder of its own; once installed (in a "bin" folder that is no build tree) or where its folder
// cannot be written, the settings go to the user's configuration folder and the help and upload files, which
// live for one run, to the runtime folder ($XDG_RUNTIME_DIR) or else the cache folder. Window and service
// thus share one settings file.
struct AppPaths {
    std::filesystem::path folder;        // the settings file's
    std::filesystem::path settingsFile;  // ".ini"
    std::filesystem::path helpFile;      // ".html"
    std::filesystem::path uploadFile;    // ".tmp", the filled-in template
    bool inConfigFolder = false;
};

struct AppPathsEnvironment {
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME
    std::optional<std::string> home;           // $HOME
    std::function<bool(const std::filesystem::path&)> isWritableFolder;
    std::optional<std::string> xdgRuntimeDir;  // $XDG_RUNTIME_DIR
    std::optional<std::string> xdgCacheHome;   // $XDG_CACHE_HOME
    // The folder holds a CMake build tree (its CMakeCache.txt).
    std::function<bool(const std::filesystem::path&)> isBuildTree;
};

// The environment of this process: its variables and a real write check on the folder.
AppPathsEnvironment currentAppPathsEnvironment();

AppPaths appPathsFor(const std::filesystem::path& executable, const AppPathsEnvironment& environment);
AppPaths appPathsFor(const std::filesystem::path& executable);

// The files of a settings file the user named: the help and upload files beside it, named after it, so
// two settings files in one folder never share an upload file. A relative name is taken from the current folder.
AppPaths appPathsForSettingsFile(const std::filesystem::path& settingsFile);

// From now on the one-argument appPathsFor gives the files of this settings file (the command line's choice)
// wherever the executable is.
void useSettingsFile(const std::filesystem::path& settingsFile);
// The settings file the command line chose (absolute), or nothing.
std::optional<std::filesystem::path> chosenSettingsFile();

// The executable's path with its extension replaced (or added when it has none).
std::filesystem::path replaceExtension(const std::filesystem::path& file, const std::string& extension);

// Creates the settings file's folder and that of the help and upload files (and their parents) owner-only
// when missing; throws std::runtime_error naming the folder.
void ensureAppFolder(const AppPaths& paths);

} // namespace kestrune::core
