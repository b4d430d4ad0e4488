#include "CommandLine.h"
#include "HeadlessStart.h"
#include "ShutdownSignals.h"
#include "WindowModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Beside the program in the build tree, in its library folder once installed: fixed relative to the program
// itself, never taken from the current folder or the environment.
std::vector<fs::path> windowModuleCandidates()
{
    std::error_code error;
    const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error)
        return {};
    return {folder / KESTRUNE_WINDOW_MODULE, (folder / KESTRUNE_WINDOW_MODULE_FOLDER / KESTRUNE_WINDOW_MODULE).lexically_normal()};
}

int failToStartWindow(const std::string& why)
{
    std::fprintf(stderr, "Cannot start the window: %s\n", why.c_str());
    return kestrune::launch::kExitError;
}

int runWindow(int argc, char** argv)
{
    using namespace kestrune;
    // Parsed once more for the options alone: the first parse has already answered everything else.
    const launch::StartOptions options =
        launch::parseCommandLine(std::vector<std::string>(argv, argv + argc)).options;
    const std::vector<fs::path> candidates = windowModuleCandidates();
    if (candidates.empty())
        return failToStartWindow("the program's own path is unknown.");
    fs::path module;
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            module = candidate;
            break;
        }
    }
    if (module.empty())
        return failToStartWindow("neither " + candidates[0].string() + " nor " + candidates[1].string() +
                                 " exists.");
    // The module uses this program's layers (signal handlers included): a signal while it loads is kept for
    // the window.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        return failToStartWindow(why ? why : module.string() + " cannot be loaded.");
    }
    const auto entry = reinterpret_cast<app::WindowEntry>(::dlsym(handle, app::kWindowEntryName));
    if (!entry)
        return failToStartWindow(module.string() + " has no " + app::kWindowEntryName + ".");
    // The module stays loaded: its objects live until the process ends.
    return entry(argc, argv, options);
}

} // namespace

int main(int argc, char** argv)
{
    // From the first moment: an early termination signal is kept until the window can close in order.
    ShutdownSignals::InstallHandlers();
    // Headless runs, --help and the like end here, with no window library loaded.
    if (const std::optional<int> status = kestrune::headless::startFromCommandLine(argc, argv))
        return *status;
    return runWindow(argc, argv);
}
