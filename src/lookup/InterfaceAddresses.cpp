#include "InterfaceAddresses.h"

#include "Ipv6Address.h"
#include "NetlinkMessages.h"

#include <cerrno>
#include <cstring>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace kestrune::lookup {

namespace {

std::string interfaceName(unsigned index)
{
    char name[IF_NAMESIZE] = {};
    return ::if_indextoname(index, name) ? std::string(name) : "#" + std::to_string(index);
}

// Closes the socket on every way out.
struct NetlinkSocket {
    int fd = -1;
    ~NetlinkSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("The interface addresses cannot be read: ") + what + " (" +
                             std::strerror(errno) + ").");
}

void readAddress(const nlmsghdr& header, std::string (*nameOf)(unsigned), std::vector<InterfaceAddress>& out)
{
    if (header.nlmsg_type != RTM_NEWADDR || header.nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
        return;
    const auto* message = static_cast<const ifaddrmsg*>(NLMSG_DATA(&header));
    if (message->ifa_family != AF_INET6)
        return;
    InterfaceAddress entry;
    entry.prefixLength = message->ifa_prefixlen;
    std::uint32_t flags = message->ifa_flags;
    bool haveAddress = false;
    int left = static_cast<int>(IFA_PAYLOAD(&header));
    for (const rtattr* attribute = IFA_RTA(message); RTA_OK(attribute, left); attribute = RTA_NEXT(attribute, left)) {
        const void* value = RTA_DATA(attribute);
        const std::size_t size = RTA_PAYLOAD(attribute);
        switch (attribute->rta_type) {
        case IFA_ADDRESS:
        case IFA_LOCAL:
            // IFA_LOCAL wins where both come (point-to-point links); IFA_ADDRESS is the address elsewhere.
            if (size == 16 && (attribute->rta_type == IFA_LOCAL || !haveAddress)) {
                Ipv6Bytes bytes{};
                std::memcpy(bytes.data(), value, 16);
                entry.address = ipv6Text(bytes);
                haveAddress = true;
            }
            break;
        case IFA_FLAGS:
            if (size >= sizeof(std::uint32_t))
                std::memcpy(&flags, value, sizeof flags);
            break;
        case IFA_CACHEINFO:
            if (size >= sizeof(ifa_cacheinfo)) {
                ifa_cacheinfo info{};
                std::memcpy(&info, value, sizeof info);
                entry.preferredLifetime = info.ifa_prefered;
                entry.validLifetime = info.ifa_valid;
            }
            break;
        default:
            break;
        }
    }
    if (!haveAddress)
        return;
    entry.temporary = flags & IFA_F_TEMPORARY;
    entry.deprecated = flags & IFA_F_DEPRECATED;
    entry.tentative = flags & IFA_F_TENTATIVE;
    entry.dadFailed = flags & IFA_F_DADFAILED;
    entry.interfaceName = nameOf(message->ifa_index);
    out.push_back(std::move(entry));
}

} // namespace

std::vector<InterfaceAddress> parseAddressMessages(const void* data, std::size_t length,
                                                   std::string (*nameOf)(unsigned))
{
    std::vector<InterfaceAddress> addresses;
    for (const nlmsghdr* header : netlinkMessages(data, length))
        readAddress(*header, nameOf, addresses);
    return addresses;
}

std::vector<InterfaceAddress> readInterfaceAddresses()
{
    NetlinkSocket socket;
    socket.fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (socket.fd < 0)
        fail("no netlink socket");
    // The kernel answers at once; the bound keeps a broken one from holding the check.
    const timeval bound{2, 0};
    ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    struct {
        nlmsghdr header;
        ifaddrmsg message;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.message.ifa_family = AF_INET6;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(socket.fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
        fail("the request was refused");
    std::vector<InterfaceAddress> addresses;
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t received = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            fail("no answer");
        }
        for (const nlmsghdr* header : netlinkMessages(buffer, static_cast<std::size_t>(received))) {
            if (header->nlmsg_type == NLMSG_DONE)
                return addresses;
            if (header->nlmsg_type == NLMSG_ERROR) {
                errno = EIO;
                fail("the kernel answered with an error");
            }
            readAddress(*header, interfaceName, addresses);
        }
    }
}

} // namespace kestrune::lookup
