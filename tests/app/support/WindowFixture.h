#pragma once

#include "ExternalServiceTab.h"
#include "FtpTab.h"
#include "LocalFilesTab.h"
#include "MailTab.h"
#include "MainWindow.h"
#include "PageInspectorTab.h"
#include "ScriptedDialogs.h"
#include "SystemTab.h"
#include "TempDir.h"
#include "UserLookupsTab.h"

#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <memory>
#include <string>

// A main window started as if its executable lay in a fresh folder, with scripted dialogs. The tab headers
// come along, so a test reaches each control through its tab.
class WindowFixture {
public:
    WindowFixture();

    QString executablePath() const;
    std::string settingsPath() const;
    // Writes the settings file that the next start() reads (CR LF line ends added to each "\n").
    void writeSettings(const std::string& lines) const;
    std::string settingsText() const;
    // Creates the window (running start-up, and the first check that the event loop's first turn runs); a
    // previous one is closed without saving first.
    template <class Window = kestrune::app::MainWindow>
    Window& start()
    {
        window.reset();
        window = std::make_unique<Window>(dialogs, executablePath());
        QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
        return static_cast<Window&>(*window);
    }
    // Runs the close path; true when the window closed.
    bool close();

    testsupport::TempDir folder{"kestrune-app"};
    ScriptedDialogs dialogs;
    std::unique_ptr<kestrune::app::MainWindow> window;
};

// Builds every tab as if each had been opened, for a test that finds controls by name.
void buildEveryTab(kestrune::app::MainWindow& window);
// Text of a settings line list with CR LF line ends.
std::string crLf(const std::string& lines);
// A caption as the user reads it: the accelerator's "&" gone, "&&" shown as one "&".
inline QString shownCaption(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    return caption.replace(u'\x01', u'&');
}
// Number of lines in a file (0 when it does not exist).
int lineCount(const std::string& file);
