#pragma once

#include "MainWindow.h"

#include <QLabel>
#include <QStringList>
#include <stdexcept>

// The main window with its change actions watched: records the address each run saw, and can fail the
// way an I/O error of the change actions does.
class WatchedWindow : public kestrune::app::MainWindow {
public:
    using MainWindow::MainWindow;

    QStringList changeCalls;
    QString failWith;

    void runChangeActions(bool) override
    {
        changeCalls << addressLabel()->text();
        if (!failWith.isEmpty())
            throw std::runtime_error(failWith.toStdString());
    }
};
