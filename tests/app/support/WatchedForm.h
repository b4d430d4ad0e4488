#pragma once

#include "Form1.h"

#include <QLabel>
#include <QStringList>
#include <stdexcept>

// The main window with its change handler watched: records the address each call saw, and can fail the
// way an I/O error of the change actions does.
class TWatchedForm : public TForm1 {
public:
    using TForm1::TForm1;

    QStringList ChangeCalls;
    QString FailWith;

    void btnFTPClick(QObject*) override
    {
        ChangeCalls << Panel1->text();
        if (!FailWith.isEmpty())
            throw std::runtime_error(FailWith.toStdString());
    }
};
