#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct TNetCookie {
    std::string Name;
    std::string Value;
    std::string Domain;
    std::string Path = "/";
    bool Secure = false;
    bool HostOnly = false;
    bool HasExpiry = false;
    std::time_t Expires = 0;
};

// The HTTP client's cookie store (Netscape, RFC 2109 and RFC 2965 "Set-Cookie" forms).
class TNetCookieManager {
public:
    // Adds a "Set-Cookie" / "Set-Cookie2" value received from host; an invalid cookie is dropped.
    // A cookie with the same name, domain and path replaces the stored one.
    void AddCookie(const std::string& setCookieValue, const std::string& requestHost, const std::string& requestPath);
    void AddCookie2(const std::string& setCookie2Value, const std::string& requestHost, const std::string& requestPath);
    void RemoveExpired(std::time_t now);
    // "name=value; name2=value2" of every matching, non-secure cookie, longest path first; empty if none.
    std::string CookieHeader(const std::string& host, const std::string& path, bool secureChannel = false) const;

    const std::vector<TNetCookie>& Cookies() const { return fCookies; }
    void Clear() { fCookies.clear(); }

    // "Wdy, DD-Mon-YYYY HH:MM:SS GMT" and the RFC 1123 / 850 / asctime forms; -1 when not a date.
    static std::time_t ParseCookieDate(const std::string& text);

private:
    void Store(TNetCookie cookie);
    std::vector<TNetCookie> fCookies;
};
