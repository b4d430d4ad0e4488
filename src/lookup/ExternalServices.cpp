#include "ExternalServices.h"

std::optional<int> ExternalServiceIndex(std::string_view cboxDNSText)
{
    for (int i = 0; i < 2; ++i) {
        if (cboxDNSText == kExternalServices[i].URL)
            return i;
    }
    return std::nullopt;
}

std::string RateMessage(const TExternalService& service)
{
    return std::string(service.Name) + " requests that their lookup services\r\n"
                                       "are not requested at less than 10 minute intervals.";
}
