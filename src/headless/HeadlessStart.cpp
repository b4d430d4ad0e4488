#include "HeadlessStart.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "HeadlessRunner.h"
#include "IniFile.h"
#include "InstanceLock.h"
#include "ShutdownSignals.h"

#include <QCoreApplication>

#include <csignal>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

using namespace kestrune::core;

namespace kestrune::headless {

namespace {

void writeLine(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

int runWithoutWindow(const launch::StartOptions& options, int argc, char** argv)
{
    ShutdownSignals::TreatHangUpAsReload();
    QCoreApplication application(argc, argv);
    const AppPaths paths = appPathsFor(QCoreApplication::applicationFilePath().toStdString());
    const launch::InstanceLock lock(paths.settingsFile);
    if (lock.state() == launch::InstanceLock::State::HeldElsewhere) {
        writeLine(lock.alreadyRunningText());
        return launch::kExitAlreadyRunning;
    }
    if (!lock.acquired()) {
        writeLine(lock.error());
        return launch::kExitError;
    }
    ShutdownSignals shutdownSignals;
    HeadlessRunner runner(paths, writeLine);
    if (!runner.load())
        return launch::kExitError;
    if (options.checkOnce)
        return runner.checkOnce();
    QObject::connect(&shutdownSignals, &ShutdownSignals::Requested, &runner, [&runner](int signalNumber) {
        if (signalNumber == SIGHUP)
            runner.requestReload();
        else
            runner.requestStop();
    });
    return runner.run();
}

} // namespace

std::optional<int> startFromCommandLine(int argc, char** argv)
{
    const launch::CommandLine line = launch::parseCommandLine(std::vector<std::string>(argv, argv + argc));
    if (line.finished) {
        std::fputs(line.output.c_str(), stdout);
        std::fputs(line.error.c_str(), stderr);
        return line.status;
    }
    if (line.options.configFile) {
        useSettingsFile(*line.options.configFile);
        // Without a window nobody is there to set a new file up: a mistyped folder is refused, not created.
        std::error_code ignored;
        const std::filesystem::path chosen = *chosenSettingsFile();
        if (line.options.withoutWindow() && !std::filesystem::is_directory(chosen.parent_path(), ignored)) {
            writeLine(std::string(argc > 0 ? argv[0] : "kestrune") + ": settings file \"" + chosen.string() + "\" does not exist");
            return launch::kExitUsage;
        }
    }
    if (!line.options.withoutWindow()) {
        // The window reads the same file; one it cannot read ends the start rather than running on defaults.
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (!error) {
            try {
                IniFile::load(appPathsFor(program).settingsFile);
            } catch (const IniError& unreadable) {
                writeLine(unreadable.what());
                return launch::kExitError;
            }
        }
        return std::nullopt;
    }
    return runWithoutWindow(line.options, argc, argv);
}

} // namespace kestrune::headless
