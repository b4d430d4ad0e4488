#pragma once

#include <map>
#include <string>

namespace kestrune::lookup {

// The kernel's address and link events of both families (a netlink socket), read on a face's event loop:
// nothing wakes while nothing changes. A lifetime refresh of an address already seen is no change.
class AddressEvents {
public:
    // Raises std::runtime_error with the reason when the kernel cannot be listened to.
    AddressEvents();
    ~AddressEvents();
    AddressEvents(const AddressEvents&) = delete;
    AddressEvents& operator=(const AddressEvents&) = delete;

    // Becomes readable when events wait.
    int handle() const { return m_fd; }
    // Reads every waiting event without blocking; true when an address or a link changed among them.
    bool drain();

private:
    bool changed(const void* message, unsigned length);

    int m_fd = -1;
    std::map<std::string, unsigned> m_addressFlags;  // family, interface and address, to their flags
    std::map<int, unsigned> m_linkFlags;             // interface index to IFF_UP / IFF_RUNNING
};

} // namespace kestrune::lookup
