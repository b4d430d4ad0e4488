// The kernel's address dump reader, fed any bytes as if they were netlink messages: the walk over
// messages and attributes must stay inside the buffer and yield only well-formed addresses.
#include "FuzzInput.h"
#include "InterfaceAddresses.h"

#include <arpa/inet.h>
#include <linux/netlink.h>

#include <cstring>
#include <vector>

using namespace kestrune::lookup;

namespace {
std::string nameOf(unsigned index) { return "if" + std::to_string(index); }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // The kernel hands over aligned messages; so does the reader's own buffer.
    std::vector<nlmsghdr> aligned(size / sizeof(nlmsghdr) + 1);
    std::memcpy(aligned.data(), data, size);
    for (const InterfaceAddress& entry : parseAddressMessages(aligned.data(), size, nameOf)) {
        in6_addr parsed{};
        FUZZ_CHECK(inet_pton(AF_INET6, entry.address.c_str(), &parsed) == 1);
        FUZZ_CHECK(entry.interfaceName.rfind("if", 0) == 0);
    }
    return 0;
}
