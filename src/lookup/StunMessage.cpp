#include "StunMessage.h"

#include <algorithm>

namespace kestrune::lookup {

namespace {
constexpr uint16_t kBindingRequest = 0x0001;
constexpr uint16_t kBindingSuccess = 0x0101;
constexpr uint16_t kXorMappedAddress = 0x0020;
constexpr uint8_t kFamilyIpv4 = 0x01;

uint16_t read16(std::span<const uint8_t> bytes, std::size_t at)
{
    return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

uint32_t read32(std::span<const uint8_t> bytes, std::size_t at)
{
    return static_cast<uint32_t>(read16(bytes, at)) << 16 | read16(bytes, at + 2);
}

void put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}
} // namespace

std::vector<uint8_t> stunBindingRequest(const StunTransactionId& id)
{
    std::vector<uint8_t> out;
    out.reserve(kStunHeaderSize);
    put16(out, kBindingRequest);
    put16(out, 0);
    put16(out, static_cast<uint16_t>(kStunMagicCookie >> 16));
    put16(out, static_cast<uint16_t>(kStunMagicCookie));
    out.insert(out.end(), id.begin(), id.end());
    return out;
}

std::optional<std::string> stunMappedAddress(std::span<const uint8_t> message, const StunTransactionId& id)
{
    if (message.size() < kStunHeaderSize || read16(message, 0) != kBindingSuccess)
        return std::nullopt;
    const std::size_t length = read16(message, 2);
    if (length % 4 != 0 || kStunHeaderSize + length != message.size() || read32(message, 4) != kStunMagicCookie)
        return std::nullopt;
    if (!std::equal(id.begin(), id.end(), message.begin() + 8))
        return std::nullopt;
    std::optional<std::string> found;
    std::size_t at = kStunHeaderSize;
    while (at < message.size()) {
        if (message.size() - at < 4)
            return std::nullopt;
        const uint16_t type = read16(message, at);
        const std::size_t valueLength = read16(message, at + 2);
        const std::size_t padded = (valueLength + 3) / 4 * 4;
        at += 4;
        if (message.size() - at < padded)
            return std::nullopt;
        if (type == kXorMappedAddress && !found && valueLength == 8 && message[at + 1] == kFamilyIpv4) {
            const uint32_t address = read32(message, at + 4) ^ kStunMagicCookie;
            found = std::to_string(address >> 24) + '.' + std::to_string(address >> 16 & 0xFF) + '.' +
                    std::to_string(address >> 8 & 0xFF) + '.' + std::to_string(address & 0xFF);
        }
        at += padded;
    }
    return found;
}

} // namespace kestrune::lookup
