#include "FtpUpload.h"

#include "NetExceptions.h"
#include "NetFTP.h"
#include "NetFTPText.h"
#include "NetMessages.h"
#include "NetSSLIOHandlerSocket.h"
#include "TemplateFile.h"

namespace {

// Adds the status text to whatever the owner bound to OnConnected, for the length of one upload.
class TConnectedNotice {
public:
    TConnectedNotice(TNetFTP& ftp, std::function<void()> notice) : fFtp(ftp), fSaved(ftp.OnConnected)
    {
        fFtp.OnConnected = [saved = fSaved, notice = std::move(notice)] {
            if (saved)
                saved();
            notice();
        };
    }
    ~TConnectedNotice() { fFtp.OnConnected = fSaved; }
    TConnectedNotice(const TConnectedNotice&) = delete;
    TConnectedNotice& operator=(const TConnectedNotice&) = delete;

private:
    TNetFTP& fFtp;
    std::function<void()> fSaved;
};

// One time limit for the whole upload (connect, login, store), lifted at the end.
class TUploadLimit {
public:
    explicit TUploadLimit(TNetFTP& ftp) : fFtp(ftp)
    {
        if (ftp.OperationTimeout > 0)
            ftp.SetTimeLimit(ftp.OperationTimeout);
    }
    ~TUploadLimit() { fFtp.ClearTimeLimit(); }
    TUploadLimit(const TUploadLimit&) = delete;
    TUploadLimit& operator=(const TUploadLimit&) = delete;

private:
    TNetFTP& fFtp;
};

// The port of one upload, the client's own restored afterwards.
class TPortScope {
public:
    TPortScope(TNetFTP& ftp, uint16_t port) : fFtp(ftp), fSaved(ftp.Port) { ftp.Port = port; }
    ~TPortScope() { fFtp.Port = fSaved; }
    TPortScope(const TPortScope&) = delete;
    TPortScope& operator=(const TPortScope&) = delete;

private:
    TNetFTP& fFtp;
    uint16_t fSaved;
};

} // namespace

TFtpHostPort FtpHostAndPort(const std::string& field, uint16_t defaultPort)
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
        throw ENetException("Invalid port in the FTP host field: \"" + field + "\".");
    return {field.substr(0, colon), static_cast<uint16_t>(port)};
}

std::string PassiveFallbackStatusText()
{
    return "Upload done in passive mode after active mode failed; tick \"Passive mode\" on the FTP tab.";
}

std::string ConnectingStatusText(const std::string& host)
{
    return "Connecting to " + host + "...";
}

std::string ConnectedStatusText(const std::string& host)
{
    return "Connected to " + host + ".";
}

bool UploadTemplate(TNetFTP& ftp, const TFtpUploadJob& job, const std::function<void(const std::string&)>& showStatus)
{
    if (ftp.Busy())
        throw ENetClientBusy(NetMsg::ClientBusy);
    const std::string remoteName = RemoteFileName(job.RemoteFile);
    // Refused before a connection is made, so nothing reaches the server.
    if (!NetFTPText::FitsOnCommandLine(remoteName))
        throw ENetException(NetFTPText::LineBreakInField);
    const TFtpHostPort server = FtpHostAndPort(job.Host, ftp.Port);

    const TPortScope port(ftp, server.Port);
    ftp.Host = server.Host;
    ftp.Username = job.Username;
    ftp.Password = job.Password;
    ftp.Passive = job.Passive;
    ftp.UseTLS = job.TLS;
    ftp.ControlTLS().SSLOptions.VerifyMode = job.AnyCertificate ? 0 : sslvrfPeer;
    ftp.SetTransferType(ftASCII);
    TUploadLimit limit(ftp);

    auto status = [&showStatus](const std::string& text) {
        if (showStatus)
            showStatus(text);
    };
    auto connect = [&] {
        status(ConnectingStatusText(job.Host));
        TConnectedNotice notice(ftp, [&] { status(ConnectedStatusText(job.Host)); });
        ftp.OpenConnection(true, -1);
    };
    connect();
    Makefile(job.LocalTemplate, job.UploadFile, job.Address);
    try {
        ftp.UploadFile(job.UploadFile.string(), remoteName, false);
        return false;
    } catch (const ENetException&) {
        if (ftp.Passive || !ftp.DataConnectionFailed())
            throw;
    }
    // The old connection may still await a reply about the data connection; a new one starts clean.
    ftp.QuitAndClose();
    ftp.Passive = true;
    connect();
    ftp.UploadFile(job.UploadFile.string(), remoteName, false);
    return true;
}
