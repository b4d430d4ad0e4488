#pragma once

#include "ExternalServices.h"

#include <exception>
#include <span>
#include <string>
#include <string_view>

namespace kestrune::net { class HttpClient; }

namespace kestrune::lookup {

// The controls one lookup reads.
struct LookupFields {
    bool external = false;      // rbExternal checked; otherwise (neither checked included) the user-defined page
    std::string serviceUrl;     // text of cboxDNS
    std::string url;            // edURL, without "http://"; an "https://" page keeps its scheme
    std::string keyword;        // edKeyword
    std::string charToSkip;     // edChartoSkip
    bool webAuth = false;       // cbWebAuth
    std::string username;       // edWebUsername
    std::string password;       // edWebPassword
    bool acceptAnyCertificate = false;  // the user-defined "https://" page's "Accept any certificate"
};

enum class LookupFailure {
    None,
    Socket,          // resolve, connect, send or receive failed ("Socket Error # ...")
    ConnectTimeout,  // "Connect timed out."
    HttpStatus,      // a status outside 2xx; the message is the status line
    Busy,            // the HTTP client was already fetching (re-entry); nothing was sent
    Network,         // any other error of the network layer
    Unexpected,      // an error from outside the network layer
};

struct LookupResult {
    LookupFailure failure = LookupFailure::None;
    std::string address;       // without failure: a valid address or the placeholder
    std::string errorMessage;  // with failure: the exception's message exactly
    int statusCode = 0;        // with HTTPStatus: the server's status code
    bool requested = false;    // a fetch was attempted

    bool failed() const { return failure != LookupFailure::None; }
};

// What a user-defined lookup fetches: an "https://" field as written, any other with "http://" in front.
std::string userDefinedPageUrl(std::string_view url);

// One lookup as the main window runs it, without touching any control: sets the client's credentials for a
// user-defined page with webAuth (and clears them otherwise), fetches, extracts, validates. Never throws.
// The client's own bounds apply (readTimeout, operationTimeout). A service text that is none of the box's is
// fetched as written ("http://" in front when it names no scheme) and its first dotted quad taken; an empty
// one sends nothing and gives the placeholder. Certificates are checked except for a user-defined page whose
// acceptAnyCertificate is set.
LookupResult runLookup(net::HttpClient& http, const LookupFields& fields);
// The same with other services in place of kExternalServices (a test's own pages); rules go by position.
LookupResult runLookup(net::HttpClient& http, const LookupFields& fields, std::span<const ExternalService> services);

// The result for an error a lookup raised, classified as runLookup classifies them.
LookupResult lookupFailure(const std::exception_ptr& error, bool requested);

} // namespace kestrune::lookup
