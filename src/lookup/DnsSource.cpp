#include "AddressSources.h"

#include "IpExtraction.h"
#include "LookupTexts.h"
#include "NetworkErrors.h"
#include "SourceQuestions.h"

#include "Ldns.h"

#include <cstdlib>
#include <memory>

namespace kestrune::lookup {

namespace {
struct DnameFree {
    void operator()(ldns_rdf* name) const { net::ldns().rdf_deep_free(name); }
};
using Dname = std::unique_ptr<ldns_rdf, DnameFree>;

std::vector<uint8_t> questionBytes(const DnsQuestion& question, uint16_t id)
{
    ldns_rdf* name = net::ldns().dname_new_frm_str(net::absoluteDnsName(question.name).c_str());
    if (!name)
        throw net::NetworkError("Not a DNS name: " + question.name);
    net::LdnsPacket packet(net::ldns().pkt_query_new(name, question.chaosTxt ? LDNS_RR_TYPE_TXT : LDNS_RR_TYPE_A,
                                     question.chaosTxt ? LDNS_RR_CLASS_CH : LDNS_RR_CLASS_IN, LDNS_RD));
    if (!packet)
        throw net::NetworkError("Not a DNS name: " + question.name);
    net::ldns().pkt_set_id(packet.get(), id);
    uint8_t* wire = nullptr;
    size_t size = 0;
    if (net::ldns().pkt2wire(&wire, packet.get(), &size) != LDNS_STATUS_OK)
        throw net::NetworkError("Not a DNS name: " + question.name);
    std::vector<uint8_t> bytes(wire, wire + size);
    std::free(wire);
    return bytes;
}

std::optional<std::string> addressOf(const ldns_rr* record, bool chaosTxt)
{
    const ldns_rdf* field = net::ldns().rr_rdf(record, 0);
    if (!field)
        return std::nullopt;
    const uint8_t* data = net::ldns().rdf_data(field);
    const std::size_t size = net::ldns().rdf_size(field);
    std::string text;
    if (chaosTxt && net::ldns().rdf_get_type(field) == LDNS_RDF_TYPE_STR && size >= 1 && data[0] == size - 1)
        text.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    else if (!chaosTxt && net::ldns().rdf_get_type(field) == LDNS_RDF_TYPE_A && size == 4)
        text = std::to_string(data[0]) + '.' + std::to_string(data[1]) + '.' + std::to_string(data[2]) + '.' +
               std::to_string(data[3]);
    if (!isValidIp(text))
        return std::nullopt;
    return text;
}

// The answer to exactly the question asked (id, name, class, type), else nullopt.
std::optional<std::string> readAnswer(std::span<const uint8_t> bytes, const DnsQuestion& question, uint16_t id)
{
    ldns_pkt* raw = nullptr;
    if (net::ldns().wire2pkt(&raw, bytes.data(), bytes.size()) != LDNS_STATUS_OK)
        return std::nullopt;
    const net::LdnsPacket packet(raw);
    if (net::ldns().pkt_id(raw) != id || !net::ldns().pkt_qr(raw) || net::ldns().pkt_get_rcode(raw) != LDNS_RCODE_NOERROR)
        return std::nullopt;
    const ldns_rr_type type = question.chaosTxt ? LDNS_RR_TYPE_TXT : LDNS_RR_TYPE_A;
    const ldns_rr_class klass = question.chaosTxt ? LDNS_RR_CLASS_CH : LDNS_RR_CLASS_IN;
    const Dname name(net::ldns().dname_new_frm_str(net::absoluteDnsName(question.name).c_str()));
    const ldns_rr_list* asked = net::ldns().pkt_question(raw);
    if (!name || !asked || net::ldns().rr_list_rr_count(asked) != 1 ||
        net::ldns().dname_compare(net::ldns().rr_owner(net::ldns().rr_list_rr(asked, 0)), name.get()) != 0)
        return std::nullopt;
    const ldns_rr_list* answers = net::ldns().pkt_answer(raw);
    for (std::size_t i = 0; answers && i < net::ldns().rr_list_rr_count(answers); ++i) {
        const ldns_rr* record = net::ldns().rr_list_rr(answers, i);
        if (net::ldns().rr_get_type(record) != type || net::ldns().rr_get_class(record) != klass ||
            net::ldns().dname_compare(net::ldns().rr_owner(record), name.get()) != 0)
            continue;
        if (std::optional<std::string> address = addressOf(record, question.chaosTxt))
            return address;
    }
    return std::nullopt;
}
} // namespace

LookupResult lookUpDns(const SourceOptions& options)
{
    try {
        DatagramRound round(options.timeoutMs);
        for (std::size_t i = 0; i < options.dnsQuestions.size(); ++i) {
            const DnsQuestion& question = options.dnsQuestions[i];
            uint16_t id = 0;
            fillRandom(std::span(reinterpret_cast<uint8_t*>(&id), sizeof id));
            const auto read = [&question, id](std::span<const uint8_t> bytes) {
                return readAnswer(bytes, question, id);
            };
            if (std::optional<std::string> address = round.ask(question.server, question.port,
                                                                questionBytes(question, id), read,
                                                                options.dnsQuestions.size() - i)) {
                return foundAddress(*address);
            }
        }
        throw net::NetworkError(std::string(lookuptexts::kDnsNoAnswer) + round.lastError());
    } catch (...) {
        return lookupFailure(std::current_exception(), true);
    }
}

} // namespace kestrune::lookup
