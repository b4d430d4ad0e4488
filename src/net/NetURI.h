#pragma once

#include <string>

// A URL split the way the HTTP client needs it. Nothing is decoded or encoded.
class TNetURI {
public:
    TNetURI() = default;
    explicit TNetURI(const std::string& url) { SetURI(url); }

    std::string Protocol;
    std::string Username;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;      // ends with "/"
    std::string Document;
    std::string Params;    // from the "?" (or the first parameter) on
    std::string Bookmark;  // after "#"

    void SetURI(const std::string& url);
    // Resolves "." and ".." segments of a path that starts with "/".
    static std::string NormalizePath(const std::string& path);
    // Resolves path against base (an absolute path that ends with "/").
    static std::string ResolvePath(const std::string& base, const std::string& path);
};
