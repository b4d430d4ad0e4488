#include "ExternalServices.h"

#include <iterator>

namespace kestrune::lookup {

std::optional<int> externalServiceIndex(std::string_view cboxDNSText)
{
    for (int i = 0; i < static_cast<int>(std::size(kExternalServices)); ++i) {
        if (cboxDNSText == kExternalServices[i].url)
            return i;
    }
    return std::nullopt;
}

std::string rateMessage(const ExternalService& service)
{
    return std::string(service.name) + " requests that their lookup services\r\n"
                                       "are not requested at less than 10 minute intervals.";
}

std::vector<std::size_t> fallbackOrder(std::size_t count, std::optional<std::size_t> chosen)
{
    std::vector<std::size_t> order;
    const std::size_t first = chosen ? *chosen + 1 : 0;
    for (std::size_t step = 0; step < count; ++step) {
        const std::size_t index = (first + step) % count;
        if (index != chosen)
            order.push_back(index);
    }
    return order;
}

std::string fallbackStatus(std::string_view answeredBy)
{
    return "The chosen service failed; the address came from " + std::string(answeredBy) + ".";
}

} // namespace kestrune::lookup
