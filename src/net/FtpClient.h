#pragma once

#include "TcpConnection.h"

#include <istream>
#include <memory>
#include <string>

namespace kestrune::net {

class SocketTransport;
class TlsTransport;

enum class FtpTransferType { Binary, Ascii };

// An FTP client that logs in and stores files, in active mode by default; in passive mode it asks for
// EPSV, then PASV, and always connects to the control connection's peer. With useTls the dialogue is
// explicit FTPS (AUTH TLS, PBSZ 0, PROT P) and each data connection resumes the control connection's
// TLS session. Reads and each public
// operation are bounded (readTimeout, operationTimeout; 60 s and 120 s at first).
// Every public operation refuses to start while another one of this client is under way (a window
// handler running inside one of its waits) with ClientBusyError.
class FtpClient : public TcpClient {
public:
    FtpClient();
    ~FtpClient() override;

    std::string username;
    std::string password;
    bool passive = false;
    bool useTls = false;
    // How long the server may take to open an active data connection after the store command.
    int dataConnectTimeout = 60000;

    FtpTransferType transferType() const { return m_transferType; }
    // While connected and no transfer runs, the new type is sent at once; otherwise only recorded.
    void setTransferType(FtpTransferType type);

    // Connects (onConnected is raised before the greeting is read), reads the greeting and, with
    // autoLogin, logs in, sets the transfer type and asks for the system type. Any failure after the
    // connect closes the connection (onDisconnected) before the error propagates.
    void openConnection(bool autoLogin, int timeoutMs);
    void login();
    // Stores the local file as remoteName (APPE when append, STOU when remoteName is empty). A failure
    // frees the data connection and leaves the control connection open.
    void uploadFile(const std::string& localPath, const std::string& remoteName, bool append);
    void upload(std::istream& source, const std::string& remoteName, bool append);
    // Sends QUIT without reading its reply, then disconnects. A control connection the server has already
    // dropped is closed all the same.
    void quitAndClose();

    const ServerReply& loginReply() const { return m_loginReply; }
    const std::string& systemDesc() const { return m_systemDesc; }
    bool transferRunning() const { return m_data != nullptr; }
    // The last active-mode store failed because the server could not open the data connection (a 425
    // reply, or no connection within dataConnectTimeout): passive mode may get through.
    bool dataConnectionFailed() const { return m_dataConnectionFailed; }
    // The TLS transport of the control connection while useTls; its certificate checks apply to the
    // data connections too.
    TlsTransport& controlTls() { return *m_controlTls; }
    // True while one of the operations above is under way.
    bool busy() const { return m_inOperation || isBusy(); }

private:
    class BusyScope;
    void readGreeting();
    void loginSteps();
    void sendTransferType();
    void askSystemType();
    void startTls();
    void protectData();
    int tlsLimitMs() const;
    uint16_t passivePort();
    std::unique_ptr<SocketTransport> newDataHandler() const;
    void startDataTls();
    void store(std::istream& source, const std::string& remoteName, bool append);
    void storeActive(std::istream& source, const std::string& command);
    void storePassive(std::istream& source, const std::string& command);
    std::unique_ptr<TcpConnection> newDataConnection() const;
    void readFinalReply();
    void releaseData();

    FtpTransferType m_transferType = FtpTransferType::Binary;
    ServerReply m_loginReply;
    std::string m_systemDesc;
    std::unique_ptr<TlsTransport> m_controlTls;
    std::unique_ptr<SocketTransport> m_dataHandler;
    std::unique_ptr<TcpConnection> m_data;
    bool m_inOperation = false;
    bool m_dataConnectionFailed = false;
};

} // namespace kestrune::net
