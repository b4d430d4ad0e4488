#include "Form1.h"

#include "NetFlagScope.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

namespace {
const QString kPlaceholderAddress = QStringLiteral("---.---.---.---");
}

void TForm1::ConnectActionHandlers()
{
    NetFTP1.OnConnected = [this] { NetFTP1Connected(); };
    NetFTP1.OnDisconnected = [this] { NetFTP1Disconnected(); };

    connect(btnFTP, &QPushButton::clicked, this, [this] { Guarded([this] { btnFTPClick(btnFTP); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });

    connect(btnMailTest, &QPushButton::clicked, this, [this] { Guarded([this] { btnMailTestClick(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
    // The box's click handling also runs when the program (the settings) changes it.
    connect(cbWebMail, &QCheckBox::toggled, this, [this] { Guarded([this] { cbWebMailClick(); }); });
    connect(PageControl9, &QTabWidget::currentChanged, this, [this] {
        if (PageControl9->currentWidget() == TsMail)
            Guarded([this] { TsMailShow(); });
    });

    connect(btnLocalTest, &QPushButton::clicked, this, [this] { Guarded([this] { btnLocalTestClick(); }); });
    connect(btnSaveIP, &QPushButton::clicked, this, [this] { Guarded([this] { btnSaveIPClick(); }); });
    connect(btnSaveLog, &QPushButton::clicked, this, [this] { Guarded([this] { btnSaveLogClick(); }); });
    connect(SpinEdit2, &TSpinEdit::Changed, this, [this] { Guarded([this] { SpinEdit2Change(); }); });
}

void TForm1::btnFTPClick(QObject* Sender)
{
    const bool manual = Sender == btnFTP;
    // A second run would share the FTP client and the upload file with the first; the scheduler's own
    // run comes inside its check, so only a press of Upload can meet a check that is still running.
    if (changeRunning_ || (manual && CheckRunning())) {
        dialogs_.Beep();
        return;
    }
    const TFlagScope changeScope(changeRunning_);
    std::optional<TFlagScope> checkScope;
    if (manual)
        checkScope.emplace(checkRunning_);

    if (Panel1->text() == kPlaceholderAddress)
        return;
    FTPConnected = false;
    if (cbFTP->isChecked() || manual)
        UploadToServer();
    if (FTPConnected)
        DisconnectFtp();
    StatusBar1->clearMessage();

    // A failing file keeps neither the other files nor the countdown reset from their turn; failures are
    // reported once the run is done.
    std::vector<std::exception_ptr> failures;
    const auto step = [&failures](const std::function<void()>& action) {
        try {
            action();
        } catch (...) {
            failures.push_back(std::current_exception());
        }
    };
    if (!manual) {
        if (cbWebMail->isChecked() && Panel1->text() != LastMailedIP) {
            LastMailedIP = Panel1->text();
            step([this] { SendWebmail(Panel1->text()); });
        }
        if (cbSaveIP->isChecked() && Panel1->text() != LastSavedIP) {
            LastSavedIP = Panel1->text();
            step([this] { WriteDataFile(this); });
        }
        if (cbLog->isChecked() && cbFTP->isChecked() && Panel1->text() != LastLoggedIP) {
            LastLoggedIP = Panel1->text();
            step([this] { WriteLog(); });
        }
    }
    Countdown = SpinEdit1->Value();
    for (const std::exception_ptr& failure : failures)
        Guarded([&failure] { std::rethrow_exception(failure); });
}
