#include "Application.h"
#include "FeedbackForm.h"
#include "MainWindow.h"
#include "QtDialogs.h"
#include "ShutdownSignals.h"
#include "StartupProbe.h"

#include <QSessionManager>

int main(int argc, char** argv)
{
    using namespace kestrune::app;
    // From the first moment: an early termination signal is kept until the window can close in order.
    ShutdownSignals::installHandlers();
    Application application(argc, argv);
    ShutdownSignals shutdownSignals;
    QtDialogs dialogs;
    application.setErrorReport(&dialogs);
    MainWindow window(dialogs, QCoreApplication::applicationFilePath());
    // The feedback form lives hidden until the System tab's Feedback button shows it.
    kestrune::feedback::FeedbackForm feedbackForm(window, dialogs);
    window.setFeedbackForm(&feedbackForm);
    dialogs.setOwner(&window);
    // A signal during start-up (a waiting first check included) ends the program once start-up is done.
    const bool signalledDuringStartUp = shutdownSignals.collectEarly() != 0;
    QObject::connect(&shutdownSignals, &ShutdownSignals::requested, &window, [&window] { window.closeFromOutside(); });
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.onSessionEnding(); });
#endif
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window, [&window] { window.onApplicationQuitting(); });
    installStartupProbe(window);
    if (signalledDuringStartUp)
        QMetaObject::invokeMethod(&window, [&window] { window.closeFromOutside(); }, Qt::QueuedConnection);
    else
        window.show();
    const int status = application.exec();
    return status != 0 ? status : window.exitStatus();
}
