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

// A change action the monitor ran.
enum class Action { Upload, Mail, IpFile, Log, Notice, IpFile6 };

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
    // The interval rule set the interval again (at every Start and when the box is left), changed or not: a face
    // with an interval box writes the value into it, so "010" or an empty box reads as the interval in use.
    virtual void intervalRuleApplied(int /*minutes*/) {}
    virtual void notice(Notice kind, const std::string& text) = 0;
    // A line for the debug view (what a dynamic-DNS update or the command answered).
    virtual void debugText(const std::string& /*text*/) {}
    // What the settings hold of the publish steps changed (an entry's last address or hold, the pending
    // retries): a face that saves the settings file on its own saves it now.
    virtual void publishStateChanged() {}
    // A publish step beside the upload and mail, as one line: a dynamic-DNS entry updated, waiting, failed or
    // held, the command's end, retries mended from a damaged settings file. failed: the address did not reach
    // where that step sends it. The status line and the debug view get the same text.
    virtual void publishReported(const std::string& /*text*/, bool /*failed*/) {}
    // An action ended: error is empty when it succeeded. The window shows no more than the calls above, so
    // this has a default; a failing IP file or log also comes as Notice::Error, as the window shows it.
    virtual void actionFinished(Action /*action*/, const std::string& /*error*/) {}
    // A lookup, upload or mail waits on the network (busy), or the last of them ended. text says what is being
    // done and with which host ("Uploading to ftp.example.com…"); empty when nothing new is to be said.
    virtual void busyChanged(bool /*busy*/, const std::string& /*text*/) {}
    // A new word on whether the provider hides the router behind a shared address: the System tab's line, and
    // when providerHides, shown to the user (it comes once per new finding).
    virtual void diagnosisChanged(const std::string& /*text*/, bool /*providerHides*/) {}
    // The external service that gave the address (its name, or the URL typed), for the debug view.
    virtual void serviceAnswered(const std::string& /*service*/) {}
    // The IPv6 line (IPv6 enabled): the address a check found, empty when none qualifies, and a note: why none
    // qualifies, or why the address found is not published; both empty when IPv6 is off.
    virtual void address6Changed(const std::string& /*address*/, const std::string& /*note*/) {}
    // Watch this descriptor (the kernel's address events) on the event loop and call Monitor::onAddressEvents
    // whenever it is readable; -1 ends the watch. Only while the scheduler runs with IPv6 on.
    virtual void watchAddressEvents(int /*handle*/) {}
};

} // namespace kestrune::core
