#pragma once

#include "NetIOHandlerSocket.h"

#include <chrono>
#include <functional>
#include <string>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;
using BIO = struct bio_st;
using SSL_SESSION = struct ssl_session_st;

enum TNetSSLVersion { sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1 };
enum TNetSSLMode { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
enum TNetSSLVerifyModeFlag { sslvrfPeer = 1, sslvrfFailIfNoPeerCert = 2, sslvrfClientOnce = 4 };

struct TNetSSLOptions {
    TNetSSLVersion Method = sslvSSLv23; // SSLv23: the highest version both sides offer
    TNetSSLMode Mode = sslmUnassigned;  // unassigned acts as client
    // TNetSSLVerifyModeFlag bits; 0 accepts any server certificate. With sslvrfPeer the server's chain must
    // lead to the system store (OpenSSL's default paths, SSL_CERT_FILE / SSL_CERT_DIR) or RootCertFile, and
    // the certificate must name VerifyHostName (empty: the host connected to; an address literal is matched
    // as an address).
    int VerifyMode = 0;
    int VerifyDepth = 0; // 0: the library's default depth
    std::string VerifyHostName;
    std::string RootCertFile;
    std::string CertFile;
    std::string KeyFile;
    std::string CipherList; // empty: the library's default list

    bool operator==(const TNetSSLOptions &) const = default;
};

namespace NetSSLMsg {
inline constexpr const char *CouldNotLoadSSLLibrary = "Could not load SSL library.";
inline constexpr const char *GetMethodError = "Error geting SSL method.";
inline constexpr const char *CreatingContextError = "Error creating SSL context.";
inline constexpr const char *SettingCipherError = "SetCipher failed.";
inline constexpr const char *DataBindingError = "Error binding data to SSL socket.";
inline constexpr const char *ConnectError = "Error connecting with SSL.";
inline constexpr const char *LoadRootCertError = "Could not load root certificate.";
inline constexpr const char *LoadCertError = "Could not load certificate.";
inline constexpr const char *LoadKeyError = "Could not load key, check password.";
// Followed by OpenSSL's reason, e.g. "self-signed certificate" or "hostname mismatch".
inline constexpr const char *CertificateVerifyFailed = "certificate verify failed: ";
} // namespace NetSSLMsg

// TLS over the plain socket from the first byte (implicit TLS). OpenSSL works on memory buffers and
// every byte passes through the socket layer, so waits go through the anti-freeze hook, the
// handshake is bounded by the connect's time limit ("Connect timed out.") and reads and writes by the
// limits their callers pass.
class TNetSSLIOHandlerSocket : public TNetIOHandlerSocket {
public:
    TNetSSLIOHandlerSocket();
    ~TNetSSLIOHandlerSocket() override;

    TNetSSLOptions SSLOptions;
    // Behaves as the plain socket handler when on.
    bool PassThrough = false;
    // Receives the negotiated cipher after the handshake ("Cipher: name = ...; ...").
    std::function<void(const std::string &)> OnStatusInfo;

    void Open() override;
    void ConnectClient(const std::string &host, uint16_t port, const std::string &boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool Readable(int timeoutMs) override;
    int Recv(void *buffer, std::size_t length) override;
    int Send(const void *buffer, std::size_t length, int timeoutMs) override;
    void Close() override;

    // The handshake's limit when the connect has none.
    static constexpr int DefaultHandshakeLimitMs = 60000;

private:
    void PrepareContext();
    // When the waits of one call must end; not limited = no limit.
    struct TDeadline {
        bool Limited = false;
        std::chrono::steady_clock::time_point At;
        static TDeadline In(int timeoutMs);
        int LeftMs() const; // -1 when not limited
    };

    void CreateContext();
    void CheckVerifyResult();
    void Handshake(const std::string &host, uint16_t port, int limitMs);
    void KeepSessionForResumption();
    void FreeContext();
    void ReportCipher();
    void FreeSession();
    // Moves what OpenSSL wrote to the socket, waiting for room until deadline; 0 or minus the socket error
    // (-10060 when the wait ran out).
    int FlushOutput(const TDeadline &deadline);
    // Waits until deadline and moves received bytes to OpenSSL: > 0 bytes, 0 peer closed,
    // < 0 socket error; kWaitTimedOut when the wait ran out.
    int FillInput(const TDeadline &deadline);
    int TransportEndOrFill(const TDeadline &deadline);

    // Kept across connections while the options stay the same: loading the system store costs milliseconds.
    SSL_CTX *fContext = nullptr;
    TNetSSLOptions fContextOptions;
    // The last session of the host and port named, offered again on the next connect there (resumption).
    SSL_SESSION *fResumable = nullptr;
    std::string fResumableTarget;
    std::string fSessionTarget; // host:port of the current session
    SSL *fSession = nullptr;
    BIO *fNetIn = nullptr;  // owned by fSession once attached
    BIO *fNetOut = nullptr; // owned by fSession once attached
    bool fTransportEnded = false;
    int fTransportEndResult = 0;
    // Set by Readable: the Recv that follows finishes within the same wait (without one, it does not wait).
    TDeadline fReadDeadline{true, {}};
};
