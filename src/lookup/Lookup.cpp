#include "Lookup.h"

#include "ExternalServices.h"
#include "IPExtraction.h"

#include "NetExceptions.h"
#include "NetHTTP.h"

namespace {

std::string FetchAndCollect(TNetHTTP& http, const TLookupFields& fields,
                            std::span<const TExternalService, 2> services, bool& requested)
{
    // The router's credentials are for the router's page only: every other lookup runs without any.
    if (!fields.External && fields.WebAuth)
        http.SetCredentials(fields.Username, fields.Password);
    else
        http.SetCredentials({}, {});
    if (fields.External) {
        for (std::size_t i = 0; i < services.size(); ++i) {
            if (fields.ServiceURL != services[i].URL)
                continue;
            requested = true;
            std::string page = http.FetchPage(std::string(services[i].URL));
            return i == 0 ? CollectFirstService(page) : CollectSecondService(page);
        }
        return {};
    }
    requested = true;
    std::string page = http.FetchPage("http://" + fields.URL);
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

TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields)
{
    return RunLookup(http, fields, kExternalServices);
}

TLookupResult RunLookup(TNetHTTP& http, const TLookupFields& fields, std::span<const TExternalService, 2> services)
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
