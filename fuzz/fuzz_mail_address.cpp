// The mail address-list parser on any recipient text, and the header form of what it read.
#include "FuzzInput.h"
#include "NetMailAddress.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    const std::string text = in.Rest();

    TNetEmailAddressList list;
    list.Add({"stale", "stale@x.org"});
    try {
        list.SetEMailAddresses(text);
    } catch (const ENetEmailParseError&) {
        return 0;
    }
    // Setting a list replaces what it held: it reads exactly as a fresh list reads the same text.
    TNetEmailAddressList fresh;
    fresh.SetEMailAddresses(text);
    FUZZ_CHECK(fresh.size() == list.size());
    for (std::size_t i = 0; i < list.size() && i < fresh.size(); ++i)
        FUZZ_CHECK(fresh[i].Address == list[i].Address && fresh[i].Name == list[i].Name);
    for (const TNetEmailAddressItem& item : list) {
        FUZZ_CHECK(!(item.Name.empty() && item.Address.empty()));
        const std::string header = item.Text();
        FUZZ_CHECK(header.find(item.Address) != std::string::npos);
    }
    const std::string joined = list.EMailAddresses();
    FUZZ_CHECK(list.empty() == joined.empty());

    // The header form reads back to the same addresses, as far as an address can stand in it unquoted
    // (an address holding list syntax is garbage the server refuses, and is not escaped for a header).
    for (const TNetEmailAddressItem& item : list)
        if (item.Address.find_first_of(std::string(" \t\"()<>,;:\\\0", 12)) != std::string::npos ||
            std::count(item.Address.begin(), item.Address.end(), '@') > 1)
            return 0;
    TNetEmailAddressList again;
    try {
        again.SetEMailAddresses(joined);
    } catch (const ENetEmailParseError&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(again.size() == list.size());
    for (std::size_t i = 0; i < list.size() && i < again.size(); ++i)
        FUZZ_CHECK(again[i].Address == list[i].Address);
    return 0;
}
