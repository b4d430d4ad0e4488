#pragma once

#include <string>

namespace kestrune::core {

// The user-defined page a lookup reads: the fields of the selected lookup, which are not settings of their own.
struct PageFields {
    std::string url;         // without "http://"; an "https://" page keeps its scheme
    std::string keyword;
    std::string charToSkip;
    bool webAuth = false;
    std::string username;
    std::string password;
    bool acceptAnyCertificate = false;  // the "https://" page's "Accept any certificate"
};

} // namespace kestrune::core
