#include "Application.h"

#include "Dialogs.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrune"));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (dialogs_)
            dialogs_->ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        if (dialogs_)
            dialogs_->ShowError(QStringLiteral("Unknown error."));
    }
    return false;
}
