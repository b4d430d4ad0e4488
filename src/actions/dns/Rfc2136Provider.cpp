// The zone's own primary: DNS UPDATE (RFC 2136) signed with TSIG, one message per name.
#include "DnsHttp.h"
#include "DnsProviderSet.h"
#include "DnsWire.h"

#include "Ldns.h"

#include <exception>
#include <memory>

namespace kestrune::actions {

namespace {

constexpr int kDefaultTtl = 300;
constexpr int kTimeoutMs = 10000;
constexpr uint16_t kFudgeSeconds = 300;
// The TSIG error field's values (RFC 8945 5.3).
constexpr int kBadSig = 16;
constexpr int kBadKey = 17;
constexpr int kBadTime = 18;

struct RecordListFree {
    void operator()(ldns_rr_list* list) const { net::ldns().rr_list_deep_free(list); }
};
using RecordList = std::unique_ptr<ldns_rr_list, RecordListFree>;

// The names ldns signs with; the short forms are what people write.
std::string tsigAlgorithm(std::string_view algorithm)
{
    const std::string name(algorithm.empty() ? std::string_view("hmac-sha256") : algorithm);
    return name == "hmac-md5" ? std::string("hmac-md5.sig-alg.reg.int.") : net::absoluteDnsName(name);
}

// The name's set of one type goes, the new address comes; an address of a family not sent is left alone.
void addChange(ldns_rr_list* changes, const std::string& name, ldns_rr_type type, const std::string& address,
               int ttl)
{
    ldns_rr* removal = net::ldns().rr_new();
    net::ldns().rr_set_owner(removal, net::ldns().dname_new_frm_str(name.c_str()));
    net::ldns().rr_set_type(removal, type);
    net::ldns().rr_set_class(removal, LDNS_RR_CLASS_ANY);
    net::ldns().rr_set_ttl(removal, 0);
    net::ldns().rr_set_question(removal, false);
    net::ldns().rr_list_push_rr(changes, removal);
    ldns_rr* addition = nullptr;
    const std::string text = name + " " + std::to_string(ttl) + " IN " + (type == LDNS_RR_TYPE_A ? "A " : "AAAA ") + address;
    if (net::ldns().rr_new_frm_str(&addition, text.c_str(), 0, nullptr, nullptr) != LDNS_STATUS_OK)
        throw std::invalid_argument("\"" + address + "\" is no address");
    net::ldns().rr_list_push_rr(changes, addition);
}

// The TSIG error a server put in its signed answer, or 0.
int tsigError(ldns_pkt* answer)
{
    const ldns_rr* tsig = net::ldns().pkt_tsig(answer);
    if (!tsig || net::ldns().rr_rd_count(tsig) < 6)
        return 0;
    return net::ldns().rdf2native_int16(net::ldns().rr_rdf(tsig, 5));
}

DnsUpdateResult readAnswer(ldns_pkt* answer)
{
    const ldns_pkt_rcode rcode = net::ldns().pkt_get_rcode(answer);
    switch (tsigError(answer)) {
    case kBadSig:
        return {DnsAnswer::Fatal, "BADSIG (the key's secret is wrong)"};
    case kBadKey:
        return {DnsAnswer::Fatal, "BADKEY (the server does not know the key or its algorithm)"};
    case kBadTime:
        return {DnsAnswer::Passing, "BADTIME (this machine's clock is off)"};
    default:
        break;
    }
    switch (rcode) {
    case LDNS_RCODE_NOERROR:
        return {DnsAnswer::Success, "NOERROR"};
    case LDNS_RCODE_REFUSED:
        return {DnsAnswer::Fatal, "REFUSED (the key may not update this zone)"};
    case LDNS_RCODE_NOTAUTH:
        return {DnsAnswer::Fatal, "NOTAUTH (the server is not the zone's primary)"};
    case LDNS_RCODE_NOTZONE:
        return {DnsAnswer::Fatal, "NOTZONE (a name is outside the zone)"};
    case LDNS_RCODE_SERVFAIL:
        return {DnsAnswer::Passing, "SERVFAIL"};
    default: {
        ldns_lookup_table* known = net::ldns().lookup_by_id(net::ldns().rcodes, rcode);
        const std::string word = known ? known->name : "rcode " + std::to_string(rcode);
        return {rcode == LDNS_RCODE_FORMERR || rcode == LDNS_RCODE_NOTIMPL ? DnsAnswer::Fatal : DnsAnswer::Passing,
                word};
    }
    }
}

class Rfc2136Provider : public DnsProvider {
public:
    DnsUpdateResult update(net::HttpClient&, const DnsUpdateRequest& request) const override
    {
        const std::vector<std::string> names = dnsHostList(request.hosts);
        if (names.empty() || trimmedText(request.zone).empty())
            return {DnsAnswer::Fatal, "the entry names no zone or host"};
        DnsUpdateResult result{DnsAnswer::Success, "NOERROR"};
        for (const std::string& name : names) {
            result = updateName(request, net::absoluteDnsName(name));
            if (result.answer != DnsAnswer::Success)
                return result;
        }
        return result;
    }

private:
    static DnsUpdateResult updateName(const DnsUpdateRequest& request, const std::string& name)
    {
        const int ttl = request.ttl > 0 ? request.ttl : kDefaultTtl;
        DnsPacket message;
        try {
            const RecordList changes(net::ldns().rr_list_new());
            if (!request.ipv4.empty())
                addChange(changes.get(), name, LDNS_RR_TYPE_A, request.ipv4, ttl);
            if (!request.ipv6.empty())
                addChange(changes.get(), name, LDNS_RR_TYPE_AAAA, request.ipv6, ttl);
            const std::string zoneName = net::absoluteDnsName(std::string(trimmedText(request.zone)));
            ldns_rdf* zone = net::ldns().dname_new_frm_str(zoneName.c_str());
            if (!zone)
                return {DnsAnswer::Fatal, "\"" + request.zone + "\" is no zone name"};
            message.reset(net::ldns().update_pkt_new(zone, LDNS_RR_CLASS_IN, nullptr, changes.get(), nullptr));
        } catch (const std::invalid_argument& error) {
            return {DnsAnswer::Fatal, error.what()};
        }
        net::ldns().pkt_set_random_id(message.get());
        const std::string keyName = net::absoluteDnsName(request.user);
        if (net::ldns().pkt_tsig_sign(message.get(), keyName.c_str(), request.password.c_str(), kFudgeSeconds,
                               tsigAlgorithm(request.algorithm).c_str(), nullptr) != LDNS_STATUS_OK)
            return {DnsAnswer::Fatal, "the key (name, secret in base64, algorithm) cannot sign"};
        try {
            std::vector<unsigned char> wire;
            const DnsPacket answer =
                exchangeDnsMessage(parseDnsServer(std::string(trimmedText(request.server))), message.get(), kTimeoutMs, &wire);
            DnsUpdateResult result = readAnswer(answer.get());
            const ldns_rr* ourTsig = net::ldns().pkt_tsig(message.get());
            // A success nobody signed with our key could come from anyone on the way.
            if (result.answer == DnsAnswer::Success &&
                !net::ldns().pkt_tsig_verify(answer.get(), wire.data(), wire.size(), keyName.c_str(), request.password.c_str(),
                                      ourTsig ? net::ldns().rr_rdf(ourTsig, 3) : nullptr))
                return {DnsAnswer::Passing, "the answer is not signed with the key"};
            return result;
        } catch (const std::exception& error) {
            return {DnsAnswer::Passing, error.what()};
        }
    }
};

} // namespace

const DnsProvider& rfc2136Provider()
{
    static const Rfc2136Provider provider;
    return provider;
}

} // namespace kestrune::actions
