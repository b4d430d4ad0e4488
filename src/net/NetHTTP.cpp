#include "NetHTTP.h"

#include "NetBase64.h"
#include "NetExceptions.h"
#include "NetFlagScope.h"
#include "NetMessages.h"
#include "NetSSLIOHandlerSocket.h"
#include "NetStrings.h"

#include <algorithm>
#include <ctime>

namespace {
const char* MethodName(TNetHTTPMethod method) {
    static const char* names[] = {"HEAD", "GET", "POST", "OPTIONS", "TRACE", "PUT", "DELETE", "CONNECT"};
    return names[method];
}

// Value of a chunk-size field; 0 when it is not a hexadecimal number. Raises when it exceeds limit.
std::size_t ParseChunkSize(const std::string& line, std::size_t limit) {
    const std::string field = line.substr(0, line.find(' '));
    if (field.empty())
        return 0;
    std::size_t value = 0;
    for (char c : field) {
        const int digit = NetStr::HexDigitValue(c);
        if (digit < 0)
            return 0;
        if (value > (limit - static_cast<std::size_t>(digit)) / 16)
            throw ENetException(NetMsg::ChunkSizeInvalid);
        value = value * 16 + static_cast<std::size_t>(digit);
    }
    return value;
}
} // namespace

void TNetHTTPResponse::Clear() {
    *this = TNetHTTPResponse();
}

TNetHTTP::TNetHTTP() {
    Port = 80;
    ReadTimeout = NetDefaultReadTimeoutMs;
    OperationTimeout = NetDefaultOperationTimeoutMs;
}

void TNetHTTP::SetCredentials(const std::string& username, const std::string& password) {
    Request.Username = username;
    Request.Password = password;
    fCredUsername = username;
    fCredPassword = password;
    fCredOrigin.clear();
}

bool TNetHTTP::CredentialsBelongHere() {
    const std::string origin = NetStr::Upper(URL.Host) + ":" + URL.Port;
    if (Request.Username != fCredUsername || Request.Password != fCredPassword || fCredOrigin.empty()) {
        fCredUsername = Request.Username;
        fCredPassword = Request.Password;
        fCredOrigin = origin;
    }
    return fCredOrigin == origin;
}

TNetHTTP::~TNetHTTP() {
    // The TLS transport goes before the connection under it is taken down.
    if (fTLS && IOHandler() == fTLS.get()) {
        fTLS->Close();
        SetIOHandler(nullptr);
    }
}

std::string TNetHTTP::FetchPage(const std::string& url) {
    std::string body;
    Get(url, body);
    return body;
}

void TNetHTTP::Get(const std::string& url, std::string& body) {
    if (fFetching || WaitingInHook() || IsBusy())
        throw ENetClientBusy(NetMsg::ClientBusy);
    TFlagScope scope(fFetching);
    TOperationLimit limit(*this);
    DoGet(url, body);
}

void TNetHTTP::DoGet(const std::string& url, std::string& body) {
    PrepareRequest(url);
    try {
        ConnectToHost();
        Response.Clear();
        WriteRequest();
        ReadResponseHeaders();
        const int code = Response.ResponseCode;
        const bool redirect = (code / 100 == 3 && code != 304) || !Response.Location.empty();
        if (redirect || code / 100 != 2)
            RaiseProtocolException();
        if (code != 204) {
            if (!(IOHandler() && IOHandler()->Connected() && !ClosedGracefully()))
                throw ENetException(NetMsg::UndefinedSituation);
            ReadBody(body);
        }
        Response.KeepAlive = ResponseIsKeepAlive() && ResponseEndIsKnown();
    } catch (const ENetHTTPProtocolException&) {
        CloseUnlessKeepAlive();
        throw;
    } catch (...) {
        // The connection may stand in the middle of a response; never reuse it.
        Response.KeepAlive = false;
        CloseUnlessKeepAlive();
        throw;
    }
    CloseUnlessKeepAlive();
}

