#pragma once

#include "IniFile.h"
#include "Settings.h"

#include <string_view>
#include <vector>

namespace kestrune::core {

// The events a new entry is sent for, and an entry whose Events key is missing.
inline constexpr std::string_view kDefaultNoticeEvents = "ip4,ip6,lookup,failed,retry";

// "[Notify]": Failures, LastIP, LastIP6 and Count=N, then Enabled<i>, Kind<i>, URL<i>, Token<i> (scrambled),
// Events<i>, Title<i>, Body<i> for i = 1..N; missing keys read as their defaults.
std::vector<NoticeEntry> loadNotices(const IniFile& ini, NoticeState& state);
// Erases "[Notify]" and writes it again whole (not at all while it holds nothing but defaults).
void saveNotices(const std::vector<NoticeEntry>& entries, const NoticeState& state, IniFile& ini);

} // namespace kestrune::core
