#include "DnsProof.h"

#include "DnsHttp.h"
#include "DnsWire.h"

#include "Ldns.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>

namespace kestrune::actions {

namespace {


DnsPacket question(const std::string& name, ldns_rr_type type, bool recursive)
{
    ldns_rdf* owner = net::ldns().dname_new_frm_str(net::absoluteDnsName(name).c_str());
    if (!owner)
        throw std::runtime_error("\"" + name + "\" is no name");
    DnsPacket query(net::ldns().pkt_query_new(owner, type, LDNS_RR_CLASS_IN, recursive ? LDNS_RD : 0));
    net::ldns().pkt_set_random_id(query.get());
    return query;
}

std::string rdfText(const ldns_rdf* rdf)
{
    char* text = net::ldns().rdf2str(rdf);
    std::string out = text ? text : "";
    std::free(text);
    return out;
}

// The first server of the system's resolver configuration.
DnsServerAddress systemResolver()
{
    ldns_resolver* resolver = nullptr;
    if (net::ldns().resolver_new_frm_file(&resolver, nullptr) != LDNS_STATUS_OK || !resolver)
        throw std::runtime_error("the system names no name server");
    std::unique_ptr<ldns_resolver, void (*)(ldns_resolver*)> owned(resolver, net::ldns().resolver_deep_free);
    if (net::ldns().resolver_nameserver_count(resolver) == 0)
        throw std::runtime_error("the system names no name server");
    DnsServerAddress server;
    server.host = rdfText(net::ldns().resolver_nameservers(resolver)[0]);
    return server;
}

// The records of type in the answer (and, for SOA, the authority) section: their owner or first field.
std::vector<std::string> recordTexts(ldns_pkt* answer, ldns_rr_type type, bool owners)
{
    std::vector<std::string> texts;
    for (const ldns_rr_list* section : {net::ldns().pkt_answer(answer), net::ldns().pkt_authority(answer)})
        for (size_t i = 0; section && i < net::ldns().rr_list_rr_count(section); ++i) {
            const ldns_rr* record = net::ldns().rr_list_rr(section, i);
            if (net::ldns().rr_get_type(record) != type || net::ldns().rr_rd_count(record) < 1)
                continue;
            texts.push_back(rdfText(owners ? net::ldns().rr_owner(record) : net::ldns().rr_rdf(record, 0)));
        }
    return texts;
}

// The zone's name servers: its NS records, and the zone from the name's SOA when it is not given.
std::vector<std::string> zoneNameServers(const DnsProofRequest& request)
{
    const DnsServerAddress resolver = systemResolver();
    std::string zone = request.zone;
    if (zone.empty()) {
        DnsPacket soa = question(request.names.front(), LDNS_RR_TYPE_SOA, true);
        const DnsPacket answer = exchangeDnsMessage(resolver, soa.get(), request.timeoutMs);
        const std::vector<std::string> owners = recordTexts(answer.get(), LDNS_RR_TYPE_SOA, true);
        if (owners.empty())
            throw std::runtime_error("no zone holds " + request.names.front());
        zone = owners.front();
    }
    DnsPacket ns = question(zone, LDNS_RR_TYPE_NS, true);
    const DnsPacket answer = exchangeDnsMessage(resolver, ns.get(), request.timeoutMs);
    std::vector<std::string> servers = recordTexts(answer.get(), LDNS_RR_TYPE_NS, false);
    if (servers.empty())
        throw std::runtime_error("the zone " + zone + " names no name server");
    return servers;
}

std::string joined(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& text : texts)
        out += (out.empty() ? "" : ", ") + text;
    return out;
}

} // namespace

DnsProofAnswer checkNamesAnswer(const DnsProofRequest& request)
{
    DnsProofAnswer proof;
    if (request.names.empty())
        return {true, {}};
    std::vector<std::string> servers;
    try {
        servers = request.servers.empty() ? zoneNameServers(request) : dnsHostList(request.servers);
    } catch (const std::exception& error) {
        proof.detail = std::string("the name servers could not be found: ") + error.what();
        return proof;
    }
    std::vector<std::string> wrong;
    for (const std::string& server : servers)
        for (const std::string& name : request.names)
            for (const auto& [address, type] :
                 {std::pair{&request.ipv4, LDNS_RR_TYPE_A}, std::pair{&request.ipv6, LDNS_RR_TYPE_AAAA}}) {
                if (address->empty())
                    continue;
                std::string seen;
                try {
                    DnsPacket query = question(name, type, false);
                    const DnsPacket answer = exchangeDnsMessage(parseDnsServer(server), query.get(), request.timeoutMs);
                    const std::vector<std::string> found =
                        answerAddresses(answer.get(), net::absoluteDnsName(name), type);
                    // Records the update left beside its own (a provider's others of the same name) may stay.
                    if (std::find(found.begin(), found.end(), canonicalAddress(*address)) != found.end())
                        continue;
                    seen = found.empty() ? std::string("no address") : joined(found);
                } catch (const std::exception& error) {
                    seen = error.what();
                }
                wrong.push_back(server + " answers " + seen + " for " + name);
            }
    proof.answering = wrong.empty();
    proof.detail = joined(wrong);
    return proof;
}

} // namespace kestrune::actions