void TNetHTTP::PrepareRequest(const std::string& url) {
    if (NetStr::HasLineBreakOrNul(url))
        throw ENetException(NetMsg::ControlCharInRequest);
    TNetURI target(url);
    const bool credentialsInURL = !target.Username.empty();
    if (credentialsInURL) {
        Request.Username = target.Username;
        Request.Password = target.Password;
    }
    if (NetStr::HasLineBreakOrNul(Request.Username) || NetStr::HasLineBreakOrNul(Request.Password))
        throw ENetException(NetMsg::ControlCharInRequest);

    if (!target.Path.empty() && target.Path.front() == '/')
        URL.Path = target.Path;
    else
        URL.Path = TNetURI::ResolvePath(URL.Path, target.Path);
    URL.Document = target.Document;
    URL.Params = target.Params;
    URL.Bookmark = target.Bookmark;
    if (!target.Host.empty())
        URL.Host = target.Host;
    URL.Protocol = target.Protocol.empty() ? std::string("http") : target.Protocol;

    if (!target.Port.empty()) {
        URL.Port = target.Port;
    } else {
        // A URL naming a host without a port means that scheme's default port, not the port of the
        // previous target.
        const long long kept = NetStr::ToInt64Def(URL.Port, 0);
        if (!target.Host.empty() || kept == 0 || kept == 80 || kept == 443) {
            if (NetStr::EqualsNoCase(URL.Protocol, "http"))
                URL.Port = std::to_string(DefaultPort);
            else if (NetStr::EqualsNoCase(URL.Protocol, "https"))
                URL.Port = "443";
            else
                throw ENetUnknownProtocol("");
        }
    }

    Request.URL = URL.Path + URL.Document + URL.Params;
    Request.Method = hmGet;
    const bool needs11 = Request.Method == hmOptions || Request.Method == hmTrace || Request.Method == hmPut ||
                         Request.Method == hmDelete;
    if (needs11 && ProtocolVersion == pv1_0)
        throw ENetException(NetMsg::RequestMethodNeedsHTTP11);
    if (Request.Method != hmPost && Request.Method != hmPut)
        Request.ContentLength = -1;
    const bool https = NetStr::EqualsNoCase(URL.Protocol, "https");
    const bool defaultPort = https ? URL.Port == "443" : URL.Port == "80";
    Request.Host = URL.Host + (defaultPort ? std::string() : ":" + URL.Port);
    if (credentialsInURL)
        fCredOrigin.clear();
    // Empty credentials give nothing away; they are sent as before.
    fSendCredentials = CredentialsBelongHere() || (Request.Username.empty() && Request.Password.empty());
}

void TNetHTTP::ConnectToHost() {
    const long long port = NetStr::ToInt64Def(URL.Port, -1);
    if (port < 0 || port > 65535)
        throw ENetSocketError(10049);
    if (!NetStr::EqualsNoCase(URL.Host, Host) || static_cast<uint16_t>(port) != Port) {
        if (IOHandler() && IOHandler()->Connected())
            CloseConnection();
        Host = URL.Host;
        Port = static_cast<uint16_t>(port);
    }
    ChooseTransport(NetStr::EqualsNoCase(URL.Protocol, "https"));
    if (ProtocolVersion == pv1_0 && Request.Connection.empty())
        Request.Connection = "keep-alive";
    if (!Response.KeepAlive && IOHandler() && IOHandler()->Connected())
        CloseConnection();
    // A zero-length probe: a server that closed the kept connection is noticed before we write to it.
    if (IOHandler() && IOHandler()->Connected())
        CheckForGracefulDisconnect(false);
    if (!(IOHandler() && IOHandler()->Connected()))
        OpenConnection(ReadTimeout);
}

void TNetHTTP::ChooseTransport(bool https) {
    if (!https) {
        if (fTLS && IOHandler() == fTLS.get()) {
            if (IOHandler()->Connected())
                CloseConnection();
            SetIOHandler(nullptr);
        }
        return;
    }
    if (!fTLS) {
        fTLS = std::make_unique<TNetSSLIOHandlerSocket>();
        // The handshake's last flight and the request go out as separate writes: Nagle would hold the request
        // for the server's delayed acknowledgement (tens of milliseconds).
        fTLS->UseNagle = false;
    }
    TNetSSLOptions options;
    options.VerifyMode = AcceptAnyCertificate ? 0 : sslvrfPeer;
    // A connection made under other rules (plain, or with another certificate check) is not reused.
    if (IOHandler() != fTLS.get() || !(fTLS->SSLOptions == options)) {
        if (IOHandler() && IOHandler()->Connected())
            CloseConnection();
        fTLS->SSLOptions = options;
        SetIOHandler(fTLS.get());
    }
}

