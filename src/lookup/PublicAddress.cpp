#include "PublicAddress.h"

#include "Ipv6Address.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kestrune::lookup {

namespace {

struct Range {
    std::uint32_t first;
    int prefix;
    std::string_view kind;  // completes "... is <kind> (<range>)"
    std::string_view text;
};

constexpr std::uint32_t address(std::uint32_t a, std::uint32_t b) { return a << 24 | b << 16; }

constexpr std::array<Range, 9> kRefused = {{
    {address(0, 0), 8, "a \"this network\" address", "0.0.0.0/8"},
    {address(10, 0), 8, "a private address", "10.0.0.0/8"},
    {address(100, 64), 10, "a carrier-grade NAT address of your provider, shared with other customers",
     "100.64.0.0/10"},
    {address(127, 0), 8, "a loopback address", "127.0.0.0/8"},
    {address(169, 254), 16, "a link-local address", "169.254.0.0/16"},
    {address(172, 16), 12, "a private address", "172.16.0.0/12"},
    {address(192, 168), 16, "a private address", "192.168.0.0/16"},
    {address(224, 0), 4, "a multicast address", "224.0.0.0/4"},
    {address(240, 0), 4, "a reserved address", "240.0.0.0/4"},
}};

std::optional<std::uint32_t> parsed(std::string_view text)
{
    std::uint32_t value = 0;
    int groups = 0;
    for (std::size_t start = 0; start <= text.size(); start = text.find('.', start) + 1) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        if (end == start)
            return std::nullopt;
        std::uint32_t group = 0;
        for (std::size_t i = start; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            group = group * 10 + static_cast<std::uint32_t>(text[i] - '0');
            if (group > 255)
                return std::nullopt;
        }
        value = value << 8 | group;
        ++groups;
        if (end == text.size())
            break;
    }
    if (groups != 4)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> publicAddressProblem(std::string_view text)
{
    const std::string prefix = "Not published: " + std::string(text) + " is ";
    if (text.find(':') != std::string_view::npos) {
        const std::optional<Ipv6Bytes> bytes = parseIpv6(text);
        if (!bytes)
            return prefix + "not a valid IPv6 address.";
        const std::optional<Ipv6Kind> kind = nonGlobalIpv6Kind(*bytes);
        // Outside 2000::/3 but none of these: not yet assigned, which is no reason to refuse it.
        if (!kind || kind->range.starts_with("outside"))
            return std::nullopt;
        return prefix + std::string(kind->kind) + " (" + std::string(kind->range) + "), not a public one.";
    }
    const std::optional<std::uint32_t> value = parsed(text);
    if (!value)
        return prefix + "not a valid address (a group is empty or above 255).";
    for (const Range& range : kRefused) {
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - range.prefix);
        if ((*value & mask) == range.first)
            return prefix + std::string(range.kind) + " (" + std::string(range.text) + "), not a public one.";
    }
    return std::nullopt;
}

} // namespace kestrune::lookup
