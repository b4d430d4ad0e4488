#include "MainWindow.h"

#include "BusyGate.h"
#include "DnsUpdateTab.h"
#include "ExternalServiceTab.h"
#include "LookupRecord.h"
#include "PageInspectorTab.h"
#include "QtTimerService.h"
#include "SchedulerRules.h"
#include "SpinBox.h"
#include "SystemTab.h"
#include "TrayIcon.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

using namespace kestrune::lookup;

namespace kestrune::app {

QTimer* MainWindow::checkTimer() const { return m_timerService->timer(core::TimerId::Minute); }

QTimer* MainWindow::serviceBlockTimer(int service) const
{
    return m_timerService->timer(service == 0 ? core::TimerId::ServiceBlock1 : core::TimerId::ServiceBlock2);
}

core::PageFields MainWindow::pageFields() const
{
    core::PageFields fields;
    fields.url = toBytes(m_userLookupsTab->urlEdit()->text());
    fields.keyword = toBytes(m_pageInspectorTab->keywordEdit()->text());
    fields.charToSkip = toBytes(m_pageInspectorTab->skipEdit()->text());
    fields.webAuth = m_userLookupsTab->pageAuthCheck()->isChecked();
    fields.username = toBytes(m_userLookupsTab->pageUsernameEdit()->text());
    fields.password = toBytes(m_userLookupsTab->pagePasswordEdit()->text());
    fields.acceptAnyCertificate =
        m_userLookupsTab->anyCertificateCheck()->isChecked() && isHttpsUrl(fields.url);
    return fields;
}

void MainWindow::syncMonitor()
{
    m_settings = settingsFromTabs();
    m_monitor->setPageFields(pageFields());
    m_monitor->setAppPaths(m_paths);
    m_monitor->setExternalServices(m_externalServices);
}

void MainWindow::request(void (core::Monitor::*intent)())
{
    // A check, lookup or upload asked for while the page inspector's fetch waits is refused, as during a check.
    const bool refusedDuringFetch = intent == &core::Monitor::start || intent == &core::Monitor::checkExternalService ||
                                    intent == &core::Monitor::testLookup || intent == &core::Monitor::uploadNow;
    if (m_pageFetcher.busy() && refusedDuringFetch) {
        m_dialogs.beep();
        return;
    }
    syncMonitor();
    (m_monitor.get()->*intent)();
}

void MainWindow::onStartClicked() { request(&core::Monitor::start); }

void MainWindow::onStopClicked() { m_monitor->stop(); }

void MainWindow::onIntervalBoxLeft() { request(&core::Monitor::applyIntervalRule); }

void MainWindow::onLookupClicked() { request(&core::Monitor::checkExternalService); }

void MainWindow::onTestLookupClicked() { request(&core::Monitor::testLookup); }

void MainWindow::onUploadClicked() { request(&core::Monitor::uploadNow); }

void MainWindow::onTestMailClicked() { request(&core::Monitor::sendTestMail); }

void MainWindow::onTestAddressFileClicked() { request(&core::Monitor::writeIpFileNow); }

void MainWindow::onTimer(core::TimerId id)
{
    guarded([this, id] {
        syncMonitor();
        m_monitor->onTimer(id);
    });
}

void MainWindow::onIntervalChanged()
{
    SpinBox* intervalSpin = m_systemTab->intervalSpin();
    const int value = intervalSpin->value();
    intervalSpin->setIncrement(IntervalStep(value));
    m_systemTab->countdownCaption()->setEnabled(value != 0);
    m_systemTab->startButton()->setText(value != 0 ? QStringLiteral("&Start") : QStringLiteral("&Update"));
    m_systemTab->showAutoStartCaption(value);
    m_systemTab->intervalLabel()->setText(QString::fromStdString(HoursMinutes(value)));
    m_monitor->setInterval(value);
}

void MainWindow::onExternalChosen()
{
    QRadioButton* external = m_externalServiceTab->externalRadio();
    m_userLookupsTab->userDefinedRadio()->setChecked(!external->isChecked());
    m_externalServiceTab->lookupButton()->setEnabled(external->isChecked());
}

void MainWindow::onUserDefinedChosen()
{
    QRadioButton* external = m_externalServiceTab->externalRadio();
    external->setChecked(!m_userLookupsTab->userDefinedRadio()->isChecked());
    m_externalServiceTab->lookupButton()->setEnabled(external->isChecked());
}

void MainWindow::addressChanged(const std::string& address) { m_addressLabel->setText(toQString(address)); }

void MainWindow::addressFound(const std::string& address)
{
    m_lookupErrorLabel->hide();
    m_lookupErrorLabel->clear();
    m_pageInspectorTab->addressEdit()->setText(toQString(address));
    m_trayAddress = toQString(address);
    m_trayCheckedAt = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    showTrayAddresses();
}

void MainWindow::showTrayAddresses()
{
    const QString addresses = m_trayAddress6.isEmpty() ? m_trayAddress : m_trayAddress + QStringLiteral(", IPv6 ") + m_trayAddress6;
    m_trayIcon->setToolTip(QStringLiteral("Kestrune \u2014 %1, checked %2").arg(addresses, m_trayCheckedAt));
}

void MainWindow::address6Changed(const std::string& address, const std::string& note)
{
    if (address.empty() && note.empty()) {
        m_address6Label->hide();
        m_trayAddress6.clear();
        return;
    }
    QString text = address.empty() ? QStringLiteral("no IPv6 address: ") + toQString(note) : toQString(address);
    if (!address.empty() && !note.empty())
        m_address6Label->setToolTip(toQString(note));
    else
        m_address6Label->setToolTip({});
    m_address6Label->setText(text);
    m_address6Label->show();
    m_trayAddress6 = address.empty() ? QStringLiteral("none") : toQString(address);
    if (!m_trayAddress.isEmpty())
        showTrayAddresses();
}

void MainWindow::watchAddressEvents(int handle)
{
    delete m_addressEvents;
    m_addressEvents = nullptr;
    if (handle < 0)
        return;
    m_addressEvents = new QSocketNotifier(handle, QSocketNotifier::Read, this);
    connect(m_addressEvents, &QSocketNotifier::activated, this, [this] {
        guarded([this] {
            syncMonitor();
            m_monitor->onAddressEvents();
        });
    });
}

void MainWindow::windowTitleChanged(const std::string& title) { setWindowTitle(toQString(title)); }

void MainWindow::statusChanged(const std::string& text)
{
    if (text.empty())
        m_statusLine->clearMessage();
    else
        m_statusLine->showMessage(toQString(text));
}

void MainWindow::countdownChanged(const std::string& text)
{
    m_systemTab->countdownLabel()->setText(toQString(text));
}

void MainWindow::schedulerStateChanged(bool running)
{
    m_systemTab->startButton()->setEnabled(!running);
    m_systemTab->stopButton()->setEnabled(running);
    m_systemTab->intervalSpin()->setEnabled(!running);
    // The box's lower bound rises once the scheduler has run.
    m_systemTab->intervalSpin()->setMinValue(m_monitor->minimumInterval());
}

void MainWindow::intervalChanged(int minutes) { m_systemTab->intervalSpin()->setValue(minutes); }

void MainWindow::intervalRuleApplied(int minutes) { m_systemTab->intervalSpin()->setValue(minutes); }

void MainWindow::busyChanged(bool busy, const std::string& text)
{
    if (busy) {
        setCursor(Qt::BusyCursor);
        m_busyGate->setBusy(true);
        if (!text.empty()) {
            m_busyText = toQString(text);
            m_statusLine->showMessage(m_busyText);
        }
        return;
    }
    unsetCursor();
    m_busyGate->setBusy(false);
    // The monitor's own status after the action (a fallback note, an FTP notice) stays.
    if (!m_busyText.isEmpty() && m_statusLine->currentMessage() == m_busyText)
        m_statusLine->clearMessage();
    m_busyText.clear();
}

void MainWindow::notice(core::Notice kind, const std::string& text)
{
    switch (kind) {
    case core::Notice::Message: m_dialogs.showMessage(toQString(text)); break;
    case core::Notice::Error: m_dialogs.showError(toQString(text)); break;
    case core::Notice::Balloon: showErrorBalloon(toQString(text)); break;
    case core::Notice::Beep: m_dialogs.beep(); break;
    }
}

} // namespace kestrune::app

namespace kestrune::app {

void MainWindow::debugText(const std::string& text) { m_externalServiceTab->addDebugLine(toQString(text)); }

void MainWindow::serviceAnswered(const std::string& service)
{
    m_externalServiceTab->addDebugLine(QStringLiteral("Answered by ") + toQString(service));
}

void MainWindow::diagnosisChanged(const std::string& text, bool providerHides)
{
    m_systemTab->showDiagnosis(toQString(text));
    if (providerHides)
        m_dialogs.showMessage(toQString(text));
}

void MainWindow::publishStateChanged()
{
    if (m_dnsUpdateTab->isBuilt())
        m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
    // The close wrote the file for the last time.
    if (m_closeAccepted)
        return;
    try {
        saveSettings();
    } catch (const std::exception& error) {
        // The close tries again and reports it; a box in the middle of a check would hold the check.
        m_externalServiceTab->addDebugLine(QString::fromUtf8(error.what()));
    }
}

} // namespace kestrune::app
