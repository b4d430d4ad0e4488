#include "HeadlessStart.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "HeadlessRunner.h"
#include "IniFile.h"
#include "InstanceLock.h"
#include "PasswordCommand.h"
#include "ServiceNotifier.h"
#include "StatusCommand.h"
#include "ShutdownSignals.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace kestrune::core;

namespace kestrune::headless {

namespace {

EventLog eventLog(const launch::StartOptions& options)
{
    const Verbosity verbosity =
        options.quiet ? Verbosity::Quiet : options.verbose ? Verbosity::Verbose : Verbosity::Normal;
    return EventLog({}, verbosity, EventLog::standardErrorIsJournal());
}

std::string missingSettingsFileText(int argc, char** argv, const std::filesystem::path& file)
{
    return std::string(argc > 0 ? argv[0] : "kestrune") + ": settings file \"" + file.string() + "\" does not exist";
}

std::string signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    default:
        return "signal " + std::to_string(signalNumber);
    }
}

std::string checkOutcome(int status)
{
    switch (status) {
    case launch::kExitOk:
        return "the check is done.";
    case launch::kExitLookupFailed:
        return "the lookup failed.";
    default:
        return "a publish step failed.";
    }
}

int runWithoutWindow(const launch::StartOptions& options, int argc, char** argv)
{
    ShutdownSignals::TreatHangUpAsReload();
    // The user's locale, as the window has it: its day and month names in the log.
    std::setlocale(LC_ALL, "");
    const EventLog log = eventLog(options);
    std::error_code unknown;
    const AppPaths paths = appPathsFor(std::filesystem::canonical("/proc/self/exe", unknown));
    // Without a window nobody is there to set a new file up: a mistyped name is refused, and nothing created.
    std::error_code ignored;
    if ((options.configFile || options.status || options.setPassword) &&
        !std::filesystem::exists(paths.settingsFile, ignored)) {
        log.write(Level::Error, missingSettingsFileText(argc, argv, paths.settingsFile));
        return launch::kExitUsage;
    }
    if (options.status)
        return printStatus(paths);
    if (options.setPassword)
        return setPasswordFromInput(paths, *options.setPassword, log);
    if (options.testNotice) {
        // A test changes nothing the file keeps, so it may run beside the service that uses the same file.
        HeadlessRunner runner(paths, log);
        return runner.load() ? runner.testNotice(*options.testNotice) : launch::kExitError;
    }
    const launch::InstanceLock lock(paths.settingsFile);
    if (lock.state() == launch::InstanceLock::State::HeldElsewhere) {
        log.write(Level::Error, lock.alreadyRunningText());
        return launch::kExitAlreadyRunning;
    }
    if (!lock.acquired()) {
        log.write(Level::Error, lock.error());
        return launch::kExitError;
    }
    ShutdownSignals shutdownSignals;
    HeadlessRunner runner(paths, log);
    if (!runner.load()) {
        runner.reportEnd("the settings file cannot be read.", launch::kExitError);
        return launch::kExitError;
    }
    runner.reportStart();
    if (options.checkOnce) {
        const int status = runner.checkOnce();
        runner.reportEnd(checkOutcome(status), status);
        return status;
    }
    ServiceNotifier service(runner.loop());
    runner.setServiceNotifier(&service);
    service.ready();
    int stopSignal = 0;
    const auto onSignal = [&runner, &service, &stopSignal](int signalNumber) {
        if (signalNumber == SIGHUP) {
            service.reloading();
            runner.requestReload();
            service.ready();
        } else {
            stopSignal = signalNumber;
            service.stopping();
            runner.requestStop();
        }
    };
    runner.loop().watch(shutdownSignals.Fd(), [&shutdownSignals, &onSignal] { shutdownSignals.Drain(onSignal); });
    const int status = runner.run();
    if (stopSignal != 0)
        runner.reportEnd("stopped by " + signalName(stopSignal) + ".", status);
    else
        runner.reportEnd("Interval is 0: " + checkOutcome(status), status);
    return status;
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
            eventLog(line.options).write(Level::Error, missingSettingsFileText(argc, argv, chosen));
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
                std::fprintf(stderr, "%s\n", unreadable.what());
                return launch::kExitError;
            }
        }
        return std::nullopt;
    }
    return runWithoutWindow(line.options, argc, argv);
}

} // namespace kestrune::headless
