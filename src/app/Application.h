#pragma once

#include <QApplication>

class TDialogs;

// The application object: an error that escapes any event handler reaches the general error report
// (a message box with the error's text) and the program goes on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    void SetErrorReport(TDialogs* dialogs) { dialogs_ = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

protected:
    // Once a quit is under way, a network wait would hold the program until its time-out: all are cancelled.
    bool event(QEvent* event) override;

private:
    TDialogs* dialogs_ = nullptr;
};
