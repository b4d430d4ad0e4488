#pragma once

#include <optional>

namespace kestrune::headless {

// The program's start before any window exists: reads the command line, answers --help and --version, and
// runs --headless and --check-once to their end. Returns the exit status, or nothing when the window is to
// start (with the settings file of --config already chosen). Needs no display.
std::optional<int> startFromCommandLine(int argc, char** argv);

} // namespace kestrune::headless
