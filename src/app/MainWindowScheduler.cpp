#include "MainWindow.h"

#include "ExternalServiceTab.h"
#include "NetFlagScope.h"
#include "SchedulerRules.h"
#include "SpinBox.h"
#include "SystemTab.h"
#include "UserLookupsTab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace kestrune::app {

void MainWindow::applyIntervalRule()
{
    SpinBox* interval = m_systemTab->intervalSpin();
    // Setting the value again also applies the box's bounds, which rise to 10 once the scheduler has run.
    interval->setValue(IntervalByRule(interval->value(), m_externalServiceTab->externalRadio()->isChecked(),
                                      m_userLookupsTab->userDefinedRadio()->isChecked(),
                                      m_userLookupsTab->urlEdit()->text().toStdString()));
}

void MainWindow::onStartClicked()
{
    if (checkRunning()) {
        m_dialogs.beep();
        return;
    }
    applyIntervalRule();
    SpinBox* intervalSpin = m_systemTab->intervalSpin();
    const int interval = intervalSpin->value();
    if (interval != 0) {
        m_systemTab->startButton()->setEnabled(false);
        m_systemTab->stopButton()->setEnabled(true);
        setTimerEnabled(m_checkTimer, true);
        intervalSpin->setMinValue(kMinRunningInterval);
    } else {
        m_systemTab->startButton()->setEnabled(true);
        m_systemTab->stopButton()->setEnabled(false);
        setTimerEnabled(m_checkTimer, false);
    }
    m_countdown = interval;
    if (interval != 0)
        intervalSpin->setEnabled(false);
    m_systemTab->countdownLabel()->setText(interval == 0 ? QStringLiteral("Manual") : QString::number(m_countdown));
    runCheck(false);
}

void MainWindow::onCheckTimer()
{
    --m_countdown;
    m_systemTab->countdownLabel()->setText(QString::fromStdString(HoursMinutes(m_countdown)));
    if (m_countdown != 0)
        return;
    if (checkRunning()) {
        // Another lookup still waits on the network: try again at the next tick.
        m_countdown = 1;
        return;
    }
    try {
        runCheck(true);
    } catch (...) {
        resetCountdownDisplay();
        throw;
    }
    resetCountdownDisplay();
}

void MainWindow::resetCountdownDisplay()
{
    m_countdown = std::min(m_systemTab->intervalSpin()->value(), kMaxInterval);
    m_systemTab->countdownLabel()->setText(QString::number(m_countdown));
}

void MainWindow::runCheck(bool scheduled)
{
    const TFlagScope scope(m_checkRunning);
    lookUpAddress();
    const QString address = m_addressLabel->text();
    if (address == m_lastUploadedAddress)
        return;
    if (scheduled && (address.isEmpty() || address == QLatin1String("Error")))
        return;
    runChangeActions(false);
}

void MainWindow::onStopClicked()
{
    setTimerEnabled(m_checkTimer, false);
    m_systemTab->startButton()->setEnabled(true);
    m_systemTab->stopButton()->setEnabled(false);
    m_systemTab->countdownLabel()->clear();
    m_systemTab->intervalSpin()->setEnabled(true);
}

void MainWindow::onIntervalChanged()
{
    SpinBox* intervalSpin = m_systemTab->intervalSpin();
    const int value = intervalSpin->value();
    intervalSpin->setIncrement(IntervalStep(value));
    m_systemTab->countdownCaption()->setEnabled(value != 0);
    if (value != 0) {
        m_systemTab->countdownLabel()->clear();
        m_systemTab->startButton()->setText(QStringLiteral("Start"));
    } else {
        m_systemTab->countdownLabel()->setText(QStringLiteral("Manual"));
        m_systemTab->startButton()->setText(QStringLiteral("Update"));
        m_systemTab->stopButton()->setEnabled(false);
        setTimerEnabled(m_checkTimer, false);
    }
    m_systemTab->showAutoStartCaption(value);
    m_systemTab->intervalLabel()->setText(QString::fromStdString(HoursMinutes(value)));
}

void MainWindow::onIntervalBoxLeft() { applyIntervalRule(); }

} // namespace kestrune::app
