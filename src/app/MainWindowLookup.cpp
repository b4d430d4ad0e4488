#include "MainWindow.h"

#include "ExternalServiceTab.h"
#include "Lookup.h"
#include "LookupTexts.h"
#include "MailTab.h"
#include "NetFlagScope.h"
#include "PageInspectorTab.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <optional>

namespace kestrune::app {

void MainWindow::lookUpAddress()
{
    const TFlagScope scope(m_checkRunning);
    TLookupFields fields;
    fields.External = m_externalServiceTab->externalRadio()->isChecked();
    fields.ServiceURL = toBytes(m_externalServiceTab->serviceCombo()->currentText());
    fields.URL = toBytes(m_userLookupsTab->urlEdit()->text());
    fields.Keyword = toBytes(m_pageInspectorTab->keywordEdit()->text());
    fields.CharToSkip = toBytes(m_pageInspectorTab->skipEdit()->text());
    fields.WebAuth = m_userLookupsTab->pageAuthCheck()->isChecked();
    fields.Username = toBytes(m_userLookupsTab->pageUsernameEdit()->text());
    fields.Password = toBytes(m_userLookupsTab->pagePasswordEdit()->text());
    if (fields.External) {
        m_addressLabel->clear();
        m_statusLine->showMessage(toQString(LookupText::Retrieving));
    }
    TLookupResult result;
    try {
        result = RunLookup(m_http, fields, m_externalServices);
    } catch (const std::exception& error) {
        reportLookupError(toQString(LookupText::ErrorPrefix) + QString::fromUtf8(error.what()));
        return;
    }
    if (result.Failed()) {
        reportLookupError(toQString(LookupText::ErrorPrefix) + toQString(result.ErrorMessage));
        return;
    }
    const QString address = toQString(result.Address);
    m_addressLabel->setText(address);
    setWindowTitle(QStringLiteral("Kestrune [") + address + QLatin1Char(']'));
    m_pageInspectorTab->addressEdit()->setText(address);
    m_statusLine->clearMessage();
}

void MainWindow::reportLookupError(const QString& text)
{
    showErrorBalloon(text);
    if (m_mailTab->sendMailCheck()->isChecked()) {
        try {
            sendMail(text);
        } catch (...) {
            // The log entry after the mail failed: the status line is still cleared before the error report.
            m_statusLine->clearMessage();
            throw;
        }
    }
    m_statusLine->clearMessage();
}

void MainWindow::onLookupClicked()
{
    const std::string text = toBytes(m_externalServiceTab->serviceCombo()->currentText());
    std::optional<std::size_t> service;
    for (std::size_t i = 0; i < m_externalServices.size(); ++i)
        if (!service && text == m_externalServices[i].URL)
            service = i;
    if (service && m_serviceBlocked[*service]) {
        m_dialogs.showMessage(toQString(RateMessage(m_externalServices[*service])));
        return;
    }
    if (checkRunning()) {
        m_dialogs.beep();
        return;
    }
    m_addressLabel->clear();
    if (service) {
        setTimerEnabled(m_serviceBlockTimers[*service], true);
        m_serviceBlocked[*service] = true;
    }
    lookUpAddress();
}

void MainWindow::onTestLookupClicked()
{
    if (m_userLookupsTab->urlEdit()->text().isEmpty() || m_pageInspectorTab->keywordEdit()->text().isEmpty() ||
        m_pageInspectorTab->skipEdit()->text().isEmpty()) {
        m_dialogs.showMessage(toQString(LookupText::RequiredEntryMissing));
        return;
    }
    if (!m_userLookupsTab->userDefinedRadio()->isChecked()) {
        m_dialogs.showMessage(toQString(LookupText::NeedUserDefined));
        return;
    }
    if (checkRunning()) {
        m_dialogs.beep();
        return;
    }
    setWindowTitle(QString());
    m_addressLabel->clear();
    lookUpAddress();
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

void MainWindow::onServiceBlockEnded(int service)
{
    const auto index = static_cast<std::size_t>(service);
    m_serviceBlocked.at(index) = false;
    setTimerEnabled(m_serviceBlockTimers.at(index), false);
}

} // namespace kestrune::app
