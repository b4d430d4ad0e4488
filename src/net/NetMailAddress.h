#pragma once

#include "NetExceptions.h"

#include <string>
#include <string_view>
#include <vector>

// An address text that cannot be read, e.g. "@ Outside address".
class ENetEmailParseError : public ENetException { using ENetException::ENetException; };

// One mail address with an optional display name.
struct TNetEmailAddressItem {
    std::string Name;
    std::string Address;

    // Header form: the bare address, or the name (quoted, or as encoded words when it is not
    // printable ASCII) followed by the address in angle brackets.
    std::string Text() const;
};

class TNetEmailAddressList {
public:
    // Replaces the list by the addresses of one text such as "a@x.org; \"B\" <b@y.org>, c@z.org".
    // Raises ENetEmailParseError ("@ Outside address") for an at sign after a bracketed address.
    void SetEMailAddresses(std::string_view text);
    // Header form of every item, joined by ", ".
    std::string EMailAddresses() const;

    void Add(TNetEmailAddressItem item) { FItems.push_back(std::move(item)); }
    void Clear() { FItems.clear(); }
    bool empty() const { return FItems.empty(); }
    std::size_t size() const { return FItems.size(); }
    const TNetEmailAddressItem &operator[](std::size_t index) const { return FItems[index]; }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TNetEmailAddressItem> FItems;
};

// Parses one item of an address list ("addr", "Name <addr>", "\"Name\" <addr>", "addr (comment)").
TNetEmailAddressItem ParseEmailAddressItem(std::string_view text);
