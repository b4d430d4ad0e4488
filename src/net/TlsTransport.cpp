#include "TlsTransport.h"

#include "NetworkWait.h"
#include "NetworkErrors.h"
#include "NetworkTexts.h"
#include "OpenSsl.h"
#include "SocketHandle.h"
#include "TlsContexts.h"


#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>

namespace kestrune::net {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitTimedOut = INT_MIN;
constexpr int kConnectionReset = 10054;
constexpr int kSendAfterClose = 10058;
constexpr int kNotASocket = 10038;
constexpr int kWouldBlock = 10035;
constexpr int kTimedOut = 10060;
constexpr std::size_t kChunk = 16384;

int clampLength(std::size_t length) { return static_cast<int>(std::min<std::size_t>(length, INT_MAX)); }

} // namespace

TlsTransport::Deadline TlsTransport::Deadline::in(int timeoutMs)
{
    Deadline deadline;
    deadline.limited = timeoutMs >= 0;
    deadline.at = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    return deadline;
}

int TlsTransport::Deadline::leftMs() const { return limited ? remainingMs(at) : -1; }

TlsTransport::TlsTransport() = default;

TlsTransport::~TlsTransport()
{
    freeSession();
    freeContext();
    // Null pointers need no library: a transport that never began TLS does not load it here.
    if (m_resumeSession)
        openSsl().SSL_SESSION_free(m_resumeSession);
}

void TlsTransport::open()
{
    freeSession();
    SocketTransport::open();
}

void TlsTransport::connectClient(const std::string &host, uint16_t port, const std::string &boundIP,
                                           uint16_t boundPort, int timeoutMs)
{
    freeSession();
    const auto started = Clock::now();
    SocketTransport::connectClient(host, port, boundIP, boundPort, timeoutMs);
    if (passThrough)
        return;
    try {
        prepareContext();
        // The handshake shares the connect's limit, so a server that never answers it cannot hold us.
        const int limit = timeoutMs > 0 ? std::max(1, remainingMs(started + std::chrono::milliseconds(timeoutMs)))
                                        : kDefaultHandshakeLimitMs;
        handshake(host, port, limit);
    } catch (...) {
        freeSession();
        SocketTransport::close();
        throw;
    }
}

void TlsTransport::startTls(const std::string &host, int limitMs)
{
    if (m_session || !connected())
        throw TlsConnectError(tlstexts::kConnectError);
    try {
        prepareContext();
        handshake(host, peerPort(), limitMs > 0 ? limitMs : kDefaultHandshakeLimitMs);
    } catch (...) {
        freeSession();
        SocketTransport::close();
        throw;
    }
}

void TlsTransport::resumeSessionOf(const TlsTransport &other)
{
    if (m_resumeSession)
        openSsl().SSL_SESSION_free(m_resumeSession);
    m_resumeSession = other.m_session ? openSsl().SSL_get1_session(other.m_session) : nullptr;
}

void TlsTransport::prepareContext()
{
    // Asked every time: the shared context follows a certificate store that changed since the last connection.
    SSL_CTX *context = TlsContexts::acquire(tlsOptions);
    if (context == m_context) {
        openSsl().SSL_CTX_free(context);
        return;
    }
    freeContext();
    m_context = context;
}

void TlsTransport::freeContext()
{
    if (m_resumable)
        openSsl().SSL_SESSION_free(m_resumable);
    m_resumable = nullptr;
    m_resumableTarget.clear();
    if (m_context)
        openSsl().SSL_CTX_free(m_context);
    m_context = nullptr;
}

