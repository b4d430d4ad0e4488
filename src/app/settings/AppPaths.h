#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// Where the program keeps its own files: beside the executable, named after it, or in the user's
// configuration folder under the same names when the executable's folder cannot be written.
struct TAppPaths {
    std::filesystem::path Folder;
    std::filesystem::path SettingsFile;  // ".ini"
    std::filesystem::path HelpFile;      // ".html"
    std::filesystem::path UploadFile;    // ".tmp", the filled-in template
    bool InConfigFolder = false;
};

struct TAppPathsEnvironment {
    std::optional<std::string> XdgConfigHome;  // $XDG_CONFIG_HOME
    std::optional<std::string> Home;           // $HOME
    std::function<bool(const std::filesystem::path&)> IsWritableFolder;
};

// The environment of this process: its variables and a real write check on the folder.
TAppPathsEnvironment CurrentAppPathsEnvironment();

TAppPaths AppPathsFor(const std::filesystem::path& executable, const TAppPathsEnvironment& environment);
TAppPaths AppPathsFor(const std::filesystem::path& executable);

// The files of a settings file the user named: the help and upload files beside it, named after it, so
// two settings files in one folder never share an upload file. A relative name is taken from the current folder.
TAppPaths AppPathsForSettingsFile(const std::filesystem::path& settingsFile);

// From now on the one-argument AppPathsFor gives the files of this settings file (the command line's choice)
// wherever the executable is.
void UseSettingsFile(const std::filesystem::path& settingsFile);
// The settings file the command line chose (absolute), or nothing.
std::optional<std::filesystem::path> ChosenSettingsFile();

// The executable's path with its extension replaced (or added when it has none).
std::filesystem::path ReplaceExtension(const std::filesystem::path& file, const std::string& extension);

// Creates the folder (and its parents) owner-only when it is missing; throws std::runtime_error naming it.
void EnsureAppFolder(const TAppPaths& paths);
