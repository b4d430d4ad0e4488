#pragma once

#include "ExternalServices.h"

#include <span>
#include <string>

class TNetHTTP;

// The controls one lookup reads.
struct TLookupFields {
    bool External = false;      // rbExternal checked; otherwise (neither checked included) the user-defined page
    std::string ServiceURL;     // text of cboxDNS
    std::string URL;            // edURL, without "http://"
    std::string Keyword;        // edKeyword
    std::string CharToSkip;     // edChartoSkip
    bool WebAuth = false;       // cbWebAuth
    std::string Username;       // edWebUsername
    std::string Password;       // edWebPassword
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

// One lookup as the main window runs it, without touching any control: sets the client's credentials for a
// user-defined page with WebAuth (and clears them otherwise), fetches, extracts, validates. Never throws.
// The client's own bounds apply (ReadTimeout, OperationTimeout).
TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields);
// The same with another pair of services in place of kExternalServices (a test's own pages).
TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields, std::span<const TExternalService, 2> services);
