#pragma once

#include <string>

namespace kestrune::net {

// A URL split the way the HTTP client needs it. Nothing is decoded or encoded.
class Uri {
public:
    Uri() = default;
    explicit Uri(const std::string& url) { setUri(url); }

    std::string protocol;
    std::string username;
    std::string password;
    std::string host;
    std::string port;
    std::string path;      // ends with "/"
    std::string document;
    std::string params;    // from the "?" (or the first parameter) on
    std::string bookmark;  // after "#"

    void setUri(const std::string& url);
    // Resolves "." and ".." segments of a path that starts with "/".
    static std::string normalizePath(const std::string& path);
    // Resolves path against base (an absolute path that ends with "/").
    static std::string resolvePath(const std::string& base, const std::string& path);
};

} // namespace kestrune::net
