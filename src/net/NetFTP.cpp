#include "NetFTP.h"

#include "NetExceptions.h"
#include "NetFTPText.h"
#include "NetIOHandlerSocket.h"
#include "NetMessages.h"
#include "NetSSLIOHandlerSocket.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

namespace {
constexpr int FtpPort = 21;
constexpr int DataListenBacklog = 15;
constexpr int NonSocketError = 10038;

void RequireCommandLineText(const std::string& text) {
    if (!NetFTPText::FitsOnCommandLine(text))
        throw ENetException(NetFTPText::LineBreakInField);
}
} // namespace

// Marks one public operation; a second one entered from a wait of the first is refused.
class TNetFTP::TBusyScope {
public:
    explicit TBusyScope(TNetFTP& owner) : fOwner(owner) {
        if (owner.fInOperation || owner.IsBusy())
            throw ENetClientBusy(NetMsg::ClientBusy);
        owner.fInOperation = true;
    }
    ~TBusyScope() { fOwner.fInOperation = false; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TNetFTP& fOwner;
};

TNetFTP::TNetFTP() : fControlTLS(std::make_unique<TNetSSLIOHandlerSocket>()) {
    Port = FtpPort;
    ReadTimeout = NetDefaultReadTimeoutMs;
    OperationTimeout = NetDefaultOperationTimeoutMs;
}

TNetFTP::~TNetFTP() {
    ReleaseData();
    if (IOHandler() == fControlTLS.get())
        SetIOHandler(nullptr);
}

void TNetFTP::SetTransferType(TNetFTPTransferType type) {
    if (fData)
        return;
    TBusyScope busy(*this);
    fTransferType = type;
    if (IsConnected())
        SendTransferType();
}

void TNetFTP::OpenConnection(bool autoLogin, int timeoutMs) {
    TBusyScope busy(*this);
    TOperationLimit limit(*this);
    if (autoLogin) {
        RequireCommandLineText(Username);
        RequireCommandLineText(Password);
    }
    fLoginReply.Clear();
    fSystemDesc.clear();
    // The control connection starts in plain text; StartTLS upgrades it after AUTH TLS.
    fControlTLS->PassThrough = true;
    if (UseTLS)
        SetIOHandler(fControlTLS.get());
    else if (IOHandler() == fControlTLS.get())
        SetIOHandler(nullptr);
    TNetTCPClient::OpenConnection(timeoutMs);
    try {
        ReadGreeting();
        if (UseTLS)
            StartTLS();
        if (autoLogin) {
            LoginSteps();
            SendTransferType();
            AskSystemType();
        }
        Status(NetFTPText::StatusConnectionEstablished);
    } catch (...) {
        // A peer that hung up was closed (and reported) by the read that noticed it.
        if (IOHandler() && IOHandler()->Connected())
            CloseConnection();
        throw;
    }
}

void TNetFTP::Login() {
    TBusyScope busy(*this);
    TOperationLimit limit(*this);
    LoginSteps();
}

void TNetFTP::LoginSteps() {
    RequireCommandLineText(Username);
    RequireCommandLineText(Password);
    if (SendCommand("USER " + Username, {230, 331}) == 331)
        SendCommand("PASS " + Password, {230});
    fLoginReply = LastCmdResult;
    if (UseTLS)
        ProtectData();
}

int TNetFTP::TLSLimitMs() const {
    const int left = TimeLimitLeftMs();
    if (left < 0)
        return ReadTimeout;
    return std::max(1, ReadTimeout > 0 ? std::min(left, ReadTimeout) : left);
}

void TNetFTP::StartTLS() {
    SendCommand("AUTH TLS", {234});
    // Bytes that arrived in plain text behind the reply would pass for protected ones (injection).
    if (InputBufferSize() > 0)
        throw ENetException(NetFTPText::DataBeforeTLS);
    fControlTLS->StartTLS(Host, TLSLimitMs());
}

void TNetFTP::ProtectData() {
    SendCommand("PBSZ 0", {200});
    SendCommand("PROT P", {200});
}

void TNetFTP::ReadGreeting() {
    try {
        ReadReply({220});
    } catch (...) {
        Greeting = LastCmdResult;
        throw;
    }
    Greeting = LastCmdResult;
}

void TNetFTP::SendTransferType() {
    SendCommand(fTransferType == ftASCII ? "TYPE A" : "TYPE I", {200});
}

void TNetFTP::AskSystemType() {
    if (SendCommand("SYST", {200, 215, 500}) == 500)
        fSystemDesc = NetFTPText::SystemUnknown;
    else
        fSystemDesc = LastCmdResult.Text.empty() ? std::string() : LastCmdResult.Text.front();
}

void TNetFTP::UploadFile(const std::string& localPath, const std::string& remoteName, bool append) {
    TBusyScope busy(*this);
    TOperationLimit limit(*this);
    RequireCommandLineText(remoteName);
    std::ifstream file(localPath, std::ios::binary);
    if (!file)
        throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + localPath + "\"");
    Store(file, remoteName, append);
}

void TNetFTP::Upload(std::istream& source, const std::string& remoteName, bool append) {
    TBusyScope busy(*this);
    TOperationLimit limit(*this);
    RequireCommandLineText(remoteName);
    Store(source, remoteName, append);
}

