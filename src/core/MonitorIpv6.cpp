// The IPv6 address's own publish steps and the kernel's address events that start a check at once.
#include "Monitor.h"

#include "AddressEvents.h"
#include "CommandHook.h"
#include "DataFile.h"
#include "AddressTexts.h"
#include "PublicAddress.h"
#include "RunRecord.h"
#include "Settings.h"

#include <ctime>
#include <exception>

using namespace kestrune::actions;

namespace kestrune::core {

namespace {
// Events come in bursts (an address goes, its replacement comes, the route follows): one check after them.
constexpr std::chrono::milliseconds kSettleDelay{500};
} // namespace

std::string Monitor::publishable6() const
{
    if (m_address6.empty() || (m_settings.publicOnly && lookup::publicAddressProblem(m_address6)))
        return {};
    return m_address6;
}

std::string Monitor::changeMailText(const std::string& address, const std::string& dnsLines) const
{
    std::string text = address;
    if (m_settings.ipv6Enabled) {
        const std::string address6 = publishable6();
        text += "\r\nIPv6: " + (address6.empty() ? std::string("none") : address6);
    }
    return dnsLines.empty() ? text : text + "\r\n" + dnsLines;
}

void Monitor::publishIpv6(const std::string& dnsLines)
{
    const std::string address6 = publishable6();
    if (address6.empty())
        return;
    m_retries.addressChanged(address6);
    if (m_settings.ftpEnable && address6 != m_lastUploaded6) {
        // The server keeps the IPv4 address it has; only the IPv6 one is new to it.
        m_ftpConnected = false;
        const StepEnd end = uploadToServer(m_lastUploaded, address6);
        if (m_ftpConnected)
            disconnectFtp();
        stepEnded("upload6", address6, end);
    }
    if (m_settings.sendMail && address6 != m_lastMailed6)
        guarded([&] { sendChangeMail6(address6, changeMailText(m_lastMailed, dnsLines)); });
    if (!m_settings.ipv6Filename.empty() && address6 != m_lastSaved6) {
        m_lastSaved6 = address6;
        guarded([&] {
            kestrune::actions::writeDataFile(m_settings.ipv6Filename, address6);
            m_observer.actionFinished(Action::IpFile6, {});
        });
    }
    if (m_settings.saveLog && address6 != m_lastLogged6) {
        m_lastLogged6 = address6;
        guarded([&] { writeLogEntry(address6); });
    }
    guarded([&] { runCommandHook6(address6); });
    guarded([&] { addressNoticed(6, address6); });
}

void Monitor::sendChangeMail6(const std::string& address6, const std::string& text)
{
    const bool sent = sendWebmail(text);
    if (sent)
        m_lastMailed6 = address6;
    stepEnded("mail6", address6, sent ? StepEnd::Done : StepEnd::Passing);
}

void Monitor::runCommandHook6(const std::string& address6)
{
    if (!m_settings.runCommand || m_settings.command.empty() || m_settings.commandIp6 == address6)
        return;
    runCommandWith(m_settings.commandIp, address6, "command6");
}

void Monitor::openAddressEvents()
{
    if (m_addressEvents || !m_settings.ipv6Enabled)
        return;
    try {
        m_addressEvents = std::make_unique<lookup::AddressEvents>();
    } catch (const std::exception& error) {
        // The interval's checks go on; only the quick reaction is lost.
        m_observer.debugText(error.what());
        return;
    }
    m_observer.watchAddressEvents(m_addressEvents->handle());
}

void Monitor::closeAddressEvents()
{
    if (!m_addressEvents)
        return;
    m_observer.watchAddressEvents(-1);
    m_addressEvents.reset();
    m_timers.stop(TimerId::AddressSettle);
    m_settlePending = false;
}

void Monitor::onAddressEvents()
{
    if (!m_addressEvents || !m_addressEvents->drain() || m_settlePending)
        return;
    m_settlePending = true;
    m_timers.start(TimerId::AddressSettle, kSettleDelay);
}

void Monitor::addressesSettled()
{
    if (!m_running) {
        m_timers.stop(TimerId::AddressSettle);
        m_settlePending = false;
        return;
    }
    // Another check waits on the network: the timer comes back.
    if (m_checkRunning || m_changeRunning)
        return;
    m_timers.stop(TimerId::AddressSettle);
    m_settlePending = false;
    m_observer.debugText("An address or link changed: checking now.");
    guarded([this] { runCheck(true); });
    m_record->roundEnded(true);
}

} // namespace kestrune::core
