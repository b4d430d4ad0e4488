#include "FtpClient.h"

#include "NetworkErrors.h"
#include "FtpTexts.h"
#include "SocketTransport.h"
#include "NetworkTexts.h"
#include "TlsTransport.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

namespace kestrune::net {

namespace {
constexpr int kFtpPort = 21;
constexpr int kDataListenBacklog = 15;
constexpr int kNonSocketError = 10038;

void requireCommandLineText(const std::string& text) {
    if (!ftptexts::fitsOnCommandLine(text))
        throw NetworkError(ftptexts::kLineBreakInField);
}
} // namespace

// Marks one public operation; a second one entered from a wait of the first is refused.
class FtpClient::BusyScope {
public:
    explicit BusyScope(FtpClient& owner) : m_owner(owner) {
        if (owner.m_inOperation || owner.isBusy())
            throw ClientBusyError(texts::kClientBusy);
        owner.m_inOperation = true;
    }
    ~BusyScope() { m_owner.m_inOperation = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    FtpClient& m_owner;
};

FtpClient::FtpClient() : m_controlTls(std::make_unique<TlsTransport>()) {
    port = kFtpPort;
    readTimeout = kNetDefaultReadTimeoutMs;
    operationTimeout = kNetDefaultOperationTimeoutMs;
}

FtpClient::~FtpClient() {
    releaseData();
    if (transport() == m_controlTls.get())
        setTransport(nullptr);
}

void FtpClient::setTransferType(FtpTransferType type) {
    if (m_data)
        return;
    BusyScope busy(*this);
    m_transferType = type;
    if (isConnected())
        sendTransferType();
}

void FtpClient::openConnection(bool autoLogin, int timeoutMs) {
    BusyScope busy(*this);
    OperationLimit limit(*this);
    if (autoLogin) {
        requireCommandLineText(username);
        requireCommandLineText(password);
    }
    m_loginReply.clear();
    m_systemDesc.clear();
    // The control connection starts in plain text; startTls upgrades it after AUTH TLS.
    m_controlTls->passThrough = true;
    if (useTls)
        setTransport(m_controlTls.get());
    else if (transport() == m_controlTls.get())
        setTransport(nullptr);
    TcpClient::openConnection(timeoutMs);
    try {
        readGreeting();
        if (useTls)
            startTls();
        if (autoLogin) {
            loginSteps();
            sendTransferType();
            askSystemType();
        }
        status(ftptexts::kStatusConnectionEstablished);
    } catch (...) {
        // A peer that hung up was closed (and reported) by the read that noticed it.
        if (transport() && transport()->connected())
            closeConnection();
        throw;
    }
}

void FtpClient::login() {
    BusyScope busy(*this);
    OperationLimit limit(*this);
    loginSteps();
}

void FtpClient::loginSteps() {
    requireCommandLineText(username);
    requireCommandLineText(password);
    if (sendCommand("USER " + username, {230, 331}) == 331)
        sendCommand("PASS " + password, {230});
    m_loginReply = lastCmdResult;
    if (useTls)
        protectData();
}

int FtpClient::tlsLimitMs() const {
    const int left = timeLimitLeftMs();
    if (left < 0)
        return readTimeout;
    return std::max(1, readTimeout > 0 ? std::min(left, readTimeout) : left);
}

void FtpClient::startTls() {
    sendCommand("AUTH TLS", {234});
    // Bytes that arrived in plain text behind the reply would pass for protected ones (injection).
    if (inputBufferSize() > 0)
        throw NetworkError(ftptexts::kDataBeforeTls);
    m_controlTls->startTls(host, tlsLimitMs());
}

void FtpClient::protectData() {
    sendCommand("PBSZ 0", {200});
    sendCommand("PROT P", {200});
}

void FtpClient::readGreeting() {
    try {
        readReply({220});
    } catch (...) {
        greeting = lastCmdResult;
        throw;
    }
    greeting = lastCmdResult;
}

void FtpClient::sendTransferType() {
    sendCommand(m_transferType == FtpTransferType::Ascii ? "TYPE A" : "TYPE I", {200});
}

void FtpClient::askSystemType() {
    if (sendCommand("SYST", {200, 215, 500}) == 500)
        m_systemDesc = ftptexts::kSystemUnknown;
    else
        m_systemDesc = lastCmdResult.text.empty() ? std::string() : lastCmdResult.text.front();
}

void FtpClient::uploadFile(const std::string& localPath, const std::string& remoteName, bool append) {
    BusyScope busy(*this);
    OperationLimit limit(*this);
    requireCommandLineText(remoteName);
    std::ifstream file(localPath, std::ios::binary);
    if (!file)
        throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + localPath + "\"");
    store(file, remoteName, append);
}

void FtpClient::upload(std::istream& source, const std::string& remoteName, bool append) {
    BusyScope busy(*this);
    OperationLimit limit(*this);
    requireCommandLineText(remoteName);
    store(source, remoteName, append);
}

void FtpClient::store(std::istream& source, const std::string& remoteName, bool append) {
    const std::string command = remoteName.empty() ? std::string("STOU")
                                                   : (append ? "APPE " : "STOR ") + remoteName;
    status(ftptexts::kStatusStartingTransfer);
    m_dataConnectionFailed = false;
    try {
        if (passive)
            storePassive(source, command);
        else
            storeActive(source, command);
    } catch (...) {
        releaseData();
        throw;
    }
    releaseData();
    readFinalReply();
}

void FtpClient::storeActive(std::istream& source, const std::string& command) {
    const std::string localIP = transport()->localIp();
    m_dataHandler = newDataHandler();
    m_dataHandler->listen(localIP, 0, kDataListenBacklog);
    m_data = newDataConnection();
    try {
        sendCommand("PORT " + ftptexts::portArgument(localIP, m_dataHandler->localPort()), {200});
        sendCommand(command, {125, 150});
    } catch (const ReplyError& e) {
        m_dataConnectionFailed = e.replyErrorCode == 425;
        throw;
    }
    // Only the server we talk to may deliver the data; anyone else who finds the port is turned away.
    const int left = timeLimitLeftMs();
    try {
        m_dataHandler->accept(left >= 0 ? std::min(dataConnectTimeout, left) : dataConnectTimeout,
                             transport()->peerIp());
    } catch (const CancelledError&) {
        throw;
    } catch (const NetworkError&) {
        m_dataConnectionFailed = true;
        throw;
    }
    startDataTls();
    m_data->setTransport(m_dataHandler.get());
    m_data->writeStream(source);
    m_data->closeConnection();
}

uint16_t FtpClient::passivePort() {
    if (sendCommand("EPSV", {}) == 229)
        return ftptexts::parseExtendedPassiveReply(lastCmdResult.text.empty() ? std::string()
                                                                                 : lastCmdResult.text.front());
    sendCommand("PASV", {227});
    return ftptexts::parsePassiveReply(lastCmdResult.text.empty() ? std::string() : lastCmdResult.text.front())
        .port;
}

void FtpClient::storePassive(std::istream& source, const std::string& command) {
    const uint16_t port = passivePort();
    m_data = newDataConnection();
    m_dataHandler = newDataHandler();
    m_data->setTransport(m_dataHandler.get());
    // Only the port is taken from the reply: a server behind NAT names an address nobody can reach,
    // and a hostile one could point the client at any host.
    m_data->host = transport()->peerIp();
    m_data->port = port;
    writeLine(command);
    m_data->openConnection();
    try {
        startDataTls();
    } catch (const NetworkError&) {
        // A server that refused the store closes the data connection unanswered: its reply says why.
        readReply({110, 125, 150});
        throw;
    }
    readReply({110, 125, 150});
    try {
        m_data->writeStream(source);
    } catch (const SocketError& e) {
        if (e.lastError != kNonSocketError)
            throw;
    }
    m_data->closeConnection();
}

std::unique_ptr<SocketTransport> FtpClient::newDataHandler() const {
    if (!useTls)
        return std::make_unique<SocketTransport>();
    auto tls = std::make_unique<TlsTransport>();
    tls->tlsOptions = m_controlTls->tlsOptions;
    tls->passThrough = true;
    tls->resumeSessionOf(*m_controlTls);
    return tls;
}

void FtpClient::startDataTls() {
    if (useTls)
        static_cast<TlsTransport&>(*m_dataHandler).startTls(host, tlsLimitMs());
}

std::unique_ptr<TcpConnection> FtpClient::newDataConnection() const {
    auto data = std::make_unique<TcpConnection>();
    data->recvBufferSize = recvBufferSize;
    data->sendBufferSize = sendBufferSize;
    // The data waits (connect, every write) count against the same bounds as the control connection's.
    data->readTimeout = readTimeout;
    if (hasTimeLimit())
        data->setTimeLimit(timeLimitLeftMs());
    return data;
}

void FtpClient::readFinalReply() {
    status(ftptexts::kStatusTransferComplete);
    const int code = readReply({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        readReply({226, 225});
        status(ftptexts::kStatusTransferAborted);
        // The server kept an incomplete file: counting that as an upload would never retry it.
        throw ReplyError(code, ftptexts::kStatusTransferAborted);
    }
}

void FtpClient::releaseData() {
    if (m_data) {
        if (m_data->transport())
            m_data->closeConnection();
        m_data.reset();
    }
    m_dataHandler.reset();
}

void FtpClient::quitAndClose() {
    BusyScope busy(*this);
    if (!isConnected())
        return;
    try {
        writeLine("QUIT");
    } catch (const NetworkError&) {
        // The server is gone already; closing our side is all that is left to do.
    }
    closeConnection();
}

} // namespace kestrune::net
