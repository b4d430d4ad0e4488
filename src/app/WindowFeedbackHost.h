#pragma once

#include "FeedbackHost.h"

namespace kestrune::app {

class Dialogs;
class MainWindow;

// The feedback form's view of the window: the user-defined page's address, the inspector's keyword and skip
// count, and the window's dialogs for the mail program, messages and the clipboard.
class WindowFeedbackHost : public feedback::FeedbackHost {
public:
    WindowFeedbackHost(MainWindow& window, Dialogs& dialogs) : m_window(window), m_dialogs(dialogs) {}

    feedback::LookupFields lookupFields() const override;
    bool openMailLink(const std::string& link) override;
    void showMessage(const std::string& text) override;
    void copyToClipboard(const std::string& text) override;

private:
    MainWindow& m_window;
    Dialogs& m_dialogs;
};

} // namespace kestrune::app
