#include "Lookup.h"

#include "ExternalServices.h"
#include "IPExtraction.h"
#include "LookupRecord.h"

#include "NetExceptions.h"
#include "NetHTTP.h"

namespace {

std::string CollectByPosition(std::size_t index, std::string_view page)
{
    if (index == 0)
        return CollectFirstService(page);
    if (index == 1)
        return CollectSecondService(page);
    return CollectFirstDottedQuad(page);
}

std::string FetchAndCollect(TNetHTTP& http, const TLookupFields& fields,
                            std::span<const TExternalService> services, bool& requested)
{
    // The router's credentials are for the router's page only: every other lookup runs without any.
    if (!fields.External && fields.WebAuth)
        http.SetCredentials(fields.Username, fields.Password);
    else
        http.SetCredentials({}, {});
    // Only the user's own router may be let off the certificate check.
    http.AcceptAnyCertificate = !fields.External && fields.AcceptAnyCertificate && IsHttpsURL(fields.URL);
    if (fields.External) {
        for (std::size_t i = 0; i < services.size(); ++i) {
            if (fields.ServiceURL != services[i].URL)
                continue;
            requested = true;
            return CollectByPosition(i, http.FetchPage(std::string(services[i].URL)));
        }
        const std::string_view typed = TrimControlChars(fields.ServiceURL);
        if (typed.empty())
            return {};
        requested = true;
        const bool hasScheme = typed.find("://") != std::string_view::npos;
        return CollectFirstDottedQuad(http.FetchPage(hasScheme ? std::string(typed) : "http://" + std::string(typed)));
    }
    requested = true;
    std::string page = http.FetchPage(UserDefinedPageURL(fields.URL));
    return CollectUserDefined(page, fields.Keyword, fields.CharToSkip);
}

TLookupResult Failure(ELookupFailure kind, std::string message, bool requested)
{
    TLookupResult result;
    result.Failure = kind;
    result.ErrorMessage = std::move(message);
    result.Requested = requested;
    return result;
}

} // namespace

std::string UserDefinedPageURL(std::string_view url)
{
    return IsHttpsURL(url) ? std::string(url) : "http://" + std::string(url);
}

TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields)
{
    return RunLookup(http, fields, kExternalServices);
}

TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields, std::span<const TExternalService> services)
{
    bool requested = false;
    try {
        TLookupResult result;
        result.Address = AddressOrPlaceholder(FetchAndCollect(http, fields, services, requested));
        result.Requested = requested;
        return result;
    } catch (const ENetHTTPProtocolException& e) {
        TLookupResult result = Failure(ELookupFailure::HTTPStatus, e.what(), requested);
        result.StatusCode = e.ReplyErrorCode;
        return result;
    } catch (const ENetSocketError& e) {
        return Failure(ELookupFailure::Socket, e.what(), requested);
    } catch (const ENetConnectException& e) {
        return Failure(ELookupFailure::Socket, e.what(), requested);
    } catch (const ENetConnectTimeout& e) {
        return Failure(ELookupFailure::ConnectTimeout, e.what(), requested);
    } catch (const ENetClientBusy& e) {
        return Failure(ELookupFailure::Busy, e.what(), requested);
    } catch (const ENetException& e) {
        return Failure(ELookupFailure::Network, e.what(), requested);
    } catch (const std::exception& e) {
        return Failure(ELookupFailure::Unexpected, e.what(), requested);
    }
}
