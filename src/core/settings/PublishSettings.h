#pragma once

#include "IniFile.h"
#include "Settings.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace kestrune::core {

// "[DNSUpdate]": Count=N, then Enabled<i>, Provider<i>, Server<i>, Hosts<i>, User<i>, Password<i> (scrambled),
// URL<i>, LastIP<i>, Hold<i>, HoldFor<i> for i = 1..N; missing keys read as empty or 0. A hold taken for
// other settings than the entry's (a hand edit) is lifted as it is read.
std::vector<DnsUpdateEntry> loadDnsUpdates(const IniFile& ini);
void saveDnsUpdates(const std::vector<DnsUpdateEntry>& entries, IniFile& ini);

// "[Retry]": Count=N, then Channel<i>, Address<i>, Attempts<i>, Due<i>, Wait<i>; a row without a channel or
// an address is dropped.
std::vector<PendingRetry> loadPendingRetries(const IniFile& ini);
void savePendingRetries(const std::vector<PendingRetry>& retries, IniFile& ini);

// Retries name entries by their place ("dns2", "notice3|ip4"): when the entry at index removed of the list
// whose channels start with prefix goes, its retries go and later entries' retries move up with them.
void forgetEntryRetries(std::vector<PendingRetry>& retries, std::string_view prefix, std::size_t removed);

} // namespace kestrune::core
