#pragma once

#include "NetTCPConnection.h"

#include <istream>
#include <memory>
#include <string>

class TNetIOHandlerSocket;
class TNetSSLIOHandlerSocket;

enum TNetFTPTransferType { ftBinary, ftASCII };

// An FTP client that logs in and stores files, in active mode by default; in passive mode it asks for
// EPSV, then PASV, and always connects to the control connection's peer. With UseTLS the dialogue is
// explicit FTPS (AUTH TLS, PBSZ 0, PROT P) and each data connection resumes the control connection's
// TLS session. Reads and each public
// operation are bounded (ReadTimeout, OperationTimeout; 60 s and 120 s at first).
// Every public operation refuses to start while another one of this client is under way (a window
// handler running inside one of its waits) with ENetClientBusy.
class TNetFTP : public TNetTCPClient {
public:
    TNetFTP();
    ~TNetFTP() override;

    std::string Username;
    std::string Password;
    bool Passive = false;
    bool UseTLS = false;
    // How long the server may take to open an active data connection after the store command.
    int DataConnectTimeout = 60000;

    TNetFTPTransferType TransferType() const { return fTransferType; }
    // While connected and no transfer runs, the new type is sent at once; otherwise only recorded.
    void SetTransferType(TNetFTPTransferType type);

    // Connects (OnConnected is raised before the greeting is read), reads the greeting and, with
    // autoLogin, logs in, sets the transfer type and asks for the system type. Any failure after the
    // connect closes the connection (OnDisconnected) before the error propagates.
    void OpenConnection(bool autoLogin, int timeoutMs);
    void Login();
    // Stores the local file as remoteName (APPE when append, STOU when remoteName is empty). A failure
    // frees the data connection and leaves the control connection open.
    void UploadFile(const std::string& localPath, const std::string& remoteName, bool append);
    void Upload(std::istream& source, const std::string& remoteName, bool append);
    // Sends QUIT without reading its reply, then disconnects. A control connection the server has already
    // dropped is closed all the same.
    void QuitAndClose();

    const TNetRFCReply& LoginReply() const { return fLoginReply; }
    const std::string& SystemDesc() const { return fSystemDesc; }
    bool TransferRunning() const { return fData != nullptr; }
    // The last active-mode store failed because the server could not open the data connection (a 425
    // reply, or no connection within DataConnectTimeout): passive mode may get through.
    bool DataConnectionFailed() const { return fDataConnectionFailed; }
    // The TLS transport of the control connection while UseTLS; its certificate checks apply to the
    // data connections too.
    TNetSSLIOHandlerSocket& ControlTLS() { return *fControlTLS; }
    // True while one of the operations above is under way.
    bool Busy() const { return fInOperation || IsBusy(); }

private:
    class TBusyScope;
    void ReadGreeting();
    void LoginSteps();
    void SendTransferType();
    void AskSystemType();
    void StartTLS();
    void ProtectData();
    int TLSLimitMs() const;
    uint16_t PassivePort();
    std::unique_ptr<TNetIOHandlerSocket> NewDataHandler() const;
    void StartDataTLS();
    void Store(std::istream& source, const std::string& remoteName, bool append);
    void StoreActive(std::istream& source, const std::string& command);
    void StorePassive(std::istream& source, const std::string& command);
    std::unique_ptr<TNetTCPConnection> NewDataConnection() const;
    void ReadFinalReply();
    void ReleaseData();

    TNetFTPTransferType fTransferType = ftBinary;
    TNetRFCReply fLoginReply;
    std::string fSystemDesc;
    std::unique_ptr<TNetSSLIOHandlerSocket> fControlTLS;
    std::unique_ptr<TNetIOHandlerSocket> fDataHandler;
    std::unique_ptr<TNetTCPConnection> fData;
    bool fInOperation = false;
    bool fDataConnectionFailed = false;
};
