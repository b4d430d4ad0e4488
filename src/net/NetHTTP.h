#pragma once

#include "NetCookieManager.h"
#include "NetHeaderList.h"
#include "NetTCPConnection.h"
#include "NetURI.h"

#include <cstdint>
#include <memory>
#include <string>

class TNetSSLIOHandlerSocket;

enum TNetHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };
enum TNetHTTPProtocolVersion { pv1_0, pv1_1 };

struct TNetHTTPRequest {
    TNetHTTPMethod Method = hmGet;
    std::string URL;  // the text after the method in the request line
    std::string Host;
    std::string Accept = "text/html, */*";
    std::string AcceptCharset, AcceptEncoding, AcceptLanguage;
    std::string UserAgent = "Mozilla/3.0 (compatible; Kestrune)";
    std::string ContentType = "text/html";
    std::string ContentEncoding, ContentLanguage, ContentVersion;
    int64_t ContentLength = -1;
    std::string CacheControl, Date, Expires, Pragma;
    std::string Connection, ProxyConnection;
    std::string From, Referer, IfModifiedSince, Range;
    std::string Username, Password;
    bool BasicAuthentication = true;
    TNetHeaderList CustomHeaders{1024};
    TNetHeaderList RawHeaders{1024};  // built from the fields above before each request
};

struct TNetHTTPResponse {
    std::string ResponseText;  // the status line without its line end
    int ResponseCode = -1;
    TNetHTTPProtocolVersion ResponseVersion = pv1_1;
    TNetHeaderList RawHeaders{1024};
    std::string Location, Server, Connection, ProxyConnection, ContentRange;
    int64_t ContentLength = -1;
    bool HasContentLength = false;
    std::string ContentType, ContentEncoding, ContentLanguage, ContentVersion;
    std::string Date, LastModified, Expires, Pragma;
    std::vector<std::string> WWWAuthenticate, ProxyAuthenticate;
    bool KeepAlive = false;

    void Clear();
};

// A blocking HTTP/1.1 GET client over one kept-alive connection, plain or TLS ("https://"). It follows no
// redirects and answers no authentication challenge: any status outside 2xx raises ENetHTTPProtocolException.
// Reads and each fetch as a whole are bounded (ReadTimeout, OperationTimeout; 60 s and 120 s at first); the
// TLS handshake counts towards the connect.
class TNetHTTP : public TNetTCPClient {
public:
    TNetHTTP();
    ~TNetHTTP() override;

    // One GET; returns the body bytes unchanged.
    std::string FetchPage(const std::string& url);
    // The same, writing the body into body as it arrives, so a failed fetch leaves the part received.
    void Get(const std::string& url, std::string& body);

    TNetHTTPRequest Request;
    TNetHTTPResponse Response;
    TNetURI URL;  // kept between fetches

    TNetHTTPProtocolVersion ProtocolVersion = pv1_1;
    bool HandleRedirects = false;
    int RedirectMaximum = 15;
    int AuthRetries = 3;
    bool AllowCookies = true;
    int DefaultPort = 80;
    // HTTPS: the server's certificate must be valid for the host by the system store (OpenSSL's default
    // paths, read once per client) unless this is set; a refusal raises ENetOSSLCertificateError naming why.
    bool AcceptAnyCertificate = false;

    // Bounds on what a server may make us hold.
    std::size_t MaxBodySize = 32u * 1024 * 1024;
    std::size_t MaxHeaderBlockSize = 1024u * 1024;

    TNetCookieManager* CookieManager() const { return fCookieManager.get(); }

    // Sets Request.Username and Password for the host and port of the next request. Credentials belong to
    // the host and port they were first sent to (or, in a URL, named with): a request to any other carries
    // no Authorization header until they are set again.
    void SetCredentials(const std::string& username, const std::string& password);

private:
    void DoGet(const std::string& url, std::string& body);
    void PrepareRequest(const std::string& url);
    void ConnectToHost();
    void ChooseTransport(bool https);
    void WriteRequest();
    void ReadResponseHeaders();
    void ReadStatusAndHeaderLines();
    void TakeResponseFields();
    void StoreCookies();
    void ReadBody(std::string& sink);
    void ReadChunkedBody(std::string& sink);
    [[noreturn]] void RaiseProtocolException();
    bool ResponseIsKeepAlive();
    bool ResponseEndIsKnown() const;
    void CloseUnlessKeepAlive();

    bool CredentialsBelongHere();

    std::unique_ptr<TNetCookieManager> fCookieManager;
    std::unique_ptr<TNetSSLIOHandlerSocket> fTLS;
    bool fFetching = false;
    // The credentials last bound and the "host:port" they belong to (empty: the next request's).
    std::string fCredUsername, fCredPassword, fCredOrigin;
    bool fSendCredentials = true;
};
