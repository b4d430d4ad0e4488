#include "Application.h"

#include "Dialogs.h"
#include "WaitService.h"

#include <QEvent>

#include <exception>


namespace kestrune::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrune"));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (m_dialogs)
            m_dialogs->showError(QString::fromUtf8(error.what()));
    } catch (...) {
        if (m_dialogs)
            m_dialogs->showError(QStringLiteral("Unknown error."));
    }
    return false;
}

bool Application::event(QEvent* event)
{
    const bool handled = QApplication::event(event);
    // A quit that a window refused leaves the program running with its network intact.
    if (event->type() == QEvent::Quit && event->isAccepted())
        core::WaitService::cancelAll();
    return handled;
}

} // namespace kestrune::app
