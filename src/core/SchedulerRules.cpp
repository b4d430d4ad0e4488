#include "SchedulerRules.h"

#include "LookupRecord.h"

#include <array>

using namespace kestrune::lookup;

std::string HoursMinutes(int minutes)
{
    return std::to_string(minutes / 60) + " hr : " + std::to_string(minutes % 60) + " min";
}

bool IsLocalPage(std::string_view url)
{
    if (isHttpsUrl(url))
        url.remove_prefix(std::string_view("https://").size());
    const std::size_t dot = url.find('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view part = url.substr(0, dot);
    constexpr std::array<std::string_view, 4> kLocalParts = {"192", "172", "127", "10"};
    for (std::string_view local : kLocalParts)
        if (part == local)
            return true;
    return false;
}

int IntervalByRule(int interval, bool externalSource, bool userDefinedSource, std::string_view url)
{
    if (interval < 1 || interval > 10)
        return interval;
    if (externalSource || (userDefinedSource && !IsLocalPage(url)))
        return 10;
    return interval;
}

int IntervalStep(int value)
{
    if (value >= 0 && value <= 59)
        return 1;
    if (value >= 60 && value <= 599)
        return 10;
    return 30;
}
