#include "NetSSLIOHandlerSocket.h"

#include "NetAntiFreeze.h"
#include "NetExceptions.h"
#include "NetMessages.h"
#include "NetSocket.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitTimedOut = INT_MIN;
constexpr int kConnectionReset = 10054;
constexpr int kSendAfterClose = 10058;
constexpr int kNotASocket = 10038;
constexpr int kWouldBlock = 10035;
constexpr int kTimedOut = 10060;
constexpr std::size_t kChunk = 16384;
constexpr const char *kDefaultCipherList = "DEFAULT";

void InitialiseLibraryOnce()
{
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] {
        initialised = OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) == 1;
    });
    if (!initialised)
        throw ENetOSSLCouldNotLoadSSLLibrary(NetSSLMsg::CouldNotLoadSSLLibrary);
}

// Keeps OpenSSL from asking on the terminal for the pass phrase of an encrypted key.
int EmptyPassword(char *, int, int, void *) { return 0; }

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0;
}

int ClampLength(std::size_t length) { return static_cast<int>(std::min<std::size_t>(length, INT_MAX)); }

} // namespace

TNetSSLIOHandlerSocket::TDeadline TNetSSLIOHandlerSocket::TDeadline::In(int timeoutMs)
{
    TDeadline deadline;
    deadline.Limited = timeoutMs >= 0;
    deadline.At = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    return deadline;
}

int TNetSSLIOHandlerSocket::TDeadline::LeftMs() const { return Limited ? RemainingMs(At) : -1; }

TNetSSLIOHandlerSocket::TNetSSLIOHandlerSocket() = default;

TNetSSLIOHandlerSocket::~TNetSSLIOHandlerSocket()
{
    FreeSession();
    FreeContext();
}

void TNetSSLIOHandlerSocket::Open()
{
    FreeSession();
    TNetIOHandlerSocket::Open();
}

void TNetSSLIOHandlerSocket::ConnectClient(const std::string &host, uint16_t port, const std::string &boundIP,
                                           uint16_t boundPort, int timeoutMs)
{
    FreeSession();
    const auto started = Clock::now();
    TNetIOHandlerSocket::ConnectClient(host, port, boundIP, boundPort, timeoutMs);
    if (PassThrough)
        return;
    try {
        PrepareContext();
        // The handshake shares the connect's limit, so a server that never answers it cannot hold us.
        const int limit = timeoutMs > 0 ? std::max(1, RemainingMs(started + std::chrono::milliseconds(timeoutMs)))
                                        : DefaultHandshakeLimitMs;
        Handshake(host, port, limit);
    } catch (...) {
        FreeSession();
        TNetIOHandlerSocket::Close();
        throw;
    }
}

void TNetSSLIOHandlerSocket::PrepareContext()
{
    if (fContext && fContextOptions == SSLOptions)
        return;
    FreeContext();
    try {
        CreateContext();
    } catch (...) {
        FreeContext(); // half made: never reused
        throw;
    }
    fContextOptions = SSLOptions;
}