void TlsTransport::handshake(const std::string &host, uint16_t port, int limitMs)
{
    m_session = openSsl().SSL_new(m_context);
    if (!m_session)
        throw TlsConnectError(tlstexts::kConnectError);
    if (openSsl().SSL_set_ex_data(m_session, 0, this) != 1)
        throw TlsBindingError(tlstexts::kDataBindingError);
    m_netIn = openSsl().BIO_new(openSsl().BIO_s_mem());
    m_netOut = openSsl().BIO_new(openSsl().BIO_s_mem());
    if (!m_netIn || !m_netOut) {
        openSsl().BIO_free(m_netIn);
        openSsl().BIO_free(m_netOut);
        m_netIn = m_netOut = nullptr;
        throw TlsConnectError(tlstexts::kConnectError);
    }
    openSsl().SSL_set_bio(m_session, m_netIn, m_netOut);
    openSsl().SSL_set_connect_state(m_session);
    const std::string &name = tlsOptions.verifyHostName.empty() ? host : tlsOptions.verifyHostName;
    // Servers choose their certificate by name; an address literal is not a name (RFC 6066).
    const bool literal = sockets::isDottedQuad(name) || sockets::isIpv6Literal(name);
    if (!name.empty() && !literal)
        openSsl().SSL_ctrl(m_session, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                            const_cast<char *>(name.c_str()));
    if (tlsOptions.verifyMode & kVerifyPeer) {
        // Without a name any trusted certificate would pass: refused rather than checking nothing.
        X509_VERIFY_PARAM *param = openSsl().SSL_get0_param(m_session);
        openSsl().X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        const int set = literal ? openSsl().X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str())
                                : openSsl().X509_VERIFY_PARAM_set1_host(param, name.c_str(), name.size());
        if (set != 1 || name.empty())
            throw TlsCertificateError(std::string(tlstexts::kCertificateVerifyFailed) +
                                           openSsl().X509_verify_cert_error_string(X509_V_ERR_HOSTNAME_MISMATCH));
    }
    m_sessionTarget = host + ":" + std::to_string(port);
    if (m_resumeSession) {
        if (openSsl().SSL_set_session(m_session, m_resumeSession) != 1)
            throw TlsConnectError(tlstexts::kConnectError);
    } else if (m_resumable && m_resumableTarget == m_sessionTarget) {
        openSsl().SSL_set_session(m_session, m_resumable);
    }

    const Deadline deadline = Deadline::in(limitMs);
    for (;;) {
        openSsl().ERR_clear_error();
        const int result = openSsl().SSL_connect(m_session);
        const int flushed = flushOutput(deadline);
        if (flushed == -kTimedOut)
            throw ConnectTimeoutError(texts::kConnectTimedOut);
        if (flushed < 0)
            throw TlsConnectError(tlstexts::kConnectError);
        if (result == 1)
            break;
        if (openSsl().SSL_get_error(m_session, result) != SSL_ERROR_WANT_READ) {
            checkVerifyResult();
            throw TlsConnectError(tlstexts::kConnectError);
        }
        const int received = deadline.leftMs() != 0 ? fillInput(deadline) : kWaitTimedOut;
        if (received == kWaitTimedOut)
            throw ConnectTimeoutError(texts::kConnectTimedOut);
        if (received <= 0)
            throw TlsConnectError(tlstexts::kConnectError);
    }
    reportCipher();
}

void TlsTransport::checkVerifyResult()
{
    if (!(tlsOptions.verifyMode & kVerifyPeer))
        return;
    const long result = openSsl().SSL_get_verify_result(m_session);
    if (result != X509_V_OK)
        throw TlsCertificateError(std::string(tlstexts::kCertificateVerifyFailed) +
                                       openSsl().X509_verify_cert_error_string(result));
}

void TlsTransport::reportCipher()
{
    if (!onStatusInfo)
        return;
    const SSL_CIPHER *cipher = openSsl().SSL_get_current_cipher(m_session);
    if (!cipher)
        return;
    char description[256] = {};
    openSsl().SSL_CIPHER_description(cipher, description, sizeof description);
    std::string text = description;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    const OpenSsl &ssl = openSsl();
    onStatusInfo(std::string("Cipher: name = ") + ssl.SSL_CIPHER_get_name(cipher) + "; " + "description = " + text +
                 "; " + "bits = " + std::to_string(ssl.SSL_CIPHER_get_bits(cipher, nullptr)) + "; " +
                 "version = " + ssl.SSL_CIPHER_get_version(cipher));
}

bool TlsTransport::readable(int timeoutMs)
{
    if (!m_session)
        return SocketTransport::readable(timeoutMs);
    if (!connected())
        return false;
    m_readDeadline = Deadline::in(timeoutMs == kTimeoutInfinite ? -1 : std::max(timeoutMs, 0));
    for (;;) {
        if (openSsl().SSL_pending(m_session) > 0 || m_transportEnded)
            return true;
        if (openSsl().BIO_ctrl_pending(m_netIn) > 0) {
            // Records may hold no application data (session tickets); only data or a close count.
            char probe;
            openSsl().ERR_clear_error();
            const int result = openSsl().SSL_peek(m_session, &probe, 1);
            flushOutput(m_readDeadline);
            if (result > 0 || openSsl().SSL_get_error(m_session, result) != SSL_ERROR_WANT_READ)
                return true;
        }
        const int received = fillInput(m_readDeadline);
        if (received == kWaitTimedOut)
            return false;
    }
}

