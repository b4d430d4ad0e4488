#include "Application.h"
#include "Form1.h"
#include "Form2.h"
#include "QtDialogs.h"
#include "ShutdownSignals.h"
#include "StartupProbe.h"

#include <QSessionManager>

int main(int argc, char** argv)
{
    // From the first moment: an early termination signal is kept until the window can close in order.
    TShutdownSignals::InstallHandlers();
    TApplication application(argc, argv);
    TShutdownSignals shutdownSignals;
    TQtDialogs dialogs;
    application.SetErrorReport(&dialogs);
    TForm1 form(dialogs, QCoreApplication::applicationFilePath());
    // The feedback form lives hidden until the System tab's Feedback button shows it.
    TForm2 form2(form, dialogs);
    form.Form2 = &form2;
    dialogs.SetOwner(&form);
    // A signal during start-up (a waiting first check included) ends the program once start-up is done.
    const bool signalledDuringStartUp = shutdownSignals.CollectEarly() != 0;
    QObject::connect(&shutdownSignals, &TShutdownSignals::Requested, &form, [&form] { form.CloseRequestedFromOutside(); });
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.SessionEnding(); });
#endif
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &form, [&form] { form.ApplicationQuitting(); });
    InstallStartupProbe(form);
    if (signalledDuringStartUp)
        QMetaObject::invokeMethod(&form, [&form] { form.CloseRequestedFromOutside(); }, Qt::QueuedConnection);
    else
        form.show();
    const int status = application.exec();
    return status != 0 ? status : form.ExitStatus();
}
