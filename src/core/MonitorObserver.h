#pragma once

#include <string>

namespace kestrune::core {

// How a notice reaches the user.
enum class Notice {
    Message,  // a message box with an OK button
    Error,    // the general error report for an error no rule caught
    Balloon,  // a failed lookup's tray balloon
    Beep,     // a refused request; the text is empty
};

// Everything the monitor shows goes through here; a face (the window, a headless runner, a test) renders it.
class MonitorObserver {
public:
    virtual ~MonitorObserver() = default;

    // The address display: an address, the placeholder "---.---.---.---", "Error" or empty.
    virtual void addressChanged(const std::string& address) = 0;
    // A lookup found this address (valid or the placeholder).
    virtual void addressFound(const std::string& address) = 0;
    virtual void windowTitleChanged(const std::string& title) = 0;
    // The status line; empty clears it.
    virtual void statusChanged(const std::string& text) = 0;
    // The time left: empty, "Manual", a bare number of minutes or the hours-and-minutes form.
    virtual void countdownChanged(const std::string& text) = 0;
    // Running: Start disabled, Stop enabled, the interval locked; minimumInterval() may have risen.
    virtual void schedulerStateChanged(bool running) = 0;
    // The interval rule or its bounds changed the interval; the settings already hold it.
    virtual void intervalChanged(int minutes) = 0;
    virtual void notice(Notice kind, const std::string& text) = 0;
};

} // namespace kestrune::core
