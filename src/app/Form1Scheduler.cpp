#include "Form1.h"

#include "SchedulerRules.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {
QString ToQString(const std::string& text) { return QString::fromStdString(text); }
}

void TForm1::ConnectSchedulerHandlers()
{
    connect(btnStart, &QPushButton::clicked, this, [this] { Guarded([this] { btnStartClick(btnStart); }); });
    connect(btnStopFTP, &QPushButton::clicked, this, [this] { Guarded([this] { btnStopFTPClick(btnStopFTP); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
    connect(SpinEdit1, &TSpinEdit::Changed, this, [this] { Guarded([this] { SpinEdit1Change(); }); });
    connect(SpinEdit1, &TSpinEdit::Exited, this, [this] { Guarded([this] { SpinEdit1Exit(); }); });
}

void TForm1::ApplyIntervalRule()
{
    // Setting the value again also applies the box's bounds, which rise to 10 once the scheduler has run.
    SpinEdit1->SetValue(IntervalByRule(SpinEdit1->Value(), rbExternal->isChecked(), rbUserDefined->isChecked(),
                                       edURL->text().toStdString()));
}

void TForm1::btnStartClick(QObject*)
{
    if (CheckRunning()) {
        dialogs_.Beep();
        return;
    }
    ApplyIntervalRule();
    const int interval = SpinEdit1->Value();
    if (interval != 0) {
        btnStart->setEnabled(false);
        btnStopFTP->setEnabled(true);
        SetTimerEnabled(Timer1, true);
        SpinEdit1->SetMinValue(kMinRunningInterval);
    } else {
        btnStart->setEnabled(true);
        btnStopFTP->setEnabled(false);
        SetTimerEnabled(Timer1, false);
    }
    Countdown = interval;
    if (interval != 0)
        SpinEdit1->setEnabled(false);
    Panel30->setText(interval == 0 ? QStringLiteral("Manual") : QString::number(Countdown));
    RunCheck(false);
}

void TForm1::Timer1Timer()
{
    --Countdown;
    Panel30->setText(ToQString(HoursMinutes(Countdown)));
    if (Countdown != 0)
        return;
    if (CheckRunning()) {
        // Another lookup still waits on the network: try again at the next tick.
        Countdown = 1;
        return;
    }
    try {
        RunCheck(true);
    } catch (...) {
        ResetCountdownDisplay();
        throw;
    }
    ResetCountdownDisplay();
}

void TForm1::ResetCountdownDisplay()
{
    Countdown = std::min(SpinEdit1->Value(), kMaxInterval);
    Panel30->setText(QString::number(Countdown));
}

void TForm1::RunCheck(bool scheduled)
{
    const TFlagScope scope(checkRunning_);
    SetOutsideIP(this);
    const QString address = Panel1->text();
    if (address == LastUploadedIP)
        return;
    if (scheduled && (address.isEmpty() || address == QLatin1String("Error")))
        return;
    btnFTPClick(this);
}

void TForm1::btnStopFTPClick(QObject*)
{
    SetTimerEnabled(Timer1, false);
    btnStart->setEnabled(true);
    btnStopFTP->setEnabled(false);
    Panel30->clear();
    SpinEdit1->setEnabled(true);
}

void TForm1::SpinEdit1Change()
{
    const int value = SpinEdit1->Value();
    SpinEdit1->SetIncrement(IntervalStep(value));
    Label38->setEnabled(value != 0);
    if (value != 0) {
        Panel30->clear();
        btnStart->setText(QStringLiteral("Start"));
    } else {
        Panel30->setText(QStringLiteral("Manual"));
        btnStart->setText(QStringLiteral("Update"));
        btnStopFTP->setEnabled(false);
        SetTimerEnabled(Timer1, false);
    }
    cbAutoStartRefresh->setText(value != 0 ? QStringLiteral("Start automatically")
                                           : QStringLiteral("Check once at startup"));
    Panel41->setText(ToQString(HoursMinutes(value)));
}

void TForm1::SpinEdit1Exit() { ApplyIntervalRule(); }
