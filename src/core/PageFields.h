#pragma once

#include <string>

namespace kestrune::core {

// The user-defined page a lookup reads: the fields of the selected lookup, which are not settings of their own.
struct PageFields {
    std::string url;         // without "http://"
    std::string keyword;
    std::string charToSkip;
    bool webAuth = false;
    std::string username;
    std::string password;
};

} // namespace kestrune::core