void TNetSSLIOHandlerSocket::CreateContext()
{
    InitialiseLibraryOnce();
    const TNetSSLMode mode = SSLOptions.Mode == sslmUnassigned ? sslmClient : SSLOptions.Mode;
    // Only the negotiating client method exists in current OpenSSL; fixed old versions are not offered.
    if (mode != sslmClient || SSLOptions.Method != sslvSSLv23)
        throw ENetOSSLGetMethodError(NetSSLMsg::GetMethodError);
    fContext = SSL_CTX_new(TLS_client_method());
    if (!fContext)
        throw ENetOSSLCreatingContextError(NetSSLMsg::CreatingContextError);
    SSL_CTX_set_default_passwd_cb(fContext, EmptyPassword);
    SSL_CTX_set_default_passwd_cb_userdata(fContext, this);
    // Loading the system's certificate store costs tens of milliseconds; only verification needs it.
    if (SSLOptions.VerifyMode & sslvrfPeer)
        SSL_CTX_set_default_verify_paths(fContext);
    if (!SSLOptions.RootCertFile.empty() &&
        SSL_CTX_load_verify_locations(fContext, SSLOptions.RootCertFile.c_str(), nullptr) != 1)
        throw ENetException(NetSSLMsg::LoadRootCertError);
    if (!SSLOptions.CertFile.empty() &&
        SSL_CTX_use_certificate_file(fContext, SSLOptions.CertFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw ENetException(NetSSLMsg::LoadCertError);
    if (!SSLOptions.KeyFile.empty() &&
        SSL_CTX_use_PrivateKey_file(fContext, SSLOptions.KeyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw ENetException(NetSSLMsg::LoadKeyError);
    const std::string &ciphers = SSLOptions.CipherList.empty() ? std::string(kDefaultCipherList) : SSLOptions.CipherList;
    if (SSL_CTX_set_cipher_list(fContext, ciphers.c_str()) != 1)
        throw ENetOSSLSettingCipherError(NetSSLMsg::SettingCipherError);
    int verify = SSL_VERIFY_NONE;
    if (SSLOptions.VerifyMode & sslvrfPeer)
        verify |= SSL_VERIFY_PEER;
    if (SSLOptions.VerifyMode & sslvrfFailIfNoPeerCert)
        verify |= SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
    if (SSLOptions.VerifyMode & sslvrfClientOnce)
        verify |= SSL_VERIFY_CLIENT_ONCE;
    SSL_CTX_set_verify(fContext, verify, nullptr);
    if (verify != SSL_VERIFY_NONE && SSLOptions.VerifyDepth > 0)
        SSL_CTX_set_verify_depth(fContext, SSLOptions.VerifyDepth);
}

void TNetSSLIOHandlerSocket::FreeContext()
{
    SSL_SESSION_free(fResumable);
    fResumable = nullptr;
    fResumableTarget.clear();
    SSL_CTX_free(fContext);
    fContext = nullptr;
}

void TNetSSLIOHandlerSocket::Handshake(const std::string &host, uint16_t port, int limitMs)
{
    fSession = SSL_new(fContext);
    if (!fSession)
        throw ENetOSSLConnectError(NetSSLMsg::ConnectError);
    if (SSL_set_app_data(fSession, this) != 1)
        throw ENetOSSLDataBindingError(NetSSLMsg::DataBindingError);
    fNetIn = BIO_new(BIO_s_mem());
    fNetOut = BIO_new(BIO_s_mem());
    if (!fNetIn || !fNetOut) {
        BIO_free(fNetIn);
        BIO_free(fNetOut);
        fNetIn = fNetOut = nullptr;
        throw ENetOSSLConnectError(NetSSLMsg::ConnectError);
    }
    SSL_set_bio(fSession, fNetIn, fNetOut);
    SSL_set_connect_state(fSession);
    const std::string &name = SSLOptions.VerifyHostName.empty() ? host : SSLOptions.VerifyHostName;
    // Servers choose their certificate by name; an address literal is not a name (RFC 6066).
    if (!name.empty() && !NetSock::IsDottedQuad(name))
        SSL_set_tlsext_host_name(fSession, name.c_str());
    if (SSLOptions.VerifyMode & sslvrfPeer) {
        // Without a name any trusted certificate would pass: refused rather than checking nothing.
        X509_VERIFY_PARAM *param = SSL_get0_param(fSession);
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        const int set = NetSock::IsDottedQuad(name) ? X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str())
                                                    : X509_VERIFY_PARAM_set1_host(param, name.c_str(), name.size());
        if (set != 1 || name.empty())
            throw ENetOSSLCertificateError(std::string(NetSSLMsg::CertificateVerifyFailed) +
                                           X509_verify_cert_error_string(X509_V_ERR_HOSTNAME_MISMATCH));
    }
    fSessionTarget = host + ":" + std::to_string(port);
    if (fResumable && fResumableTarget == fSessionTarget)
        SSL_set_session(fSession, fResumable);

    const TDeadline deadline = TDeadline::In(limitMs);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(fSession);
        const int flushed = FlushOutput(deadline);
        if (flushed == -kTimedOut)
            throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
        if (flushed < 0)
            throw ENetOSSLConnectError(NetSSLMsg::ConnectError);
        if (result == 1)
            break;
        if (SSL_get_error(fSession, result) != SSL_ERROR_WANT_READ) {
            CheckVerifyResult();
            throw ENetOSSLConnectError(NetSSLMsg::ConnectError);
        }
        const int received = deadline.LeftMs() != 0 ? FillInput(deadline) : kWaitTimedOut;
        if (received == kWaitTimedOut)
            throw ENetConnectTimeout(NetMsg::ConnectTimedOut);
        if (received <= 0)
            throw ENetOSSLConnectError(NetSSLMsg::ConnectError);
    }
    ReportCipher();
}

void TNetSSLIOHandlerSocket::CheckVerifyResult()
{
    if (!(SSLOptions.VerifyMode & sslvrfPeer))
        return;
    const long result = SSL_get_verify_result(fSession);
    if (result != X509_V_OK)
        throw ENetOSSLCertificateError(std::string(NetSSLMsg::CertificateVerifyFailed) +
                                       X509_verify_cert_error_string(result));
}

void TNetSSLIOHandlerSocket::ReportCipher()
{
    if (!OnStatusInfo)
        return;
    const SSL_CIPHER *cipher = SSL_get_current_cipher(fSession);
    if (!cipher)
        return;
    char description[256] = {};
    SSL_CIPHER_description(cipher, description, sizeof description);
    std::string text = description;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    OnStatusInfo(std::string("Cipher: name = ") + SSL_CIPHER_get_name(cipher) + "; " + "description = " + text + "; " +
                 "bits = " + std::to_string(SSL_CIPHER_get_bits(cipher, nullptr)) + "; " +
                 "version = " + SSL_CIPHER_get_version(cipher));
}

bool TNetSSLIOHandlerSocket::Readable(int timeoutMs)
{
    if (!fSession)
        return TNetIOHandlerSocket::Readable(timeoutMs);
    if (!Connected())
        return false;
    fReadDeadline = TDeadline::In(timeoutMs == NetTimeoutInfinite ? -1 : std::max(timeoutMs, 0));
    for (;;) {
        if (SSL_pending(fSession) > 0 || fTransportEnded)
            return true;
        if (BIO_ctrl_pending(fNetIn) > 0) {
            // Records may hold no application data (session tickets); only data or a close count.
            char probe;
            ERR_clear_error();
            const int result = SSL_peek(fSession, &probe, 1);
            FlushOutput(fReadDeadline);
            if (result > 0 || SSL_get_error(fSession, result) != SSL_ERROR_WANT_READ)
                return true;
        }
        const int received = FillInput(fReadDeadline);
        if (received == kWaitTimedOut)
            return false;
    }
}

int TNetSSLIOHandlerSocket::Recv(void *buffer, std::size_t length)
{
    if (!fSession)
        return TNetIOHandlerSocket::Recv(buffer, length);
    if (!Connected())
        return -kNotASocket;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_read(fSession, buffer, ClampLength(length));
        const int flushed = FlushOutput(fReadDeadline);
        if (result > 0)
            return result;
        const int error = SSL_get_error(fSession, result);
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (flushed < 0)
            return flushed;
        if (error != SSL_ERROR_WANT_READ)
            return fTransportEnded ? fTransportEndResult : -kConnectionReset;
        const int received = TransportEndOrFill(fReadDeadline);
        if (received == kWaitTimedOut)
            return -kTimedOut;
        if (received <= 0)
            return received;
    }
}

int TNetSSLIOHandlerSocket::Send(const void *buffer, std::size_t length, int timeoutMs)
{
    if (!fSession)
        return TNetIOHandlerSocket::Send(buffer, length, timeoutMs);
    if (!Connected())
        return -kNotASocket;
    const TDeadline deadline = TDeadline::In(timeoutMs);
    for (;;) {
        ERR_clear_error();
        // One record at a time, so a large write neither piles up in memory nor outlasts its bound.
        const int result = SSL_write(fSession, buffer, ClampLength(std::min(length, kChunk)));
        const int flushed = FlushOutput(deadline);
        if (flushed < 0)
            return flushed;
        if (result > 0)
            return result;
        if (SSL_get_error(fSession, result) != SSL_ERROR_WANT_READ)
            return -kConnectionReset;
        const int received = TransportEndOrFill(deadline);
        if (received == kWaitTimedOut)
            return -kTimedOut;
        if (received <= 0)
            return received == 0 ? -kSendAfterClose : received;
    }
}

void TNetSSLIOHandlerSocket::Close()
{
    if (fSession && Connected() && SSL_is_init_finished(fSession)) {
        KeepSessionForResumption();
        SSL_shutdown(fSession); // close notify; the peer's answer is not awaited
        FlushOutput(TDeadline::In(0)); // nor room for it: a peer that stopped reading cannot hold the close
    }
    FreeSession();
    TNetIOHandlerSocket::Close();
}

void TNetSSLIOHandlerSocket::KeepSessionForResumption()
{
    SSL_SESSION *session = SSL_get1_session(fSession);
    if (!session)
        return;
    if (!SSL_SESSION_is_resumable(session)) {
        SSL_SESSION_free(session);
        return;
    }
    SSL_SESSION_free(fResumable);
    fResumable = session;
    fResumableTarget = fSessionTarget;
}

void TNetSSLIOHandlerSocket::FreeSession()
{
    if (fSession) {
        SSL_free(fSession); // frees the attached buffers too
    } else {
        BIO_free(fNetIn);
        BIO_free(fNetOut);
    }
    fSession = nullptr;
    fNetIn = fNetOut = nullptr;
    fSessionTarget.clear();
    fTransportEnded = false;
    fTransportEndResult = 0;
}

int TNetSSLIOHandlerSocket::FlushOutput(const TDeadline &deadline)
{
    char chunk[kChunk];
    while (BIO_ctrl_pending(fNetOut) > 0) {
        const int count = BIO_read(fNetOut, chunk, sizeof chunk);
        if (count <= 0)
            break;
        for (int sent = 0; sent < count;) {
            const int result = TNetIOHandlerSocket::Send(chunk + sent, static_cast<std::size_t>(count - sent),
                                                         deadline.LeftMs());
            if (result <= 0)
                return result < 0 ? result : -kSendAfterClose;
            sent += result;
        }
    }
    return 0;
}

int TNetSSLIOHandlerSocket::FillInput(const TDeadline &deadline)
{
    char chunk[kChunk];
    int count;
    do {
        if (TNetAntiFreeze::Wait(Handle(), POLLIN, deadline.LeftMs()) == 0 && deadline.LeftMs() == 0)
            return kWaitTimedOut;
        count = Binding()->Recv(chunk, sizeof chunk);
    } while (count == -kWouldBlock);
    if (count > 0) {
        BIO_write(fNetIn, chunk, count);
        return count;
    }
    fTransportEnded = true;
    fTransportEndResult = count;
    return count;
}

int TNetSSLIOHandlerSocket::TransportEndOrFill(const TDeadline &deadline)
{
    return fTransportEnded ? fTransportEndResult : FillInput(deadline);
}
