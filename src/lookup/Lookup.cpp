#include "Lookup.h"

#include "ExternalServices.h"
#include "IpExtraction.h"
#include "LookupRecord.h"

#include "NetworkErrors.h"
#include "HttpClient.h"

using namespace kestrune::net;

namespace kestrune::lookup {

namespace {

std::string collectByPosition(std::size_t index, std::string_view page)
{
    if (index == 0)
        return collectFirstService(page);
    if (index == 1)
        return collectSecondService(page);
    return collectFirstDottedQuad(page);
}

std::string fetchAndCollect(HttpClient& http, const LookupFields& fields,
                            std::span<const ExternalService> services, bool& requested)
{
    // The router's credentials are for the router's page only: every other lookup runs without any.
    if (!fields.external && fields.webAuth)
        http.setCredentials(fields.username, fields.password);
    else
        http.setCredentials({}, {});
    // Only the user's own router may be let off the certificate check.
    http.acceptAnyCertificate = !fields.external && fields.acceptAnyCertificate && isHttpsUrl(fields.url);
    if (fields.external) {
        for (std::size_t i = 0; i < services.size(); ++i) {
            if (fields.serviceUrl != services[i].url)
                continue;
            requested = true;
            return collectByPosition(i, http.fetchPage(std::string(services[i].url)));
        }
        const std::string_view typed = trimControlChars(fields.serviceUrl);
        if (typed.empty())
            return {};
        requested = true;
        const bool hasScheme = typed.find("://") != std::string_view::npos;
        return collectFirstDottedQuad(http.fetchPage(hasScheme ? std::string(typed) : "http://" + std::string(typed)));
    }
    requested = true;
    std::string page = http.fetchPage(userDefinedPageUrl(fields.url));
    return collectUserDefined(page, fields.keyword, fields.charToSkip);
}

LookupResult failure(LookupFailure kind, std::string message, bool requested)
{
    LookupResult result;
    result.failure = kind;
    result.errorMessage = std::move(message);
    result.requested = requested;
    return result;
}

} // namespace

std::string userDefinedPageUrl(std::string_view url)
{
    return isHttpsUrl(url) ? std::string(url) : "http://" + std::string(url);
}

LookupResult runLookup(HttpClient& http, const LookupFields& fields)
{
    return runLookup(http, fields, kExternalServices);
}

LookupResult runLookup(HttpClient& http, const LookupFields& fields, std::span<const ExternalService> services)
{
    bool requested = false;
    try {
        LookupResult result;
        result.address = addressOrPlaceholder(fetchAndCollect(http, fields, services, requested));
        result.requested = requested;
        return result;
    } catch (...) {
        return lookupFailure(std::current_exception(), requested);
    }
}

LookupResult lookupFailure(const std::exception_ptr& error, bool requested)
{
    try {
        std::rethrow_exception(error);
    } catch (const HttpStatusError& e) {
        LookupResult result = failure(LookupFailure::HttpStatus, e.what(), requested);
        result.statusCode = e.replyErrorCode;
        return result;
    } catch (const SocketError& e) {
        return failure(LookupFailure::Socket, e.what(), requested);
    } catch (const ConnectError& e) {
        return failure(LookupFailure::Socket, e.what(), requested);
    } catch (const ConnectTimeoutError& e) {
        return failure(LookupFailure::ConnectTimeout, e.what(), requested);
    } catch (const ClientBusyError& e) {
        return failure(LookupFailure::Busy, e.what(), requested);
    } catch (const NetworkError& e) {
        return failure(LookupFailure::Network, e.what(), requested);
    } catch (const std::exception& e) {
        return failure(LookupFailure::Unexpected, e.what(), requested);
    } catch (...) {
        return failure(LookupFailure::Unexpected, "Unknown error.", requested);
    }
}

} // namespace kestrune::lookup
