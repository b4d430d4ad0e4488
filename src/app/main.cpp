#include "Application.h"
#include "Form1.h"
#include "Form2.h"
#include "QtDialogs.h"
#include "ShutdownSignals.h"
#include "StartupProbe.h"

#include <QSessionManager>

int main(int argc, char** argv)
{
    TApplication application(argc, argv);
    TQtDialogs dialogs;
    application.SetErrorReport(&dialogs);
    TForm1 form(dialogs, QCoreApplication::applicationFilePath());
    // The feedback form lives hidden until the System tab's Feedback button shows it.
    TForm2 form2(form, dialogs);
    form.Form2 = &form2;
    TShutdownSignals shutdownSignals;
    dialogs.SetOwner(&form);
    QObject::connect(&shutdownSignals, &TShutdownSignals::Requested, &form, [&form] { form.CloseRequestedFromOutside(); });
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.SessionEnding(); });
#endif
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &form, [&form] { form.ApplicationQuitting(); });
    InstallStartupProbe(form);
    form.show();
    return application.exec();
}
