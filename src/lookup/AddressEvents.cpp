#include "AddressEvents.h"

#include "NetlinkMessages.h"

#include <cerrno>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrune::lookup {

AddressEvents::AddressEvents()
{
    m_fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_fd < 0)
        throw std::runtime_error(std::string("Address changes cannot be followed: ") + std::strerror(errno) + ".");
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        throw std::runtime_error(std::string("Address changes cannot be followed: ") + std::strerror(error) + ".");
    }
}

AddressEvents::~AddressEvents()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool AddressEvents::drain()
{
    bool any = false;
    alignas(nlmsghdr) char buffer[16384];
    for (;;) {
        const ssize_t received = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            // Events lost to a full queue: something changed all the same.
            if (errno == ENOBUFS) {
                any = true;
                continue;
            }
            return any;
        }
        if (received == 0)
            return any;
        for (const nlmsghdr* header : netlinkMessages(buffer, static_cast<std::size_t>(received)))
            any = changed(header, header->nlmsg_len) || any;
    }
}

bool AddressEvents::changed(const void* message, unsigned length)
{
    const auto* header = static_cast<const nlmsghdr*>(message);
    switch (header->nlmsg_type) {
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        if (length < NLMSG_LENGTH(sizeof(ifaddrmsg)))
            return false;
        const auto* address = static_cast<const ifaddrmsg*>(NLMSG_DATA(header));
        std::string key = std::to_string(address->ifa_family) + "/" + std::to_string(address->ifa_index) + "/";
        unsigned flags = address->ifa_flags;
        int left = static_cast<int>(IFA_PAYLOAD(header));
        for (const rtattr* attribute = IFA_RTA(address); RTA_OK(attribute, left); attribute = RTA_NEXT(attribute, left)) {
            if (attribute->rta_type == IFA_ADDRESS || attribute->rta_type == IFA_LOCAL)
                key.append(static_cast<const char*>(RTA_DATA(attribute)), RTA_PAYLOAD(attribute));
            else if (attribute->rta_type == IFA_FLAGS && RTA_PAYLOAD(attribute) >= sizeof(std::uint32_t))
                std::memcpy(&flags, RTA_DATA(attribute), sizeof(std::uint32_t));
        }
        if (header->nlmsg_type == RTM_DELADDR) {
            m_addressFlags.erase(key);
            return true;
        }
        const auto [entry, added] = m_addressFlags.try_emplace(key, flags);
        if (added)
            return true;
        const bool differs = entry->second != flags;
        entry->second = flags;
        return differs;
    }
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        if (length < NLMSG_LENGTH(sizeof(ifinfomsg)))
            return false;
        const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
        if (header->nlmsg_type == RTM_DELLINK) {
            m_linkFlags.erase(link->ifi_index);
            return true;
        }
        const unsigned state = link->ifi_flags & (IFF_UP | IFF_RUNNING);
        const auto [entry, added] = m_linkFlags.try_emplace(link->ifi_index, state);
        const bool differs = added || entry->second != state;
        entry->second = state;
        return differs;
    }
    default:
        return false;
    }
}

} // namespace kestrune::lookup
