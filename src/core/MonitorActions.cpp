#include "Monitor.h"

#include "DataFile.h"
#include "FtpUpload.h"
#include "NetExceptions.h"
#include "NetFlagScope.h"
#include "Settings.h"

#include <ctime>
#include <exception>
#include <optional>

namespace kestrune::core {

namespace {
constexpr std::string_view kPlaceholderAddress = "---.---.---.---";
constexpr std::string_view kErrorAddress = "Error";
constexpr char kEllipsis[] = "\xE2\x80\xA6";
} // namespace

void Monitor::uploadNow() { guarded([this] { handleChange(true); }); }

void Monitor::handleChange(bool manual)
{
    // A second run would share the FTP client and the upload file with the first; the scheduler's own run
    // comes inside its check, so only a manual upload can meet a check that is still running.
    if (m_changeRunning || (manual && m_checkRunning)) {
        m_observer.notice(Notice::Beep, {});
        return;
    }
    const TFlagScope changeScope(m_changeRunning);
    const BusyScope busy(*this, {});
    std::optional<TFlagScope> checkScope;
    if (manual)
        checkScope.emplace(m_checkRunning);

    if (m_address == kPlaceholderAddress || refusedToPublish())
        return;
    // The upload's failure shows "Error" in place of the address; the other steps publish what was found.
    const std::string found = m_address;
    if (!manual && publishable(found))
        m_retries.addressChanged(found);
    m_ftpConnected = false;
    m_passiveFallback = false;
    if (m_settings.FtpEnable || manual) {
        const StepEnd end = uploadToServer(found);
        if (end != StepEnd::Done)
            setAddress(std::string(kErrorAddress));
        if (!manual && publishable(found))
            stepEnded("upload", found, end);
    }
    if (m_ftpConnected)
        disconnectFtp();
    m_observer.statusChanged(m_passiveFallback ? PassiveFallbackStatusText() : m_lookupNote);

    if (!manual) {
        std::string updated;
        if (publishable(found)) {
            guarded([&] { updated = updateDnsEntries(found); });
            guarded([&] { runCommandHook(found); });
        }
        // A failing file is reported and the other actions still run, so one bad path loses nothing else.
        if (m_settings.SendMail && m_address != m_lastMailed)
            guarded([&] { sendChangeMail(m_address, updated.empty() ? m_address : m_address + "\r\n" + updated); });
        if (m_settings.SaveIP && m_address != m_lastSaved) {
            m_lastSaved = m_address;
            guarded([this] { writeDataFile(false); });
        }
        if (m_settings.SaveLog && m_settings.FtpEnable && m_address != m_lastLogged) {
            m_lastLogged = m_address;
            guarded([this] { writeLog(); });
        }
    }
    m_countdown = m_settings.Interval;
}

Monitor::StepEnd Monitor::uploadToServer(const std::string& address)
{
    TFtpUploadJob job;
    job.Host = m_settings.FtpHost;
    job.Username = m_settings.FtpUsername;
    job.Password = m_settings.FtpPassword;
    job.LocalTemplate = m_settings.FtpLocalFile;
    job.RemoteFile = m_settings.FtpRemoteFile;
    job.Address = address;
    job.UploadFile = m_paths.UploadFile;
    job.Passive = m_settings.FtpPassive;
    job.TLS = m_settings.FtpTLS;
    job.AnyCertificate = m_settings.FtpAnyCertificate;
    const BusyScope busy(*this, "Uploading to " + m_settings.FtpHost + kEllipsis);
    try {
        EnsureAppFolder(m_paths);
        m_passiveFallback =
            UploadTemplate(m_ftp, job, [this](const std::string& status) { m_observer.statusChanged(status); });
        m_lastUploaded = job.Address;
        m_observer.actionFinished(Action::Upload, {});
        return StepEnd::Done;
    } catch (const ENetProtocolReplyError& error) {
        m_observer.actionFinished(Action::Upload, error.what());
        // A refused login is refused again at every try.
        return error.ReplyErrorCode == 530 ? StepEnd::Fatal : StepEnd::Passing;
    } catch (const std::exception& error) {
        m_observer.actionFinished(Action::Upload, error.what());
        return StepEnd::Passing;
    }
}

void Monitor::disconnectFtp()
{
    try {
        m_ftp.QuitAndClose();
    } catch (const std::exception&) {
        // A connection that fails to close is gone all the same.
    }
    m_ftpConnected = false;
}

TWebmailSettings Monitor::mailSettings() const
{
    TWebmailSettings settings;
    settings.To = m_settings.MailTo;
    settings.SMTPServer = m_settings.MailServer;
    settings.PortText = m_settings.MailPort;
    settings.SSL = m_settings.MailSSL;
    settings.StartTLS = m_settings.MailStartTLS;
    settings.AnyCertificate = m_settings.MailAnyCertificate;
    settings.From = m_settings.MailFrom;
    settings.Subject = m_settings.MailSubject;
    settings.LoginRequired = m_settings.WebAuth;
    settings.User = m_settings.WebUser;
    settings.Password = m_settings.WebPass;
    return settings;
}

bool Monitor::sendWebmail(const std::string& text)
{
    if (m_mail.Busy()) {
        // Another mail waits on the server; this one would have to share its connection.
        m_observer.notice(Notice::Beep, {});
        return false;
    }
    const BusyScope busy(*this, "Sending mail through " + m_settings.MailServer + kEllipsis);
    // The window reports neither success nor failure.
    const TWebmailResult result = m_mail.SendWebmail(mailSettings(), text);
    m_observer.actionFinished(Action::Mail, result.Sent ? std::string() : result.Error.empty() ? "not sent" : result.Error);
    const bool sent = result.Sent;
    if (m_settings.SaveLog && !m_settings.FtpEnable)
        writeLog();
    return sent;
}

void Monitor::sendTestMail()
{
    guarded([this] {
        const std::string message = WebmailFieldCheckMessage(mailSettings());
        if (!message.empty()) {
            m_observer.notice(Notice::Message, message);
            return;
        }
        // A check arriving meanwhile would find the mail client busy and lose its mail: it waits for the test.
        const TFlagScope scope(m_checkRunning);
        sendWebmail(WebmailTestText(m_address));
    });
}

void Monitor::writeDataFile(bool test)
{
    if ((!m_settings.SaveIP && !test) || !mayPublish())
        return;
    WriteDataFile(m_settings.IPFilename, m_address);
    m_observer.actionFinished(Action::IpFile, {});
}

void Monitor::writeIpFileNow()
{
    guarded([this] {
        if (!refusedToPublish())
            writeDataFile(true);
    });
}

void Monitor::writeLog()
{
    if (!m_settings.SaveLog || !mayPublish())
        return;
    const std::string entry = FormatLogEntry(std::time(nullptr), m_dateNames, m_address);
    WriteLog(m_settings.LogFilename, entry, m_settings.LogLines);
    m_observer.actionFinished(Action::Log, {});
}

} // namespace kestrune::core
