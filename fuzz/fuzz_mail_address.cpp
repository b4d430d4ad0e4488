// The mail address-list parser on any recipient text, and the header form of what it read.
#include "FuzzInput.h"
#include "EmailAddress.h"

#include <algorithm>

using namespace kestrune::net;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string text = in.Rest();

    EmailAddressList list;
    list.add({"stale", "stale@x.org"});
    try {
        list.setEMailAddresses(text);
    } catch (const EmailParseError&) {
        return 0;
    }
    // Setting a list replaces what it held: it reads exactly as a fresh list reads the same text.
    EmailAddressList fresh;
    fresh.setEMailAddresses(text);
    FUZZ_CHECK(fresh.size() == list.size());
    for (std::size_t i = 0; i < list.size() && i < fresh.size(); ++i)
        FUZZ_CHECK(fresh[i].address == list[i].address && fresh[i].name == list[i].name);
    for (const EmailAddress& item : list) {
        FUZZ_CHECK(!(item.name.empty() && item.address.empty()));
        const std::string header = item.text();
        FUZZ_CHECK(header.find(item.address) != std::string::npos);
    }
    const std::string joined = list.eMailAddresses();
    FUZZ_CHECK(list.empty() == joined.empty());

    // The header form reads back to the same addresses, as far as an address can stand in it unquoted
    // (an address holding list syntax is garbage the server refuses, and is not escaped for a header).
    for (const EmailAddress& item : list)
        if (item.address.find_first_of(std::string(" \t\"()<>,;:\\\0", 12)) != std::string::npos ||
            std::count(item.address.begin(), item.address.end(), '@') > 1)
            return 0;
    EmailAddressList again;
    try {
        again.setEMailAddresses(joined);
    } catch (const EmailParseError&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(again.size() == list.size());
    for (std::size_t i = 0; i < list.size() && i < again.size(); ++i)
        FUZZ_CHECK(again[i].address == list[i].address);
    return 0;
}
