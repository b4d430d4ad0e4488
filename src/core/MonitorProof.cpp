// The proof that an updated name answers: the zone's servers are asked until each gives the new address.
#include "Monitor.h"

#include "DnsHttp.h"
#include "DnsProof.h"
#include "DnsProvider.h"
#include "Settings.h"

#include <algorithm>
#include <ctime>

namespace kestrune::core {

namespace {

// The first pause; each next one doubles, all of them within five minutes of the update.
constexpr long long kFirstPause = 5;
constexpr long long kProofSpan = 300;

std::string clockText(long long seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

std::string proofName(const DnsUpdateEntry& entry) { return "DNS update of " + entry.hosts; }

} // namespace

void Monitor::startProof(std::size_t index, const std::string& ipv4, const std::string& ipv6)
{
    const DnsUpdateEntry& entry = m_settings.dnsUpdates.at(index);
    PendingProof proof{index, entry.hosts, ipv4, ipv6, now(), now(), kFirstPause};
    if (!askForProof(proof))
        m_proofs.push_back(proof);
    armRetryTimer();
}

bool Monitor::askForProof(PendingProof& proof)
{
    if (proof.index >= m_settings.dnsUpdates.size() || m_settings.dnsUpdates[proof.index].hosts != proof.hosts)
        return true;
    const DnsUpdateEntry& asked = m_settings.dnsUpdates[proof.index];
    actions::DnsProofRequest request;
    const actions::DnsProviderInfo* info = actions::findDnsProvider(asked.provider);
    for (std::string name : actions::dnsHostList(asked.hosts)) {
        if (info && !info->nameSuffix.empty() && !name.ends_with(info->nameSuffix))
            name += info->nameSuffix;
        request.names.push_back(name);
    }
    request.ipv4 = proof.ipv4;
    request.ipv6 = proof.ipv6;
    // A provider's zone id is no name to look up.
    if (asked.zone.find('.') != std::string::npos)
        request.zone = asked.zone;
    request.servers = asked.verify;
    const actions::DnsProofAnswer answer = actions::checkNamesAnswer(request);
    // The questions waited on the network: the entry may have gone meanwhile.
    if (proof.index >= m_settings.dnsUpdates.size() || m_settings.dnsUpdates[proof.index].hosts != proof.hosts)
        return true;
    DnsUpdateEntry& entry = m_settings.dnsUpdates[proof.index];
    const long long elapsed = now() - proof.started;
    std::string text;
    bool ended = true;
    if (answer.answering) {
        entry.proof = "answering since " + clockText(now()) + " (after " + std::to_string(elapsed) + " s)";
        text = proofName(entry) + ": " + entry.proof + ".";
    } else if (elapsed >= kProofSpan) {
        entry.proof = "not answering: " + answer.detail;
        // Sent again at the next check.
        entry.lastIp.clear();
        entry.lastIp6.clear();
        text = proofName(entry) + ": the name does not answer the new address after " + std::to_string(elapsed) +
               " s: " + answer.detail + ". It is sent again at the next check.";
    } else {
        entry.proof = "not answering yet";
        const long long pause = std::min(proof.pause, kProofSpan - elapsed);
        text = proofName(entry) + ": not answering yet (" + answer.detail + "); asking again in " +
               std::to_string(pause) + " s.";
        proof.due = now() + pause;
        proof.pause *= 2;
        ended = false;
    }
    reportStep(text, !answer.answering && ended);
    m_observer.publishStateChanged();
    return ended;
}

void Monitor::proofsDue()
{
    const long long at = now();
    std::vector<PendingProof> due;
    std::erase_if(m_proofs, [&](const PendingProof& proof) {
        if (proof.due > at)
            return false;
        due.push_back(proof);
        return true;
    });
    for (PendingProof& proof : due)
        if (!askForProof(proof))
            m_proofs.push_back(proof);
}

std::optional<long long> Monitor::nextProofDue() const
{
    if (m_proofs.empty())
        return std::nullopt;
    return std::ranges::min(m_proofs, {}, &PendingProof::due).due;
}

} // namespace kestrune::core
