#pragma once

#include "DnsProvider.h"

// The providers the table lists; each is defined in its own file.
namespace kestrune::actions {

// The dyndns2 protocol and the providers that speak it with their own dual-stack forms.
enum class Dyndns2Form { Generic, Dynu, Desec };
const DnsProvider& dyndns2Provider(Dyndns2Form form);
const DnsProvider& duckDnsProvider();
const DnsProvider& customUrlProvider();
// Key-URL presets: the key names the record, the URL is the provider's.
const DnsProvider& clouDnsProvider();
const DnsProvider& ionosProvider();
const DnsProvider& porkbunProvider();
const DnsProvider& cloudflareProvider();
const DnsProvider& rfc2136Provider();

} // namespace kestrune::actions
