#include "NetFTP.h"

#include "NetExceptions.h"
#include "NetFTPText.h"
#include "NetIOHandlerSocket.h"
#include "NetMessages.h"

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

TNetFTP::TNetFTP() {
    Port = FtpPort;
    ReadTimeout = NetDefaultReadTimeoutMs;
    OperationTimeout = NetDefaultOperationTimeoutMs;
}

TNetFTP::~TNetFTP() { ReleaseData(); }

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
    TNetTCPClient::OpenConnection(timeoutMs);
    try {
        ReadGreeting();
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
    fDataHandler = std::make_unique<TNetIOHandlerSocket>();
    fDataHandler->Listen(localIP, 0, DataListenBacklog);
    fData = NewDataConnection();
    SendCommand("PORT " + NetFTPText::PortArgument(localIP, fDataHandler->LocalPort()), {200});
    SendCommand(command, {125, 150});
    // Only the server we talk to may deliver the data; anyone else who finds the port is turned away.
    const int left = TimeLimitLeftMs();
    fDataHandler->Accept(left >= 0 ? std::min(DataConnectTimeout, left) : DataConnectTimeout, IOHandler()->PeerIP());
    fData->SetIOHandler(fDataHandler.get());
    fData->WriteStream(source);
    fData->CloseConnection();
}

void TNetFTP::StorePassive(std::istream& source, const std::string& command) {
    SendCommand("PASV", {227});
    const auto offered =
        NetFTPText::ParsePassiveReply(LastCmdResult.Text.empty() ? std::string() : LastCmdResult.Text.front());
    fData = NewDataConnection();
    // Only the port is taken from the reply: a server behind NAT names an address nobody can reach,
    // and a hostile one could point the client at any host.
    fData->Host = IOHandler()->PeerIP();
    fData->Port = offered.Port;
    WriteLine(command);
    fData->OpenConnection();
    ReadReply({110, 125, 150});
    try {
        fData->WriteStream(source);
    } catch (const ENetSocketError& e) {
        if (e.LastError != NonSocketError)
            throw;
    }
    fData->CloseConnection();
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
