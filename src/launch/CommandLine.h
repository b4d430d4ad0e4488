#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrune::launch {

// What the user asked for on the command line.
struct StartOptions {
    std::optional<std::filesystem::path> configFile;
    bool headless = false;
    bool checkOnce = false;
    std::optional<int> testNotice;  // the entry's number, from 1
    bool quiet = false;    // only warnings and errors
    bool verbose = false;  // the lookup's reasoning too

    // Neither face needs a window for these.
    bool withoutWindow() const { return headless || checkOnce || testNotice; }
};

// Exit statuses of a run without a window.
inline constexpr int kExitOk = 0;
inline constexpr int kExitLookupFailed = 1;
inline constexpr int kExitError = 1;  // the settings file could not be read or locked
inline constexpr int kExitActionFailed = 2;
inline constexpr int kExitAlreadyRunning = 3;
inline constexpr int kExitUsage = 64;

// The parsed command line, or what to print and the status to end with (help, version, a usage error).
struct CommandLine {
    StartOptions options;
    bool finished = false;
    int status = kExitOk;
    std::string output;  // for standard output
    std::string error;   // for standard error
};

// arguments[0] is the program. Needs no application object, so it can run before any exists.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

} // namespace kestrune::launch
