#pragma once

#include "ExternalServices.h"

#include <span>
#include <string>
#include <string_view>

class TNetHTTP;

// The controls one lookup reads.
struct TLookupFields {
    bool External = false;      // rbExternal checked; otherwise (neither checked included) the user-defined page
    std::string ServiceURL;     // text of cboxDNS
    std::string URL;            // edURL, without "http://"; an "https://" page keeps its scheme
    std::string Keyword;        // edKeyword
    std::string CharToSkip;     // edChartoSkip
    bool WebAuth = false;       // cbWebAuth
    std::string Username;       // edWebUsername
    std::string Password;       // edWebPassword
    bool AcceptAnyCertificate = false;  // the user-defined "https://" page's "Accept any certificate"
};

enum class ELookupFailure {
    None,
    Socket,          // resolve, connect, send or receive failed ("Socket Error # ...")
    ConnectTimeout,  // "Connect timed out."
    HTTPStatus,      // a status outside 2xx; the message is the status line
    Busy,            // the HTTP client was already fetching (re-entry); nothing was sent
    Network,         // any other error of the network layer
    Unexpected,      // an error from outside the network layer
};

struct TLookupResult {
    ELookupFailure Failure = ELookupFailure::None;
    std::string Address;       // without failure: a valid address or the placeholder
    std::string ErrorMessage;  // with failure: the exception's message exactly
    int StatusCode = 0;        // with HTTPStatus: the server's status code
    bool Requested = false;    // a fetch was attempted

    bool Failed() const { return Failure != ELookupFailure::None; }
};

// What a user-defined lookup fetches: an "https://" field as written, any other with "http://" in front.
std::string UserDefinedPageURL(std::string_view url);

// One lookup as the main window runs it, without touching any control: sets the client's credentials for a
// user-defined page with WebAuth (and clears them otherwise), fetches, extracts, validates. Never throws.
// The client's own bounds apply (ReadTimeout, OperationTimeout). A service text that is none of the box's is
// fetched as written ("http://" in front when it names no scheme) and its first dotted quad taken; an empty
// one sends nothing and gives the placeholder. Certificates are checked except for a user-defined page whose
// AcceptAnyCertificate is set.
TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields);
// The same with other services in place of kExternalServices (a test's own pages); rules go by position.
TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields, std::span<const TExternalService> services);