void TNetFTP::Store(std::istream& source, const std::string& remoteName, bool append) {
    const std::string command = remoteName.empty() ? std::string("STOU")
                                                   : (append ? "APPE " : "STOR ") + remoteName;
    Status(NetFTPText::StatusStartingTransfer);
    fDataConnectionFailed = false;
    try {
        if (Passive)
            StorePassive(source, command);
        else
            StoreActive(source, command);
    } catch (...) {
        ReleaseData();
        throw;
    }
    ReleaseData();
    ReadFinalReply();
}

void TNetFTP::StoreActive(std::istream& source, const std::string& command) {
    const std::string localIP = IOHandler()->LocalIP();
    fDataHandler = NewDataHandler();
    fDataHandler->Listen(localIP, 0, DataListenBacklog);
    fData = NewDataConnection();
    try {
        SendCommand("PORT " + NetFTPText::PortArgument(localIP, fDataHandler->LocalPort()), {200});
        SendCommand(command, {125, 150});
    } catch (const ENetProtocolReplyError& e) {
        fDataConnectionFailed = e.ReplyErrorCode == 425;
        throw;
    }
    // Only the server we talk to may deliver the data; anyone else who finds the port is turned away.
    const int left = TimeLimitLeftMs();
    try {
        fDataHandler->Accept(left >= 0 ? std::min(DataConnectTimeout, left) : DataConnectTimeout,
                             IOHandler()->PeerIP());
    } catch (const ENetCancelled&) {
        throw;
    } catch (const ENetException&) {
        fDataConnectionFailed = true;
        throw;
    }
    StartDataTLS();
    fData->SetIOHandler(fDataHandler.get());
    fData->WriteStream(source);
    fData->CloseConnection();
}

uint16_t TNetFTP::PassivePort() {
    if (SendCommand("EPSV", {}) == 229)
        return NetFTPText::ParseExtendedPassiveReply(LastCmdResult.Text.empty() ? std::string()
                                                                                 : LastCmdResult.Text.front());
    SendCommand("PASV", {227});
    return NetFTPText::ParsePassiveReply(LastCmdResult.Text.empty() ? std::string() : LastCmdResult.Text.front())
        .Port;
}

void TNetFTP::StorePassive(std::istream& source, const std::string& command) {
    const uint16_t port = PassivePort();
    fData = NewDataConnection();
    fDataHandler = NewDataHandler();
    fData->SetIOHandler(fDataHandler.get());
    // Only the port is taken from the reply: a server behind NAT names an address nobody can reach,
    // and a hostile one could point the client at any host.
    fData->Host = IOHandler()->PeerIP();
    fData->Port = port;
    WriteLine(command);
    fData->OpenConnection();
    try {
        StartDataTLS();
    } catch (const ENetException&) {
        // A server that refused the store closes the data connection unanswered: its reply says why.
        ReadReply({110, 125, 150});
        throw;
    }
    ReadReply({110, 125, 150});
    try {
        fData->WriteStream(source);
    } catch (const ENetSocketError& e) {
        if (e.LastError != NonSocketError)
            throw;
    }
    fData->CloseConnection();
}

std::unique_ptr<TNetIOHandlerSocket> TNetFTP::NewDataHandler() const {
    if (!UseTLS)
        return std::make_unique<TNetIOHandlerSocket>();
    auto tls = std::make_unique<TNetSSLIOHandlerSocket>();
    tls->SSLOptions = fControlTLS->SSLOptions;
    tls->PassThrough = true;
    tls->ResumeSessionOf(*fControlTLS);
    return tls;
}

void TNetFTP::StartDataTLS() {
    if (UseTLS)
        static_cast<TNetSSLIOHandlerSocket&>(*fDataHandler).StartTLS(Host, TLSLimitMs());
}

std::unique_ptr<TNetTCPConnection> TNetFTP::NewDataConnection() const {
    auto data = std::make_unique<TNetTCPConnection>();
    data->RecvBufferSize = RecvBufferSize;
    data->SendBufferSize = SendBufferSize;
    // The data waits (connect, every write) count against the same bounds as the control connection's.
    data->ReadTimeout = ReadTimeout;
    if (HasTimeLimit())
        data->SetTimeLimit(TimeLimitLeftMs());
    return data;
}

void TNetFTP::ReadFinalReply() {
    Status(NetFTPText::StatusTransferComplete);
    const int code = ReadReply({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        ReadReply({226, 225});
        Status(NetFTPText::StatusTransferAborted);
        // The server kept an incomplete file: counting that as an upload would never retry it.
        throw ENetProtocolReplyError(code, NetFTPText::StatusTransferAborted);
    }
}

void TNetFTP::ReleaseData() {
    if (fData) {
        if (fData->IOHandler())
            fData->CloseConnection();
        fData.reset();
    }
    fDataHandler.reset();
}

void TNetFTP::QuitAndClose() {
    TBusyScope busy(*this);
    if (!IsConnected())
        return;
    try {
        WriteLine("QUIT");
    } catch (const ENetException&) {
        // The server is gone already; closing our side is all that is left to do.
    }
    CloseConnection();
}
