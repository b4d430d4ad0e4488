#include "AddressSources.h"

#include "LookupTexts.h"
#include "NetworkErrors.h"
#include "SourceQuestions.h"
#include "StunMessage.h"

namespace kestrune::lookup {

namespace {
constexpr uint16_t kStunPort = 3478;
}

LookupResult lookUpStun(const SourceOptions& options)
{
    try {
        if (options.stunServers.empty())
            throw net::NetworkError(std::string(lookuptexts::kNoStunServer));
        DatagramRound round(options.timeoutMs);
        for (std::size_t i = 0; i < options.stunServers.size(); ++i) {
            const auto [host, port] = DatagramRound::splitServer(options.stunServers[i], kStunPort);
            StunTransactionId id;
            fillRandom(id);
            const auto read = [&id](std::span<const uint8_t> bytes) { return stunMappedAddress(bytes, id); };
            if (std::optional<std::string> address =
                    round.ask(host, port, stunBindingRequest(id), read, options.stunServers.size() - i)) {
                return foundAddress(*address);
            }
        }
        throw net::NetworkError(std::string(lookuptexts::kStunNoAnswer) + round.lastError());
    } catch (...) {
        return lookupFailure(std::current_exception(), true);
    }
}

} // namespace kestrune::lookup
