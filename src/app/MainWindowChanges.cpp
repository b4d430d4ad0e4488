#include "MainWindow.h"

#include "DataFile.h"
#include "FileDialogPresets.h"
#include "FtpTab.h"
#include "FtpUpload.h"
#include "LocalFilesTab.h"
#include "LogFile.h"
#include "MailTab.h"
#include "NetFlagScope.h"
#include "SpinBox.h"
#include "SystemTab.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>
#include <ctime>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

namespace kestrune::app {

namespace {

const QString kPlaceholderAddress = QStringLiteral("---.---.---.---");

// The abbreviated day and month names of the user's locale.
TDateNames localeDateNames()
{
    const QLocale locale; // the system locale unless the program chose another
    TDateNames names;
    // Sunday first, as the C library counts days; Qt counts Monday as 1 and Sunday as 7.
    for (int day = 0; day < 7; ++day)
        names.ShortDayNames[static_cast<std::size_t>(day)] =
            toBytes(locale.dayName(day == 0 ? 7 : day, QLocale::ShortFormat));
    for (int month = 1; month <= 12; ++month)
        names.ShortMonthNames[static_cast<std::size_t>(month - 1)] =
            toBytes(locale.monthName(month, QLocale::ShortFormat));
    return names;
}

} // namespace

void MainWindow::onUploadClicked() { runChangeActions(true); }

void MainWindow::runChangeActions(bool manual)
{
    // A second run would share the FTP client and the upload file with the first; the scheduler's own
    // run comes inside its check, so only a press of Upload can meet a check that is still running.
    if (m_changeRunning || (manual && checkRunning())) {
        m_dialogs.beep();
        return;
    }
    const TFlagScope changeScope(m_changeRunning);
    std::optional<TFlagScope> checkScope;
    if (manual)
        checkScope.emplace(m_checkRunning);

    if (m_addressLabel->text() == kPlaceholderAddress)
        return;
    m_ftpConnected = false;
    if (m_ftpTab->enableCheck()->isChecked() || manual)
        uploadToServer();
    if (m_ftpConnected)
        disconnectFtp();
    m_statusLine->clearMessage();

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
        // Each action reads the display and the boxes afresh: the one before it may have waited on the network.
        if (m_mailTab->sendMailCheck()->isChecked() && m_addressLabel->text() != m_lastMailedAddress) {
            m_lastMailedAddress = m_addressLabel->text();
            step([this] { sendMail(m_addressLabel->text()); });
        }
        if (m_localFilesTab->saveAddressCheck()->isChecked() && m_addressLabel->text() != m_lastSavedAddress) {
            m_lastSavedAddress = m_addressLabel->text();
            step([this] { writeAddressFile(false); });
        }
        if (m_localFilesTab->logCheck()->isChecked() && m_ftpTab->enableCheck()->isChecked() &&
            m_addressLabel->text() != m_lastLoggedAddress) {
            m_lastLoggedAddress = m_addressLabel->text();
            step([this] { writeLog(); });
        }
    }
    m_countdown = m_systemTab->intervalSpin()->value();
    for (const std::exception_ptr& failure : failures)
        guarded([&failure] { std::rethrow_exception(failure); });
}

void MainWindow::onBrowseTemplateClicked()
{
    QLineEdit* box = m_ftpTab->templateEdit();
    m_templateDialog = presetFromBox(m_templateDialog, box->text(), QString(), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.openFileName(m_templateDialog))
        box->setText(*chosen);
}

void MainWindow::onFtpConnected() { m_ftpConnected = true; }

void MainWindow::onFtpDisconnected() { m_ftpConnected = false; }

void MainWindow::uploadToServer()
{
    TFtpUploadJob job;
    job.Host = toBytes(m_ftpTab->hostEdit()->text());
    job.Username = toBytes(m_ftpTab->usernameEdit()->text());
    job.Password = toBytes(m_ftpTab->passwordEdit()->text());
    job.LocalTemplate = toBytes(m_ftpTab->templateEdit()->text());
    job.RemoteFile = toBytes(m_ftpTab->remoteFileEdit()->text());
    job.Address = toBytes(m_addressLabel->text());
    job.UploadFile = m_paths.UploadFile;
    try {
        EnsureAppFolder(m_paths);
        UploadTemplate(m_ftp, job, [this](const std::string& status) { m_statusLine->showMessage(toQString(status)); });
        m_lastUploadedAddress = m_addressLabel->text();
    } catch (const std::exception&) {
        // The address display is the upload's only report of a failure.
        m_addressLabel->setText(QStringLiteral("Error"));
    }
}

void MainWindow::disconnectFtp()
{
    try {
        m_ftp.QuitAndClose();
    } catch (const std::exception&) {
        // A connection that fails to close is gone all the same.
    }
    m_ftpConnected = false;
}

void MainWindow::sendMail(const QString& text)
{
    if (m_mail.Busy()) {
        // Another mail waits on the server; this one would have to share its connection.
        m_dialogs.beep();
        return;
    }
    // Success and failure alike go unreported.
    m_mail.SendWebmail(m_mailTab->mailSettings(), toBytes(text));
    if (m_localFilesTab->logCheck()->isChecked() && !m_ftpTab->enableCheck()->isChecked())
        writeLog();
}

void MainWindow::onTestMailClicked()
{
    const std::string message = WebmailFieldCheckMessage(m_mailTab->mailSettings());
    if (!message.empty()) {
        m_dialogs.showMessage(toQString(message));
        return;
    }
    // A check arriving meanwhile would find the mail client busy and lose its mail: it waits for the test.
    const TFlagScope scope(m_checkRunning);
    sendMail(toQString(WebmailTestText(toBytes(m_addressLabel->text()))));
}

void MainWindow::writeAddressFile(bool test)
{
    if (!m_localFilesTab->saveAddressCheck()->isChecked() && !test)
        return;
    WriteDataFile(toBytes(m_localFilesTab->addressFileEdit()->text()), toBytes(m_addressLabel->text()));
}

void MainWindow::writeLog()
{
    if (!m_localFilesTab->logCheck()->isChecked())
        return;
    const std::string entry = FormatLogEntry(std::time(nullptr), localeDateNames(), toBytes(m_addressLabel->text()));
    WriteLog(toBytes(m_localFilesTab->logFileEdit()->text()), entry, m_localFilesTab->logLinesSpin()->value());
}

void MainWindow::onTestAddressFileClicked() { writeAddressFile(true); }

void MainWindow::onBrowseAddressFileClicked()
{
    QLineEdit* box = m_localFilesTab->addressFileEdit();
    m_saveDialog = presetFromBox(m_saveDialog, box->text(), QStringLiteral("untitled"), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.saveFileName(m_saveDialog))
        box->setText(*chosen);
}

void MainWindow::onBrowseLogClicked()
{
    QLineEdit* box = m_localFilesTab->logFileEdit();
    m_saveDialog = presetFromBox(m_saveDialog, box->text(), QStringLiteral("untitled"), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.saveFileName(m_saveDialog))
        box->setText(*chosen);
}

} // namespace kestrune::app
