#pragma once

#include "NetworkErrors.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::net {

// An address text that cannot be read, e.g. "@ Outside address".
class EmailParseError : public NetworkError { using NetworkError::NetworkError; };

// One mail address with an optional display name.
struct EmailAddress {
    std::string name;
    std::string address;

    // Header form: the bare address, or the name (quoted, or as encoded words when it is not
    // printable ASCII) followed by the address in angle brackets.
    std::string text() const;
};

class EmailAddressList {
public:
    // Replaces the list by the addresses of one text such as "a@x.org; \"B\" <b@y.org>, c@z.org".
    // Raises EmailParseError ("@ Outside address") for an at sign after a bracketed address.
    void setEMailAddresses(std::string_view text);
    // Header form of every item, joined by ", ".
    std::string eMailAddresses() const;

    void add(EmailAddress item) { m_items.push_back(std::move(item)); }
    void clear() { m_items.clear(); }
    bool empty() const { return m_items.empty(); }
    std::size_t size() const { return m_items.size(); }
    const EmailAddress &operator[](std::size_t index) const { return m_items[index]; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<EmailAddress> m_items;
};

// Parses one item of an address list ("addr", "Name <addr>", "\"Name\" <addr>", "addr (comment)").
EmailAddress parseEmailAddressItem(std::string_view text);

} // namespace kestrune::net
