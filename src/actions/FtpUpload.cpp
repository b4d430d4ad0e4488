#include "FtpUpload.h"

#include "NetExceptions.h"
#include "NetFTP.h"
#include "NetFTPText.h"
#include "NetMessages.h"
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

} // namespace

std::string ConnectingStatusText(const std::string& host)
{
    return "Connecting to " + host + "...";
}

std::string ConnectedStatusText(const std::string& host)
{
    return "Connected to " + host + ".";
}

void UploadTemplate(TNetFTP& ftp, const TFtpUploadJob& job, const std::function<void(const std::string&)>& showStatus)
{
    if (ftp.Busy())
        throw ENetClientBusy(NetMsg::ClientBusy);
    const std::string remoteName = RemoteFileName(job.RemoteFile);
    // Refused before a connection is made, so nothing reaches the server.
    if (!NetFTPText::FitsOnCommandLine(remoteName))
        throw ENetException(NetFTPText::LineBreakInField);

    ftp.Host = job.Host;
    ftp.Username = job.Username;
    ftp.Password = job.Password;
    ftp.SetTransferType(ftASCII);
    TUploadLimit limit(ftp);

    auto status = [&showStatus](const std::string& text) {
        if (showStatus)
            showStatus(text);
    };
    status(ConnectingStatusText(job.Host));
    {
        TConnectedNotice notice(ftp, [&] { status(ConnectedStatusText(job.Host)); });
        ftp.OpenConnection(true, -1);
    }
    Makefile(job.LocalTemplate, job.UploadFile, job.Address);
    ftp.UploadFile(job.UploadFile.string(), remoteName, false);
}
