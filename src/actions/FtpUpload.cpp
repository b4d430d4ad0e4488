#include "FtpUpload.h"

#include "NetworkErrors.h"
#include "FtpClient.h"
#include "FtpTexts.h"
#include "NetworkTexts.h"
#include "TlsTransport.h"
#include "TemplateFile.h"

using namespace kestrune::net;

namespace kestrune::actions {

namespace {

// Adds the status text to whatever the owner bound to onConnected, for the length of one upload.
class ConnectedNotice {
public:
    ConnectedNotice(FtpClient& ftp, std::function<void()> notice) : m_ftp(ftp), m_saved(ftp.onConnected)
    {
        m_ftp.onConnected = [saved = m_saved, notice = std::move(notice)] {
            if (saved)
                saved();
            notice();
        };
    }
    ~ConnectedNotice() { m_ftp.onConnected = m_saved; }
    ConnectedNotice(const ConnectedNotice&) = delete;
    ConnectedNotice& operator=(const ConnectedNotice&) = delete;

private:
    FtpClient& m_ftp;
    std::function<void()> m_saved;
};

// One time limit for the whole upload (connect, login, store), lifted at the end.
class UploadLimit {
public:
    explicit UploadLimit(FtpClient& ftp) : m_ftp(ftp)
    {
        if (ftp.operationTimeout > 0)
            ftp.setTimeLimit(ftp.operationTimeout);
    }
    ~UploadLimit() { m_ftp.clearTimeLimit(); }
    UploadLimit(const UploadLimit&) = delete;
    UploadLimit& operator=(const UploadLimit&) = delete;

private:
    FtpClient& m_ftp;
};

// The port of one upload, the client's own restored afterwards.
class PortScope {
public:
    PortScope(FtpClient& ftp, uint16_t port) : m_ftp(ftp), m_saved(ftp.port) { ftp.port = port; }
    ~PortScope() { m_ftp.port = m_saved; }
    PortScope(const PortScope&) = delete;
    PortScope& operator=(const PortScope&) = delete;

private:
    FtpClient& m_ftp;
    uint16_t m_saved;
};

} // namespace

FtpHostPort ftpHostAndPort(const std::string& field, uint16_t defaultPort)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string::npos)
        return {field, defaultPort};
    const std::string digits = field.substr(colon + 1);
    long port = 0;
    bool valid = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
        valid = valid && c >= '0' && c <= '9';
        port = valid ? port * 10 + (c - '0') : 0;
    }
    if (!valid || port < 1 || port > 65535)
        throw NetworkError("Invalid port in the FTP host field: \"" + field + "\".");
    return {field.substr(0, colon), static_cast<uint16_t>(port)};
}

std::string passiveFallbackStatusText()
{
    return "Upload done in passive mode after active mode failed; tick \"Passive mode\" on the FTP tab.";
}

std::string connectingStatusText(const std::string& host)
{
    return "Connecting to " + host + "...";
}

std::string connectedStatusText(const std::string& host)
{
    return "Connected to " + host + ".";
}

bool uploadTemplate(FtpClient& ftp, const FtpUploadJob& job, const std::function<void(const std::string&)>& showStatus)
{
    if (ftp.busy())
        throw ClientBusyError(texts::kClientBusy);
    const std::string remoteName = remoteFileName(job.remoteFile);
    // Refused before a connection is made, so nothing reaches the server.
    if (!ftptexts::fitsOnCommandLine(remoteName))
        throw NetworkError(ftptexts::kLineBreakInField);
    const FtpHostPort server = ftpHostAndPort(job.host, ftp.port);

    const PortScope port(ftp, server.port);
    ftp.host = server.host;
    ftp.username = job.username;
    ftp.password = job.password;
    ftp.passive = job.passive;
    ftp.useTls = job.tls;
    ftp.controlTls().tlsOptions.verifyMode = job.anyCertificate ? 0 : kVerifyPeer;
    ftp.setTransferType(FtpTransferType::Ascii);
    UploadLimit limit(ftp);

    auto status = [&showStatus](const std::string& text) {
        if (showStatus)
            showStatus(text);
    };
    auto connect = [&] {
        status(connectingStatusText(job.host));
        ConnectedNotice notice(ftp, [&] { status(connectedStatusText(job.host)); });
        ftp.openConnection(true, -1);
    };
    connect();
    makeUploadFile(job.localTemplate, job.uploadFile, job.address,
                   job.address6 ? std::optional<std::string_view>(*job.address6) : std::nullopt);
    try {
        ftp.uploadFile(job.uploadFile.string(), remoteName, false);
        return false;
    } catch (const NetworkError&) {
        if (ftp.passive || !ftp.dataConnectionFailed())
            throw;
    }
    // The old connection may still await a reply about the data connection; a new one starts clean.
    ftp.quitAndClose();
    ftp.passive = true;
    connect();
    ftp.uploadFile(job.uploadFile.string(), remoteName, false);
    return true;
}

} // namespace kestrune::actions