int TlsTransport::recv(void *buffer, std::size_t length)
{
    if (!m_session)
        return SocketTransport::recv(buffer, length);
    if (!connected())
        return -kNotASocket;
    for (;;) {
        openSsl().ERR_clear_error();
        const int result = openSsl().SSL_read(m_session, buffer, clampLength(length));
        const int flushed = flushOutput(m_readDeadline);
        if (result > 0)
            return result;
        const int error = openSsl().SSL_get_error(m_session, result);
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (flushed < 0)
            return flushed;
        if (error != SSL_ERROR_WANT_READ)
            return m_transportEnded ? m_transportEndResult : -kConnectionReset;
        const int received = transportEndOrFill(m_readDeadline);
        if (received == kWaitTimedOut)
            return -kTimedOut;
        if (received <= 0)
            return received;
    }
}

int TlsTransport::send(const void *buffer, std::size_t length, int timeoutMs)
{
    if (!m_session)
        return SocketTransport::send(buffer, length, timeoutMs);
    if (!connected())
        return -kNotASocket;
    const Deadline deadline = Deadline::in(timeoutMs);
    for (;;) {
        openSsl().ERR_clear_error();
        // One record at a time, so a large write neither piles up in memory nor outlasts its bound.
        const int result = openSsl().SSL_write(m_session, buffer, clampLength(std::min(length, kChunk)));
        const int flushed = flushOutput(deadline);
        if (flushed < 0)
            return flushed;
        if (result > 0)
            return result;
        if (openSsl().SSL_get_error(m_session, result) != SSL_ERROR_WANT_READ)
            return -kConnectionReset;
        const int received = transportEndOrFill(deadline);
        if (received == kWaitTimedOut)
            return -kTimedOut;
        if (received <= 0)
            return received == 0 ? -kSendAfterClose : received;
    }
}

void TlsTransport::close()
{
    if (m_session && connected() && openSsl().SSL_is_init_finished(m_session)) {
        keepSessionForResumption();
        openSsl().SSL_shutdown(m_session); // close notify; the peer's answer is not awaited
        flushOutput(Deadline::in(0)); // nor room for it: a peer that stopped reading cannot hold the close
    }
    freeSession();
    SocketTransport::close();
}

void TlsTransport::keepSessionForResumption()
{
    SSL_SESSION *session = openSsl().SSL_get1_session(m_session);
    if (!session)
        return;
    if (!openSsl().SSL_SESSION_is_resumable(session)) {
        openSsl().SSL_SESSION_free(session);
        return;
    }
    openSsl().SSL_SESSION_free(m_resumable);
    m_resumable = session;
    m_resumableTarget = m_sessionTarget;
}

void TlsTransport::freeSession()
{
    if (m_session) {
        openSsl().SSL_free(m_session); // frees the attached buffers too
    } else if (m_netIn || m_netOut) {
        openSsl().BIO_free(m_netIn);
        openSsl().BIO_free(m_netOut);
    }
    m_session = nullptr;
    m_netIn = m_netOut = nullptr;
    m_sessionTarget.clear();
    m_transportEnded = false;
    m_transportEndResult = 0;
}

int TlsTransport::flushOutput(const Deadline &deadline)
{
    char chunk[kChunk];
    while (openSsl().BIO_ctrl_pending(m_netOut) > 0) {
        const int count = openSsl().BIO_read(m_netOut, chunk, sizeof chunk);
        if (count <= 0)
            break;
        for (int sent = 0; sent < count;) {
            const int result = SocketTransport::send(chunk + sent, static_cast<std::size_t>(count - sent),
                                                         deadline.leftMs());
            if (result <= 0)
                return result < 0 ? result : -kSendAfterClose;
            sent += result;
        }
    }
    return 0;
}

int TlsTransport::fillInput(const Deadline &deadline)
{
    char chunk[kChunk];
    int count;
    do {
        if (NetworkWait::wait(handle(), POLLIN, deadline.leftMs()) == 0 && deadline.leftMs() == 0)
            return kWaitTimedOut;
        count = binding()->recv(chunk, sizeof chunk);
    } while (count == -kWouldBlock);
    if (count > 0) {
        openSsl().BIO_write(m_netIn, chunk, count);
        return count;
    }
    m_transportEnded = true;
    m_transportEndResult = count;
    return count;
}

int TlsTransport::transportEndOrFill(const Deadline &deadline)
{
    return m_transportEnded ? m_transportEndResult : fillInput(deadline);
}

} // namespace kestrune::net
