#pragma once

#include <ctime>
#include <string>

namespace kestrune::net {

namespace mailcoding {

// The "Date" header value of a mail sent at the given time, e.g. "Sun, 7 Dec 2025 08:33:00 +0100":
// local time with its offset from UTC, daylight saving included. Raises NetworkError when the
// local time zone cannot be read.
std::string dateHeaderText(std::time_t when);

} // namespace mailcoding

} // namespace kestrune::net
