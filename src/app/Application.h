#pragma once

#include <QApplication>

namespace kestrune::app {

class Dialogs;

// The application object: an error that escapes any event handler reaches the general error report
// (a message box with the error's text) and the program goes on.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    void setErrorReport(Dialogs* dialogs) { m_dialogs = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

protected:
    // Once a quit is under way, a network wait would hold the program until its time-out: all are cancelled.
    bool event(QEvent* event) override;

private:
    Dialogs* m_dialogs = nullptr;
};

} // namespace kestrune::app
