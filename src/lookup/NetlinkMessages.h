#pragma once

#include <linux/netlink.h>

#include <cstddef>
#include <vector>

namespace kestrune::lookup {

// The whole messages of one netlink buffer (aligned as the kernel hands it over). The kernel's own walk
// keeps an unsigned count that a last message with an odd length wraps around; this one stops there.
inline std::vector<const nlmsghdr*> netlinkMessages(const void* data, std::size_t length)
{
    std::vector<const nlmsghdr*> messages;
    const auto* bytes = static_cast<const char*>(data);
    std::size_t offset = 0;
    while (offset < length && length - offset >= sizeof(nlmsghdr)) {
        const auto* header = reinterpret_cast<const nlmsghdr*>(bytes + offset);
        if (header->nlmsg_len < sizeof(nlmsghdr) || header->nlmsg_len > length - offset)
            break;
        messages.push_back(header);
        offset += NLMSG_ALIGN(header->nlmsg_len);
    }
    return messages;
}

} // namespace kestrune::lookup
