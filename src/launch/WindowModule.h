#pragma once

#include "CommandLine.h"

// The window is a module the program loads only when it starts one, so that a start without a window loads
// neither Widgets, Gui nor Network. Program and module come from one build: the options cross as they are.
extern "C" int kestruneRunWindow(int argc, char** argv, const kestrune::launch::StartOptions& options);

namespace kestrune::app {

using WindowEntry = decltype(&kestruneRunWindow);
inline constexpr char kWindowEntryName[] = "kestruneRunWindow";

} // namespace kestrune::app
