#include "Monitor.h"

#include "DataFile.h"
#include "FtpUpload.h"
#include "NetworkErrors.h"
#include "FlagScope.h"
#include "AddressTexts.h"
#include "Settings.h"

#include <ctime>
#include <exception>
#include <optional>

using namespace kestrune::actions;
using namespace kestrune::net;

namespace kestrune::core {

void Monitor::uploadNow() { guarded([this] { handleChange(true); }); }

void Monitor::handleChange(bool manual)
{
    // A second run would share the FTP client and the upload file with the first; the scheduler's own run
    // comes inside its check, so only a manual upload can meet a check that is still running.
    if (m_changeRunning || (manual && m_checkRunning)) {
        m_observer.notice(Notice::Beep, {});
        return;
    }
    const FlagScope changeScope(m_changeRunning);
    const BusyScope busy(*this, {});
    std::optional<FlagScope> checkScope;
    if (manual)
        checkScope.emplace(m_checkRunning);

    if (m_address == kPlaceholderAddress || refusedToPublish()) {
        // The IPv4 address is not published; the IPv6 one may be (behind carrier-grade NAT it is the one
        // that reaches home).
        if (!manual)
            publishIpv6({});
        return;
    }
    // The upload's failure shows "Error" in place of the address; the other steps publish what was found.
    const std::string found = m_address;
    if (!manual && publishable(found))
        m_retries.addressChanged(found);
    m_ftpConnected = false;
    m_passiveFallback = false;
    if (m_settings.ftpEnable || manual) {
        const StepEnd end = uploadToServer(found, templateAddress6());
        if (end != StepEnd::Done)
            setAddress(std::string(kErrorAddress));
        if (!manual && publishable(found))
            stepEnded("upload", found, end, "The upload to " + m_settings.ftpHost + " failed for good: " + m_uploadError);
    }
    if (m_ftpConnected)
        disconnectFtp();
    m_observer.statusChanged(m_passiveFallback ? passiveFallbackStatusText() : m_lookupNote);

    if (!manual) {
        std::string updated;
        if (publishable(found)) {
            guarded([&] { updated = updateDnsEntries(found, publishable6()); });
            guarded([&] { runCommandHook(found); });
        }
        publishDisplayed(updated);
        publishIpv6(updated);
        if (publishable(found))
            guarded([&] { addressNoticed(4, found); });
    }
    m_countdown = m_settings.interval;
}

void Monitor::publishDisplayed(const std::string& dnsLines)
{
    // A failing file is reported and the other actions still run, so one bad path loses nothing else.
    if (m_settings.sendMail && m_address != m_lastMailed)
        guarded([&] { sendChangeMail(m_address, changeMailText(m_address, dnsLines)); });
    if (m_settings.saveIp && m_address != m_lastSaved) {
        m_lastSaved = m_address;
        guarded([this] { writeDataFile(false); });
    }
    // One entry per new address whenever the log is on; the mail's entry, when it came first, counts.
    if (m_settings.saveLog && m_address != m_lastLogged) {
        m_lastLogged = m_address;
        guarded([this] { writeLog(); });
    }
}

std::optional<std::string> Monitor::templateAddress6() const
{
    if (!m_settings.ipv6Enabled)
        return std::nullopt;
    return publishable6();
}

Monitor::StepEnd Monitor::uploadToServer(const std::string& address, const std::optional<std::string>& address6)
{
    FtpUploadJob job;
    job.host = m_settings.ftpHost;
    job.username = m_settings.ftpUsername;
    job.password = m_settings.ftpPassword;
    job.localTemplate = m_settings.ftpLocalFile;
    job.remoteFile = m_settings.ftpRemoteFile;
    job.address = address;
    job.address6 = address6;
    job.uploadFile = m_paths.uploadFile;
    job.passive = m_settings.ftpPassive;
    job.tls = m_settings.ftpTls;
    job.anyCertificate = m_settings.ftpAnyCertificate;
    const BusyScope busy(*this, "Uploading to " + m_settings.ftpHost + kEllipsis);
    m_uploadError.clear();
    try {
        ensureAppFolder(m_paths);
        m_passiveFallback =
            uploadTemplate(m_ftp, job, [this](const std::string& status) { m_observer.statusChanged(status); });
        m_lastUploaded = job.address;
        if (address6 && !address6->empty())
            m_lastUploaded6 = *address6;
        m_observer.actionFinished(Action::Upload, {});
        return StepEnd::Done;
    } catch (const ReplyError& error) {
        m_uploadError = error.what();
        m_observer.actionFinished(Action::Upload, error.what());
        // A refused login is refused again at every try.
        return error.replyErrorCode == 530 ? StepEnd::Fatal : StepEnd::Passing;
    } catch (const std::exception& error) {
        m_uploadError = error.what();
        m_observer.actionFinished(Action::Upload, error.what());
        return StepEnd::Passing;
    }
}

void Monitor::disconnectFtp()
{
    try {
        m_ftp.quitAndClose();
    } catch (const std::exception&) {
        // A connection that fails to close is gone all the same.
    }
    m_ftpConnected = false;
}

MailSenderSettings Monitor::mailSettings() const
{
    MailSenderSettings settings;
    settings.to = m_settings.mailTo;
    settings.smtpServer = m_settings.mailServer;
    settings.portText = m_settings.mailPort;
    settings.ssl = m_settings.mailSsl;
    settings.startTls = m_settings.mailStartTls;
    settings.anyCertificate = m_settings.mailAnyCertificate;
    settings.from = m_settings.mailFrom;
    settings.subject = m_settings.mailSubject;
    settings.loginRequired = m_settings.webAuth;
    settings.user = m_settings.webUser;
    settings.password = m_settings.webPass;
    return settings;
}

bool Monitor::sendWebmail(const std::string& text)
{
    if (m_mail.busy()) {
        // Another mail waits on the server; this one would have to share its connection.
        m_observer.notice(Notice::Beep, {});
        return false;
    }
    const BusyScope busy(*this, "Sending mail through " + m_settings.mailServer + kEllipsis);
    // The window reports neither success nor failure.
    const MailSendResult result = m_mail.send(mailSettings(), text);
    m_observer.actionFinished(Action::Mail, result.sent ? std::string() : result.error.empty() ? "not sent" : result.error);
    const bool sent = result.sent;
    if (m_settings.saveLog && !m_settings.ftpEnable && m_address != m_lastLogged) {
        m_lastLogged = m_address;
        writeLog();
    }
    return sent;
}

void Monitor::sendTestMail()
{
    guarded([this] {
        const std::string message = webmailFieldCheckMessage(mailSettings());
        if (!message.empty()) {
            m_observer.notice(Notice::Message, message);
            return;
        }
        // A check arriving meanwhile would find the mail client busy and lose its mail: it waits for the test.
        const FlagScope scope(m_checkRunning);
        sendWebmail(webmailTestText(m_address));
    });
}

void Monitor::writeDataFile(bool test)
{
    if ((!m_settings.saveIp && !test) || !mayPublish())
        return;
    kestrune::actions::writeDataFile(m_settings.ipFilename, m_address);
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
    if (!m_settings.saveLog || !mayPublish())
        return;
    writeLogEntry(m_address);
}

void Monitor::writeLogEntry(const std::string& address)
{
    const std::string entry = formatLogEntry(std::time(nullptr), m_dateNames, address);
    kestrune::actions::writeLog(m_settings.logFilename, entry, m_settings.logLines);
    m_observer.actionFinished(Action::Log, {});
}

} // namespace kestrune::core
