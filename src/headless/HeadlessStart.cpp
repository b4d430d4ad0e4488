#include "HeadlessStart.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "HeadlessRunner.h"
#include "InstanceLock.h"
#include "ShutdownSignals.h"

#include <QCoreApplication>

#include <csignal>
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
    if (options.testNotice) {
        // A test changes nothing the file keeps, so it may run beside the service that uses the same file.
        HeadlessRunner runner(paths, writeLine);
        return runner.load() ? runner.testNotice(*options.testNotice) : launch::kExitError;
    }
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
    if (line.options.configFile)
        useSettingsFile(*line.options.configFile);
    if (!line.options.withoutWindow())
        return std::nullopt;
    return runWithoutWindow(line.options, argc, argv);
}

} // namespace kestrune::headless
