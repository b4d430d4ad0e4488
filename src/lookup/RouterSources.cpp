#include "AddressSources.h"

#include "IpExtraction.h"
#include "LookupTexts.h"
#include "NetworkErrors.h"
#include "NetworkTexts.h"
#include "NetworkWait.h"
#include "SourceQuestions.h"
#include "SocketHandle.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <natpmp.h>

#include <arpa/inet.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace kestrune::lookup {

namespace {
// Routers answer discovery within a second or two; the rest of the time is left for the description and SOAP.
constexpr int kLongestDiscoveryMs = 2000;

struct UpnpAnswer {
    std::string address;
    std::string error;
};

// Runs on a worker thread (the library blocks): touches only its copies.
void askUpnp(const SourceOptions& options, UpnpAnswer& answer)
{
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[64] = {};
    int found = 0;
    if (!options.upnpRootDescription.empty()) {
        found = UPNP_GetIGDFromUrl(options.upnpRootDescription.c_str(), &urls, &data, lanAddress, sizeof lanAddress);
    } else {
        int error = 0;
        const int delay = std::clamp(options.timeoutMs / 3, 100, kLongestDiscoveryMs);
        UPNPDev* devices = upnpDiscover(delay,
                                        options.upnpMulticastInterface.empty() ? nullptr : options.upnpMulticastInterface.c_str(),
                                        options.upnpDaemonSocket.empty() ? nullptr : options.upnpDaemonSocket.c_str(),
                                        UPNP_LOCAL_PORT_ANY, 0, 2, &error);
        if (!devices) {
            answer.error = lookuptexts::kUpnpNoRouter;
            return;
        }
#if MINIUPNPC_API_VERSION >= 18
        char wanAddress[64] = {};
        found = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress, wanAddress, sizeof wanAddress);
#else
        found = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
#endif
        freeUPNPDevlist(devices);
    }
    if (found <= 0 || !urls.controlURL) {
        FreeUPNPUrls(&urls);
        answer.error = lookuptexts::kUpnpNoRouter;
        return;
    }
    char external[40] = {};
    const int status = UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external);
    FreeUPNPUrls(&urls);
    if (status != UPNPCOMMAND_SUCCESS || !isValidIp(external)) {
        answer.error = lookuptexts::kUpnpNoAddress;
        return;
    }
    answer.address = external;
}

struct NatPmpSession {
    natpmp_t handle{};
    bool open = false;
    ~NatPmpSession()
    {
        if (open)
            closenatpmp(&handle);
    }
};
} // namespace

LookupResult lookUpUpnp(const SourceOptions& options)
{
    try {
        auto answer = std::make_shared<UpnpAnswer>();
        net::sockets::runBounded([answer, options] { askUpnp(options, *answer); }, options.timeoutMs);
        if (answer->address.empty())
            throw net::NetworkError(answer->error);
        return foundAddress(answer->address);
    } catch (...) {
        return lookupFailure(std::current_exception(), true);
    }
}

LookupResult lookUpNatPmp(const SourceOptions& options)
{
    try {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(options.timeoutMs, 1));
        in_addr gateway{};
        const bool forced = !options.natpmpGateway.empty();
        if (forced && ::inet_pton(AF_INET, options.natpmpGateway.c_str(), &gateway) != 1)
            throw net::NetworkError(std::string(lookuptexts::kNatPmpNoGateway));
        NatPmpSession session;
        if (initnatpmp(&session.handle, forced ? 1 : 0, gateway.s_addr) < 0)
            throw net::NetworkError(std::string(lookuptexts::kNatPmpNoGateway));
        session.open = true;
        if (sendpublicaddressrequest(&session.handle) < 0)
            throw net::NetworkError(std::string(lookuptexts::kNatPmpNoAnswer));
        for (;;) {
            natpmpresp_t response{};
            const int status = readnatpmpresponseorretry(&session.handle, &response);
            if (status >= 0) {
                if (response.type != NATPMP_RESPTYPE_PUBLICADDRESS)
                    continue;
                char text[INET_ADDRSTRLEN] = {};
                ::inet_ntop(AF_INET, &response.pnu.publicaddress.addr, text, sizeof text);
                return foundAddress(text);
            }
            if (status != NATPMP_TRYAGAIN)
                throw net::NetworkError(std::string(status == NATPMP_ERR_UNSUPPORTEDOPCODE || status == NATPMP_ERR_NOTAUTHORIZED
                                                        ? lookuptexts::kNatPmpRefused
                                                        : lookuptexts::kNatPmpNoAnswer));
            timeval untilRetry{};
            getnatpmprequesttimeout(&session.handle, &untilRetry);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                throw net::ConnectTimeoutError(net::texts::kConnectTimedOut);
            const long long retryMs = untilRetry.tv_sec * 1000LL + untilRetry.tv_usec / 1000 + 1;
            net::NetworkWait::wait(session.handle.s, POLLIN, static_cast<int>(std::min<long long>(left, retryMs)));
        }
    } catch (...) {
        return lookupFailure(std::current_exception(), true);
    }
}

std::optional<std::string> routerWanAddress(const SourceOptions& options)
{
    for (const SourceKind kind : {SourceKind::Upnp, SourceKind::NatPmp}) {
        const LookupResult result = lookUpAddress(kind, options);
        if (!result.failed() && isValidIp(result.address))
            return result.address;
    }
    return std::nullopt;
}

} // namespace kestrune::lookup
