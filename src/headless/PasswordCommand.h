#pragma once

#include "AppPaths.h"
#include "EventLog.h"

#include <string>

namespace kestrune::headless {

// kestrune --set-password mail|ftp|command|dns:<i>: reads one line from standard input (without echo on a terminal)
// and stores it scrambled in the settings file, as the window would on closing. The secret is never
// printed. Returns the exit status.
int setPasswordFromInput(const core::AppPaths& paths, const std::string& target, const EventLog& log);

} // namespace kestrune::headless
