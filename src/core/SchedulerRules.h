#pragma once

#include <string>
#include <string_view>

// The check interval's rules, free of the window.

// "1 hr : 30 min" for 90; the parts are truncated towards zero, so -1 reads "0 hr : -1 min".
std::string HoursMinutes(int minutes);

// A page on the local network: the text before the first "." of the address (without "http://") is exactly
// "192", "172", "127" or "10" (after "https://", any case, for a page that keeps it). An address without "." is
// never local.
bool IsLocalPage(std::string_view url);

// The interval the rule leaves: 1 to 10 minutes become 10 for an external service, or for a user-defined
// page that is not local; every other interval stays as it is.
int IntervalByRule(int interval, bool externalSource, bool userDefinedSource, std::string_view url);

// Arrow step of the interval box for a value.
int IntervalStep(int value);

// Upper bound of the interval box.
inline constexpr int kMaxInterval = 2880;
// Lower bound of the interval box once the scheduler has run.
inline constexpr int kMinRunningInterval = 10;
