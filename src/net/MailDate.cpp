#include "MailDate.h"

#include "NetworkErrors.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune::net {

namespace mailcoding {

std::string dateHeaderText(std::time_t when)
{
    static constexpr const char *kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr)
        throw NetworkError("Failed attempting to retrieve time zone information.");
    const long offsetMinutes = std::labs(local.tm_gmtoff) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday], local.tm_mday,
                  kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_gmtoff < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

} // namespace mailcoding

} // namespace kestrune::net