void TNetHTTP::WriteRequest() {
    TNetHeaderList& h = Request.RawHeaders;
    h.Clear();
    auto add = [&h](const char* name, const std::string& value) {
        if (!value.empty())
            h.Add(name, value);
    };
    add("Connection", Request.Connection);
    add("Content-Version", Request.ContentVersion);
    add("Content-Encoding", Request.ContentEncoding);
    add("Content-Language", Request.ContentLanguage);
    add("Content-Type", Request.ContentType);
    if (Request.ContentLength >= 0)
        h.Add("Content-Length", std::to_string(Request.ContentLength));
    add("Cache-control", Request.CacheControl);
    add("Date", Request.Date);
    add("Expires", Request.Expires);
    add("Pragma", Request.Pragma);
    for (const auto& line : Request.CustomHeaders.Lines())
        h.AddLine(line);
    add("Proxy-Connection", Request.ProxyConnection);
    add("Host", Request.Host);
    add("Accept", Request.Accept);
    add("Accept-Charset", Request.AcceptCharset);
    add("Accept-Encoding", Request.AcceptEncoding);
    add("Accept-Language", Request.AcceptLanguage);
    add("From", Request.From);
    add("Referer", Request.Referer);
    add("User-Agent", Request.UserAgent);
    add("If-Modified-Since", Request.IfModifiedSince);
    add("Range", Request.Range);
    if (Request.BasicAuthentication && fSendCredentials)
        h.Add("Authorization", "Basic " + NetEncodeBase64(Request.Username + ":" + Request.Password));
    if (fCookieManager) {
        fCookieManager->RemoveExpired(std::time(nullptr));
        add("Cookie", fCookieManager->CookieHeader(URL.Host, URL.Path + URL.Document));
    }

    std::string head;
    head.reserve(512);
    head.append(MethodName(Request.Method)).append(" ").append(Request.URL);
    head.append(ProtocolVersion == pv1_0 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
    for (const auto& line : h.Lines())
        head.append(line).append("\r\n");
    head.append("\r\n");
    WriteBytes(head);
}

void TNetHTTP::ReadStatusAndHeaderLines() {
    std::size_t headerBytes = 0;
    do {
        Response.RawHeaders.Clear();
        Response.ResponseText = ReadLine();
        // Interim responses count towards the bound too, or endless "100 Continue" blocks never end.
        headerBytes += Response.ResponseText.size() + 2;
        if (headerBytes > MaxHeaderBlockSize)
            throw ENetException(NetMsg::HeaderBlockTooLarge);
        const std::string& status = Response.ResponseText;
        const auto firstBlank = status.find(' ');
        std::string word;
        if (firstBlank != std::string::npos) {
            const auto start = status.find_first_not_of(' ', firstBlank);
            if (start != std::string::npos)
                word = status.substr(start, status.find(' ', start) - start);
        }
        Response.ResponseCode = static_cast<int>(NetStr::ToInt64Def(word, -1));
        if (Response.ResponseCode < -1 || Response.ResponseCode > 999999)
            Response.ResponseCode = -1;
        Response.ResponseVersion =
            status.size() >= 8 && NetStr::EqualsNoCase(std::string_view(status).substr(5, 3), "1.0") ? pv1_0 : pv1_1;
        try {
            for (;;) {
                std::string line = ReadLine();
                if (ReadLnTimedOut()) {
                    CloseConnection();  // closed in the middle of a header line
                    break;
                }
                headerBytes += line.size() + 2;
                if (line.empty())
                    break;
                if (headerBytes > MaxHeaderBlockSize)
                    throw ENetException(NetMsg::HeaderBlockTooLarge);
                Response.RawHeaders.AddLine(std::move(line));
            }
        } catch (const ENetConnClosedGracefully&) {
            CloseConnection();
        }
    } while (Response.ResponseCode == 100 && IOHandler() && IOHandler()->Connected());
}

void TNetHTTP::ReadResponseHeaders() {
    ReadStatusAndHeaderLines();
    TakeResponseFields();
    StoreCookies();
}

void TNetHTTP::TakeResponseFields() {
    const TNetHeaderList& h = Response.RawHeaders;
    Response.Location = h.Value("Location");
    Response.Server = h.Value("Server");
    Response.ProxyConnection = h.Value("Proxy-Connection");
    Response.ContentRange = h.Value("Content-Range");
    Response.WWWAuthenticate = h.Values("WWW-Authenticate");
    Response.ProxyAuthenticate = h.Values("Proxy-Authenticate");
    Response.Connection = h.Value("Connection");
    Response.ContentVersion = h.Value("Content-Version");
    Response.ContentEncoding = h.Value("Content-Encoding");
    Response.ContentLanguage = h.Value("Content-Language");
    Response.ContentType = h.Value("Content-Type");
    Response.HasContentLength = h.HasName("Content-Length");
    Response.ContentLength = Response.HasContentLength ? NetStr::ToInt64Def(h.Value("Content-Length"), -1) : -1;
    Response.Date = h.Value("Date");
    Response.LastModified = h.Value("Last-Modified");
    Response.Expires = h.Value("Expires");
    Response.Pragma = h.Value("Pragma");
    Response.KeepAlive = ResponseIsKeepAlive();
}

void TNetHTTP::StoreCookies() {
    if (!AllowCookies)
        return;
    if (!fCookieManager)
        fCookieManager = std::make_unique<TNetCookieManager>();
    const std::string path = URL.Path + URL.Document;
    for (const auto& value : Response.RawHeaders.Values("Set-cookie"))
        fCookieManager->AddCookie(value, URL.Host, path);
    for (const auto& value : Response.RawHeaders.Values("Set-cookie2"))
        fCookieManager->AddCookie2(value, URL.Host, path);
}

void TNetHTTP::ReadBody(std::string& sink) {
    const std::size_t limit = MaxBodySize;
    if (Response.HasContentLength && Response.ContentLength > 0) {
        if (static_cast<uint64_t>(Response.ContentLength) > limit - std::min(limit, sink.size()))
            throw ENetException(NetMsg::BodyTooLarge);
        std::size_t remaining = static_cast<std::size_t>(Response.ContentLength);
        for (;;) {
            const std::size_t n = std::min(remaining, InputBufferSize());
            MoveInputTo(sink, n, limit);
            remaining -= n;
            if (remaining == 0)
                return;
            try {
                ReadFromStack();
            } catch (const ENetConnClosedGracefully&) {
                return;  // the server closed early: the body ends with what arrived
            }
        }
    }
    if (Response.RawHeaders.Value("Transfer-Encoding").find("chunked") != std::string::npos) {
        ReadChunkedBody(sink);
        return;
    }
    if (!Response.HasContentLength)
        ReadToStreamLimited(sink, -1, limit, NetMsg::BodyTooLarge);
}

void TNetHTTP::ReadChunkedBody(std::string& sink) {
    std::size_t total = 0;
    for (;;) {
        const std::size_t size = ParseChunkSize(ReadLine(), MaxBodySize);
        if (size == 0)
            break;
        if (size > MaxBodySize - total)
            throw ENetException(NetMsg::BodyTooLarge);
        total += size;
        std::size_t remaining = size;
        for (;;) {
            const std::size_t n = std::min(remaining, InputBufferSize());
            MoveInputTo(sink, n, MaxBodySize);
            remaining -= n;
            if (remaining == 0)
                break;
            ReadFromStack();
        }
        ReadLine();
    }
    try {
        ReadLine();
    } catch (const ENetConnClosedGracefully&) {
        // The body is complete; a server that omits the final line end loses nothing.
    }
}

void TNetHTTP::RaiseProtocolException() {
    const int savedTimeout = ReadTimeout;
    ReadTimeout = 2000;
    std::string errorBody;
    try {
        if (Response.ResponseCode != 204 && Response.ResponseCode != 304)
            ReadBody(errorBody);
    } catch (const ENetException&) {
        Response.KeepAlive = false;  // the rest of the error page is still on the wire
    }
    ReadTimeout = savedTimeout;
    if (Response.KeepAlive)
        Response.KeepAlive = ResponseIsKeepAlive() && ResponseEndIsKnown();
    throw ENetHTTPProtocolException(Response.ResponseCode, Response.ResponseText, errorBody);
}

bool TNetHTTP::ResponseIsKeepAlive() {
    if (!(IOHandler() && IOHandler()->Connected() && !ClosedGracefully()))
        return false;
    const std::string connection = NetStr::Upper(NetStr::Trim(Response.Connection));
    const std::string proxy = NetStr::Upper(NetStr::Trim(Response.ProxyConnection));
    if (ProtocolVersion == pv1_1)
        return connection != "CLOSE" && proxy != "CLOSE";
    return connection == "KEEP-ALIVE" || proxy == "KEEP-ALIVE";
}

bool TNetHTTP::ResponseEndIsKnown() const {
    // A "Content-Length" that is no length leaves the body's end open: whatever the server sent after the
    // head would be read as the next response.
    const bool chunked = Response.RawHeaders.Value("Transfer-Encoding").find("chunked") != std::string::npos;
    return !(Response.HasContentLength && Response.ContentLength < 0 && !chunked);
}

void TNetHTTP::CloseUnlessKeepAlive() {
    if (!Response.KeepAlive && IOHandler() && IOHandler()->Connected())
        CloseConnection();
}
