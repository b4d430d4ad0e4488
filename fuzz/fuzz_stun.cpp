// The STUN binding answer reader, fed any datagram; the transaction id is the datagram's own half the time,
// so that the attribute walk is reached.
#include "FuzzInput.h"
#include "IpExtraction.h"
#include "StunMessage.h"

#include <algorithm>

using namespace kestrune::lookup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool ownId = data[0] & 1;
    const std::span<const uint8_t> message(data + 1, size - 1);
    StunTransactionId id{};
    if (ownId && message.size() >= kStunHeaderSize)
        std::copy_n(message.begin() + 8, id.size(), id.begin());
    const std::optional<std::string> address = stunMappedAddress(message, id);
    if (address) {
        FUZZ_CHECK(isValidIp(*address));
        FUZZ_CHECK(message.size() >= kStunHeaderSize + 12);
    }
    return 0;
}
