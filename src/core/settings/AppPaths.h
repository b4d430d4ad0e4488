#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kestrune::core {

// Where the program keeps its own files: beside the executable, named after it, or in the user's
// configuration folder under the same names when the executable's folder cannot be written.
struct AppPaths {
    std::filesystem::path folder;
    std::filesystem::path settingsFile;  // ".ini"
    std::filesystem::path helpFile;      // ".html"
    std::filesystem::path uploadFile;    // ".tmp", the filled-in template
    bool inConfigFolder = false;
};

struct AppPathsEnvironment {
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME
    std::optional<std::string> home;           // $HOME
    std::function<bool(const std::filesystem::path&)> isWritableFolder;
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

// Creates the folder (and its parents) owner-only when it is missing; throws std::runtime_error naming it.
void ensureAppFolder(const AppPaths& paths);

} // namespace kestrune::core
