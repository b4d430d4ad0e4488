#include "WaitService.h"

#include "NetworkErrors.h"
#include "NetworkTexts.h"
#include "NetworkWait.h"

namespace kestrune::core {

class WaitServiceScope::Hook : public net::WaitHook {
public:
    explicit Hook(WaitService& service) : m_service(service) {}
    short wait(int fd, short pollEvents, int timeoutMs) override { return m_service.wait(fd, pollEvents, timeoutMs); }

private:
    WaitService& m_service;
};

short WaitService::pollNow(int fd, short pollEvents, int timeoutMs)
{
    return net::NetworkWait::pollWait(fd, pollEvents, timeoutMs);
}

int WaitService::cancelFd() { return net::NetworkWait::cancelFd(); }

void WaitService::throwCancelled() { throw net::CancelledError(net::texts::kCancelled); }

void WaitService::cancelAll() { net::NetworkWait::cancelAllWaits(); }

WaitServiceScope::WaitServiceScope(WaitService& service)
    : m_antiFreeze(std::make_unique<net::NetworkWait>()), m_hook(std::make_unique<Hook>(service))
{
    net::NetworkWait::installHook(m_hook.get());
}

WaitServiceScope::~WaitServiceScope()
{
    if (net::NetworkWait::installedHook() == m_hook.get())
        net::NetworkWait::installHook(nullptr);
}

} // namespace kestrune::core
