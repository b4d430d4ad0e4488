#include "HttpClient.h"

#include "Base64.h"
#include "NetworkErrors.h"
#include "FlagScope.h"
#include "NetworkTexts.h"
#include "TlsTransport.h"
#include "Ascii.h"

#include <algorithm>
#include <ctime>

namespace kestrune::net {

namespace {
const char* methodName(HttpMethod method) {
    static const char* names[] = {"HEAD", "GET", "POST", "OPTIONS", "TRACE", "PUT", "DELETE", "CONNECT", "PATCH"};
    return names[static_cast<int>(method)];
}

// Value of a chunk-size field; 0 when it is not a hexadecimal number. Raises when it exceeds limit.
std::size_t parseChunkSize(const std::string& line, std::size_t limit) {
    const std::string field = line.substr(0, line.find(' '));
    if (field.empty())
        return 0;
    std::size_t value = 0;
    for (char c : field) {
        const int digit = ascii::hexDigitValue(c);
        if (digit < 0)
            return 0;
        if (value > (limit - static_cast<std::size_t>(digit)) / 16)
            throw NetworkError(texts::kChunkSizeInvalid);
        value = value * 16 + static_cast<std::size_t>(digit);
    }
    return value;
}
} // namespace

void HttpResponse::clear() {
    *this = HttpResponse();
}

HttpClient::HttpClient() {
    port = 80;
    readTimeout = kNetDefaultReadTimeoutMs;
    operationTimeout = kNetDefaultOperationTimeoutMs;
}

void HttpClient::setCredentials(const std::string& username, const std::string& password) {
    request.username = username;
    request.password = password;
    m_credUsername = username;
    m_credPassword = password;
    m_credOrigin.clear();
}

bool HttpClient::credentialsBelongHere() {
    const std::string origin = ascii::upper(url.host) + ":" + url.port;
    if (request.username != m_credUsername || request.password != m_credPassword || m_credOrigin.empty()) {
        m_credUsername = request.username;
        m_credPassword = request.password;
        m_credOrigin = origin;
    }
    return m_credOrigin == origin;
}

HttpClient::~HttpClient() {
    // The TLS transport goes before the connection under it is taken down.
    if (m_tls && transport() == m_tls.get()) {
        m_tls->close();
        setTransport(nullptr);
    }
}

std::string HttpClient::fetchPage(const std::string& url) {
    std::string body;
    get(url, body);
    return body;
}

void HttpClient::get(const std::string& url, std::string& body) {
    if (m_fetching || waitingInHook() || isBusy())
        throw ClientBusyError(texts::kClientBusy);
    FlagScope scope(m_fetching);
    OperationLimit limit(*this);
    doRequest(HttpMethod::Get, url, nullptr, body);
}

std::string HttpClient::sendRequest(HttpMethod method, const std::string& url, const std::string& payload) {
    if (m_fetching || waitingInHook() || isBusy())
        throw ClientBusyError(texts::kClientBusy);
    FlagScope scope(m_fetching);
    OperationLimit limit(*this);
    std::string body;
    doRequest(method, url, &payload, body);
    return body;
}

void HttpClient::doRequest(HttpMethod method, const std::string& url, const std::string* payload, std::string& body) {
    prepareRequest(method, url, payload ? payload->size() : 0);
    try {
        connectToHost();
        response.clear();
        writeRequest(payload);
        readResponseHeaders();
        const int code = response.responseCode;
        const bool redirect = (code / 100 == 3 && code != 304) || !response.location.empty();
        if (redirect || code / 100 != 2)
            raiseProtocolException();
        if (code != 204) {
            if (!(transport() && transport()->connected() && !closedGracefully()))
                throw NetworkError(texts::kUndefinedSituation);
            readBody(body);
        }
        response.keepAlive = responseIsKeepAlive() && responseEndIsKnown();
    } catch (const HttpStatusError&) {
        closeUnlessKeepAlive();
        throw;
    } catch (...) {
        // The connection may stand in the middle of a response; never reuse it.
        response.keepAlive = false;
        closeUnlessKeepAlive();
        throw;
    }
    closeUnlessKeepAlive();
}

void HttpClient::prepareRequest(HttpMethod method, const std::string& url, std::size_t payloadSize) {
    if (ascii::hasLineBreakOrNul(url))
        throw NetworkError(texts::kControlCharInRequest);
    Uri target(url);
    const bool credentialsInURL = !target.username.empty();
    if (credentialsInURL) {
        request.username = target.username;
        request.password = target.password;
    }
    if (ascii::hasLineBreakOrNul(request.username) || ascii::hasLineBreakOrNul(request.password))
        throw NetworkError(texts::kControlCharInRequest);

    if (!target.path.empty() && target.path.front() == '/')
        this->url.path = target.path;
    else
        this->url.path = Uri::resolvePath(this->url.path, target.path);
    this->url.document = target.document;
    this->url.params = target.params;
    this->url.bookmark = target.bookmark;
    if (!target.host.empty())
        this->url.host = target.host;
    this->url.protocol = target.protocol.empty() ? std::string("http") : target.protocol;

    if (!target.port.empty()) {
        this->url.port = target.port;
    } else {
        // A URL naming a host without a port means that scheme's default port, not the port of the
        // previous target.
        const long long kept = ascii::toInt64Def(this->url.port, 0);
        if (!target.host.empty() || kept == 0 || kept == 80 || kept == 443) {
            if (ascii::equalsNoCase(this->url.protocol, "http"))
                this->url.port = std::to_string(this->defaultPort);
            else if (ascii::equalsNoCase(this->url.protocol, "https"))
                this->url.port = "443";
            else
                throw UnknownProtocolError("");
        }
    }

    request.url = this->url.path + this->url.document + this->url.params;
    request.method = method;
    const bool needs11 = request.method == HttpMethod::Options || request.method == HttpMethod::Trace || request.method == HttpMethod::Put ||
                         request.method == HttpMethod::Delete;
    if (needs11 && protocolVersion == HttpVersion::Http10)
        throw NetworkError(texts::kRequestMethodNeedsHttp11);
    const bool withBody = method == HttpMethod::Post || method == HttpMethod::Put || method == HttpMethod::Patch;
    request.contentLength = withBody ? static_cast<int64_t>(payloadSize) : -1;
    const bool https = ascii::equalsNoCase(this->url.protocol, "https");
    const bool defaultPort = https ? this->url.port == "443" : this->url.port == "80";
    const bool literal6 = this->url.host.find(':') != std::string::npos;
    request.host = (literal6 ? "[" + this->url.host + "]" : this->url.host) + (defaultPort ? std::string() : ":" + this->url.port);
    if (credentialsInURL)
        m_credOrigin.clear();
    // Empty credentials give nothing away; they are sent as before.
    m_sendCredentials = credentialsBelongHere() || (request.username.empty() && request.password.empty());
}

void HttpClient::connectToHost() {
    const long long port = ascii::toInt64Def(url.port, -1);
    if (port < 0 || port > 65535)
        throw SocketError(10049);
    const bool otherFamily = transport() && transport()->connected() && transport()->family() != family;
    if (!ascii::equalsNoCase(url.host, host) || static_cast<uint16_t>(port) != this->port || otherFamily) {
        if (transport() && transport()->connected())
            closeConnection();
        host = url.host;
        this->port = static_cast<uint16_t>(port);
    }
    chooseTransport(ascii::equalsNoCase(url.protocol, "https"));
    if (protocolVersion == HttpVersion::Http10 && request.connection.empty())
        request.connection = "keep-alive";
    if (!response.keepAlive && transport() && transport()->connected())
        closeConnection();
    // A zero-length probe: a server that closed the kept connection is noticed before we write to it.
    if (transport() && transport()->connected())
        checkForGracefulDisconnect(false);
    if (!(transport() && transport()->connected()))
        openConnection(readTimeout);
}

void HttpClient::chooseTransport(bool https) {
    if (!https) {
        if (m_tls && transport() == m_tls.get()) {
            if (transport()->connected())
                closeConnection();
            setTransport(nullptr);
        }
        return;
    }
    if (!m_tls) {
        m_tls = std::make_unique<TlsTransport>();
        // The handshake's last flight and the request go out as separate writes: Nagle would hold the request
        // for the server's delayed acknowledgement (tens of milliseconds).
        m_tls->useNagle = false;
    }
    TlsOptions options;
    options.verifyMode = acceptAnyCertificate ? 0 : kVerifyPeer;
    // A connection made under other rules (plain, or with another certificate check) is not reused.
    if (transport() != m_tls.get() || !(m_tls->tlsOptions == options)) {
        if (transport() && transport()->connected())
            closeConnection();
        m_tls->tlsOptions = options;
        setTransport(m_tls.get());
    }
}

void HttpClient::writeRequest(const std::string* payload) {
    HeaderList& h = request.rawHeaders;
    h.clear();
    auto add = [&h](const char* name, const std::string& value) {
        if (!value.empty())
            h.add(name, value);
    };
    add("Connection", request.connection);
    add("Content-Version", request.contentVersion);
    add("Content-Encoding", request.contentEncoding);
    add("Content-Language", request.contentLanguage);
    add("Content-Type", request.contentType);
    if (request.contentLength >= 0)
        h.add("Content-Length", std::to_string(request.contentLength));
    add("Cache-control", request.cacheControl);
    add("Date", request.date);
    add("Expires", request.expires);
    add("Pragma", request.pragma);
    for (const auto& line : request.customHeaders.lines())
        h.addLine(line);
    add("Proxy-Connection", request.proxyConnection);
    add("Host", request.host);
    add("Accept", request.accept);
    add("Accept-Charset", request.acceptCharset);
    add("Accept-Encoding", request.acceptEncoding);
    add("Accept-Language", request.acceptLanguage);
    add("From", request.from);
    add("Referer", request.referer);
    add("User-Agent", request.userAgent);
    add("If-Modified-Since", request.ifModifiedSince);
    add("Range", request.Range);
    if (request.basicAuthentication && m_sendCredentials)
        h.add("Authorization", "Basic " + encodeBase64(request.username + ":" + request.password));
    if (m_cookieManager) {
        m_cookieManager->removeExpired(std::time(nullptr));
        add("Cookie", m_cookieManager->cookieHeader(url.host, url.path + url.document));
    }

    std::string head;
    head.reserve(512);
    head.append(methodName(request.method)).append(" ").append(request.url);
    head.append(protocolVersion == HttpVersion::Http10 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
    for (const auto& line : h.lines())
        head.append(line).append("\r\n");
    head.append("\r\n");
    if (payload && request.contentLength >= 0)
        head.append(*payload);
    writeBytes(head);
}

void HttpClient::readStatusAndHeaderLines() {
    std::size_t headerBytes = 0;
    do {
        response.rawHeaders.clear();
        response.responseText = readLine();
        // Interim responses count towards the bound too, or endless "100 Continue" blocks never end.
        headerBytes += response.responseText.size() + 2;
        if (headerBytes > maxHeaderBlockSize)
            throw NetworkError(texts::kHeaderBlockTooLarge);
        const std::string& status = response.responseText;
        const auto firstBlank = status.find(' ');
        std::string word;
        if (firstBlank != std::string::npos) {
            const auto start = status.find_first_not_of(' ', firstBlank);
            if (start != std::string::npos)
                word = status.substr(start, status.find(' ', start) - start);
        }
        response.responseCode = static_cast<int>(ascii::toInt64Def(word, -1));
        if (response.responseCode < -1 || response.responseCode > 999999)
            response.responseCode = -1;
        response.responseVersion =
            status.size() >= 8 && ascii::equalsNoCase(std::string_view(status).substr(5, 3), "1.0") ? HttpVersion::Http10 : HttpVersion::Http11;
        try {
            for (;;) {
                std::string line = readLine();
                if (readLnTimedOut()) {
                    closeConnection();  // closed in the middle of a header line
                    break;
                }
                headerBytes += line.size() + 2;
                if (line.empty())
                    break;
                if (headerBytes > maxHeaderBlockSize)
                    throw NetworkError(texts::kHeaderBlockTooLarge);
                response.rawHeaders.addLine(std::move(line));
            }
        } catch (const ConnectionClosedError&) {
            closeConnection();
        }
    } while (response.responseCode == 100 && transport() && transport()->connected());
}

void HttpClient::readResponseHeaders() {
    readStatusAndHeaderLines();
    takeResponseFields();
    storeCookies();
}

void HttpClient::takeResponseFields() {
    const HeaderList& h = response.rawHeaders;
    response.location = h.value("Location");
    response.server = h.value("Server");
    response.proxyConnection = h.value("Proxy-Connection");
    response.contentRange = h.value("Content-Range");
    response.wwwAuthenticate = h.values("WWW-Authenticate");
    response.proxyAuthenticate = h.values("Proxy-Authenticate");
    response.connection = h.value("Connection");
    response.contentVersion = h.value("Content-Version");
    response.contentEncoding = h.value("Content-Encoding");
    response.contentLanguage = h.value("Content-Language");
    response.contentType = h.value("Content-Type");
    response.hasContentLength = h.hasName("Content-Length");
    response.contentLength = response.hasContentLength ? ascii::toInt64Def(h.value("Content-Length"), -1) : -1;
    response.date = h.value("Date");
    response.lastModified = h.value("Last-Modified");
    response.expires = h.value("Expires");
    response.pragma = h.value("Pragma");
    response.keepAlive = responseIsKeepAlive();
}

void HttpClient::storeCookies() {
    if (!allowCookies)
        return;
    if (!m_cookieManager)
        m_cookieManager = std::make_unique<CookieJar>();
    const std::string path = url.path + url.document;
    for (const auto& value : response.rawHeaders.values("Set-cookie"))
        m_cookieManager->addCookie(value, url.host, path);
    for (const auto& value : response.rawHeaders.values("Set-cookie2"))
        m_cookieManager->addCookie2(value, url.host, path);
}

void HttpClient::readBody(std::string& sink) {
    const std::size_t limit = maxBodySize;
    if (response.hasContentLength && response.contentLength > 0) {
        if (static_cast<uint64_t>(response.contentLength) > limit - std::min(limit, sink.size()))
            throw NetworkError(texts::kBodyTooLarge);
        std::size_t remaining = static_cast<std::size_t>(response.contentLength);
        for (;;) {
            const std::size_t n = std::min(remaining, inputBufferSize());
            moveInputTo(sink, n, limit);
            remaining -= n;
            if (remaining == 0)
                return;
            try {
                readFromStack();
            } catch (const ConnectionClosedError&) {
                return;  // the server closed early: the body ends with what arrived
            }
        }
    }
    if (response.rawHeaders.value("Transfer-Encoding").find("chunked") != std::string::npos) {
        readChunkedBody(sink);
        return;
    }
    if (!response.hasContentLength)
        readToStreamLimited(sink, -1, limit, texts::kBodyTooLarge);
}

void HttpClient::readChunkedBody(std::string& sink) {
    std::size_t total = 0;
    for (;;) {
        const std::size_t size = parseChunkSize(readLine(), maxBodySize);
        if (size == 0)
            break;
        if (size > maxBodySize - total)
            throw NetworkError(texts::kBodyTooLarge);
        total += size;
        std::size_t remaining = size;
        for (;;) {
            const std::size_t n = std::min(remaining, inputBufferSize());
            moveInputTo(sink, n, maxBodySize);
            remaining -= n;
            if (remaining == 0)
                break;
            readFromStack();
        }
        readLine();
    }
    try {
        readLine();
    } catch (const ConnectionClosedError&) {
        // The body is complete; a server that omits the final line end loses nothing.
    }
}

void HttpClient::raiseProtocolException() {
    const int savedTimeout = readTimeout;
    readTimeout = 2000;
    std::string errorBody;
    try {
        if (response.responseCode != 204 && response.responseCode != 304)
            readBody(errorBody);
    } catch (const NetworkError&) {
        response.keepAlive = false;  // the rest of the error page is still on the wire
    }
    readTimeout = savedTimeout;
    if (response.keepAlive)
        response.keepAlive = responseIsKeepAlive() && responseEndIsKnown();
    throw HttpStatusError(response.responseCode, response.responseText, errorBody);
}

bool HttpClient::responseIsKeepAlive() {
    if (!(transport() && transport()->connected() && !closedGracefully()))
        return false;
    const std::string connection = ascii::upper(ascii::trim(response.connection));
    const std::string proxy = ascii::upper(ascii::trim(response.proxyConnection));
    if (protocolVersion == HttpVersion::Http11)
        return connection != "CLOSE" && proxy != "CLOSE";
    return connection == "KEEP-ALIVE" || proxy == "KEEP-ALIVE";
}

bool HttpClient::responseEndIsKnown() const {
    // A "Content-Length" that is no length leaves the body's end open: whatever the server sent after the
    // head would be read as the next response.
    const bool chunked = response.rawHeaders.value("Transfer-Encoding").find("chunked") != std::string::npos;
    return !(response.hasContentLength && response.contentLength < 0 && !chunked);
}

void HttpClient::closeUnlessKeepAlive() {
    if (!response.keepAlive && transport() && transport()->connected())
        closeConnection();
}

} // namespace kestrune::net
