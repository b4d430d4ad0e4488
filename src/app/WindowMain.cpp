#include "AppPaths.h"
#include "Application.h"
#include "CommandLine.h"
#include "ExternalServices.h"
#include "FeedbackForm.h"
#include "InstanceBeacon.h"
#include "InstanceLock.h"
#include "MainWindow.h"
#include "QtDialogs.h"
#include "Settings.h"
#include "ShutdownNotifier.h"
#include "StartupProbe.h"
#include "WindowFeedbackHost.h"
#include "WindowModule.h"

#include <QMessageBox>
#include <QSessionManager>

#include <cstdio>
#include <filesystem>

using namespace kestrune::core;
using kestrune::app::ShutdownNotifier;

namespace {

// A second window on a settings file in use does not start: the running window comes to the front, or a
// message box says why. A signal closes the box.
int refuseSecondWindow(const kestrune::launch::InstanceLock& lock)
{
    using kestrune::launch::InstanceLock;
    const bool held = lock.state() == InstanceLock::State::HeldElsewhere;
    const std::string text = held ? lock.alreadyRunningText() : lock.error();
    if (held && kestrune::launch::InstanceBeacon::bringToFront(lock.settingsFile())) {
        std::fprintf(stderr, "%s It was brought to the front.\n", text.c_str());
        return kestrune::launch::kExitAlreadyRunning;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Kestrune"), QString::fromStdString(text), QMessageBox::Ok);
    ShutdownNotifier shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownNotifier::Requested, &box, &QMessageBox::reject);
    if (shutdownSignals.CollectEarly() == 0)
        box.exec();
    return held ? kestrune::launch::kExitAlreadyRunning : kestrune::launch::kExitError;
}

} // namespace

__attribute__((visibility("default"))) int kestruneRunWindow(int argc, char** argv,
                                                             const kestrune::launch::StartOptions& options)
{
    using namespace kestrune::app;
    // The signal handlers are the program's, installed at its start; what arrived since waits in their pipe.
    if (options.configFile)
        useSettingsFile(*options.configFile);
    Application application(argc, argv);
    const kestrune::launch::InstanceLock instanceLock(
        appPathsFor(QCoreApplication::applicationFilePath().toStdString()).settingsFile);
    if (!instanceLock.acquired())
        return refuseSecondWindow(instanceLock);
    // A settings file named on the command line that is not there yet: the window sets it up and says so.
    std::string created;
    if (options.configFile) {
        std::error_code ignored;
        const std::filesystem::path file = instanceLock.settingsFile();
        if (!std::filesystem::exists(file, ignored)) {
            try {
                ensureAppFolder(appPathsForSettingsFile(file));
                saveSettingsFile(defaultSettings(kestrune::lookup::kExternalServices[0].url), file);
                created = "The settings file \"" + file.string() + "\" did not exist; it was created with the default settings.";
            } catch (const std::exception& error) {
                created = error.what();
            }
            std::fprintf(stderr, "%s\n", created.c_str());
        }
    }
    kestrune::launch::InstanceBeacon instanceBeacon(instanceLock.settingsFile());
    ShutdownNotifier shutdownSignals;
    QtDialogs dialogs;
    // A termination signal closes any open box, one that start-up shows before the window is made included.
    QObject::connect(&shutdownSignals, &ShutdownNotifier::Requested, &application, &QtDialogs::closeOpenDialogs);
    application.setErrorReport(&dialogs);
    MainWindow window(dialogs, QCoreApplication::applicationFilePath());
    // The feedback form lives hidden until the System tab's Feedback button shows it.
    WindowFeedbackHost feedbackHost(window, dialogs);
    kestrune::feedback::FeedbackForm feedbackForm(&window, feedbackHost);
    window.setFeedbackForm(&feedbackForm);
    dialogs.setOwner(&window);
    // A signal during start-up ends the program once start-up is done, before the loop and its first check run.
    const bool signalledDuringStartUp = shutdownSignals.CollectEarly() != 0;
    QObject::connect(&shutdownSignals, &ShutdownNotifier::Requested, &window, [&window] { window.closeFromOutside(); });
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.onSessionEnding(); });
#endif
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window, [&window] { window.onApplicationQuitting(); });
    QObject::connect(&instanceBeacon, &kestrune::launch::InstanceBeacon::activationRequested, &window,
                     [&window] { window.guarded([&window] { window.onActivationRequested(); }); });
    if (signalledDuringStartUp) {
        window.closeFromOutside();
        return window.exitStatus();
    }
    if (!created.empty())
        window.statusChanged(created);
    installStartupProbe(window);
    window.show();
    const int status = application.exec();
    return status != 0 ? status : window.exitStatus();
}
