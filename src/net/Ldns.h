#pragma once

// First: without it ldns defines bool, true and false as macros.
#include <stdbool.h>

#include <ldns/ldns.h>

#include <memory>
#include <string>

namespace kestrune::net {

#define KESTRUNE_LDNS_FUNCTIONS(X) \
    X(dname_compare) X(dname_new_frm_str) X(lookup_by_id) X(pkt2wire) X(pkt_answer) X(pkt_authority) X(pkt_free) \
    X(pkt_get_rcode) X(pkt_id) X(pkt_qr) X(pkt_query_new) X(pkt_question) X(pkt_set_id) X(pkt_set_random_id) \
    X(pkt_tsig) X(pkt_tsig_sign) X(pkt_tsig_verify) X(rdf2native_int16) X(rdf2str) X(rdf_data) X(rdf_deep_free) \
    X(rdf_get_type) X(rdf_size) X(resolver_deep_free) X(resolver_nameserver_count) X(resolver_nameservers) \
    X(resolver_new_frm_file) X(rr_get_class) X(rr_get_type) X(rr_list_deep_free) X(rr_list_new) \
    X(rr_list_push_rr) X(rr_list_rr) X(rr_list_rr_count) X(rr_new) X(rr_new_frm_str) X(rr_owner) X(rr_rd_count) \
    X(rr_rdf) X(rr_set_class) X(rr_set_owner) X(rr_set_question) X(rr_set_ttl) X(rr_set_type) X(update_pkt_new) \
    X(wire2pkt)

// The ldns functions the DNS sources and updates use, each named without its "ldns_" prefix, from libldns
// loaded at the first DNS message: libldns brings libssl and libcrypto along, which a run that never speaks
// DNS should neither map nor relocate at start-up.
struct Ldns {
#define KESTRUNE_LDNS_POINTER(name) decltype(&::ldns_##name) name = nullptr;
    KESTRUNE_LDNS_FUNCTIONS(KESTRUNE_LDNS_POINTER)
#undef KESTRUNE_LDNS_POINTER
    ldns_lookup_table *rcodes = nullptr; // the response codes' names
};

namespace ldnstexts {
inline constexpr const char *kCouldNotLoadDnsLibrary = "Could not load the DNS library (libldns).";
} // namespace ldnstexts

// Loads the library on the first call; raises NetworkError (kCouldNotLoadDnsLibrary) when it or one of its
// functions is missing.
const Ldns &ldns();

struct LdnsPacketFree {
    void operator()(ldns_pkt *packet) const { ldns().pkt_free(packet); }
};
using LdnsPacket = std::unique_ptr<ldns_pkt, LdnsPacketFree>;

// The library reads a name without its root dot as relative.
inline std::string absoluteDnsName(std::string name) { return name.ends_with('.') ? name : name + '.'; }

} // namespace kestrune::net
