#pragma once

#include "CookieJar.h"
#include "HeaderList.h"
#include "TcpConnection.h"
#include "Uri.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrune::net {

class TlsTransport;

enum class HttpMethod { Head, Get, Post, Options, Trace, Put, Delete, Connect, Patch };
enum class HttpVersion { Http10, Http11 };

struct HttpRequest {
    HttpMethod method = HttpMethod::Get;
    std::string url;  // the text after the method in the request line
    std::string host;
    std::string accept = "text/html, */*";
    std::string acceptCharset, acceptEncoding, acceptLanguage;
    std::string userAgent = "Mozilla/3.0 (compatible; Kestrune)";
    std::string contentType = "text/html";
    std::string contentEncoding, contentLanguage, contentVersion;
    int64_t contentLength = -1;
    std::string cacheControl, date, expires, pragma;
    std::string connection, proxyConnection;
    std::string from, referer, ifModifiedSince, Range;
    std::string username, password;
    bool basicAuthentication = true;
    HeaderList customHeaders{1024};
    HeaderList rawHeaders{1024};  // built from the fields above before each request
};

struct HttpResponse {
    std::string responseText;  // the status line without its line end
    int responseCode = -1;
    HttpVersion responseVersion = HttpVersion::Http11;
    HeaderList rawHeaders{1024};
    std::string location, server, connection, proxyConnection, contentRange;
    int64_t contentLength = -1;
    bool hasContentLength = false;
    std::string contentType, contentEncoding, contentLanguage, contentVersion;
    std::string date, lastModified, expires, pragma;
    std::vector<std::string> wwwAuthenticate, proxyAuthenticate;
    bool keepAlive = false;

    void clear();
};

// A blocking HTTP/1.1 GET client over one kept-alive connection, plain or TLS ("https://"). It follows no
// redirects and answers no authentication challenge: any status outside 2xx raises HttpStatusError.
// Reads and each fetch as a whole are bounded (readTimeout, operationTimeout; 60 s and 120 s at first); the
// TLS handshake counts towards the connect.
class HttpClient : public TcpClient {
public:
    HttpClient();
    ~HttpClient() override;

    // One GET; returns the body bytes unchanged.
    std::string fetchPage(const std::string& url);
    // The same, writing the body into body as it arrives, so a failed fetch leaves the part received.
    void get(const std::string& url, std::string& body);
    // One request of any method; a POST, PUT or PATCH carries payload as its body (request.contentType says
    // what it is). Returns the body of a 2xx answer; other answers raise as a GET's do.
    std::string sendRequest(HttpMethod method, const std::string& url, const std::string& payload);

    HttpRequest request;
    HttpResponse response;
    Uri url;  // kept between fetches

    HttpVersion protocolVersion = HttpVersion::Http11;
    bool handleRedirects = false;
    int redirectMaximum = 15;
    int authRetries = 3;
    bool allowCookies = true;
    int defaultPort = 80;
    // HTTPS: the server's certificate must be valid for the host by the system store (OpenSSL's default
    // paths, read once per client) unless this is set; a refusal raises TlsCertificateError naming why.
    bool acceptAnyCertificate = false;

    // Bounds on what a server may make us hold.
    std::size_t maxBodySize = 32u * 1024 * 1024;
    std::size_t maxHeaderBlockSize = 1024u * 1024;

    CookieJar* cookieManager() const { return m_cookieManager.get(); }

    // Sets Request.Username and Password for the host and port of the next request. Credentials belong to
    // the host and port they were first sent to (or, in a URL, named with): a request to any other carries
    // no Authorization header until they are set again.
    void setCredentials(const std::string& username, const std::string& password);

private:
    void doRequest(HttpMethod method, const std::string& url, const std::string* payload, std::string& body);
    void prepareRequest(HttpMethod method, const std::string& url, std::size_t payloadSize);
    void connectToHost();
    void chooseTransport(bool https);
    void writeRequest(const std::string* payload);
    void readResponseHeaders();
    void readStatusAndHeaderLines();
    void takeResponseFields();
    void storeCookies();
    void readBody(std::string& sink);
    void readChunkedBody(std::string& sink);
    [[noreturn]] void raiseProtocolException();
    bool responseIsKeepAlive();
    bool responseEndIsKnown() const;
    void closeUnlessKeepAlive();

    bool credentialsBelongHere();

    std::unique_ptr<CookieJar> m_cookieManager;
    std::unique_ptr<TlsTransport> m_tls;
    bool m_fetching = false;
    // The credentials last bound and the "host:port" they belong to (empty: the next request's).
    std::string m_credUsername, m_credPassword, m_credOrigin;
    bool m_sendCredentials = true;
};

} // namespace kestrune::net
