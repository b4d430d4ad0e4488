#include "Ipv6Address.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cctype>
#include <cstring>

namespace kestrune::lookup {

namespace {

struct Range {
    Ipv6Bytes first;
    int prefix;
    Ipv6Kind kind;
};

bool inRange(const Ipv6Bytes& address, const Ipv6Bytes& first, int prefix)
{
    for (int bit = 0; bit < prefix; ++bit) {
        const auto byte = static_cast<std::size_t>(bit / 8);
        const int mask = 0x80 >> (bit % 8);
        if ((address[byte] & mask) != (first[byte] & mask))
            return false;
    }
    return true;
}

// The exact ones first, then the wider ranges, so "::1" reads as loopback and not as outside 2000::/3.
const std::array<Range, 7> kRanges = {{
    {Ipv6Bytes{}, 128, {"the unspecified address", "::/128"}},
    {Ipv6Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 128, {"a loopback address", "::1/128"}},
    {Ipv6Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff}, 96, {"an IPv4-mapped address", "::ffff:0:0/96"}},
    {Ipv6Bytes{0xfe, 0x80}, 10, {"a link-local address", "fe80::/10"}},
    {Ipv6Bytes{0xfc}, 7, {"a unique local address (ULA)", "fc00::/7"}},
    {Ipv6Bytes{0xff}, 8, {"a multicast address", "ff00::/8"}},
    {Ipv6Bytes{0x20}, 3, {"not a global unicast address", "outside 2000::/3"}},
}};

bool addressChar(char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; }

} // namespace

std::optional<Ipv6Bytes> parseIpv6(std::string_view text)
{
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN)
        return std::nullopt;
    const std::string copy(text);
    Ipv6Bytes bytes{};
    if (::inet_pton(AF_INET6, copy.c_str(), bytes.data()) != 1)
        return std::nullopt;
    return bytes;
}

std::string ipv6Text(const Ipv6Bytes& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, address.data(), text, sizeof text);
    return text;
}

std::optional<Ipv6Kind> nonGlobalIpv6Kind(const Ipv6Bytes& address)
{
    for (const Range& range : kRanges) {
        const bool inside = inRange(address, range.first, range.prefix);
        // The last row names what lies outside it.
        if (&range == &kRanges.back() ? !inside : inside)
            return range.kind;
    }
    return std::nullopt;
}

std::optional<Ipv6Bytes> withInterfaceIdentifier(const Ipv6Bytes& address, std::string_view suffix)
{
    const std::optional<Ipv6Bytes> identifier = parseIpv6(suffix);
    if (!identifier || std::any_of(identifier->begin(), identifier->begin() + 8, [](auto b) { return b != 0; }))
        return std::nullopt;
    Ipv6Bytes result = address;
    std::copy(identifier->begin() + 8, identifier->end(), result.begin() + 8);
    return result;
}

std::string collectFirstIpv6(std::string_view page)
{
    std::size_t at = 0;
    while (at < page.size()) {
        if (!addressChar(page[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < page.size() && addressChar(page[end]))
            ++end;
        std::string_view run = page.substr(at, end - at);
        // A sentence's full stop after the address is not part of it.
        while (!run.empty() && run.back() == '.')
            run.remove_suffix(1);
        if (std::count(run.begin(), run.end(), ':') >= 2 && parseIpv6(run))
            return std::string(run);
        at = end;
    }
    return {};
}

} // namespace kestrune::lookup
