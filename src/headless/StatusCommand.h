#pragma once

#include "AppPaths.h"
#include "Settings.h"

#include <string>

namespace kestrune::headless {

// The text of kestrune --status: the last check and each channel's last published address per family, each DNS
// entry's state, the retries waiting and whether an instance runs, all from what the settings file holds.
std::string statusText(const core::AppPaths& paths, const core::Settings& settings, bool running);

// Prints it to standard output; the exit status.
int printStatus(const core::AppPaths& paths);

} // namespace kestrune::headless
