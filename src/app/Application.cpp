#include "Application.h"

#include "Dialogs.h"
#include "NetAntiFreeze.h"

#include <QEvent>

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

bool TApplication::event(QEvent* event)
{
    const bool handled = QApplication::event(event);
    // A quit that a window refused leaves the program running with its network intact.
    if (event->type() == QEvent::Quit && event->isAccepted())
        TNetAntiFreeze::CancelAllWaits();
    return handled;
}
