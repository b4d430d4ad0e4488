#pragma once

#include "SocketTransport.h"

#include <chrono>
#include <functional>
#include <string>

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;
using BIO = struct bio_st;
using SSL_SESSION = struct ssl_session_st;

namespace kestrune::net {

enum class TlsVersion { SslV2, SslV23, SslV3, TlsV1 };
enum class TlsMode { Unassigned, Client, Server, Both };
enum TlsVerifyFlag { kVerifyPeer = 1, kVerifyFailIfNoPeerCert = 2, kVerifyClientOnce = 4 };

struct TlsOptions {
    TlsVersion method = TlsVersion::SslV23; // SSLv23: the highest version both sides offer
    TlsMode mode = TlsMode::Unassigned;  // unassigned acts as client
    // TlsVerifyFlag bits; 0 accepts any server certificate. With sslvrfPeer the server's chain must
    // lead to the system store (OpenSSL's default paths, SSL_CERT_FILE / SSL_CERT_DIR) or rootCertFile, and
    // the certificate must name verifyHostName (empty: the host connected to; an address literal is matched
    // as an address).
    int verifyMode = 0;
    int verifyDepth = 0; // 0: the library's default depth
    std::string verifyHostName;
    std::string rootCertFile;
    std::string certFile;
    std::string keyFile;
    std::string cipherList; // empty: the library's default list

    bool operator==(const TlsOptions &) const = default;
};

namespace tlstexts {
inline constexpr const char *kCouldNotLoadSslLibrary = "Could not load SSL library.";
inline constexpr const char *kGetMethodError = "Error geting SSL method.";
inline constexpr const char *kCreatingContextError = "Error creating SSL context.";
inline constexpr const char *kSettingCipherError = "SetCipher failed.";
inline constexpr const char *kDataBindingError = "Error binding data to SSL socket.";
inline constexpr const char *kConnectError = "Error connecting with SSL.";
inline constexpr const char *kLoadRootCertError = "Could not load root certificate.";
inline constexpr const char *kLoadCertError = "Could not load certificate.";
inline constexpr const char *kLoadKeyError = "Could not load key, check password.";
// Followed by OpenSSL's reason, e.g. "self-signed certificate" or "hostname mismatch".
inline constexpr const char *kCertificateVerifyFailed = "certificate verify failed: ";
} // namespace tlstexts

// TLS over the plain socket from the first byte (implicit TLS). OpenSSL works on memory buffers and
// every byte passes through the socket layer, so waits go through the anti-freeze hook, the
// handshake is bounded by the connect's time limit ("Connect timed out.") and reads and writes by the
// limits their callers pass.
class TlsTransport : public SocketTransport {
public:
    TlsTransport();
    ~TlsTransport() override;

    TlsOptions tlsOptions;
    // Behaves as the plain socket handler when on.
    bool passThrough = false;
    // Receives the negotiated cipher after the handshake ("Cipher: name = ...; ...").
    std::function<void(const std::string &)> onStatusInfo;

    void open() override;
    void connectClient(const std::string &host, uint16_t port, const std::string &boundIP, uint16_t boundPort,
                       int timeoutMs) override;
    bool readable(int timeoutMs) override;
    int recv(void *buffer, std::size_t length) override;
    int send(const void *buffer, std::size_t length, int timeoutMs) override;
    void close() override;

    // Begins TLS on the connection already standing (STARTTLS, AUTH TLS, an accepted FTP data
    // connection): the handshake is bounded by limitMs; a failure closes the socket and raises.
    void startTls(const std::string &host, int limitMs);
    // The next handshake offers the session other has now, so a server that demands its data
    // connections resume the control connection's session accepts this one. Nothing when other has none.
    void resumeSessionOf(const TlsTransport &other);

    // The handshake's limit when the connect has none.
    static constexpr int kDefaultHandshakeLimitMs = 60000;

private:
    void prepareContext();
    // When the waits of one call must end; not limited = no limit.
    struct Deadline {
        bool limited = false;
        std::chrono::steady_clock::time_point at;
        static Deadline in(int timeoutMs);
        int leftMs() const; // -1 when not limited
    };

    void checkVerifyResult();
    void handshake(const std::string &host, uint16_t port, int limitMs);
    void keepSessionForResumption();
    void freeContext();
    void reportCipher();
    void freeSession();
    // Moves what OpenSSL wrote to the socket, waiting for room until deadline; 0 or minus the socket error
    // (-10060 when the wait ran out).
    int flushOutput(const Deadline &deadline);
    // Waits until deadline and moves received bytes to OpenSSL: > 0 bytes, 0 peer closed,
    // < 0 socket error; kWaitTimedOut when the wait ran out.
    int fillInput(const Deadline &deadline);
    int transportEndOrFill(const Deadline &deadline);

    // A reference to the process's shared context for tlsOptions (see TlsContexts).
    SSL_CTX *m_context = nullptr;
    // The last session of the host and port named, offered again on the next connect there (resumption).
    SSL_SESSION *m_resumable = nullptr;
    std::string m_resumableTarget;
    std::string m_sessionTarget; // host:port of the current session
    SSL *m_session = nullptr;
    BIO *m_netIn = nullptr;  // owned by fSession once attached
    BIO *m_netOut = nullptr; // owned by fSession once attached
    SSL_SESSION *m_resumeSession = nullptr; // owned reference
    bool m_transportEnded = false;
    int m_transportEndResult = 0;
    // Set by Readable: the Recv that follows finishes within the same wait (without one, it does not wait).
    Deadline m_readDeadline{true, {}};
};

} // namespace kestrune::net
